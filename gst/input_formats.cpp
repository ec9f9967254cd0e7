#include "input_formats.h"

#include <initializer_list>

#include "tav_types.h"

namespace {

#define BAYER(order, code8, code10, code12, code16, code10p, code12p)                         \
    {"video/x-bayer", order, code8, 8, TAV_STORAGE_BYTES, 0, TRUE},                           \
    {"video/x-bayer", order "10le", code10, 10, TAV_STORAGE_WORDS16, 0, TRUE},                \
    {"video/x-bayer", order "12le", code12, 12, TAV_STORAGE_WORDS16, 0, TRUE},                \
    {"video/x-bayer", order "14le", code8, 14, TAV_STORAGE_WORDS16, 6, FALSE},                \
    {"video/x-bayer", order "16le", code16, 16, TAV_STORAGE_WORDS16, 0, FALSE},               \
    {"video/x-bayer", order "10p", code10p, 10, TAV_STORAGE_PACKED, 0, FALSE},                \
    {"video/x-bayer", order "12p", code12p, 12, TAV_STORAGE_PACKED, 0, FALSE}

const TavInputFormat kFormats[] = {
    BAYER("rggb", TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_RG10, TAV_PIXEL_BAYER_RG12,
          TAV_PIXEL_BAYER_RG16, TAV_PIXEL_BAYER_RG10_PACKED, TAV_PIXEL_BAYER_RG12_PACKED),
    BAYER("grbg", TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GR10, TAV_PIXEL_BAYER_GR12,
          TAV_PIXEL_BAYER_GR16, TAV_PIXEL_BAYER_GR10_PACKED, TAV_PIXEL_BAYER_GR12_PACKED),
    BAYER("gbrg", TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_GB10, TAV_PIXEL_BAYER_GB12,
          TAV_PIXEL_BAYER_GB16, TAV_PIXEL_BAYER_GB10_PACKED, TAV_PIXEL_BAYER_GB12_PACKED),
    BAYER("bggr", TAV_PIXEL_BAYER_BG8, TAV_PIXEL_BAYER_BG10, TAV_PIXEL_BAYER_BG12,
          TAV_PIXEL_BAYER_BG16, TAV_PIXEL_BAYER_BG10_PACKED, TAV_PIXEL_BAYER_BG12_PACKED),
    {"video/x-raw", "GRAY8", TAV_PIXEL_MONO8, 8, TAV_STORAGE_BYTES, 0, FALSE},
    {"video/x-raw", "GRAY16_LE", TAV_PIXEL_MONO16, 16, TAV_STORAGE_WORDS16, 0, FALSE},
};

#undef BAYER

}  // namespace

const TavInputFormat* tavFindInputFormat(const GstStructure* structure) {
    const char* name = gst_structure_get_string(structure, "format");
    if (name == nullptr) return nullptr;
    for (const TavInputFormat& format : kFormats) {
        if (gst_structure_has_name(structure, format.mediaType) && g_str_equal(name, format.name)) {
            return &format;
        }
    }
    return nullptr;
}

int64_t tavInputRowBytes(const TavInputFormat* format, int32_t width) {
    if (width < 0) return -1;
    int64_t bytes = width;
    if (format->storage == TAV_STORAGE_WORDS16) bytes = 2 * int64_t(width);
    if (format->storage == TAV_STORAGE_PACKED) bytes = 3 * ((int64_t(width) + 1) / 2);
    return bytes > INT32_MAX ? -1 : bytes;
}

int64_t tavInputDefaultStride(const TavInputFormat* format, int32_t width) {
    const int64_t row = tavInputRowBytes(format, width);
    if (row < 0) return -1;
    const int64_t stride = (row + 3) & ~int64_t(3);
    return stride > INT32_MAX ? -1 : stride;
}

GstCaps* tavInputCaps(gboolean shadingOnly) {
    GstCaps* caps = gst_caps_new_empty();
    for (const char* mediaType : {"video/x-bayer", "video/x-raw"}) {
        GValue list = G_VALUE_INIT;
        gst_value_list_init(&list, 0);
        for (const TavInputFormat& format : kFormats) {
            if (!g_str_equal(format.mediaType, mediaType) || (shadingOnly && !format.shading)) continue;
            GValue name = G_VALUE_INIT;
            g_value_init(&name, G_TYPE_STRING);
            g_value_set_string(&name, format.name);
            gst_value_list_append_and_take_value(&list, &name);
        }
        if (gst_value_list_get_size(&list) > 0) {
            GstStructure* s = gst_structure_new(mediaType, "width", GST_TYPE_INT_RANGE, 1, G_MAXINT,
                                                "height", GST_TYPE_INT_RANGE, 1, G_MAXINT, "framerate",
                                                GST_TYPE_FRACTION_RANGE, 0, 1, G_MAXINT, 1, NULL);
            gst_structure_take_value(s, "format", &list);
            gst_caps_append_structure(caps, s);
        } else {
            g_value_unset(&list);
        }
    }
    return caps;
}

#include "gsttavshading.h"

#include <string.h>

#include <gst/video/video.h>

#include "caps_refusal.h"
#include "frame_rows.h"
#include "library_diagnostics.h"
#include "tav_lsc.h"

GST_DEBUG_CATEGORY_STATIC(tav_shading_debug);
#define GST_CAT_DEFAULT tav_shading_debug

enum { PROP_0, PROP_TABLE, PROP_ENABLED };

G_DEFINE_TYPE(GstTavShading, gst_tav_shading, GST_TYPE_BASE_TRANSFORM)
GST_ELEMENT_REGISTER_DEFINE(tavshading, "tavshading", GST_RANK_NONE, GST_TYPE_TAV_SHADING)

namespace {

struct CorrectionCall {
    TavImage frame;  // corrected in place
    const TavLSCTable* table;
};

TavStatus runCorrection(void* data) {
    const CorrectionCall* call = static_cast<const CorrectionCall*>(data);
    return tavLSCorrection(&call->frame, &call->frame, call->table);
}

}  // namespace

static gboolean gst_tav_shading_start(GstBaseTransform* trans) {
    GstTavShading* self = GST_TAV_SHADING(trans);
    GST_OBJECT_LOCK(self);
    gchar* path = g_strdup(self->tablePath);
    GST_OBJECT_UNLOCK(self);
    if (path == nullptr || path[0] == '\0') {
        g_free(path);
        GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND, ("tavshading has no table file (set the table property)"),
                          (nullptr));
        return FALSE;
    }
    gchar* problem = nullptr;
    if (!tavShadingTableLoad(path, &self->table, &problem)) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ, ("shading table %s: %s", path, problem), (nullptr));
        g_free(problem);
        g_free(path);
        return FALSE;
    }
    g_free(self->loadedPath);
    self->loadedPath = path;
    GST_INFO_OBJECT(self, "table %s: %dx%d, %u-bit", path, tavShadingTableWidth(&self->table),
                    tavShadingTableHeight(&self->table), self->table.bits);
    return TRUE;
}

static gboolean gst_tav_shading_stop(GstBaseTransform* trans) {
    GstTavShading* self = GST_TAV_SHADING(trans);
    tavShadingTableClear(&self->table);
    g_clear_pointer(&self->loadedPath, g_free);
    g_clear_pointer(&self->scratch, g_free);
    self->scratchSize = 0;
    self->input = nullptr;
    gst_caps_replace(&self->refusedCaps, nullptr);
    return TRUE;
}

static gboolean gst_tav_shading_set_caps(GstBaseTransform* trans, GstCaps* incaps, GstCaps*) {
    GstTavShading* self = GST_TAV_SHADING(trans);
    const GstStructure* s = gst_caps_get_structure(incaps, 0);
    const TavInputFormat* format = tavFindInputFormat(s);
    gint width = 0, height = 0;
    if (format == nullptr || !format->shading || !gst_structure_get_int(s, "width", &width) ||
        !gst_structure_get_int(s, "height", &height)) {
        if (tavFirstRefusalOf(&self->refusedCaps, incaps)) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("tavshading cannot take %" GST_PTR_FORMAT, incaps),
                              (nullptr));
        }
        return FALSE;
    }
    const gint tableWidth = tavShadingTableWidth(&self->table);
    const gint tableHeight = tavShadingTableHeight(&self->table);
    if (tableWidth != width || tableHeight != height) {
        if (tavFirstRefusalOf(&self->refusedCaps, incaps)) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION,
                              ("shading table %s is for %dx%d frames, the stream is %dx%d", self->loadedPath,
                               tableWidth, tableHeight, width, height),
                              (nullptr));
        }
        return FALSE;
    }
    // Offsets are kept on a 12-bit scale, so a table serves any depth.
    if (guint(format->bits) != self->table.bits) {
        GST_INFO_OBJECT(self, "table %s was made for %u-bit samples, the stream is %d-bit", self->loadedPath,
                        self->table.bits, format->bits);
    }
    gst_caps_replace(&self->refusedCaps, nullptr);
    self->input = format;
    self->width = width;
    self->height = height;
    return TRUE;
}

static GstFlowReturn gst_tav_shading_transform_ip(GstBaseTransform* trans, GstBuffer* buffer) {
    GstTavShading* self = GST_TAV_SHADING(trans);
    if (self->input == nullptr) return GST_FLOW_NOT_NEGOTIATED;
    GST_OBJECT_LOCK(self);
    const gboolean enabled = self->enabled;
    GST_OBJECT_UNLOCK(self);
    if (!enabled) return GST_FLOW_OK;

    const int32_t width = self->width, height = self->height;
    const int64_t rowBytes = tavInputRowBytes(self->input, width);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
        GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("cannot map the frame for writing"), (nullptr));
        return GST_FLOW_ERROR;
    }
    TavFrameRows layout;
    if (!tavLocateFrameRows(buffer, map.size, height, rowBytes, tavInputDefaultStride(self->input, width), &layout)) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT,
                          ("buffer of %" G_GSIZE_FORMAT " bytes does not hold a %dx%d %s frame with rows of %"
                           G_GINT64_FORMAT " bytes from offset %" G_GSIZE_FORMAT,
                           map.size, width, height, self->input->name, layout.stride, layout.offset),
                          (nullptr));
        gst_buffer_unmap(buffer, &map);
        return GST_FLOW_ERROR;
    }
    const gsize stride = gsize(layout.stride);
    guint8* rows = map.data + layout.offset;
    // The library wants rows without padding: correct a tight copy otherwise.
    const gboolean padded = stride != gsize(rowBytes);
    const gsize frameBytes = gsize(rowBytes) * gsize(height);
    if (padded && self->scratchSize < frameBytes) {
        g_free(self->scratch);
        self->scratch = static_cast<guint8*>(g_try_malloc(frameBytes));
        self->scratchSize = self->scratch != nullptr ? frameBytes : 0;
        if (self->scratch == nullptr) {
            GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("out of memory for a %dx%d frame copy", width, height),
                              (nullptr));
            gst_buffer_unmap(buffer, &map);
            return GST_FLOW_ERROR;
        }
    }
    guint8* frame = padded ? self->scratch : rows;
    if (padded) {
        for (int32_t r = 0; r < height; ++r) memcpy(frame + gsize(r) * rowBytes, rows + gsize(r) * stride, rowBytes);
    }
    CorrectionCall call{{height, width, self->input->pixelType, frame, int32_t(rowBytes)}, self->table.words};
    TavDiagnosticText lines;
    const TavStatus status = tavCallWithDiagnostics(runCorrection, &call, &lines);
    if (status != TAV_OK) {
        gchar* what = g_strdup_printf("tavLSCorrection refused a %dx%d %s frame with table %s", width, height,
                                      self->input->name, self->loadedPath);
        gchar* text = tavDescribeRefusal(what, &lines, status);
        GST_ELEMENT_ERROR(self, STREAM, FAILED, ("%s", text), (nullptr));
        g_free(text);
        g_free(what);
        gst_buffer_unmap(buffer, &map);
        return GST_FLOW_ERROR;
    }
    if (padded) {
        for (int32_t r = 0; r < height; ++r) memcpy(rows + gsize(r) * stride, frame + gsize(r) * rowBytes, rowBytes);
    }
    gst_buffer_unmap(buffer, &map);
    return GST_FLOW_OK;
}

static void gst_tav_shading_set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    GstTavShading* self = GST_TAV_SHADING(object);
    switch (id) {
        case PROP_TABLE:
            GST_OBJECT_LOCK(self);
            g_free(self->tablePath);
            self->tablePath = g_value_dup_string(value);
            GST_OBJECT_UNLOCK(self);
            break;
        case PROP_ENABLED: {
            const gboolean enabled = g_value_get_boolean(value);
            GST_OBJECT_LOCK(self);
            self->enabled = enabled;
            GST_OBJECT_UNLOCK(self);
            gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), !enabled);
            break;
        }
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
    }
}

static void gst_tav_shading_get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    GstTavShading* self = GST_TAV_SHADING(object);
    GST_OBJECT_LOCK(self);
    switch (id) {
        case PROP_TABLE: g_value_set_string(value, self->tablePath); break;
        case PROP_ENABLED: g_value_set_boolean(value, self->enabled); break;
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
    }
    GST_OBJECT_UNLOCK(self);
}

static void gst_tav_shading_finalize(GObject* object) {
    GstTavShading* self = GST_TAV_SHADING(object);
    g_free(self->tablePath);
    G_OBJECT_CLASS(gst_tav_shading_parent_class)->finalize(object);
}

static void gst_tav_shading_class_init(GstTavShadingClass* klass) {
    GObjectClass* gobject_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseTransformClass* transform_class = GST_BASE_TRANSFORM_CLASS(klass);

    gobject_class->set_property = gst_tav_shading_set_property;
    gobject_class->get_property = gst_tav_shading_get_property;
    gobject_class->finalize = gst_tav_shading_finalize;
    g_object_class_install_property(
        gobject_class, PROP_TABLE,
        g_param_spec_string("table", "Table", "Shading table file written by `tavraw calibrate` (read on start)",
                            nullptr,
                            GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY)));
    g_object_class_install_property(
        gobject_class, PROP_ENABLED,
        g_param_spec_boolean("enabled", "Enabled", "Correct frames (false: pass them through untouched)", TRUE,
                             GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING)));

    GstCaps* caps = tavInputCaps(TRUE);
    gst_element_class_add_pad_template(element_class, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
    gst_element_class_add_pad_template(element_class, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);
    gst_element_class_set_static_metadata(element_class, "Lens shading correction", "Filter/Effect/Video",
                                          "Flat-field corrects 8-, 10- and 12-bit Bayer frames in place with a "
                                          "libtavcore shading table",
                                          "tav developers");

    transform_class->start = GST_DEBUG_FUNCPTR(gst_tav_shading_start);
    transform_class->stop = GST_DEBUG_FUNCPTR(gst_tav_shading_stop);
    transform_class->set_caps = GST_DEBUG_FUNCPTR(gst_tav_shading_set_caps);
    transform_class->transform_ip = GST_DEBUG_FUNCPTR(gst_tav_shading_transform_ip);
    transform_class->transform_ip_on_passthrough = FALSE;

    GST_DEBUG_CATEGORY_INIT(tav_shading_debug, "tavshading", 0, "tav shading correction element");
}

static void gst_tav_shading_init(GstTavShading* self) {
    self->enabled = TRUE;
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), TRUE);
}

#include "gsttavdemosaic.h"

#include <string.h>

#include "caps_refusal.h"
#include "frame_rows.h"
#include "library_diagnostics.h"
#include "output_frame.h"
#include "picture_apply.h"
#include "picture_properties.h"

GST_DEBUG_CATEGORY_STATIC(tav_demosaic_debug);
#define GST_CAT_DEFAULT tav_demosaic_debug

enum { PROP_0, PROP_METHOD, PROP_THREADS, PROP_FIRST_PICTURE };

#define DEFAULT_METHOD TAV_METHOD_BILINEAR
#define DEFAULT_THREADS 0
#define MAX_THREADS 64

G_DEFINE_TYPE(GstTavDemosaic, gst_tav_demosaic, GST_TYPE_BASE_TRANSFORM)
GST_ELEMENT_REGISTER_DEFINE(tavdemosaic, "tavdemosaic", GST_RANK_NONE, GST_TYPE_TAV_DEMOSAIC)

namespace {

GType methodType() {
    static GType type = 0;
    if (g_once_init_enter(&type)) {
        static const GEnumValue values[] = {
            {TAV_METHOD_NEAREST, "Nearest neighbour", "nearest"},
            {TAV_METHOD_BILINEAR, "Bilinear", "bilinear"},
            {TAV_METHOD_EDGE, "Edge-directed (gradient-steered)", "edge"},
            {TAV_METHOD_HQ, "High quality (directional colour differences, 5x5 decision)", "hq"},
            {0, nullptr, nullptr},
        };
        g_once_init_leave(&type, g_enum_register_static("GstTavDemosaicMethod", values));
    }
    return type;
}

const char* methodName(gint method) {
    GEnumValue* value = g_enum_get_value(static_cast<GEnumClass*>(g_type_class_peek(methodType())), method);
    return value != nullptr ? value->value_nick : "?";
}

gboolean growScratch(guint8** buffer, gsize* size, gsize needed) {
    if (*size >= needed) return TRUE;
    g_free(*buffer);
    *buffer = static_cast<guint8*>(g_try_malloc(needed));
    *size = *buffer != nullptr ? needed : 0;
    return *buffer != nullptr;
}

// Arguments of one tavDemosaicing call.
struct DemosaicCall {
    TavContext* context;
    TavImage input;
    gint method;
    TavImage output;
};

TavStatus runDemosaic(void* data) {
    DemosaicCall* call = static_cast<DemosaicCall*>(data);
    TavImage input = call->input;
    TavImage output = call->output;
    return tavDemosaicing(call->context, &input, call->method, &output);
}

// The fields that carry over between the input and output caps.
const char* const kSharedFields[] = {"width", "height", "framerate", "pixel-aspect-ratio"};

}  // namespace

static GstCaps* gst_tav_demosaic_transform_caps(GstBaseTransform* trans, GstPadDirection direction,
                                                GstCaps* caps, GstCaps* filter) {
    GstPad* other = direction == GST_PAD_SINK ? GST_BASE_TRANSFORM_SRC_PAD(trans) : GST_BASE_TRANSFORM_SINK_PAD(trans);
    GstCaps* templ = gst_pad_get_pad_template_caps(other);
    if (gst_caps_is_any(caps)) {
        if (filter == nullptr) return templ;
        GstCaps* filtered = gst_caps_intersect_full(filter, templ, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(templ);
        return filtered;
    }
    GstCaps* result = gst_caps_new_empty();
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* from = gst_caps_get_structure(caps, i);
        for (guint j = 0; j < gst_caps_get_size(templ); ++j) {
            GstStructure* to = gst_structure_copy(gst_caps_get_structure(templ, j));
            for (const char* field : kSharedFields) {
                const GValue* value = gst_structure_get_value(from, field);
                if (value != nullptr) gst_structure_set_value(to, field, value);
            }
            result = gst_caps_merge_structure(result, to);
        }
    }
    gst_caps_unref(templ);
    if (filter != nullptr) {
        GstCaps* filtered = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(result);
        result = filtered;
    }
    GST_DEBUG_OBJECT(trans, "%s caps %" GST_PTR_FORMAT " -> %" GST_PTR_FORMAT,
                     direction == GST_PAD_SINK ? "sink" : "src", caps, result);
    return result;
}

// Grey input stays grey unless downstream asks for colour; Bayer input takes
// the first colour format downstream accepts.
static GstCaps* gst_tav_demosaic_fixate_caps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps,
                                             GstCaps* othercaps) {
    if (direction == GST_PAD_SINK && gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw")) {
        GstCaps* grey = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "GRAY8", NULL);
        GstCaps* preferred = gst_caps_intersect(othercaps, grey);
        gst_caps_unref(grey);
        if (!gst_caps_is_empty(preferred)) {
            gst_caps_unref(othercaps);
            othercaps = preferred;
        } else {
            gst_caps_unref(preferred);
        }
    }
    return GST_BASE_TRANSFORM_CLASS(gst_tav_demosaic_parent_class)->fixate_caps(trans, direction, caps, othercaps);
}

static gboolean gst_tav_demosaic_set_caps(GstBaseTransform* trans, GstCaps* incaps, GstCaps* outcaps) {
    GstTavDemosaic* self = GST_TAV_DEMOSAIC(trans);
    const GstStructure* s = gst_caps_get_structure(incaps, 0);
    const TavInputFormat* format = tavFindInputFormat(s);
    gint width = 0, height = 0;
    if (format == nullptr || !gst_structure_get_int(s, "width", &width) ||
        !gst_structure_get_int(s, "height", &height)) {
        if (tavFirstRefusalOf(&self->refusedCaps, incaps)) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("tavdemosaic cannot take %" GST_PTR_FORMAT, incaps),
                              (nullptr));
        }
        return FALSE;
    }
    // Every size the library sees is a signed 32-bit value. Checked before
    // the output caps are parsed, which fails for frames this large too.
    const gchar* outName = gst_structure_get_string(gst_caps_get_structure(outcaps, 0), "format");
    const GstVideoFormat outFormat = outName != nullptr ? gst_video_format_from_string(outName)
                                                        : GST_VIDEO_FORMAT_UNKNOWN;
    if (int64_t(width) * height > G_MAXINT32 || tavInputDefaultStride(format, width) < 0 ||
        tavTightOutputBytes(outFormat, width, height) < 0) {
        if (tavFirstRefusalOf(&self->refusedCaps, incaps)) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("frame of %dx%d is too large for tavdemosaic", width, height),
                              (nullptr));
        }
        return FALSE;
    }
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, outcaps) || tavOutputPixelType(GST_VIDEO_INFO_FORMAT(&info)) == 0 ||
        GST_VIDEO_INFO_WIDTH(&info) != width || GST_VIDEO_INFO_HEIGHT(&info) != height) {
        if (tavFirstRefusalOf(&self->refusedCaps, incaps)) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION,
                              ("tavdemosaic cannot produce %" GST_PTR_FORMAT " from %" GST_PTR_FORMAT, outcaps,
                               incaps),
                              (nullptr));
        }
        return FALSE;
    }
    gchar* problem = nullptr;
    if (!tavPictureNegotiate(self, format, width, height, &problem)) {
        if (tavFirstRefusalOf(&self->refusedCaps, incaps)) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("%s", problem), (nullptr));
        }
        g_free(problem);
        return FALSE;
    }
    TavDemosaicConfig config;
    config.outputType = tavOutputPixelType(GST_VIDEO_INFO_FORMAT(&info));
    const TavStatus status = tavDemosaicSetConfig(self->context, &config);
    if (status != TAV_OK) {
        if (tavFirstRefusalOf(&self->refusedCaps, incaps)) {
            GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("tavDemosaicSetConfig refused %s (status %d %s)",
                                                        GST_VIDEO_INFO_NAME(&info), int(status),
                                                        tavStatusName(status)),
                              (nullptr));
        }
        return FALSE;
    }
    gst_caps_replace(&self->refusedCaps, nullptr);
    self->input = format;
    self->width = width;
    self->height = height;
    self->outputInfo = info;
    self->appliedGeneration = 0;  // black levels depend on the format: set the pipeline again
    GST_INFO_OBJECT(self, "%dx%d %s -> %s", width, height, format->name, GST_VIDEO_INFO_NAME(&info));
    return TRUE;
}

static gboolean gst_tav_demosaic_transform_size(GstBaseTransform* trans, GstPadDirection direction, GstCaps*,
                                                gsize, GstCaps* othercaps, gsize* othersize) {
    if (direction == GST_PAD_SINK) {
        GstVideoInfo info;
        if (!gst_video_info_from_caps(&info, othercaps)) return FALSE;
        *othersize = GST_VIDEO_INFO_SIZE(&info);
        return TRUE;
    }
    const GstStructure* s = gst_caps_get_structure(othercaps, 0);
    const TavInputFormat* format = tavFindInputFormat(s);
    gint width = 0, height = 0;
    if (format == nullptr || !gst_structure_get_int(s, "width", &width) ||
        !gst_structure_get_int(s, "height", &height)) {
        return FALSE;
    }
    const int64_t stride = tavInputDefaultStride(format, width);
    if (stride < 0) return FALSE;
    *othersize = gsize(stride) * gsize(height);
    GST_LOG_OBJECT(trans, "input frame size %" G_GSIZE_FORMAT, *othersize);
    return TRUE;
}

static gboolean gst_tav_demosaic_propose_allocation(GstBaseTransform* trans, GstQuery* decide_query,
                                                    GstQuery* query) {
    // Upstream may send padded rows described by a video meta.
    gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
    return GST_BASE_TRANSFORM_CLASS(gst_tav_demosaic_parent_class)->propose_allocation(trans, decide_query, query);
}

static gboolean gst_tav_demosaic_start(GstBaseTransform* trans) {
    GstTavDemosaic* self = GST_TAV_DEMOSAIC(trans);
    const TavStatus status = tavCreate(&self->context);
    if (status != TAV_OK) {
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED,
                          ("tavCreate failed (status %d %s)", int(status), tavStatusName(status)), (nullptr));
        return FALSE;
    }
    self->appliedThreads = -1;
    tavPictureStart(self);
    return TRUE;
}

static gboolean gst_tav_demosaic_stop(GstBaseTransform* trans) {
    GstTavDemosaic* self = GST_TAV_DEMOSAIC(trans);
    tavRelease(&self->context);
    tavPictureStop(self);
    tavPictureForgetFrame(self);
    g_clear_pointer(&self->inputScratch, g_free);
    g_clear_pointer(&self->outputScratch, g_free);
    self->inputScratchSize = 0;
    self->outputScratchSize = 0;
    self->input = nullptr;
    gst_caps_replace(&self->refusedCaps, nullptr);
    return TRUE;
}

// Points image at the mapped input, or at a tight 8-bit copy where the
// library would otherwise compact the read-only buffer in place or has no
// pixel type for the depth.
static gboolean prepareInput(GstTavDemosaic* self, GstBuffer* buffer, const GstMapInfo* map, TavImage* image) {
    const TavInputFormat* format = self->input;
    const int32_t width = self->width, height = self->height;
    TavFrameRows layout;
    if (!tavLocateFrameRows(buffer, map->size, height, tavInputRowBytes(format, width),
                            tavInputDefaultStride(format, width), &layout)) {
        GST_ELEMENT_ERROR(self, STREAM, FORMAT,
                          ("input buffer of %" G_GSIZE_FORMAT " bytes does not hold a %dx%d %s frame with rows of %"
                           G_GINT64_FORMAT " bytes from offset %" G_GSIZE_FORMAT,
                           map->size, width, height, format->name, layout.stride, layout.offset),
                          (nullptr));
        return FALSE;
    }
    const gsize stride = gsize(layout.stride);
    const guint8* rows = map->data + layout.offset;
    image->height = height;
    image->width = width;
    image->pixelType = format->pixelType;
    image->data = const_cast<guint8*>(rows);
    image->lineBytes = int32_t(stride);
    const gboolean narrowed = format->preShift != 0;
    const gboolean padded8 = format->storage == TAV_STORAGE_BYTES && stride != gsize(width);
    if (!narrowed && !padded8) return TRUE;

    if (!growScratch(&self->inputScratch, &self->inputScratchSize, gsize(width) * gsize(height))) {
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("out of memory for a %dx%d input copy", width, height), (nullptr));
        return FALSE;
    }
    if (narrowed) {
        u16Tou8(rows, height, width, int32_t(stride), format->preShift, self->inputScratch);
    } else {
        for (int32_t r = 0; r < height; ++r) {
            memcpy(self->inputScratch + gsize(r) * width, rows + gsize(r) * stride, gsize(width));
        }
    }
    image->data = self->inputScratch;
    image->lineBytes = width;
    return TRUE;
}

static GstFlowReturn gst_tav_demosaic_transform(GstBaseTransform* trans, GstBuffer* inbuf, GstBuffer* outbuf) {
    GstTavDemosaic* self = GST_TAV_DEMOSAIC(trans);
    if (self->input == nullptr) return GST_FLOW_NOT_NEGOTIATED;

    gint method = 0, threads = 0;
    tavPictureBeforeFrame(self, &method, &threads);
    if (threads != self->appliedThreads) {
        const TavStatus status = tavDemosaicSetThreads(self->context, threads);
        if (status != TAV_OK) GST_WARNING_OBJECT(self, "threads=%d refused: status %d", threads, int(status));
        self->appliedThreads = threads;
    }

    GstMapInfo inMap;
    if (!gst_buffer_map(inbuf, &inMap, GST_MAP_READ)) {
        GST_ELEMENT_ERROR(self, RESOURCE, READ, ("cannot map the input buffer"), (nullptr));
        return GST_FLOW_ERROR;
    }
    GstVideoFrame outFrame;
    if (!gst_video_frame_map(&outFrame, &self->outputInfo, outbuf, GST_MAP_WRITE)) {
        gst_buffer_unmap(inbuf, &inMap);
        GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("cannot map the output buffer"), (nullptr));
        return GST_FLOW_ERROR;
    }

    GstFlowReturn result = GST_FLOW_ERROR;
    DemosaicCall call{self->context, {}, method, {}};
    const gboolean tight = tavOutputFrameIsTight(&outFrame);
    const gsize tightBytes = gsize(tavTightOutputBytes(GST_VIDEO_FRAME_FORMAT(&outFrame), self->width, self->height));
    if (!prepareInput(self, inbuf, &inMap, &call.input)) goto done;
    if (!tight && !growScratch(&self->outputScratch, &self->outputScratchSize, tightBytes)) {
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("out of memory for a %" G_GSIZE_FORMAT "-byte output frame",
                                                   tightBytes), (nullptr));
        goto done;
    }
    call.output.data = tight ? static_cast<guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&outFrame, 0)) : self->outputScratch;
    call.output.lineBytes = int32_t(tightBytes / gsize(self->height) /
                                    (GST_VIDEO_FRAME_N_PLANES(&outFrame) == 3 ? 3 : 1));
    TavDiagnosticText lines;
    if (TavStatus status = tavCallWithDiagnostics(runDemosaic, &call, &lines); status != TAV_OK) {
        gchar* what = g_strdup_printf("tavDemosaicing refused a %dx%d %s frame (method %s, output %s)", self->width,
                                      self->height, self->input->name, methodName(method),
                                      GST_VIDEO_INFO_NAME(&outFrame.info));
        gchar* text = tavDescribeRefusal(what, &lines, status);
        GST_ELEMENT_ERROR(self, STREAM, DECODE, ("%s", text), (nullptr));
        g_free(text);
        g_free(what);
        goto done;
    }
    if (!tight) tavCopyTightToFrame(self->outputScratch, &outFrame);
    tavPictureAfterFrame(self, inbuf);
    result = GST_FLOW_OK;
done:
    gst_video_frame_unmap(&outFrame);
    gst_buffer_unmap(inbuf, &inMap);
    return result;
}

static gboolean isPictureProperty(guint id) {
    return id >= PROP_FIRST_PICTURE && id < PROP_FIRST_PICTURE + TAV_PICTURE_PROPERTY_COUNT;
}

static void gst_tav_demosaic_set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    GstTavDemosaic* self = GST_TAV_DEMOSAIC(object);
    if (isPictureProperty(id)) {
        tavPictureSetProperty(self, id - PROP_FIRST_PICTURE, value);
        return;
    }
    pthread_mutex_lock(&self->settingsLock);
    switch (id) {
        case PROP_METHOD: self->method = g_value_get_enum(value); break;
        case PROP_THREADS: self->threads = g_value_get_int(value); break;
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
    }
    pthread_mutex_unlock(&self->settingsLock);
}

static void gst_tav_demosaic_get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    GstTavDemosaic* self = GST_TAV_DEMOSAIC(object);
    if (isPictureProperty(id)) {
        tavPictureGetProperty(self, id - PROP_FIRST_PICTURE, value);
        return;
    }
    pthread_mutex_lock(&self->settingsLock);
    switch (id) {
        case PROP_METHOD: g_value_set_enum(value, self->method); break;
        case PROP_THREADS: g_value_set_int(value, self->threads); break;
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec); break;
    }
    pthread_mutex_unlock(&self->settingsLock);
}

static void gst_tav_demosaic_finalize(GObject* object) {
    GstTavDemosaic* self = GST_TAV_DEMOSAIC(object);
    tavPictureSettingsClear(&self->applied);
    tavSharedTableUnref(self->contextTable);  // NULL once stopped
    tavPicturePropertiesFinalize(self);
    G_OBJECT_CLASS(gst_tav_demosaic_parent_class)->finalize(object);
}

static void gst_tav_demosaic_class_init(GstTavDemosaicClass* klass) {
    GObjectClass* gobject_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseTransformClass* transform_class = GST_BASE_TRANSFORM_CLASS(klass);

    gobject_class->set_property = gst_tav_demosaic_set_property;
    gobject_class->get_property = gst_tav_demosaic_get_property;
    gobject_class->finalize = gst_tav_demosaic_finalize;
    const GParamFlags flags = GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING);
    g_object_class_install_property(
        gobject_class, PROP_METHOD,
        g_param_spec_enum("method", "Method", "Demosaicing method (grey input ignores it)", methodType(),
                          DEFAULT_METHOD, flags));
    g_object_class_install_property(
        gobject_class, PROP_THREADS,
        g_param_spec_int("threads", "Threads",
                         "Most threads for one frame: 0 = all online processors, 1 = the streaming thread only",
                         0, MAX_THREADS, DEFAULT_THREADS, flags));
    tavPictureInstallProperties(gobject_class, PROP_FIRST_PICTURE);

    GstCaps* sinkCaps = tavInputCaps(FALSE);
    gst_element_class_add_pad_template(element_class,
                                       gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, sinkCaps));
    gst_caps_unref(sinkCaps);
    GstCaps* srcCaps = gst_caps_from_string(GST_VIDEO_CAPS_MAKE(TAV_OUTPUT_FORMATS));
    gst_element_class_add_pad_template(element_class,
                                       gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, srcCaps));
    gst_caps_unref(srcCaps);
    gst_element_class_set_static_metadata(
        element_class, "Bayer and Mono demosaicing", "Filter/Converter/Video",
        "Demosaics 8- to 16-bit and GigE Vision packed Bayer or grey frames with libtavcore "
        "(nearest, bilinear, edge-directed or high quality), with black level, white balance, colour matrix, tone curve "
        "and shading correction in the same pass",
        "tav developers");

    transform_class->transform_caps = GST_DEBUG_FUNCPTR(gst_tav_demosaic_transform_caps);
    transform_class->fixate_caps = GST_DEBUG_FUNCPTR(gst_tav_demosaic_fixate_caps);
    transform_class->set_caps = GST_DEBUG_FUNCPTR(gst_tav_demosaic_set_caps);
    transform_class->transform_size = GST_DEBUG_FUNCPTR(gst_tav_demosaic_transform_size);
    transform_class->propose_allocation = GST_DEBUG_FUNCPTR(gst_tav_demosaic_propose_allocation);
    transform_class->start = GST_DEBUG_FUNCPTR(gst_tav_demosaic_start);
    transform_class->stop = GST_DEBUG_FUNCPTR(gst_tav_demosaic_stop);
    transform_class->transform = GST_DEBUG_FUNCPTR(gst_tav_demosaic_transform);
    transform_class->passthrough_on_same_caps = FALSE;

    GST_DEBUG_CATEGORY_INIT(tav_demosaic_debug, "tavdemosaic", 0, "tav demosaicing element");
    gst_type_mark_as_plugin_api(methodType(), GstPluginAPIFlags(0));
}

static void gst_tav_demosaic_init(GstTavDemosaic* self) {
    self->method = DEFAULT_METHOD;
    self->threads = DEFAULT_THREADS;
    self->appliedThreads = -1;
    gst_video_info_init(&self->outputInfo);
    tavPicturePropertiesInit(self);
    tavPictureSettingsInit(&self->applied);
}

#include "frame_rows.h"

#include <gst/video/video.h>

gboolean tavLocateFrameRows(GstBuffer* buffer, gsize mapSize, int32_t height, int64_t rowBytes,
                            int64_t defaultStride, TavFrameRows* rows) {
    rows->offset = 0;
    rows->stride = defaultStride;
    if (GstVideoMeta* meta = gst_buffer_get_video_meta(buffer)) {
        rows->offset = meta->offset[0];
        rows->stride = meta->stride[0];
    }
    if (height < 1 || rowBytes < 0 || rows->stride < rowBytes || rows->stride > G_MAXINT32) return FALSE;
    // offset + stride * (height - 1) + rowBytes <= mapSize, without wrapping.
    gsize span = 0;
    if (__builtin_mul_overflow(gsize(rows->stride), gsize(height - 1), &span) ||
        __builtin_add_overflow(span, gsize(rowBytes), &span) ||
        __builtin_add_overflow(span, rows->offset, &span)) {
        return FALSE;
    }
    return span <= mapSize;
}

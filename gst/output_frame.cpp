#include "output_frame.h"

#include <stddef.h>
#include <string.h>

#include "tav_types.h"

int32_t tavOutputPixelType(GstVideoFormat format) {
    switch (format) {
        case GST_VIDEO_FORMAT_RGB: return TAV_PIXEL_RGB8;
        case GST_VIDEO_FORMAT_BGR: return TAV_PIXEL_BGR8;
        // Our 4-byte outputs carry a zero fourth byte, so they are "x", not alpha.
        case GST_VIDEO_FORMAT_RGBx: return TAV_PIXEL_RGBA8;
        case GST_VIDEO_FORMAT_BGRx: return TAV_PIXEL_BGRA8;
        case GST_VIDEO_FORMAT_RGBP: return TAV_PIXEL_RGB8_PLANAR;
        case GST_VIDEO_FORMAT_BGRP: return TAV_PIXEL_BGR8_PLANAR;
        case GST_VIDEO_FORMAT_GRAY8: return TAV_PIXEL_MONO8;
        default: return 0;
    }
}

namespace {

// Bytes per pixel in each plane, and the number of planes.
void layout(GstVideoFormat format, int* pixelBytes, int* planes) {
    *planes = 1;
    *pixelBytes = 1;
    switch (format) {
        case GST_VIDEO_FORMAT_RGB:
        case GST_VIDEO_FORMAT_BGR: *pixelBytes = 3; break;
        case GST_VIDEO_FORMAT_RGBx:
        case GST_VIDEO_FORMAT_BGRx: *pixelBytes = 4; break;
        case GST_VIDEO_FORMAT_RGBP:
        case GST_VIDEO_FORMAT_BGRP: *planes = 3; break;
        default: break;
    }
}

}  // namespace

int64_t tavTightOutputBytes(GstVideoFormat format, int32_t width, int32_t height) {
    int pixelBytes, planes;
    layout(format, &pixelBytes, &planes);
    if (width < 0 || height < 0) return -1;
    const int64_t bytes = int64_t(width) * height * pixelBytes * planes;
    return bytes > INT32_MAX ? -1 : bytes;
}

gboolean tavOutputFrameIsTight(const GstVideoFrame* frame) {
    int pixelBytes, planes;
    layout(GST_VIDEO_FRAME_FORMAT(frame), &pixelBytes, &planes);
    const int64_t row = int64_t(GST_VIDEO_FRAME_WIDTH(frame)) * pixelBytes;
    const int64_t plane = row * GST_VIDEO_FRAME_HEIGHT(frame);
    const uint8_t* first = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
    for (int p = 0; p < planes; ++p) {
        if (GST_VIDEO_FRAME_PLANE_STRIDE(frame, p) != row) return FALSE;
        if (static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, p)) != first + p * plane) {
            return FALSE;
        }
    }
    return TRUE;
}

void tavCopyTightToFrame(const uint8_t* tight, GstVideoFrame* frame) {
    int pixelBytes, planes;
    layout(GST_VIDEO_FRAME_FORMAT(frame), &pixelBytes, &planes);
    const size_t row = size_t(GST_VIDEO_FRAME_WIDTH(frame)) * pixelBytes;
    const int height = GST_VIDEO_FRAME_HEIGHT(frame);
    for (int p = 0; p < planes; ++p) {
        uint8_t* out = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, p));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, p);
        for (int r = 0; r < height; ++r) {
            memcpy(out + ptrdiff_t(r) * stride, tight, row);
            tight += row;
        }
    }
}

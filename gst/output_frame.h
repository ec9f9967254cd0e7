// Output formats of tavdemosaic and the step from the library's tight frame
// to a GStreamer video frame whose rows or planes may be padded.
#ifndef TAV_GST_OUTPUT_FRAME_H
#define TAV_GST_OUTPUT_FRAME_H

#include <gst/video/video.h>
#include <stdint.h>

#define TAV_OUTPUT_FORMATS "{ RGB, BGR, RGBx, BGRx, RGBP, BGRP, GRAY8 }"

// PFNC output type the library writes for a video format, or 0.
int32_t tavOutputPixelType(GstVideoFormat format);

// Size in bytes of the library's tight frame (all planes), or -1 when it
// does not fit in 32 bits.
int64_t tavTightOutputBytes(GstVideoFormat format, int32_t width, int32_t height);

// True when the mapped frame's memory is exactly the library's tight layout,
// so that the library can write into it directly.
gboolean tavOutputFrameIsTight(const GstVideoFrame* frame);

// Copies a tight library frame into the (padded) video frame, row by row.
void tavCopyTightToFrame(const uint8_t* tight, GstVideoFrame* frame);

#endif

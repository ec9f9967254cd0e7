// The element message tavdemosaic posts for every frame when post-stats is
// on: the library's frame statistics, the grey-world gains they give and
// the gains the frame was converted with.
#ifndef TAV_GST_FRAME_STATS_MESSAGE_H
#define TAV_GST_FRAME_STATS_MESSAGE_H

#include <gst/gst.h>

#include "tav_pipeline.h"

#define TAV_FRAME_STATS_MESSAGE "tav-frame-stats"

// Structure "tav-frame-stats": timestamp (the buffer's, GstClockTime),
// sum-red, sum-green, sum-blue (guint64: sums of black-corrected samples
// before the gains, both greens in sum-green), tiles, saturated (guint),
// histogram (64 guint: output luma >> 2), grey-world-red, grey-world-blue
// (gdouble; 0 when the frame gives none), red-gain, green-gain, blue-gain
// (gdouble: the gains the frame was converted with).
GstMessage* tavFrameStatsMessage(GstObject* source, GstClockTime timestamp, const TavFrameStats* stats,
                                 const float gains[3]);

#endif

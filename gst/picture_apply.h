// The streaming thread's side of tavdemosaic's picture pipeline: before each
// frame the latest accepted settings (and automatic gains) are handed to the
// library context; after it, the statistics feed automatic white balance and
// the post-stats message.
#ifndef TAV_GST_PICTURE_APPLY_H
#define TAV_GST_PICTURE_APPLY_H

#include "gsttavdemosaic.h"

// A new context runs with no pipeline until the first frame.
void tavPictureStart(GstTavDemosaic* self);
void tavPictureStop(GstTavDemosaic* self);

// Reads the properties (method and threads too) and brings the context up
// to date. The pipeline is set again only when a setting changed or the
// automatic gains moved visibly. A setting the library refuses keeps the
// previous one and posts a warning.
void tavPictureBeforeFrame(GstTavDemosaic* self, gint* method, gint* threads);

// After a converted frame: the statistics into the automatic gains (colour
// input) and, with post-stats, onto the bus.
void tavPictureAfterFrame(GstTavDemosaic* self, GstBuffer* input);

#endif

// tavdemosaic: raw Bayer or Mono frames to RGB, BGR, RGBx, BGRx, planar RGB
// or grey through tavDemosaicing, one library context per element.
#ifndef TAV_GST_TAVDEMOSAIC_H
#define TAV_GST_TAVDEMOSAIC_H

#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>

#include "input_formats.h"
#include "tav_demosaic.h"

G_BEGIN_DECLS

#define GST_TYPE_TAV_DEMOSAIC (gst_tav_demosaic_get_type())
G_DECLARE_FINAL_TYPE(GstTavDemosaic, gst_tav_demosaic, GST, TAV_DEMOSAIC, GstBaseTransform)

struct _GstTavDemosaic {
    GstBaseTransform parent;

    // Properties, under the object lock.
    gint method;   // TAV_METHOD_*
    gint threads;  // 0 = all online processors

    // Streaming state: from start to stop, and from set_caps on.
    TavContext* context;
    gint appliedThreads;  // last value handed to the context, -1 = none
    const TavInputFormat* input;
    GstVideoInfo outputInfo;
    GstCaps* refusedCaps;  // input caps whose refusal was last posted
    gint width;
    gint height;
    guint8* inputScratch;  // tight 8-bit copy of the input when the library needs one
    gsize inputScratchSize;
    guint8* outputScratch;  // tight output frame when the negotiated frame is padded
    gsize outputScratchSize;
};

GST_ELEMENT_REGISTER_DECLARE(tavdemosaic);

G_END_DECLS

#endif

// tavdemosaic: raw Bayer or Mono frames to RGB, BGR, RGBx, BGRx, planar RGB
// or grey through tavDemosaicing, one library context per element.
#ifndef TAV_GST_TAVDEMOSAIC_H
#define TAV_GST_TAVDEMOSAIC_H

#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>
#include <pthread.h>

#include "grey_world.h"
#include "input_formats.h"
#include "picture_settings.h"
#include "tav_demosaic.h"

G_BEGIN_DECLS

#define GST_TYPE_TAV_DEMOSAIC (gst_tav_demosaic_get_type())
G_DECLARE_FINAL_TYPE(GstTavDemosaic, gst_tav_demosaic, GST, TAV_DEMOSAIC, GstBaseTransform)

struct _GstTavDemosaic {
    GstBaseTransform parent;

    // Properties, under settingsLock: setters run on application threads
    // while frames flow. A pthread mutex rather than the object lock, so
    // that ThreadSanitizer sees the ordering it gives.
    pthread_mutex_t settingsLock;
    gint method;   // TAV_METHOD_*
    gint threads;  // 0 = all online processors
    TavPictureSettings settings;
    gchar* blackLevelText;  // the accepted texts, as the getters return them
    gchar* whiteBalanceText;
    gchar* colorMatrixText;
    guint settingsGeneration;  // counts accepted changes of the picture settings
    // The negotiated frame, for checking values set while streaming: a black
    // level must lie below its white point, a table must have its size.
    gboolean negotiated;
    gint negotiatedWidth;
    gint negotiatedHeight;
    gboolean negotiatedMono;
    gint negotiatedPreShift;  // bits the element drops before the library sees a sample
    guint32 negotiatedWhite;  // the library's white point for those samples

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
    // Picture pipeline, streaming thread only: the settings the context runs
    // with, and the automatic gains.
    TavPictureSettings applied;
    guint appliedGeneration;
    gboolean pipelineOn;
    TavSharedTable* contextTable;  // the table the context's pipeline reads, kept until it reads another
    float appliedGains[3];
    TavGreyWorld greyWorld;
};

GST_ELEMENT_REGISTER_DECLARE(tavdemosaic);

G_END_DECLS

#endif

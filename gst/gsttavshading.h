// tavshading: lens shading (flat-field) correction of raw Bayer frames in
// place through tavLSCorrection, with a table file from `tavraw calibrate`.
#ifndef TAV_GST_TAVSHADING_H
#define TAV_GST_TAVSHADING_H

#include <gst/base/gstbasetransform.h>

#include "input_formats.h"
#include "shading_table_file.h"

G_BEGIN_DECLS

#define GST_TYPE_TAV_SHADING (gst_tav_shading_get_type())
G_DECLARE_FINAL_TYPE(GstTavShading, gst_tav_shading, GST, TAV_SHADING, GstBaseTransform)

struct _GstTavShading {
    GstBaseTransform parent;

    // Properties, under the object lock.
    gchar* tablePath;
    gboolean enabled;

    // Streaming state: the table from start to stop, the frame from set_caps on.
    TavShadingTable table;
    gchar* loadedPath;  // the file the table came from, for messages
    const TavInputFormat* input;
    GstCaps* refusedCaps;  // input caps whose refusal was last posted
    gint width;
    gint height;
    guint8* scratch;  // tight copy of a frame with padded rows
    gsize scratchSize;
};

GST_ELEMENT_REGISTER_DECLARE(tavshading);

G_END_DECLS

#endif

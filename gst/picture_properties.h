// tavdemosaic's picture properties: black-level, white-balance,
// auto-white-balance, color-matrix, curve, gamma, shading-table and
// post-stats. Each can be set while playing from any thread; a value that
// is refused leaves the old one in place and posts a warning that names the
// property, the value and why (g_warning when the element has no bus).
// Accepted values take effect from the next frame (picture_apply.h).
#ifndef TAV_GST_PICTURE_PROPERTIES_H
#define TAV_GST_PICTURE_PROPERTIES_H

#include "gsttavdemosaic.h"

// Property ids firstId .. firstId + TAV_PICTURE_PROPERTY_COUNT - 1.
#define TAV_PICTURE_PROPERTY_COUNT 8

void tavPictureInstallProperties(GObjectClass* klass, guint firstId);
// index = property id - firstId.
void tavPictureSetProperty(GstTavDemosaic* self, guint index, const GValue* value);
void tavPictureGetProperty(GstTavDemosaic* self, guint index, GValue* value);

void tavPicturePropertiesInit(GstTavDemosaic* self);
void tavPicturePropertiesFinalize(GstTavDemosaic* self);

// Records the negotiated frame (set_caps) so that later values are checked
// against it. FALSE, with *problem (g_free), when the current black level or
// shading table does not fit it; the frame is then not recorded.
gboolean tavPictureNegotiate(GstTavDemosaic* self, const TavInputFormat* format, gint width, gint height,
                             gchar** problem);
// No frame is negotiated any more (stop).
void tavPictureForgetFrame(GstTavDemosaic* self);

#endif

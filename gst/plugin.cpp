// The "tav" plugin: tavdemosaic and tavshading.
#include <gst/gst.h>

#include "gsttavdemosaic.h"
#include "gsttavshading.h"

#define PACKAGE "tav"

static gboolean plugin_init(GstPlugin* plugin) {
    gboolean ok = GST_ELEMENT_REGISTER(tavdemosaic, plugin);
    ok &= GST_ELEMENT_REGISTER(tavshading, plugin);
    return ok;
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, tav,
                  "Demosaicing and lens shading correction of raw camera frames with libtavcore", plugin_init,
                  TAV_GST_VERSION, "Proprietary", "tav", "tav")

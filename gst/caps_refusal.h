// GstBaseTransform calls set_caps again for every buffer that arrives on caps
// it refused; the element posts its explanation once per refused caps.
#ifndef TAV_GST_CAPS_REFUSAL_H
#define TAV_GST_CAPS_REFUSAL_H

#include <gst/gst.h>

// TRUE the first time `caps` are refused in a row (remembered in *refused,
// which the element clears on success and on stop).
inline gboolean tavFirstRefusalOf(GstCaps** refused, GstCaps* caps) {
    if (*refused != nullptr && gst_caps_is_equal(*refused, caps)) return FALSE;
    gst_caps_replace(refused, caps);
    return TRUE;
}

#endif

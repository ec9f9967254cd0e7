// Where a raw frame's rows lie in a mapped buffer: the offset and stride of
// its video meta (anything upstream put there, hostile values included) or
// the default layout, checked against the mapped size.
#ifndef TAV_GST_FRAME_ROWS_H
#define TAV_GST_FRAME_ROWS_H

#include <gst/gst.h>
#include <stdint.h>

struct TavFrameRows {
    gsize offset;    // first byte of the first row
    gint64 stride;   // bytes from one row to the next, as the meta gives it
};

// Reads the rows of `buffer`'s first plane: its video meta's offset and
// stride, else offset 0 and defaultStride. Returns TRUE when every row of
// rowBytes bytes, height rows apart by the stride, lies inside mapSize bytes
// and the stride fits the library's signed 32-bit row length. All arithmetic
// is unsigned and checked, so no offset or stride can wrap past the test.
gboolean tavLocateFrameRows(GstBuffer* buffer, gsize mapSize, int32_t height, int64_t rowBytes,
                            int64_t defaultStride, TavFrameRows* rows);

#endif

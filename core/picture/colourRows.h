// Stages 6 to 8: colour matrix, curve and the output layout of one row, and
// the histogram of its output luma. Internal.
#ifndef TAV_CORE_PICTURE_COLOUR_ROWS_H
#define TAV_CORE_PICTURE_COLOUR_ROWS_H

#include <stdint.h>

#include "picture/frameRule.h"

namespace tav {

// Writes output row y from the row's linear red, green and blue (which it
// overwrites with their matrixed values) and counts
// its pixels in histogram[luma >> 2].
void colourRow(const FrameRule& f, int32_t y, uint16_t* red, uint16_t* green, uint16_t* blue,
               uint32_t* histogram);

}  // namespace tav

#endif

// Stages 1 to 4 for one row: raw samples of any storage, shaded, less their
// black level, balanced and scaled to 0..16383; and the tile statistics
// gathered from the shaded samples on the way. Internal.
#ifndef TAV_CORE_PICTURE_LINEAR_ROWS_H
#define TAV_CORE_PICTURE_LINEAR_ROWS_H

#include <stdint.h>

#include "picture/frameRule.h"
#include "tav_pipeline.h"

namespace tav {

// Row y's shaded samples s1 (at most the white point) into `shaded`, and
// their linear values into `linear`.
void linearRow(const FrameRule& f, int32_t y, uint16_t* shaded, uint16_t* linear);

// Adds the tiles of rows y and y + 1 (their shaded samples) to `stats`.
void addTileRow(const FrameRule& f, const uint16_t* top, const uint16_t* bottom, TavFrameStats* stats);

}  // namespace tav

#endif

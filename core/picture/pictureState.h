// What a context keeps of its picture pipeline: the settings as set and the
// integer forms every frame uses. Internal.
#ifndef TAV_CORE_PICTURE_PICTURE_STATE_H
#define TAV_CORE_PICTURE_PICTURE_STATE_H

#include <stdint.h>

#include "tav_pipeline.h"

namespace tav {

// The linear scale between the gains and the curve: 14 bits, so four
// samples sum in 16 bits and a sample times a Q10 matrix entry in 32.
constexpr int32_t kLinearMax = 16383;
constexpr int32_t kMatrixShift = 10;

struct PictureState {
    TavPipeline settings;           // as set, the table pointer included
    uint32_t tableMode;             // the table's mode word when set: a change is refused
    int32_t matrix[9];              // round(1024 * entry), row-major
    uint8_t curve[kLinearMax + 1];  // round(255 * C(v / 16383))
};

}  // namespace tav

#endif

// The nearest-neighbour blocks' two byte moves on NEON: one shift-and-insert
// each instead of the generic masks and shifts (vectorBlock.h says what they
// do). Included by vectorBlock.h in NEON kernel units only.
#ifndef TAV_KERNELS_NEAREST_NEON_BLOCK_H
#define TAV_KERNELS_NEAREST_NEON_BLOCK_H

#include <arm_neon.h>

#include "simd/lanes.h"

namespace tav {
namespace nearest {
TAV_ISA_BEGIN

TAV_LANES_INLINE lanes::U16x8 evenRounded(lanes::U16x8 w) {
    return (lanes::U16x8)vsliq_n_u16((uint16x8_t)w, (uint16x8_t)w, 8);
}
TAV_LANES_INLINE lanes::U16x8 oddAtOrLeft(lanes::U16x8 before, lanes::U16x8 w) {
    return (lanes::U16x8)vsriq_n_u16((uint16x8_t)w, (uint16x8_t)before, 8);
}

TAV_ISA_END
}  // namespace nearest
}  // namespace tav

#endif

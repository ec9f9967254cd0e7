// The 16-bit edge-directed interior with its vector blocks, built for
// NEON cores (chosen at run time on 32-bit ARM).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "kernels/edge16Variants.h"

#if defined(__ARM_NEON)
#include <arm_neon.h>

#include "simd/lanes.h"

namespace tav {
namespace edge16 {
namespace neon {

#include "simd/lanes16.h"
#define TAV_EDGE16_BLOCKS 1
#include "kernels/edge16Interior.h"

void interior(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top) {
    interiorRuns(s, d, w, rows, pairs, top);
}

}  // namespace neon
}  // namespace edge16
}  // namespace tav

#endif  // __ARM_NEON

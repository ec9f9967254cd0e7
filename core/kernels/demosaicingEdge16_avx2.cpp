// The 16-bit edge-directed interior with its vector blocks, built for
// AVX2 cores (256-bit lanes, eight column pairs a block).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "kernels/edge16Variants.h"

#if defined(__AVX2__)

#include "simd/lanes.h"

namespace tav {
namespace edge16 {
namespace avx2 {

#include "simd/lanes16.h"
#define TAV_EDGE16_LANE_BYTES 32
#define TAV_EDGE16_BLOCKS 1
#include "kernels/edge16Interior.h"

void interior(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top) {
    interiorRuns(s, d, w, rows, pairs, top);
}

}  // namespace avx2
}  // namespace edge16
}  // namespace tav

#endif  // __AVX2__

// The 16-bit edge-directed interior with its vector blocks, built for
// the x86-64 baseline (SSE2).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "kernels/edge16Variants.h"

#if defined(__SSE2__)

#include "simd/lanes.h"

namespace tav {
namespace edge16 {
namespace sse2 {

#include "simd/lanes16.h"
#define TAV_EDGE16_BLOCKS 1
#include "kernels/edge16Interior.h"

void interior(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top) {
    interiorRuns(s, d, w, rows, pairs, top);
}

}  // namespace sse2
}  // namespace edge16
}  // namespace tav

#endif  // __SSE2__

// The 16-bit bilinear body in generic 256-bit lanes, built for AVX2 cores.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/bilinear16Variants.h"

#if defined(__AVX2__)

#include "simd/lanes.h"

namespace tav {
namespace bilinear16 {
namespace avx2 {

#include "simd/lanes16.h"
#define TAV_BILINEAR16_LANE_BYTES 32
#include "kernels/bilinear16Lanes.h"

}  // namespace avx2
}  // namespace bilinear16
}  // namespace tav

#endif  // __AVX2__

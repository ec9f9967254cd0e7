// The 16-bit bilinear body in generic 128-bit lanes, built for AVX2 cores (VEX-encoded, three-operand forms).
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/bilinear16Variants.h"

#if defined(__AVX2__)

namespace tav {
namespace bilinear16 {
namespace avx2 {

#include "simd/lanes16.h"
#include "kernels/bilinear16Lanes.h"

}  // namespace avx2
}  // namespace bilinear16
}  // namespace tav

#endif  // __AVX2__

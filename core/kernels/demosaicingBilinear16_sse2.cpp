// The 16-bit bilinear body in generic 128-bit lanes, built for the x86-64 baseline (SSE2).
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/bilinear16Variants.h"

#include "simd/lanes.h"

namespace tav {
namespace bilinear16 {
namespace sse2 {

#include "simd/lanes16.h"
#include "kernels/bilinear16Lanes.h"

}  // namespace sse2
}  // namespace bilinear16
}  // namespace tav

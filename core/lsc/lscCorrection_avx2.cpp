// Shading correction loops in 16-bit lanes, built for AVX2 cores (256-bit lanes).
#include <stddef.h>
#include <stdint.h>

#include "lsc/lscCorrectionVariants.h"
#include "tav_lsc.h"

#if defined(__AVX2__)

namespace tav {
namespace lsc {
namespace avx2 {

#include "lsc/lscCorrectionLanes.h"

}  // namespace avx2
}  // namespace lsc
}  // namespace tav

#endif  // __AVX2__

// Shading correction loops in 16-bit lanes, built for the x86-64 baseline (SSE2).
#include <stddef.h>
#include <stdint.h>

#include "lsc/lscCorrectionVariants.h"
#include "tav_lsc.h"

#if defined(__SSE2__)

namespace tav {
namespace lsc {
namespace sse2 {

#include "lsc/lscCorrectionLanes.h"

}  // namespace sse2
}  // namespace lsc
}  // namespace tav

#endif  // __SSE2__

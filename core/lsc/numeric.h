// Float-to-integer steps of the shading parameter fits. A plain cast of NaN
// or of a value outside the target range is undefined, so every conversion
// goes through these: NaN becomes 0, anything out of range is clamped.
#ifndef TAV_CORE_LSC_NUMERIC_H
#define TAV_CORE_LSC_NUMERIC_H

#include <float.h>
#include <math.h>
#include <stdint.h>

namespace tav {
namespace lsc {

inline bool isNaN(double value) { return value != value; }

// Integer part of value clamped to [low, high]; NaN gives 0.
inline int32_t truncateClamped(double value, int32_t low, int32_t high) {
    if (isNaN(value)) return 0;
    if (value >= double(high) + 1.0) return high;
    if (value <= double(low) - 1.0) return low;
    int32_t result = int32_t(value);
    if (result > high) return high;
    if (result < low) return low;
    return result;
}

// Rounds a double to float; values beyond the float range become infinite,
// as IEEE rounding would make them, without relying on an out-of-range cast.
inline float narrowToFloat(double value) {
    // From FLT_MAX plus half its ulp upward, round-to-nearest gives infinity.
    const double overflow = double(FLT_MAX) + 0x1p103;
    if (value >= overflow) return INFINITY;
    if (value <= -overflow) return -INFINITY;
    if (value > double(FLT_MAX)) return FLT_MAX;
    if (value < -double(FLT_MAX)) return -FLT_MAX;
    return float(value);
}

}  // namespace lsc
}  // namespace tav

#endif

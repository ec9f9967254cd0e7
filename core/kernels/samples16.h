// Helpers shared by the 16-bit demosaicing units: mirrored indexing,
// clamping and the frame-size limit.
#ifndef TAV_CORE_KERNELS_SAMPLES16_H
#define TAV_CORE_KERNELS_SAMPLES16_H

#include <stdint.h>

// Marks a loop whose iterations read nothing that another iteration writes
// (the interior sweeps write each output sample once and read only the
// source and samples finished before the loop), so that the vectoriser need
// not guard against overlap.
#if defined(__GNUC__) && !defined(__clang__)
#define TAV_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define TAV_INDEPENDENT_ITERATIONS
#endif

namespace tav {

// Reflect an index about the outermost row or column without repeating it
// (-1 -> 1, n -> n - 2), which keeps the Bayer phase. Any index maps into
// 0..n-1 for n >= 1. No division (32-bit ARM has none in hardware): border
// indices lie within one reflection of the range, so the loop runs once.
inline int32_t mirrorIndex(int32_t i, int32_t n) {
    if ((uint32_t)i < (uint32_t)n) return i;  // inside: the common case
    if (n <= 1) return 0;
    int64_t at = i;  // reflections of extreme indices stay in range
    for (;;) {
        if (at < 0) {
            at = -at;
        } else if (at >= n) {
            at = 2 * (int64_t)(n - 1) - at;
        } else {
            return (int32_t)at;
        }
    }
}

inline int32_t clampSample(int32_t v, int32_t maximum) {
    return v < 0 ? 0 : (v > maximum ? maximum : v);
}

// True when a frame of that size has more interleaved samples (3 per pixel)
// than a signed 32-bit count can address.
inline bool frameTooLarge16(int32_t height, int32_t width) {
    return (int64_t)height * (int64_t)width * 3 > (int64_t)INT32_MAX;
}

}  // namespace tav

#endif

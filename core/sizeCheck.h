// The one size check of the library: every exported function that takes
// sizes validates them and forms its byte or sample counts here.
//
// Each factor is tested on its own first (positive, at most 2^32 - 1), so
// the product of two factors stays below 2^64 and, once that product is
// known to be at most the limit (< 2^32), the product with the third factor
// does too. No int32 or uint32 argument can make it overflow.
#ifndef TAV_CORE_SIZE_CHECK_H
#define TAV_CORE_SIZE_CHECK_H

#include <stdint.h>

namespace tav {

// Largest count a signed 32-bit size can hold: the limit of every frame,
// also for the kernels that take unsigned sides.
constexpr uint64_t kMaxCount = INT32_MAX;

// a * b * c when every factor is positive and the product is at most
// `limit` (at most 2^32 - 1); otherwise -1. Factors arrive widened from any
// int32 or uint32 value.
inline int64_t checkedCount(int64_t a, int64_t b, int64_t c = 1, uint64_t limit = kMaxCount) {
    if (a <= 0 || b <= 0 || c <= 0) return -1;
    if (a > INT64_C(0xFFFFFFFF) || b > INT64_C(0xFFFFFFFF) || c > INT64_C(0xFFFFFFFF)) return -1;
    const uint64_t ab = uint64_t(a) * uint64_t(b);  // < 2^64
    if (ab > limit) return -1;
    const uint64_t abc = ab * uint64_t(c);  // < 2^32 * 2^32
    return abc > limit ? -1 : int64_t(abc);
}

// Whether a frame of height x width elements of `perElement` units each can
// be counted (positive sides, at most `limit` units in total).
inline bool countFits(int64_t height, int64_t width, int64_t perElement = 1, uint64_t limit = kMaxCount) {
    return checkedCount(height, width, perElement, limit) >= 0;
}

}  // namespace tav

#endif

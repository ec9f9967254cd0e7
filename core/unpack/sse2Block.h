// Input normalisation loops for the x86-64 baseline (SSE2): 16 shifted
// samples per step (logical shift, mask to the low byte, pack). Unpacking
// 3-byte groups needs byte shuffles that SSE2 lacks: the plain loop does it.
#ifndef TAV_UNPACK_SSE2_BLOCK_H
#define TAV_UNPACK_SSE2_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"
#include "unpack/runSteps.h"

#include <emmintrin.h>

namespace tav {
namespace normalise {
TAV_ISA_BEGIN
namespace {

constexpr size_t kShiftStep = 16;

inline void shiftStep(const uint8_t* source, __m128i right, uint8_t* destination) {
    const __m128i lowByte = _mm_set1_epi16(0xFF);
    const __m128i lower = _mm_and_si128(_mm_srl_epi16(_mm_loadu_si128((const __m128i*)source), right), lowByte);
    const __m128i upper =
        _mm_and_si128(_mm_srl_epi16(_mm_loadu_si128((const __m128i*)(source + 16)), right), lowByte);
    _mm_storeu_si128((__m128i*)destination, _mm_packus_epi16(lower, upper));
}

}  // namespace


inline bool shiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination) {
    const __m128i right = _mm_cvtsi32_si128(shift);
    shiftSteps<kShiftStep, __m128i, shiftStep>(source, count, right, destination);
    return true;
}


TAV_ISA_END
}  // namespace normalise
}  // namespace tav

#endif

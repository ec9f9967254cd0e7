// Input normalisation loops for AVX2 cores: 32 shifted samples per step,
// and 16 unpacked samples per step from two overlapping 16-byte loads of
// eight 3-byte groups and one byte shuffle each. The last step runs over a
// small copy, so there is no scalar tail.
#ifndef TAV_UNPACK_AVX2_BLOCK_H
#define TAV_UNPACK_AVX2_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"
#include "unpack/runSteps.h"

#include <immintrin.h>

namespace tav {
namespace normalise {
TAV_ISA_BEGIN
namespace {

constexpr size_t kShiftStep = 32;
constexpr size_t kUnpackStep = 16;

inline void shiftStep(const uint8_t* source, __m128i right, uint8_t* destination) {
    const __m256i lowByte = _mm256_set1_epi16(0xFF);
    const __m256i lower =
        _mm256_and_si256(_mm256_srl_epi16(_mm256_loadu_si256((const __m256i*)source), right), lowByte);
    const __m256i upper =
        _mm256_and_si256(_mm256_srl_epi16(_mm256_loadu_si256((const __m256i*)(source + 32)), right), lowByte);
    // The pack works per 128-bit half; put the quarters back in order.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(lower, upper), 0xD8);
    _mm256_storeu_si256((__m256i*)destination, packed);
}

// Eight groups (24 bytes): groups 0..4 from bytes 0..15, groups 5..7 from bytes 8..23.
inline void unpackStep(const uint8_t* source, uint8_t* destination) {
    const __m128i front = _mm_loadu_si128((const __m128i*)source);
    const __m128i back = _mm_loadu_si128((const __m128i*)(source + 8));
    const __m128i fromFront = _mm_setr_epi8(0, 2, 3, 5, 6, 8, 9, 11, 12, 14, -1, -1, -1, -1, -1, -1);
    const __m128i fromBack = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 7, 9, 10, 12, 13, 15);
    const __m128i samples = _mm_or_si128(_mm_shuffle_epi8(front, fromFront), _mm_shuffle_epi8(back, fromBack));
    _mm_storeu_si128((__m128i*)destination, samples);
}

}  // namespace


inline bool shiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination) {
    const __m128i right = _mm_cvtsi32_si128(shift);
    shiftSteps<kShiftStep, __m128i, shiftStep>(source, count, right, destination);
    return true;
}

inline bool unpackRun(const uint8_t* source, size_t count, uint8_t* destination) {
    unpackSteps<kUnpackStep, unpackStep>(source, count, destination);
    return true;
}

TAV_ISA_END
}  // namespace normalise
}  // namespace tav

#endif

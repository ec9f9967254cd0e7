// Shading correction loops for AVX2 cores. 8-bit frames with one word per
// 2x2 cell, the slowest form of the generic loops, get a loop of their own:
// eight cell words give sixteen 16-bit lanes at once, each word's offset and
// gain parts put into both halves of its 32-bit lane, so both samples of a
// cell in a row meet their word without a lane buffer. Per sample, with
// d = max(s - B, 0) and K = high * 2^16 + low (high < 16),
//   v = (d * high + ((d * low) >> 16) + 1) >> 1
// is one low multiply, one unsigned high multiply and one rounding average
// (d * high < 2^12 at 8 bits), saturated to a byte by the pack. The last
// cells of a row go through a small copy. Every other job runs the generic
// 16-bit-lane loops (lscCorrectionLanes.h) built with AVX2.
#ifndef TAV_LSC_CORRECTION_AVX2_BLOCK_H
#define TAV_LSC_CORRECTION_AVX2_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"
#include "lsc/correctionJob.h"
#include "lsc/correctionVectorBlock.h"
#include "tav_lsc.h"

#include <immintrin.h>

namespace tav {
namespace lsc {
TAV_ISA_BEGIN

namespace {

constexpr int32_t kCells = 8;

inline __m256i inBothHalves(__m256i v) { return _mm256_or_si256(v, _mm256_slli_epi32(v, 16)); }

// Sixteen 8-bit samples of one row of eight cells.
inline void correctRow(const uint8_t* source, uint8_t* destination, __m256i offset, __m256i high, __m256i low) {
    const __m256i samples = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source)));
    const __m256i d = _mm256_subs_epu16(samples, offset);
    const __m256i v = _mm256_avg_epu16(_mm256_mullo_epi16(d, high), _mm256_mulhi_epu16(d, low));
    // The pack works per 128-bit half: bring the two halves' bytes together.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm256_castsi256_si128(packed));
}

inline void cellBlock(const uint8_t* top, uint8_t* topOut, const uint8_t* bottom, uint8_t* bottomOut,
                      const uint32_t* words) {
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words));
    const __m256i offset = inBothHalves(_mm256_and_si256(_mm256_srli_epi32(w, 4), _mm256_set1_epi32(0xFF)));
    const __m256i high = inBothHalves(_mm256_srli_epi32(w, TAV_LSC_GAIN_SHIFT + 16));
    const __m256i low = inBothHalves(_mm256_and_si256(_mm256_srli_epi32(w, TAV_LSC_GAIN_SHIFT), _mm256_set1_epi32(0xFFFF)));
    correctRow(top, topOut, offset, high, low);
    correctRow(bottom, bottomOut, offset, high, low);
}

void cells8(const CorrectionJob& job) {
    const int32_t cellRows = job.height / 2, cellCols = job.width / 2;
    const size_t rowBytes = size_t(job.width);
    const uint8_t* source = job.source;
    uint8_t* destination = job.destination;
    const uint32_t* allWords = job.words;
    for (int32_t i = 0; i < cellRows; ++i) {
        const uint8_t* top = source + size_t(2 * i) * rowBytes;
        uint8_t* topOut = destination + size_t(2 * i) * rowBytes;
        const uint32_t* words = allWords + size_t(i) * size_t(cellCols);
        int32_t j = 0;
        for (; j + kCells <= cellCols; j += kCells)
            cellBlock(top + 2 * j, topOut + 2 * j, top + rowBytes + 2 * j, topOut + rowBytes + 2 * j, words + j);
        const int32_t rest = cellCols - j;
        if (rest == 0) continue;
        const size_t bytes = size_t(2 * rest);
        uint8_t rows[2][2 * kCells] = {};
        uint32_t restWords[kCells] = {};
        memcpy(rows[0], top + 2 * j, bytes);
        memcpy(rows[1], top + rowBytes + 2 * j, bytes);
        memcpy(restWords, words + j, size_t(rest) * sizeof(uint32_t));
        cellBlock(rows[0], rows[0], rows[1], rows[1], restWords);
        memcpy(topOut + 2 * j, rows[0], bytes);
        memcpy(topOut + rowBytes + 2 * j, rows[1], bytes);
    }
}

}  // namespace

inline bool correct(const CorrectionJob& job) {
    if (job.bits == 8 && !job.perPixel) {
        cells8(job);
        return true;
    }
    return correctInLanes(job);
}

TAV_ISA_END
}  // namespace lsc
}  // namespace tav

#endif

// Shading correction for AVX2 cores, every depth and both table modes, at
// any address. Sixteen samples share one 256-bit register of 16-bit lanes;
// their words are unpacked into the same lanes:
// - per pixel, sixteen words are read whole and split into their low and
//   high 16-bit halves by two packs (offset = low AND 0xFFF, gain high part =
//   high >> 12, gain low part = (high << 4) OR (low >> 12));
// - per 2x2 cell, eight words give sixteen lanes, each word's parts put into
//   both halves of its 32-bit lane, so both samples of a cell in a row meet
//   their word without a lane buffer; both rows of the cells use them (rows
//   with streamed stores are run one by one, each aligned on its own).
// Per sample, with d = max(s - B, 0) and K = high * 2^16 + low (high < 16),
//   v = (d * high + ((d * low) >> 16) + 1) >> 1
// is one low multiply, one unsigned high multiply and one rounding average,
// which adds in 17 bits. At 8 bits d * high < 2^12 and the pack to bytes
// saturates. Above 8 bits (samples are not masked to their depth) d * high
// may pass 16 bits: its high product then saturates it to 0xFFFF, which
// clamps exactly as the true value does.
//
// Jobs marked for streaming store whole aligned 32-byte lines past the
// cache; the few samples before the first aligned line and after the last
// vector step of a run go through the one-sample rule (sampleRule.h).
#ifndef TAV_LSC_CORRECTION_AVX2_BLOCK_H
#define TAV_LSC_CORRECTION_AVX2_BLOCK_H

#include <stddef.h>
#include <stdint.h>

#include "lsc/correctionJob.h"
#include "lsc/sampleRule.h"
#include "simd/isaNamespace.h"
#include "tav_lsc.h"

#include <immintrin.h>

namespace tav {
namespace lsc {
TAV_ISA_BEGIN

namespace {

// The word parts of sixteen samples, in 16-bit lanes.
struct WordLanes {
    __m256i offset, high, low;
};

template <int Bits>
inline WordLanes partsFromHalves(__m256i lowHalves, __m256i highHalves) {
    WordLanes p;
    p.offset = _mm256_srli_epi16(_mm256_and_si256(lowHalves, _mm256_set1_epi16(TAV_LSC_OFFSET_MASK)), 12 - Bits);
    p.high = _mm256_srli_epi16(highHalves, 12);
    p.low = _mm256_or_si256(_mm256_slli_epi16(highHalves, 4), _mm256_srli_epi16(lowHalves, 12));
    return p;
}

// Sixteen per-pixel words. The packs work per 128-bit half: the permute puts
// the four groups of four back into sample order.
template <int Bits>
inline WordLanes pixelParts(const uint32_t* words) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + 8));
    const __m256i lowMask = _mm256_set1_epi32(0xFFFF);
    const __m256i low = _mm256_packus_epi32(_mm256_and_si256(a, lowMask), _mm256_and_si256(b, lowMask));
    const __m256i high = _mm256_packus_epi32(_mm256_srli_epi32(a, 16), _mm256_srli_epi32(b, 16));
    return partsFromHalves<Bits>(_mm256_permute4x64_epi64(low, 0xD8), _mm256_permute4x64_epi64(high, 0xD8));
}

inline __m256i inBothHalves(__m256i v) { return _mm256_or_si256(v, _mm256_slli_epi32(v, 16)); }

// Eight cell words for the sixteen samples of one row of eight cells.
template <int Bits>
inline WordLanes cellParts(const uint32_t* words) {
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words));
    WordLanes p;
    p.offset = inBothHalves(_mm256_srli_epi32(_mm256_and_si256(w, _mm256_set1_epi32(TAV_LSC_OFFSET_MASK)), 12 - Bits));
    p.high = inBothHalves(_mm256_srli_epi32(w, TAV_LSC_GAIN_SHIFT + 16));
    p.low = inBothHalves(_mm256_and_si256(_mm256_srli_epi32(w, TAV_LSC_GAIN_SHIFT), _mm256_set1_epi32(0xFFFF)));
    return p;
}

// Sixteen samples starting at sample i of a run (i even for cells).
template <int Bits, bool Cells>
inline WordLanes partsAt(const uint32_t* words, size_t i) {
    return Cells ? cellParts<Bits>(words + i / 2) : pixelParts<Bits>(words + i);
}

// The corrected samples, at 8 bits before the saturating pack to bytes.
template <int Bits>
inline __m256i correct16(__m256i samples, const WordLanes& p) {
    const __m256i d = _mm256_subs_epu16(samples, p.offset);
    __m256i whole = _mm256_mullo_epi16(d, p.high);
    const __m256i fraction = _mm256_mulhi_epu16(d, p.low);
    if (Bits == 8) return _mm256_avg_epu16(whole, fraction);
    const __m256i fits = _mm256_cmpeq_epi16(_mm256_mulhi_epu16(d, p.high), _mm256_setzero_si256());
    whole = _mm256_or_si256(whole, _mm256_andnot_si256(fits, _mm256_set1_epi16(-1)));
    return _mm256_min_epu16(_mm256_avg_epu16(whole, fraction), _mm256_set1_epi16(int16_t((1 << Bits) - 1)));
}

template <bool Stream>
inline void put(uint8_t* at, __m256i v) {
    if (Stream) {
        _mm256_stream_si256(reinterpret_cast<__m256i*>(at), v);
    } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v);
    }
}

// 32 bytes of output: 32 samples at 8 bits, 16 above.
template <int Bits, bool Cells, bool Stream>
inline void vectorStep(const uint8_t* source, uint8_t* destination, const uint32_t* words, size_t i) {
    if (Bits == 8) {
        const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i));
        const __m256i first = correct16<8>(_mm256_cvtepu8_epi16(_mm256_castsi256_si128(raw)), partsAt<8, Cells>(words, i));
        const __m256i second =
            correct16<8>(_mm256_cvtepu8_epi16(_mm256_extracti128_si256(raw, 1)), partsAt<8, Cells>(words, i + 16));
        put<Stream>(destination + i, _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), 0xD8));
        return;
    }
    const __m256i samples = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + 2 * i));
    put<Stream>(destination + 2 * i, correct16<Bits>(samples, partsAt<Bits, Cells>(words, i)));
}

template <int Bits, bool Cells>
inline void sampleSteps(const uint8_t* source, uint8_t* destination, const uint32_t* words, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        writeSample(destination, i, Bits, correctedSample(readSample(source, i, Bits), words[Cells ? i / 2 : i], Bits));
}

constexpr size_t kSampleBytes(int bits) { return bits == 8 ? 1 : 2; }
constexpr size_t kStepSamples(int bits) { return 32 / kSampleBytes(bits); }

// Samples before the output reaches a 32-byte boundary; streaming needs
// them to be whole samples, and whole cells in cell mode.
template <int Bits, bool Cells>
inline bool streamable(const uint8_t* destination, size_t& head) {
    const size_t misalignment = (32 - (reinterpret_cast<uintptr_t>(destination) & 31)) & 31;
    head = misalignment / kSampleBytes(Bits);
    return misalignment % kSampleBytes(Bits) == 0 && (!Cells || head % 2 == 0);
}

// `count` samples of one run: a whole per-pixel frame, or one row of the
// cells (count even).
template <int Bits, bool Cells>
void correctRun(const uint8_t* source, uint8_t* destination, const uint32_t* words, size_t count, bool stream) {
    constexpr size_t kStep = kStepSamples(Bits);
    size_t head = 0;
    size_t i = 0;
    if (stream && streamable<Bits, Cells>(destination, head)) {
        i = head < count ? head : count;
        sampleSteps<Bits, Cells>(source, destination, words, 0, i);
        for (; i + kStep <= count; i += kStep) vectorStep<Bits, Cells, true>(source, destination, words, i);
    } else {
        for (; i + kStep <= count; i += kStep) vectorStep<Bits, Cells, false>(source, destination, words, i);
    }
    sampleSteps<Bits, Cells>(source, destination, words, i, count);
}

// Both rows of a run of cells with cached stores: each step unpacks the
// words of sixteen samples once for the two rows (at 8 bits a 16-byte load
// and store per row measured faster than 32 bytes with two unpacks).
template <int Bits>
void correctCellRows(const uint8_t* source, uint8_t* destination, size_t rowBytes, const uint32_t* words,
                     size_t count) {
    constexpr size_t kStep = 16;
    size_t i = 0;
    for (; i + kStep <= count; i += kStep) {
        const WordLanes parts = cellParts<Bits>(words + i / 2);
        for (size_t row = 0; row < 2; ++row) {
            const size_t at = row * rowBytes + i * kSampleBytes(Bits);
            if (Bits == 8) {
                const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + at));
                const __m256i v = correct16<8>(_mm256_cvtepu8_epi16(raw), parts);
                const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + at), _mm256_castsi256_si128(packed));
            } else {
                const __m256i samples = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + at));
                put<false>(destination + at, correct16<Bits>(samples, parts));
            }
        }
    }
    sampleSteps<Bits, true>(source, destination, words, i, count);
    sampleSteps<Bits, true>(source + rowBytes, destination + rowBytes, words, i, count);
}

// Mode 0 leaves the last row and column of odd sizes as they are.
template <int Bits>
void correctFrame(const CorrectionJob& job) {
    if (job.perPixel) {
        correctRun<Bits, false>(job.source, job.destination, job.words, size_t(job.height) * size_t(job.width),
                                job.streamStores);
        return;
    }
    const int32_t cellRows = job.height / 2, cellCols = job.width / 2;
    const size_t rowBytes = size_t(job.width) * kSampleBytes(Bits);
    for (int32_t i = 0; i < cellRows; ++i) {
        const uint32_t* words = job.words + size_t(i) * size_t(cellCols);
        const size_t top = 2 * size_t(i) * rowBytes;
        if (!job.streamStores) {
            correctCellRows<Bits>(job.source + top, job.destination + top, rowBytes, words, 2 * size_t(cellCols));
            continue;
        }
        for (size_t row = top; row < top + 2 * rowBytes; row += rowBytes)
            correctRun<Bits, true>(job.source + row, job.destination + row, words, 2 * size_t(cellCols), true);
    }
}

}  // namespace

inline bool correct(const CorrectionJob& job) {
    if (job.bits == 8) correctFrame<8>(job);
    if (job.bits == 10) correctFrame<10>(job);
    if (job.bits == 12) correctFrame<12>(job);
    // Streamed stores are weakly ordered: make them visible before returning.
    if (job.streamStores) _mm_sfence();
    return true;
}

TAV_ISA_END
}  // namespace lsc
}  // namespace tav

#endif

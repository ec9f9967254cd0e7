// Shading correction in 16-bit lanes for the x86 kernel units (SSE2
// baseline, AVX2): plain loops written so that the vectoriser maps them to
// 16-bit multiplies and saturating steps.
#ifndef TAV_LSC_CORRECTION_VECTOR_BLOCK_H
#define TAV_LSC_CORRECTION_VECTOR_BLOCK_H

#include <stddef.h>
#include <stdint.h>

#include "lsc/correctionJob.h"
#include "simd/isaNamespace.h"
#include "tav_lsc.h"

namespace tav {
namespace lsc {
TAV_ISA_BEGIN

// Per-sample rule: v = ((s - B) * K + 2^16) >> 17 (flooring), clamped to the
// depth. The offset is the 12-bit one scaled to the frame's depth:
// (w AND 0xFFF) >> (12 - depth), which at 8 bits is (w >> 4) AND 255.
//
// The loops below carry it in 16-bit lanes only, so that they vectorise to
// 16-bit multiplies (low and high halves) and saturating steps:
// - A sample at or below its offset gives v <= floor(2^16 / 2^17) = 0, so the
//   difference d = max(s - B, 0) (a saturating subtraction) fits the sample
//   type, even for 10/12-bit samples, which are not masked to their depth.
// - With K = high * 2^16 + low (high below 16):
//   floor((d * K + 2^16) / 2^16) = d * high + floor(d * low / 2^16) + 1,
//   and flooring that by 2 floors by 2^17, so v = (W + F + 1) >> 1 with
//   W = d * high and F = floor(d * low / 2^16) < 2^16.
// - Only W + F + 1 <= 2 * max + 1 < 2^13 leaves v unclamped. At 8 bits
//   W < 2^8 * 2^4 and F < 2^8, so the sum fits 16 bits as it is. Above,
//   W and F are capped near 2^14 (W can pass 16 bits for samples beyond
//   the depth): the clamped result stays the same and the sum fits.

template <int Bits>
struct Depth {
    using Sample = uint16_t;
};
template <>
struct Depth<8> {
    using Sample = uint8_t;
};

// Cell words are unpacked a block at a time into per-sample 16-bit lanes,
// which both rows of the cells then use; a block of 256 samples keeps the
// lanes within 1.5 KiB of stack.
constexpr int32_t kBlockSamples = 256;

template <int Bits>
inline uint32_t offsetOf(uint32_t word) { return (word & TAV_LSC_OFFSET_MASK) >> (12 - Bits); }
inline uint32_t gainHighOf(uint32_t word) { return word >> (TAV_LSC_GAIN_SHIFT + 16); }
inline uint32_t gainLowOf(uint32_t word) { return (word >> TAV_LSC_GAIN_SHIFT) & 0xFFFFu; }

// A 32-bit store covering two adjacent 16-bit lanes. The value is put in
// both halves, so the result does not depend on the byte order.
typedef uint32_t __attribute__((may_alias)) LanePair;
inline uint32_t inBothHalves(uint32_t value) { return value | (value << 16); }

struct UnpackedWords {
    alignas(16) uint16_t offset[kBlockSamples];
    alignas(16) uint16_t gainHigh[kBlockSamples];
    alignas(16) uint16_t gainLow[kBlockSamples];
};

// Lanes 2j and 2j+1 take cell word j, so both rows of the cells reuse them.
// Filling the pair with one 32-bit store keeps the loop in 32-bit lanes,
// with no narrowing from the words.
template <int Bits>
inline void unpackCells(const uint32_t* words, UnpackedWords& lanes, int32_t cells) {
    LanePair* offsets = reinterpret_cast<LanePair*>(lanes.offset);
    LanePair* gainHighs = reinterpret_cast<LanePair*>(lanes.gainHigh);
    LanePair* gainLows = reinterpret_cast<LanePair*>(lanes.gainLow);
    for (int32_t j = 0; j < cells; ++j) {
        const uint32_t word = words[j];
        offsets[j] = inBothHalves(offsetOf<Bits>(word));
        gainHighs[j] = inBothHalves(gainHighOf(word));
        gainLows[j] = inBothHalves(gainLowOf(word));
    }
}

inline uint16_t productHigh(uint16_t a, uint16_t b) { return uint16_t((uint32_t(a) * b) >> 16); }
constexpr uint16_t kCap = 1u << 14;

// Saturating subtraction and minimum written so that the vectoriser maps
// them to single unsigned-saturating instructions rather than selects.
inline uint16_t differenceOrZero(uint16_t a, uint16_t b) { return uint16_t((a > b ? a : b) - b); }
inline uint16_t atMost(uint16_t value, uint16_t limit) { return uint16_t(value - differenceOrZero(value, limit)); }

template <int Bits>
inline typename Depth<Bits>::Sample correctSample(uint16_t sample, uint16_t offset, uint16_t gainHigh,
                                                  uint16_t gainLow) {
    using Sample = typename Depth<Bits>::Sample;
    constexpr uint16_t kMax = uint16_t((1u << Bits) - 1);
    const uint16_t diff = differenceOrZero(sample, offset);
    uint16_t whole = uint16_t(diff * gainHigh);
    uint16_t fraction = productHigh(diff, gainLow);
    if (Bits > 8) {
        // Rebuild d * high from floor(d * high / 16), exact in 16 bits, capped
        // at 2^10, and the low four bits: below the cap this is d * high, at
        // it a value in [2^14, 2^14 + 15], still clamping and still fitting.
        const uint16_t sixteenths = productHigh(diff, uint16_t(gainHigh << 12));
        whole = uint16_t((atMost(sixteenths, kCap >> 4) << 4) | (whole & 15u));
        fraction = atMost(fraction, kCap);
    }
    const uint16_t value = uint16_t(uint16_t(whole + fraction + 1) >> 1);
    return Sample(atMost(value, kMax));
}

// Separate in-place and out-of-place loops: with one pointer the compiler
// needs no overlap check to vectorise a frame corrected over itself.
template <int Bits>
inline void apply(const typename Depth<Bits>::Sample* source, typename Depth<Bits>::Sample* destination,
                  const UnpackedWords& lanes, int32_t count) {
    if (source == destination) {
        for (int32_t i = 0; i < count; ++i)
            destination[i] = correctSample<Bits>(destination[i], lanes.offset[i], lanes.gainHigh[i], lanes.gainLow[i]);
        return;
    }
    for (int32_t i = 0; i < count; ++i)
        destination[i] = correctSample<Bits>(source[i], lanes.offset[i], lanes.gainHigh[i], lanes.gainLow[i]);
}

// Mode 1: sample i with word i, in memory order. Each word is read as its
// two 16-bit halves, which keeps the loop in 16-bit lanes with no narrowing
// from 32 bits: offset = low AND 0xFFF, gain high part = high >> 12,
// gain low part = (high << 4) OR (low >> 12).
typedef uint16_t __attribute__((may_alias)) WordHalf;
constexpr int kLowHalf = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 1 : 0;

template <int Bits>
inline typename Depth<Bits>::Sample correctWithWord(uint16_t sample, const WordHalf* halves, size_t i) {
    const uint16_t low = halves[2 * i + kLowHalf];
    const uint16_t high = halves[2 * i + 1 - kLowHalf];
    return correctSample<Bits>(sample, uint16_t((low & TAV_LSC_OFFSET_MASK) >> (12 - Bits)), uint16_t(high >> 12),
                               uint16_t((high << 4) | (low >> 12)));
}

template <int Bits>
void correctPerPixel(const typename Depth<Bits>::Sample* source, typename Depth<Bits>::Sample* destination,
                     const uint32_t* words, size_t count) {
    const WordHalf* halves = reinterpret_cast<const WordHalf*>(words);
    if (source == destination) {
        for (size_t i = 0; i < count; ++i) destination[i] = correctWithWord<Bits>(destination[i], halves, i);
        return;
    }
    for (size_t i = 0; i < count; ++i) destination[i] = correctWithWord<Bits>(source[i], halves, i);
}

// Mode 0: each cell word is fetched once and unpacked for both samples of
// its pair; the top row segment then the bottom one reuse the lanes. With
// odd sizes the last row and column stay as they are.
template <int Bits>
void correctCells(const typename Depth<Bits>::Sample* source, typename Depth<Bits>::Sample* destination,
                  const uint32_t* words, int32_t height, int32_t width) {
    const int32_t cellRows = height / 2;
    const int32_t cellCols = width / 2;
    constexpr int32_t kBlockCells = kBlockSamples / 2;
    UnpackedWords lanes;
    for (int32_t i = 0; i < cellRows; ++i) {
        const size_t top = size_t(2 * i) * size_t(width);
        const uint32_t* rowWords = words + size_t(i) * size_t(cellCols);
        for (int32_t j = 0; j < cellCols; j += kBlockCells) {
            const int32_t cells = cellCols - j < kBlockCells ? cellCols - j : kBlockCells;
            unpackCells<Bits>(rowWords + j, lanes, cells);
            const size_t first = top + size_t(2 * j);
            apply<Bits>(source + first, destination + first, lanes, 2 * cells);
            apply<Bits>(source + first + size_t(width), destination + first + size_t(width), lanes, 2 * cells);
        }
    }
}

template <int Bits>
void correctFrame(const uint8_t* source, uint8_t* destination, const CorrectionJob& job) {
    using Sample = typename Depth<Bits>::Sample;
    const Sample* from = reinterpret_cast<const Sample*>(source);
    Sample* to = reinterpret_cast<Sample*>(destination);
    if (job.perPixel) {
        correctPerPixel<Bits>(from, to, job.words, size_t(job.height) * size_t(job.width));
    } else {
        correctCells<Bits>(from, to, job.words, job.height, job.width);
    }
}

inline bool correctInLanes(const CorrectionJob& job) {
    // The loops take typed pointers; 16-bit frames at odd addresses go to
    // the plain loops, which read through unaligned accesses.
    if (job.bits != 8 && ((reinterpret_cast<uintptr_t>(job.source) | reinterpret_cast<uintptr_t>(job.destination)) & 1))
        return false;
    if (job.bits == 8) correctFrame<8>(job.source, job.destination, job);
    if (job.bits == 10) correctFrame<10>(job.source, job.destination, job);
    if (job.bits == 12) correctFrame<12>(job.source, job.destination, job);
    return true;
}

TAV_ISA_END
}  // namespace lsc
}  // namespace tav

#endif

// Shading correction loops in NEON. Per sample, with the offset B already
// subtracted (saturating: a sample at or below its offset gives 0 either
// way) and the gain split as K = high * 2^16 + low (high < 16):
//   v = ((d * K + 2^16) >> 17) = (d * high + ((d * low) >> 16) + 1) >> 1,
// formed in 32-bit lanes for 10/12-bit samples (d up to 65535: the
// samples are not masked) and narrowed with a saturating rounding shift;
// at 8 bits d * high < 2^12 fits 16-bit lanes and a rounding halving add
// gives the result (per-pixel 8-bit frames take 8x8-bit products of the
// word's bytes instead, below). Each parameter word is read with a de-interleaving
// load that splits it into its two 16-bit halves: offset = low AND 0xFFF,
// high = upper >> 12, low = (upper << 4) | (low half >> 12).
//
// The last block of a run goes through a small local copy, so there is no
// scalar tail; every sample is read before its own output is written, so
// in-place correction works.
#ifndef TAV_LSC_CORRECTION_NEON_BLOCK_H
#define TAV_LSC_CORRECTION_NEON_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"
#include "lsc/correctionJob.h"
#include "tav_lsc.h"

#include <arm_neon.h>

namespace tav {
namespace lsc {
TAV_ISA_BEGIN
namespace {

// A parameter word split for eight samples.
struct Gains {
    uint16x8_t offset;  // at the frame's depth
    uint16x8_t high;
    uint16x8_t low;
};

// The 12-bit offset at the frame's depth.
template <int Bits>
inline uint16x8_t offsetAtDepth(uint16x8_t offset12) {
    return vshrq_n_u16(offset12, 12 - Bits);
}
template <>
inline uint16x8_t offsetAtDepth<12>(uint16x8_t offset12) {
    return offset12;
}

// Eight consecutive words.
template <int Bits>
inline Gains loadGains(const uint32_t* words) {
    const uint16x8x2_t halves = vld2q_u16(reinterpret_cast<const uint16_t*>(words));
    Gains g;
    g.offset = offsetAtDepth<Bits>(vandq_u16(halves.val[0], vdupq_n_u16(TAV_LSC_OFFSET_MASK)));
    g.high = vshrq_n_u16(halves.val[1], 12);
    g.low = vsriq_n_u16(vshlq_n_u16(halves.val[1], 4), halves.val[0], 12);
    return g;
}

// Eight words, each doubled for the two samples of its cell in a row.
template <int Bits>
inline void loadCellGains(const uint32_t* words, Gains& first, Gains& second) {
    const Gains g = loadGains<Bits>(words);
    const uint16x8x2_t offset = vzipq_u16(g.offset, g.offset);
    const uint16x8x2_t high = vzipq_u16(g.high, g.high);
    const uint16x8x2_t low = vzipq_u16(g.low, g.low);
    first.offset = offset.val[0];
    second.offset = offset.val[1];
    first.high = high.val[0];
    second.high = high.val[1];
    first.low = low.val[0];
    second.low = low.val[1];
}

// (d * high + ((d * low) >> 16) + 1) >> 1 for 16-bit d, saturated to 16 bits.
inline uint16x8_t scaleWide(uint16x8_t d, const Gains& g) {
#if defined(__aarch64__)
    // umull2 and uqrshrn2 take and fill the upper halves in place, where the
    // compiler would otherwise move them out and back (cell gains, zipped).
    uint32x4_t lowerSum = vmull_u16(vget_low_u16(d), vget_low_u16(g.high));
    uint32x4_t upperSum = vmull_high_u16(d, g.high);
    lowerSum = vsraq_n_u32(lowerSum, vmull_u16(vget_low_u16(d), vget_low_u16(g.low)), 16);
    upperSum = vsraq_n_u32(upperSum, vmull_high_u16(d, g.low), 16);
    return vqrshrn_high_n_u32(vqrshrn_n_u32(lowerSum, 1), upperSum, 1);
#else
    uint32x4_t lowerSum = vmull_u16(vget_low_u16(d), vget_low_u16(g.high));
    uint32x4_t upperSum = vmull_u16(vget_high_u16(d), vget_high_u16(g.high));
    lowerSum = vsraq_n_u32(lowerSum, vmull_u16(vget_low_u16(d), vget_low_u16(g.low)), 16);
    upperSum = vsraq_n_u32(upperSum, vmull_u16(vget_high_u16(d), vget_high_u16(g.low)), 16);
    return vcombine_u16(vqrshrn_n_u32(lowerSum, 1), vqrshrn_n_u32(upperSum, 1));
#endif
}

// The same for d below 256, in 16-bit lanes.
inline uint16x8_t scaleNarrow(uint16x8_t d, const Gains& g) {
    const uint16x8_t whole = vmulq_u16(d, g.high);
    const uint32x4_t lower = vmull_u16(vget_low_u16(d), vget_low_u16(g.low));
    const uint32x4_t upper = vmull_u16(vget_high_u16(d), vget_high_u16(g.low));
    const uint16x8_t fraction = vuzpq_u16(vreinterpretq_u16_u32(lower), vreinterpretq_u16_u32(upper)).val[1];
    return vrhaddq_u16(whole, fraction);
}

template <int Bits>
inline void correct16(const uint8_t* source, uint8_t* destination, const Gains& g) {
    const uint16x8_t samples = vreinterpretq_u16_u8(vld1q_u8(source));
    const uint16x8_t d = vqsubq_u16(samples, g.offset);
    const uint16x8_t v = vminq_u16(scaleWide(d, g), vdupq_n_u16((1u << Bits) - 1));
    vst1q_u8(destination, vreinterpretq_u8_u16(v));
}

// Sixteen 8-bit samples with the gains of the first and the second eight.
inline void correct8(const uint8_t* source, uint8_t* destination, const Gains& first, const Gains& second) {
    const uint8x16_t offsets = vcombine_u8(vmovn_u16(first.offset), vmovn_u16(second.offset));
    const uint8x16_t d = vqsubq_u8(vld1q_u8(source), offsets);
    const uint16x8_t lower = scaleNarrow(vmovl_u8(vget_low_u8(d)), first);
    const uint16x8_t upper = scaleNarrow(vmovl_u8(vget_high_u8(d)), second);
    vst1q_u8(destination, vcombine_u8(vqmovn_u16(lower), vqmovn_u16(upper)));
}

// Sixteen words for sixteen 8-bit samples, read as bytes: b0 and b1 hold
// the offset (its 8-bit form is b0 >> 4 with b1's low nibble above it),
// b1 >> 4 is the gain's low nibble c, and b2, b3 the rest of it, so
// K = 4096 * b3 + 16 * b2 + c. With 8x8-bit products A = d * b3,
// B = d * b2, C = d * c:
//   d * K = 4096 * A + 16 * B + C, and with E = (B + (C >> 4)) >> 8
//   (the bits of 16 * B + C above 2^12), v = (A + E + 16) >> 5.
// B + (C >> 4) and A + E both stay below 2^16.
inline uint8x8_t scaleBytes(uint8x8_t d, uint8x8_t b3, uint8x8_t b2, uint8x8_t c) {
    const uint16x8_t low = vsraq_n_u16(vmull_u8(d, b2), vmull_u8(d, c), 4);
    return vqrshrn_n_u16(vsraq_n_u16(vmull_u8(d, b3), low, 8), 5);
}

inline void correct8WithWords(const uint8_t* source, uint8_t* destination, const uint32_t* words) {
    const uint8x16x4_t b = vld4q_u8(reinterpret_cast<const uint8_t*>(words));
    const uint8x16_t offsets = vsliq_n_u8(vshrq_n_u8(b.val[0], 4), b.val[1], 4);
    const uint8x16_t c = vshrq_n_u8(b.val[1], 4);
    const uint8x16_t d = vqsubq_u8(vld1q_u8(source), offsets);
    const uint8x8_t lower = scaleBytes(vget_low_u8(d), vget_low_u8(b.val[3]), vget_low_u8(b.val[2]), vget_low_u8(c));
    const uint8x8_t upper =
        scaleBytes(vget_high_u8(d), vget_high_u8(b.val[3]), vget_high_u8(b.val[2]), vget_high_u8(c));
    vst1q_u8(destination, vcombine_u8(lower, upper));
}

// Samples per block: 16 (8-bit), 8 (10/12-bit); sixteen bytes either way.
template <int Bits>
struct Block {
    static constexpr int kSamples = Bits == 8 ? 16 : 8;
};

template <int Bits>
inline void pixelBlock(const uint8_t* source, uint8_t* destination, const uint32_t* words) {
    if (Bits == 8) {
        correct8WithWords(source, destination, words);
    } else {
        correct16<Bits>(source, destination, loadGains<Bits>(words));
    }
}

// Mode 1: two whole blocks per step, then single blocks, then the rest
// through a copy. The job's pointers are held in locals: the stores could
// otherwise alias them and force reloads.
template <int Bits>
void perPixel(const CorrectionJob& job) {
    constexpr size_t kSamples = Block<Bits>::kSamples;
    constexpr size_t kSampleBytes = Bits == 8 ? 1 : 2;
    const size_t count = size_t(job.height) * size_t(job.width);
    const uint8_t* source = job.source;
    uint8_t* destination = job.destination;
    const uint32_t* words = job.words;
    size_t i = 0;
#if defined(__aarch64__)
    // Thirty-two vector registers hold four blocks at once: the loop's
    // pointer steps and branch are spread over twice the samples.
    for (; i + 4 * kSamples <= count; i += 4 * kSamples) {
        for (size_t b = 0; b < 4; ++b)
            pixelBlock<Bits>(source + b * kSamples * kSampleBytes, destination + b * kSamples * kSampleBytes,
                             words + b * kSamples);
        source += 4 * kSamples * kSampleBytes;
        destination += 4 * kSamples * kSampleBytes;
        words += 4 * kSamples;
    }
#endif
    for (; i + 2 * kSamples <= count; i += 2 * kSamples) {
        pixelBlock<Bits>(source, destination, words);
        pixelBlock<Bits>(source + kSamples * kSampleBytes, destination + kSamples * kSampleBytes, words + kSamples);
        source += 2 * kSamples * kSampleBytes;
        destination += 2 * kSamples * kSampleBytes;
        words += 2 * kSamples;
    }
    for (; i + kSamples <= count; i += kSamples) {
        pixelBlock<Bits>(source, destination, words);
        source += kSamples * kSampleBytes;
        destination += kSamples * kSampleBytes;
        words += kSamples;
    }
    const size_t rest = count - i;
    if (rest == 0) return;
    uint8_t samples[16] = {};
    uint32_t restWords[16] = {};
    memcpy(samples, source, rest * kSampleBytes);
    memcpy(restWords, words, rest * sizeof(uint32_t));
    pixelBlock<Bits>(samples, samples, restWords);
    memcpy(destination, samples, rest * kSampleBytes);
}

// Eight cells of a cell row: sixteen samples of each of its two rows.
template <int Bits>
inline void cellBlock(const uint8_t* top, uint8_t* topOut, const uint8_t* bottom, uint8_t* bottomOut,
                      const uint32_t* words) {
    Gains first, second;
    loadCellGains<Bits>(words, first, second);
    if (Bits == 8) {
        correct8(top, topOut, first, second);
        correct8(bottom, bottomOut, first, second);
    } else {
        correct16<Bits>(top, topOut, first);
        correct16<Bits>(top + 16, topOut + 16, second);
        correct16<Bits>(bottom, bottomOut, first);
        correct16<Bits>(bottom + 16, bottomOut + 16, second);
    }
}

// Mode 0: eight cells at a time along each cell row, the rest through a copy.
template <int Bits>
void perCell(const CorrectionJob& job) {
    constexpr size_t kSampleBytes = Bits == 8 ? 1 : 2;
    constexpr int32_t kCells = 8;
    const int32_t cellRows = job.height / 2, cellCols = job.width / 2;
    const size_t rowBytes = size_t(job.width) * kSampleBytes;
    const uint8_t* source = job.source;
    uint8_t* destination = job.destination;
    const uint32_t* allWords = job.words;
    for (int32_t i = 0; i < cellRows; ++i) {
        const uint8_t* top = source + size_t(2 * i) * rowBytes;
        uint8_t* topOut = destination + size_t(2 * i) * rowBytes;
        const uint32_t* words = allWords + size_t(i) * size_t(cellCols);
        int32_t j = 0;
        for (; j + kCells <= cellCols; j += kCells) {
            const size_t at = size_t(2 * j) * kSampleBytes;
            cellBlock<Bits>(top + at, topOut + at, top + rowBytes + at, topOut + rowBytes + at, words + j);
        }
        const int32_t rest = cellCols - j;
        if (rest == 0) continue;
        const size_t at = size_t(2 * j) * kSampleBytes, bytes = size_t(2 * rest) * kSampleBytes;
        uint8_t rows[2][32] = {};
        uint32_t restWords[kCells] = {};
        memcpy(rows[0], top + at, bytes);
        memcpy(rows[1], top + rowBytes + at, bytes);
        memcpy(restWords, words + j, size_t(rest) * sizeof(uint32_t));
        cellBlock<Bits>(rows[0], rows[0], rows[1], rows[1], restWords);
        memcpy(topOut + at, rows[0], bytes);
        memcpy(topOut + rowBytes + at, rows[1], bytes);
    }
}

template <int Bits>
void run(const CorrectionJob& job) {
    if (job.perPixel) {
        perPixel<Bits>(job);
    } else {
        perCell<Bits>(job);
    }
}

}  // namespace

inline bool correct(const CorrectionJob& job) {
    if (job.bits == 8) run<8>(job);
    if (job.bits == 10) run<10>(job);
    if (job.bits == 12) run<12>(job);
    return true;
}

TAV_ISA_END
}  // namespace lsc
}  // namespace tav

#endif

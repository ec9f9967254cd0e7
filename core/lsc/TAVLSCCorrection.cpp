// Applies a shading parameter table to an 8-, 10- or 12-bit raw frame:
// every sample becomes clamp(((s - B) * K + 2^16) >> 17).
#include <stddef.h>
#include <stdint.h>

#include "diagnostics.h"
#include "sizeCheck.h"
#include "tav_lsc.h"

namespace {

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

// 10- and 12-bit frames arrive through a byte pointer and may start at any
// address: their samples are read and written through a type of alignment
// 1, which compiles to the unaligned loads and stores that memcpy would.
typedef uint16_t __attribute__((aligned(1), may_alias)) AnyAddressSample16;

template <int Bits>
struct Depth {
    using Sample = AnyAddressSample16;
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
TavStatus correctFrame(const typename Depth<Bits>::Sample* source, typename Depth<Bits>::Sample* destination,
                       uint32_t mode, const uint32_t* words, int32_t height, int32_t width) {
    if (mode != TAV_LSC_MODE_PIXEL && mode != TAV_LSC_MODE_2X2) return TAV_E_UNSUPPORTED;
    if (height <= 0 || width <= 0) return TAV_OK;
    if (mode == TAV_LSC_MODE_PIXEL) {
        correctPerPixel<Bits>(source, destination, words, size_t(height) * size_t(width));
    } else {
        correctCells<Bits>(source, destination, words, height, width);
    }
    return TAV_OK;
}

// Frames with no sample are accepted and left as they are; negative sizes and
// frames whose samples cannot be counted describe no buffer.
bool countableFrame(int32_t height, int32_t width) {
    if (height < 0 || width < 0) return false;
    return height == 0 || width == 0 || tav::countFits(height, width);
}

TavStatus correctionRefusal(const void* source, const void* destination, const uint32_t* words, int32_t height,
                            int32_t width) {
    if (!countableFrame(height, width)) return TAV_E_SIZE;
    if (height > 0 && width > 0 && (!source || !destination || !words)) return TAV_E_NULL_POINTER;
    return TAV_OK;
}

// 10- and 12-bit samples at any address (see AnyAddressSample16).
TavStatus correct16(const uint8_t* source, uint8_t* destination, uint32_t mode, const uint32_t* words,
                    int32_t height, int32_t width, int32_t depth) {
    using Sample = AnyAddressSample16;
    const Sample* from = reinterpret_cast<const Sample*>(source);
    Sample* to = reinterpret_cast<Sample*>(destination);
    if (depth == 10) return correctFrame<10>(from, to, mode, words, height, width);
    if (depth == 12) return correctFrame<12>(from, to, mode, words, height, width);
    return TAV_E_UNSUPPORTED;
}

}  // namespace

extern "C" {

TAV_API int32_t getBits(TavPixelType pixelType) {
    switch (pixelType) {
        case TAV_PIXEL_MONO8:
        case TAV_PIXEL_BAYER_GR8:
        case TAV_PIXEL_BAYER_RG8:
        case TAV_PIXEL_BAYER_GB8:
        case TAV_PIXEL_BAYER_BG8:
            return 8;
        case TAV_PIXEL_MONO10:
        case TAV_PIXEL_BAYER_GR10:
        case TAV_PIXEL_BAYER_RG10:
        case TAV_PIXEL_BAYER_GB10:
        case TAV_PIXEL_BAYER_BG10:
            return 10;
        case TAV_PIXEL_MONO12:
        case TAV_PIXEL_BAYER_GR12:
        case TAV_PIXEL_BAYER_RG12:
        case TAV_PIXEL_BAYER_GB12:
        case TAV_PIXEL_BAYER_BG12:
            return 12;
        default:
            return TAV_E_PIXEL_TYPE;
    }
}

TAV_API TavStatus LSCcorrect8_2x2(const uint8_t* source, uint8_t* destination, uint32_t mode,
                                  const uint32_t* words, int32_t height, int32_t width) {
    const TavStatus refusal = correctionRefusal(source, destination, words, height, width);
    if (refusal != TAV_OK) return refusal;
    return correctFrame<8>(source, destination, mode, words, height, width);
}

TAV_API TavStatus LSCcorrect16_2x2(const uint16_t* source, uint16_t* destination, uint32_t mode,
                                   const uint32_t* words, int32_t height, int32_t width, int32_t depth) {
    const TavStatus refusal = correctionRefusal(source, destination, words, height, width);
    if (refusal != TAV_OK) return refusal;
    return correct16(reinterpret_cast<const uint8_t*>(source), reinterpret_cast<uint8_t*>(destination), mode,
                     words, height, width, depth);
}

TAV_API TavStatus tavLSCorrection(const TavImage* input, const TavImage* output, const TavLSCTable* table) {
    if (output == nullptr || input == nullptr || table == nullptr) {
        tav::printErrorLine(tav::kLineCorrectionNull);
        return TAV_E_NULL_POINTER;
    }
    if (input->data == nullptr || output->data == nullptr) {
        tav::printErrorLine(tav::kLineCorrectionNullData);
        return TAV_E_NULL_POINTER;
    }
    const uint32_t mode = table[0];
    if (mode > TAV_LSC_MODE_PIXEL) {
        tav::printErrorLine(tav::kLineCorrectionTableMode);
        return TAV_E_NULL_POINTER;
    }
    const int32_t height = input->height;
    const int32_t width = input->width;
    // Negative sizes and frames of 2^31 samples or more describe no buffer
    // that the table could match.
    if (table[1] != uint32_t(height) || table[2] != uint32_t(width) || !countableFrame(height, width)) {
        tav::printErrorLine(tav::kLineCorrectionTableSize);
        return TAV_E_SIZE;
    }
    const uint32_t* words = table + TAV_LSC_TABLE_HEADER_WORDS;
    const int32_t depth = getBits(TavPixelType(input->pixelType));
    if (depth == 8) return LSCcorrect8_2x2(input->data, output->data, mode, words, height, width);
    if (depth == 10 || depth == 12) {
        return correct16(input->data, output->data, mode, words, height, width, depth);
    }
    // Packed, 14/16-bit and colour frames have no correction: nothing is written.
    return TAV_E_PIXEL_TYPE;
}

}  // extern "C"

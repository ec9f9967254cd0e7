// Applies a shading parameter table to an 8-, 10- or 12-bit raw frame:
// every sample becomes clamp(((s - B) * K + 2^16) >> 17).
#include <stddef.h>
#include <stdint.h>

#include "diagnostics.h"
#include "tav_lsc.h"

namespace {

// Per-depth rule: v = ((s - B) * K + 2^16) >> 17 (flooring), clamped.

// 8-bit frames keep their offset as the 12-bit offset / 16; the product
// stays below 2^28 in magnitude, so 32 bits suffice.
struct Depth8 {
    using Sample = uint8_t;
    static inline Sample apply(uint32_t sample, uint32_t word) {
        const int32_t gain = int32_t(word >> TAV_LSC_GAIN_SHIFT);
        const int32_t offset = int32_t((word >> 4) & 0xFFu);
        const int32_t value = ((int32_t(sample) - offset) * gain + 65536) >> 17;
        return Sample(value < 0 ? 0 : value > 255 ? 255 : value);
    }
};

// 10/12-bit samples are not masked to their depth, so (s - B) * K reaches
// 2^36, and 64-bit multiplies are slow in vector code. Splitting
// K = high * 2^10 + low keeps both partial products in 32 bits and is exact:
// floor((H * 2^10 + L) / 2^17) = floor((H + floor(L / 2^10)) / 2^7)
// with H = (s - B) * high and L = (s - B) * low + 2^16.
template <int Bits>
struct DepthWide {
    using Sample = uint16_t;
    static constexpr int32_t kMax = (1 << Bits) - 1;
    static inline Sample apply(uint32_t sample, uint32_t word) {
        const int32_t gain = int32_t(word >> TAV_LSC_GAIN_SHIFT);
        const int32_t diff = int32_t(sample) - int32_t((word & TAV_LSC_OFFSET_MASK) >> (12 - Bits));
        const int32_t high = diff * (gain >> 10);
        const int32_t low = diff * (gain & 0x3FF) + 65536;
        const int32_t value = (high + (low >> 10)) >> 7;
        return Sample(value < 0 ? 0 : value > kMax ? kMax : value);
    }
};

// Mode 1: sample i with word i, in memory order. The in-place form lets the
// compiler vectorise a frame corrected over itself.
template <class Rule>
void correctPerPixel(const typename Rule::Sample* source, typename Rule::Sample* destination,
                     const uint32_t* words, size_t count) {
    if (source == destination) {
        typename Rule::Sample* samples = destination;
        for (size_t i = 0; i < count; ++i) samples[i] = Rule::apply(samples[i], words[i]);
        return;
    }
    for (size_t i = 0; i < count; ++i) destination[i] = Rule::apply(source[i], words[i]);
}

// Mode 0: each word is fetched once and applied to its 2x2 cell, top pair
// then bottom pair.
template <class Rule>
void correctCells(const typename Rule::Sample* source, typename Rule::Sample* destination,
                  const uint32_t* words, int32_t height, int32_t width) {
    using Sample = typename Rule::Sample;
    const int32_t cellRows = height / 2;
    const int32_t cellCols = width / 2;
    for (int32_t i = 0; i < cellRows; ++i) {
        const size_t top = size_t(2 * i) * size_t(width);
        const Sample* in0 = source + top;
        const Sample* in1 = in0 + width;
        Sample* out0 = destination + top;
        Sample* out1 = out0 + width;
        const uint32_t* rowWords = words + size_t(i) * size_t(cellCols);
        for (int32_t j = 0; j < cellCols; ++j) {
            const uint32_t word = rowWords[j];
            const Sample a = in0[2 * j];
            const Sample b = in0[2 * j + 1];
            out0[2 * j] = Rule::apply(a, word);
            out0[2 * j + 1] = Rule::apply(b, word);
            const Sample c = in1[2 * j];
            const Sample d = in1[2 * j + 1];
            out1[2 * j] = Rule::apply(c, word);
            out1[2 * j + 1] = Rule::apply(d, word);
        }
    }
}

template <class Rule>
TavStatus correctFrame(const typename Rule::Sample* source, typename Rule::Sample* destination, uint32_t mode,
                       const uint32_t* words, int32_t height, int32_t width) {
    if (mode != TAV_LSC_MODE_PIXEL && mode != TAV_LSC_MODE_2X2) return TAV_E_UNSUPPORTED;
    if (height <= 0 || width <= 0) return TAV_OK;
    if (mode == TAV_LSC_MODE_PIXEL) {
        correctPerPixel<Rule>(source, destination, words, size_t(height) * size_t(width));
    } else {
        correctCells<Rule>(source, destination, words, height, width);
    }
    return TAV_OK;
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
    return correctFrame<Depth8>(source, destination, mode, words, height, width);
}

TAV_API TavStatus LSCcorrect16_2x2(const uint16_t* source, uint16_t* destination, uint32_t mode,
                                   const uint32_t* words, int32_t height, int32_t width, int32_t depth) {
    if (depth == 10) return correctFrame<DepthWide<10>>(source, destination, mode, words, height, width);
    if (depth == 12) return correctFrame<DepthWide<12>>(source, destination, mode, words, height, width);
    return TAV_E_UNSUPPORTED;
}

TAV_API TavStatus tavLSCorrection(const TavImage* input, const TavImage* output, const TavLSCTable* table) {
    if (output == nullptr || input == nullptr || table == nullptr) {
        tav::printErrorLine(692);
        return TAV_E_NULL_POINTER;
    }
    if (input->data == nullptr || output->data == nullptr) {
        tav::printErrorLine(693);
        return TAV_E_NULL_POINTER;
    }
    const uint32_t mode = table[0];
    if (mode > TAV_LSC_MODE_PIXEL) {
        tav::printErrorLine(694);
        return TAV_E_NULL_POINTER;
    }
    const int32_t height = input->height;
    const int32_t width = input->width;
    // Negative sizes and frames of 2^31 samples or more describe no buffer
    // that the table could match.
    if (table[1] != uint32_t(height) || table[2] != uint32_t(width) || height < 0 || width < 0 ||
        int64_t(height) * int64_t(width) > INT32_MAX) {
        tav::printErrorLine(695);
        return TAV_E_SIZE;
    }
    const uint32_t* words = table + TAV_LSC_TABLE_HEADER_WORDS;
    const int32_t depth = getBits(TavPixelType(input->pixelType));
    if (depth == 8) return LSCcorrect8_2x2(input->data, output->data, mode, words, height, width);
    if (depth == 10 || depth == 12) {
        return LSCcorrect16_2x2(reinterpret_cast<const uint16_t*>(input->data),
                                reinterpret_cast<uint16_t*>(output->data), mode, words, height, width, depth);
    }
    // Packed, 14/16-bit and colour frames have no correction: nothing is written.
    return TAV_E_PIXEL_TYPE;
}

}  // extern "C"

// Per-pixel and per-2x2-cell shading parameter tables: gain K and dark
// offset B packed into one 32-bit word per pixel or per cell.
#include <stddef.h>
#include <stdint.h>

#include "diagnostics.h"
#include "lsc/numeric.h"
#include "lsc/workBuffers.h"
#include "sizeCheck.h"
#include "tav_lsc.h"

namespace {

constexpr double kGainScale = 131072.0;  // 17 fractional bits
constexpr double kMaxGain = 8.0;
constexpr int32_t kMaxOffset = 4095;     // 12-bit offset scale

// Dark levels are stored on a 12-bit scale whatever the frame depth; a depth
// above 12 has no room and stores 0.
double offsetScale(uint32_t bits) { return bits <= 12 ? double(1u << (12 - bits)) : 0.0; }

uint32_t gainField(float dark, float grey, double target) {
    if (!(dark < grey)) return 0;  // no light response: drive the pixel to black
    const float response = grey - dark;  // in float, as the frames are
    const double gain = target / double(response);
    if (gain < 0.0) return 0;
    if (gain > kMaxGain) return TAV_LSC_GAIN_MAX;
    // Round half up, then cap: gains just under 8.0 round to 0x100000.
    return uint32_t(tav::lsc::truncateClamped(gain * kGainScale + 0.5, 0, TAV_LSC_GAIN_MAX));
}

uint32_t offsetField(float dark, double scale) {
    const double offset = double(dark) * scale;
    if (offset < 0.0) return 0;
    if (offset > double(kMaxOffset)) return kMaxOffset;
    return uint32_t(tav::lsc::truncateClamped(offset + 0.5, 0, kMaxOffset));
}

void writeHeader(TavLSCTable* table, uint32_t mode, int32_t height, int32_t width) {
    table[0] = mode;
    table[1] = uint32_t(height);
    table[2] = uint32_t(width);
}

}  // namespace

extern "C" {

TAV_API TavStatus dataInit2x2(const float* dark, const float* grey, int32_t height, int32_t width,
                              float* blockDark, float* blockGrey) {
    // Negative sizes and frames that cannot be counted describe no buffer.
    if (height < 0 || width < 0) return TAV_E_SIZE;
    if (height < 2 || width < 2) return TAV_OK;  // no whole cell
    if (!tav::countFits(height, width)) return TAV_E_SIZE;
    if (!dark || !grey || !blockDark || !blockGrey) return TAV_E_NULL_POINTER;
    const int32_t cellRows = height / 2;
    const int32_t cellCols = width / 2;
    for (int32_t i = 0; i < cellRows; ++i) {
        const size_t top = size_t(2 * i) * size_t(width);
        const size_t bottom = top + size_t(width);
        float* darkOut = blockDark + size_t(i) * size_t(cellCols);
        float* greyOut = blockGrey + size_t(i) * size_t(cellCols);
        for (int32_t j = 0; j < cellCols; ++j) {
            const size_t c = size_t(2 * j);
            // Summed left to right, top row first, then scaled: all in float.
            darkOut[j] = (((dark[top + c] + dark[top + c + 1]) + dark[bottom + c]) + dark[bottom + c + 1]) * 0.25f;
            greyOut[j] = (((grey[top + c] + grey[top + c + 1]) + grey[bottom + c]) + grey[bottom + c + 1]) * 0.25f;
        }
    }
    return TAV_OK;
}

TAV_API double getTargetLSCMono(const float* dark, const float* grey, int32_t count) {
    if (count <= 0 || !dark || !grey) return 0.0;
    double greySum = 0.0;
    double darkSum = 0.0;
    for (int32_t k = 0; k < count; ++k) {
        greySum += double(grey[k]);
        darkSum += double(dark[k]);
    }
    return (greySum - darkSum) / double(count);
}

TAV_API TavStatus getLSCKBMono(const float* dark, const float* grey, int32_t count, uint32_t bits,
                               uint32_t* words, double target) {
    if (count < 0) return TAV_E_SIZE;
    if (count > 0 && (!dark || !grey || !words)) return TAV_E_NULL_POINTER;
    const double scale = offsetScale(bits);
    for (int32_t k = 0; k < count; ++k) {
        words[k] = (gainField(dark[k], grey[k], target) << TAV_LSC_GAIN_SHIFT) | offsetField(dark[k], scale);
    }
    return TAV_OK;
}

TAV_API TavStatus tavGetLSCParameter(const TavLSCInput* input, TavLSCTable* table) {
    if (input == nullptr || input->dark == nullptr || input->grey == nullptr || table == nullptr) {
        tav::printErrorLine(tav::kLineTableNull);
        return TAV_E_NULL_POINTER;
    }
    if (input->mode > TAV_LSC_MODE_PIXEL) {
        tav::printErrorLine(tav::kLineTableMode);
        return TAV_E_UNSUPPORTED;
    }
    const int32_t height = input->height;
    const int32_t width = input->width;
    // A frame of 2^31 samples or more cannot be counted in 32 bits.
    if (height <= 31 || width <= 31 || !tav::countFits(height, width)) {
        tav::printErrorLine(tav::kLineTableSize);
        return TAV_E_SIZE;
    }
    if ((width & 1) != 0 || (height & 1) != 0) {
        tav::printErrorLine(tav::kLineTableOddSize);
        return TAV_E_SIZE;
    }

    // The fits cannot fail: every pointer and size has been checked above.
    if (input->mode == TAV_LSC_MODE_PIXEL) {
        const int32_t count = width * height;
        const double target = getTargetLSCMono(input->dark, input->grey, count);
        writeHeader(table, TAV_LSC_MODE_PIXEL, height, width);
        getLSCKBMono(input->dark, input->grey, count, input->bits, table + TAV_LSC_TABLE_HEADER_WORDS, target);
        return TAV_OK;
    }

    const int32_t count = (height / 2) * (width / 2);
    tav::lsc::BlockBuffers cells;
    const TavStatus status = tav::lsc::acquireBlockBuffers(count, &cells);
    if (status != TAV_OK) return status;
    dataInit2x2(input->dark, input->grey, height, width, cells.dark, cells.grey);
    const double target = getTargetLSCMono(cells.dark, cells.grey, count);
    writeHeader(table, TAV_LSC_MODE_2X2, height, width);
    getLSCKBMono(cells.dark, cells.grey, count, input->bits, table + TAV_LSC_TABLE_HEADER_WORDS, target);
    tav::lsc::releaseBlockBuffers(&cells);
    return TAV_OK;
}

}  // extern "C"

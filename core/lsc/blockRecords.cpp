// Block shading records: per block of 16 rows, one gain and one additive
// offset packed into 3 bytes, mapping raw -> K * raw + offset.
#include <stddef.h>
#include <stdint.h>

#include "diagnostics.h"
#include "lsc/numeric.h"
#include "lsc/workBuffers.h"
#include "sizeCheck.h"
#include "tav_lsc.h"

namespace {

constexpr int32_t kBlockHeight = 16;
constexpr double kGainScale = 4096.0;  // 12 fractional bits
constexpr double kMaxGain = 2.0;
constexpr int32_t kMaxGainCode = 8191;
constexpr int32_t kMinOffsetCode = -1024;  // 11-bit two's complement
constexpr int32_t kMaxOffsetCode = 1023;

struct BlockGain {
    double gain;  // unrounded, drives the offset
    int32_t code;
};

BlockGain fitGain(float dark, float grey, double target) {
    if (!(dark < grey)) return {1.0, 4096};  // no light response: leave the block as it is
    const float response = grey - dark;
    const double gain = target / double(response);
    if (tav::lsc::isNaN(gain)) return {0.0, 0};
    if (gain < 0.0) return {0.0, 0};
    if (gain > kMaxGain) return {kMaxGain, kMaxGainCode};
    return {gain, tav::lsc::truncateClamped(gain * kGainScale + 0.5, 0, kMaxGainCode)};
}

// The 11-bit offset scale is one unit per 2^(bits - 11) raw levels.
float toOffsetScale(float offset, uint32_t bits) {
    if (bits <= 11) return offset * float(1u << (11 - bits));
    float scaled = offset;
    for (uint32_t b = 11; b < bits && b < 200; ++b) scaled /= 2;
    return scaled;
}

int32_t offsetCode(double gain, float dark, float darkLevel, uint32_t bits) {
    const float offset = tav::lsc::narrowToFloat(double(darkLevel) - gain * double(dark));
    const double scaled = double(toOffsetScale(offset, bits));
    // Halves round away from zero.
    const double rounded = scaled >= 0.0 ? scaled + 0.5 : scaled - 0.5;
    return tav::lsc::truncateClamped(rounded, kMinOffsetCode, kMaxOffsetCode);
}

void packRecord(uint8_t* record, int32_t gainCode, int32_t offset) {
    const uint32_t gain = uint32_t(gainCode) & 0x1FFFu;
    const uint32_t off = uint32_t(offset) & 0x7FFu;
    record[0] = uint8_t(gain >> 5);
    record[1] = uint8_t(((gain & 0x1Fu) << 3) | (off >> 8));
    record[2] = uint8_t(off & 0xFFu);
}

}  // namespace

extern "C" {

TAV_API TavStatus grayDataInit(const float* frame, int32_t height, int32_t stride, int32_t blockWidth,
                               int32_t blockHeight, int32_t blockRows, int32_t blocksPerRow,
                               int32_t divisor, float* out) {
    // Blocks must lie inside the frame: each block row inside rows of
    // `stride` samples, every block row inside the `height` rows.
    if (height < 0 || stride < 0 || blockWidth < 0 || blockHeight < 0 || blockRows < 0 || blocksPerRow < 0 ||
        int64_t(blocksPerRow) * blockWidth > stride || int64_t(blockRows) * blockHeight > height) {
        return TAV_E_SIZE;
    }
    if (height > 0 && stride > 0 && !tav::countFits(height, stride)) return TAV_E_SIZE;
    if (blockRows == 0 || blocksPerRow == 0) return TAV_OK;
    // A block has samples, and there is one mean per block to count.
    if (blockWidth == 0 || blockHeight == 0 || !tav::countFits(blockRows, blocksPerRow)) return TAV_E_SIZE;
    if (!frame || !out) return TAV_E_NULL_POINTER;
    const float scale = float(divisor);
    for (int32_t r = 0; r < blockRows; ++r) {
        for (int32_t c = 0; c < blocksPerRow; ++c) {
            const float* block = frame + size_t(r) * size_t(blockHeight) * size_t(stride) +
                                 size_t(c) * size_t(blockWidth);
            float sum = 0.0f;
            for (int32_t y = 0; y < blockHeight; ++y) {
                const float* row = block + size_t(y) * size_t(stride);
                for (int32_t x = 0; x < blockWidth; ++x) sum += row[x];
            }
            out[size_t(r) * size_t(blocksPerRow) + size_t(c)] = sum / scale;
        }
    }
    return TAV_OK;
}

TAV_API TavStatus getLSCKBMono_REGION(const float* dark, const float* grey, int32_t count, uint32_t bits,
                                      uint8_t* records, double target, float darkLevel) {
    if (count < 0) return TAV_E_SIZE;
    if (count > 0 && (!dark || !grey || !records)) return TAV_E_NULL_POINTER;
    for (int32_t k = 0; k < count; ++k) {
        const BlockGain gain = fitGain(dark[k], grey[k], target);
        packRecord(records + size_t(k) * TAV_LSC_RECORD_BYTES, gain.code,
                   offsetCode(gain.gain, dark[k], darkLevel, bits));
    }
    return TAV_OK;
}

TAV_API TavStatus tavGetBasicLSCParameter(const TavBasicLSCInput* input, uint8_t* records) {
    if (input == nullptr || input->grey == nullptr || records == nullptr) {
        tav::printErrorLine(tav::kLineBlockNull);
        return TAV_E_NULL_POINTER;
    }
    if (input->mode > 1) {
        tav::printErrorLine(tav::kLineBlockMode);
        return TAV_E_UNSUPPORTED;
    }
    const int32_t height = input->height;
    const int32_t width = input->width;
    // A frame of 2^31 samples or more cannot be counted in 32 bits.
    if (height <= 31 || width <= 31 || !tav::countFits(height, width)) {
        tav::printErrorLine(tav::kLineBlockSize);
        return TAV_E_SIZE;
    }
    if (input->bits != 8 && input->bits != 10 && input->bits != 12) {
        tav::printErrorLine(tav::kLineBlockBits);
        return TAV_E_UNSUPPORTED;
    }
    const int32_t blockWidth = input->blockWidth;
    if ((blockWidth != 32 && blockWidth != 16) || input->blockHeight != kBlockHeight) {
        tav::printErrorLine(tav::kLineBlockShape);
        return TAV_E_SIZE;
    }

    // Settled before anything is allocated or averaged.
    const uint32_t selector = input->selector;
    if (selector < 2 || selector > 4 || input->mode != 0) return TAV_E_UNSUPPORTED;

    // Columns right of the last whole block and rows below the last whole
    // block row do not contribute.
    const int32_t blocksPerRow = width / blockWidth;
    const int32_t blockRows = height / kBlockHeight;
    const int32_t count = blockRows * blocksPerRow;
    tav::lsc::BlockBuffers blocks;
    const TavStatus status = tav::lsc::acquireBlockBuffers(count, &blocks);
    if (status != TAV_OK) return status;

    // Neither step can fail: the frame and the block layout were checked above.
    for (int32_t k = 0; k < count; ++k) blocks.dark[k] = input->darkLevel;
    grayDataInit(input->grey, height, width, blockWidth, kBlockHeight, blockRows, blocksPerRow,
                 blockWidth * kBlockHeight, blocks.grey);
    const double target = getTargetLSCMono(blocks.dark, blocks.grey, count);
    getLSCKBMono_REGION(blocks.dark, blocks.grey, count, input->bits, records, target, input->darkLevel);
    tav::lsc::releaseBlockBuffers(&blocks);
    return TAV_OK;
}

}  // extern "C"

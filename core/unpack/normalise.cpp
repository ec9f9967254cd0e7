// Input classification and normalisation of every input storage to tightly
// packed 8-bit rows.
#include <stdint.h>
#include <string.h>

#include "simd/kernelTable.h"
#include "sizeCheck.h"
#include "tav_demosaic.h"

namespace {

constexpr int32_t kUnpack = -1;

struct InputRule {
    int32_t code;
    int32_t baseType;
    int32_t conversion;  // 0 none, 2/4/6/8 shift right, kUnpack
};

constexpr InputRule kInputRules[] = {
    {TAV_PIXEL_MONO8, TAV_PIXEL_MONO8, 0},
    {TAV_PIXEL_MONO10, TAV_PIXEL_MONO8, 2},
    {TAV_PIXEL_MONO12, TAV_PIXEL_MONO8, 4},
    {TAV_PIXEL_MONO14, TAV_PIXEL_MONO8, 6},
    {TAV_PIXEL_MONO16, TAV_PIXEL_MONO8, 8},
    {TAV_PIXEL_MONO10_PACKED, TAV_PIXEL_MONO8, kUnpack},
    {TAV_PIXEL_MONO12_PACKED, TAV_PIXEL_MONO8, kUnpack},
    {TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GR8, 0},
    {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_RG8, 0},
    {TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_GB8, 0},
    {TAV_PIXEL_BAYER_BG8, TAV_PIXEL_BAYER_BG8, 0},
    {TAV_PIXEL_BAYER_GR10, TAV_PIXEL_BAYER_GR8, 2},
    {TAV_PIXEL_BAYER_RG10, TAV_PIXEL_BAYER_RG8, 2},
    {TAV_PIXEL_BAYER_GB10, TAV_PIXEL_BAYER_GB8, 2},
    {TAV_PIXEL_BAYER_BG10, TAV_PIXEL_BAYER_BG8, 2},
    {TAV_PIXEL_BAYER_GR12, TAV_PIXEL_BAYER_GR8, 4},
    {TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_RG8, 4},
    {TAV_PIXEL_BAYER_GB12, TAV_PIXEL_BAYER_GB8, 4},
    {TAV_PIXEL_BAYER_BG12, TAV_PIXEL_BAYER_BG8, 4},
    {TAV_PIXEL_BAYER_GR16, TAV_PIXEL_BAYER_GR8, 8},
    {TAV_PIXEL_BAYER_RG16, TAV_PIXEL_BAYER_RG8, 8},
    {TAV_PIXEL_BAYER_GB16, TAV_PIXEL_BAYER_GB8, 8},
    {TAV_PIXEL_BAYER_BG16, TAV_PIXEL_BAYER_BG8, 8},
    {TAV_PIXEL_BAYER_GR10_PACKED, TAV_PIXEL_BAYER_GR8, kUnpack},
    {TAV_PIXEL_BAYER_RG10_PACKED, TAV_PIXEL_BAYER_RG8, kUnpack},
    {TAV_PIXEL_BAYER_GB10_PACKED, TAV_PIXEL_BAYER_GB8, kUnpack},
    {TAV_PIXEL_BAYER_BG10_PACKED, TAV_PIXEL_BAYER_BG8, kUnpack},
    {TAV_PIXEL_BAYER_GR12_PACKED, TAV_PIXEL_BAYER_GR8, kUnpack},
    {TAV_PIXEL_BAYER_RG12_PACKED, TAV_PIXEL_BAYER_RG8, kUnpack},
    {TAV_PIXEL_BAYER_GB12_PACKED, TAV_PIXEL_BAYER_GB8, kUnpack},
    {TAV_PIXEL_BAYER_BG12_PACKED, TAV_PIXEL_BAYER_BG8, kUnpack},
};

// Number of samples of a height x width frame, or -1 when the frame is empty,
// has a negative side or more samples than a 32-bit size can count.
int64_t frameSamples(int32_t height, int32_t width) { return tav::checkedCount(height, width); }

inline uint8_t shiftedSample(const uint8_t* littleEndianPair, int32_t shift) {
    uint32_t sample = littleEndianPair[0] | (static_cast<uint32_t>(littleEndianPair[1]) << 8);
    return static_cast<uint8_t>(sample >> shift);
}

void plainShiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination) {
    for (size_t i = 0; i < count; ++i) destination[i] = shiftedSample(source + 2 * i, shift);
}

// Keeps the most significant byte of each sample (bytes 0 and 2 of every
// 3-byte group). An odd count ends in a group whose second sample is absent:
// only its first byte is read and only one sample is written.
void plainUnpackRun(const uint8_t* source, size_t count, uint8_t* destination) {
    size_t pairs = count / 2;
    for (size_t k = 0; k < pairs; ++k) {
        destination[2 * k] = source[3 * k];
        destination[2 * k + 1] = source[3 * k + 2];
    }
    if (count % 2 != 0) destination[count - 1] = source[3 * pairs];
}

// The loops of the active instruction set, else the plain ones.
void shiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination) {
    const auto vector = tav::simd::kernels().shiftRun;
    if (vector == nullptr || !vector(source, count, shift, destination)) plainShiftRun(source, count, shift, destination);
}

void unpackRun(const uint8_t* source, size_t count, uint8_t* destination) {
    const auto vector = tav::simd::kernels().unpackRun;
    if (vector == nullptr || !vector(source, count, destination)) plainUnpackRun(source, count, destination);
}

bool isValidShift(int32_t shift) { return shift >= 0 && shift <= 15; }

}  // namespace

extern "C" TavStatus demosaicDataInit(const TavImage* input, TavContext* /*context*/,
                                      int64_t* baseType, int32_t* conversion) {
    if (input == nullptr || baseType == nullptr || conversion == nullptr) return TAV_E_NULL_POINTER;
    *baseType = input->pixelType;
    *conversion = 0;
    for (const InputRule& rule : kInputRules) {
        if (rule.code == input->pixelType) {
            *baseType = rule.baseType;
            *conversion = rule.conversion;
            return TAV_OK;
        }
    }
    return TAV_E_PIXEL_TYPE;
}

extern "C" void u16Tou8_old(const uint8_t* source, int32_t height, int32_t width, int32_t shift,
                            uint8_t* destination) {
    int64_t samples = frameSamples(height, width);
    if (samples < 0 || !isValidShift(shift) || source == nullptr || destination == nullptr) return;
    shiftRun(source, static_cast<size_t>(samples), shift, destination);
}

// Rows start at even offsets: an odd lineBytes is rounded down.
extern "C" void u16Tou8(const uint8_t* source, int32_t height, int32_t width, int32_t lineBytes,
                        int32_t shift, uint8_t* destination) {
    if (frameSamples(height, width) < 0 || !isValidShift(shift) || source == nullptr ||
        destination == nullptr || lineBytes < 2 * static_cast<int64_t>(width) ||
        !tav::countFits(height, lineBytes)) {
        return;
    }
    size_t stride = static_cast<size_t>(lineBytes & ~1);
    for (size_t r = 0; r < static_cast<size_t>(height); ++r) {
        shiftRun(source + r * stride, static_cast<size_t>(width), shift, destination + r * width);
    }
}

// Safe in place (destination == source): each row moves towards the start.
extern "C" void u8Tou8(const uint8_t* source, int32_t height, int32_t width, int32_t lineBytes,
                       uint8_t* destination) {
    if (frameSamples(height, width) < 0 || source == nullptr || destination == nullptr ||
        lineBytes < width || !tav::countFits(height, lineBytes)) {
        return;
    }
    for (size_t r = 0; r < static_cast<size_t>(height); ++r) {
        memmove(destination + r * width, source + r * static_cast<size_t>(lineBytes),
                static_cast<size_t>(width));
    }
}

extern "C" void unpacked_old(const uint8_t* source, int32_t height, int32_t width,
                             uint8_t* destination) {
    int64_t samples = frameSamples(height, width);
    if (samples < 0 || source == nullptr || destination == nullptr) return;
    unpackRun(source, static_cast<size_t>(samples), destination);
}

extern "C" void unpacked(const uint8_t* source, int32_t height, int32_t width, int32_t lineBytes,
                         uint8_t* destination) {
    int64_t groupsPerRow = (static_cast<int64_t>(width) + 1) / 2;
    if (frameSamples(height, width) < 0 || source == nullptr || destination == nullptr ||
        lineBytes < 3 * groupsPerRow || !tav::countFits(height, lineBytes)) {
        return;
    }
    for (size_t r = 0; r < static_cast<size_t>(height); ++r) {
        unpackRun(source + r * static_cast<size_t>(lineBytes), static_cast<size_t>(width),
                  destination + r * width);
    }
}

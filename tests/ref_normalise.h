// Plain references for the demosaic front end: the tightly packed 8-bit frame
// that any accepted input type reduces to, and grey-to-output conversion.
#ifndef TAV_TESTS_REF_NORMALISE_H
#define TAV_TESTS_REF_NORMALISE_H

#include <stddef.h>

#include <cstdint>
#include <vector>

#include "tav_types.h"

namespace tavref {

// Storage of an input type's samples.
enum class Storage { Bits8, Bits16, Packed };

struct InputType {
    int32_t code;
    int32_t baseType;  // Mono8 or one of the four 8-bit Bayer orders
    Storage storage;
    int shift;         // right shift of 16-bit samples, else 0
};

// All 31 accepted input types.
inline const std::vector<InputType>& inputTypes() {
    static const std::vector<InputType> types = {
        {TAV_PIXEL_MONO8, TAV_PIXEL_MONO8, Storage::Bits8, 0},
        {TAV_PIXEL_MONO10, TAV_PIXEL_MONO8, Storage::Bits16, 2},
        {TAV_PIXEL_MONO12, TAV_PIXEL_MONO8, Storage::Bits16, 4},
        {TAV_PIXEL_MONO14, TAV_PIXEL_MONO8, Storage::Bits16, 6},
        {TAV_PIXEL_MONO16, TAV_PIXEL_MONO8, Storage::Bits16, 8},
        {TAV_PIXEL_MONO10_PACKED, TAV_PIXEL_MONO8, Storage::Packed, 0},
        {TAV_PIXEL_MONO12_PACKED, TAV_PIXEL_MONO8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GR8, Storage::Bits8, 0},
        {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_RG8, Storage::Bits8, 0},
        {TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_GB8, Storage::Bits8, 0},
        {TAV_PIXEL_BAYER_BG8, TAV_PIXEL_BAYER_BG8, Storage::Bits8, 0},
        {TAV_PIXEL_BAYER_GR10, TAV_PIXEL_BAYER_GR8, Storage::Bits16, 2},
        {TAV_PIXEL_BAYER_RG10, TAV_PIXEL_BAYER_RG8, Storage::Bits16, 2},
        {TAV_PIXEL_BAYER_GB10, TAV_PIXEL_BAYER_GB8, Storage::Bits16, 2},
        {TAV_PIXEL_BAYER_BG10, TAV_PIXEL_BAYER_BG8, Storage::Bits16, 2},
        {TAV_PIXEL_BAYER_GR12, TAV_PIXEL_BAYER_GR8, Storage::Bits16, 4},
        {TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_RG8, Storage::Bits16, 4},
        {TAV_PIXEL_BAYER_GB12, TAV_PIXEL_BAYER_GB8, Storage::Bits16, 4},
        {TAV_PIXEL_BAYER_BG12, TAV_PIXEL_BAYER_BG8, Storage::Bits16, 4},
        {TAV_PIXEL_BAYER_GR16, TAV_PIXEL_BAYER_GR8, Storage::Bits16, 8},
        {TAV_PIXEL_BAYER_RG16, TAV_PIXEL_BAYER_RG8, Storage::Bits16, 8},
        {TAV_PIXEL_BAYER_GB16, TAV_PIXEL_BAYER_GB8, Storage::Bits16, 8},
        {TAV_PIXEL_BAYER_BG16, TAV_PIXEL_BAYER_BG8, Storage::Bits16, 8},
        {TAV_PIXEL_BAYER_GR10_PACKED, TAV_PIXEL_BAYER_GR8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_RG10_PACKED, TAV_PIXEL_BAYER_RG8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_GB10_PACKED, TAV_PIXEL_BAYER_GB8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_BG10_PACKED, TAV_PIXEL_BAYER_BG8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_GR12_PACKED, TAV_PIXEL_BAYER_GR8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_RG12_PACKED, TAV_PIXEL_BAYER_RG8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_GB12_PACKED, TAV_PIXEL_BAYER_GB8, Storage::Packed, 0},
        {TAV_PIXEL_BAYER_BG12_PACKED, TAV_PIXEL_BAYER_BG8, Storage::Packed, 0},
    };
    return types;
}

// The entry for an accepted code, or nullptr.
inline const InputType* findInputType(int32_t code) {
    for (const InputType& t : inputTypes()) {
        if (t.code == code) return &t;
    }
    return nullptr;
}

// Shortest lineBytes that holds one row of `width` samples.
inline int32_t minimumLineBytes(Storage storage, int32_t width) {
    switch (storage) {
        case Storage::Bits8: return width;
        case Storage::Bits16: return 2 * width;
        default: return 3 * ((width + 1) / 2);
    }
}

// The 8-bit frame (height x width bytes, no padding) that `input` reduces to:
// 16-bit little-endian samples shifted right (rows at lineBytes rounded down
// to even), packed groups keep bytes 0 and 2. Empty for a type not accepted.
inline std::vector<uint8_t> referenceNormalise(const TavImage& input) {
    const InputType* type = findInputType(input.pixelType);
    if (type == nullptr) return {};
    const int h = input.height, w = input.width;
    std::vector<uint8_t> frame(static_cast<size_t>(h) * w);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            uint8_t v = 0;
            switch (type->storage) {
                case Storage::Bits8:
                    v = input.data[static_cast<size_t>(r) * input.lineBytes + c];
                    break;
                case Storage::Bits16: {
                    const uint8_t* p = input.data + static_cast<size_t>(r) * (input.lineBytes & ~1) + 2 * c;
                    v = static_cast<uint8_t>((p[0] | (p[1] << 8)) >> type->shift);
                    break;
                }
                case Storage::Packed: {
                    const uint8_t* group = input.data + static_cast<size_t>(r) * input.lineBytes + 3 * (c / 2);
                    v = group[c % 2 == 0 ? 0 : 2];
                    break;
                }
            }
            frame[static_cast<size_t>(r) * w + c] = v;
        }
    }
    return frame;
}

// Grey frame to any of the seven output types; empty for any other type.
inline std::vector<uint8_t> referenceMono8Convert(const std::vector<uint8_t>& grey, int height, int width,
                                                  int64_t outputType) {
    const size_t n = static_cast<size_t>(height) * width;
    std::vector<uint8_t> out;
    switch (outputType) {
        case TAV_PIXEL_MONO8:
            out.assign(grey.begin(), grey.begin() + n);
            break;
        case TAV_PIXEL_RGB8:
        case TAV_PIXEL_BGR8:
        case TAV_PIXEL_RGBA8:
        case TAV_PIXEL_BGRA8: {
            const bool alpha = outputType == TAV_PIXEL_RGBA8 || outputType == TAV_PIXEL_BGRA8;
            for (size_t i = 0; i < n; ++i) {
                out.insert(out.end(), {grey[i], grey[i], grey[i]});
                if (alpha) out.push_back(0);
            }
            break;
        }
        case TAV_PIXEL_RGB8_PLANAR:
        case TAV_PIXEL_BGR8_PLANAR:
            for (int plane = 0; plane < 3; ++plane) out.insert(out.end(), grey.begin(), grey.begin() + n);
            break;
        default:
            break;
    }
    return out;
}

// The seven output codes.
inline const std::vector<int64_t>& outputTypes() {
    static const std::vector<int64_t> types = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8,
                                               TAV_PIXEL_BGRA8,       TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR,
                                               TAV_PIXEL_MONO8};
    return types;
}

// Output bytes per pixel of an output code.
inline int outputBytesPerPixel(int64_t outputType) {
    if (outputType == TAV_PIXEL_MONO8) return 1;
    if (outputType == TAV_PIXEL_RGBA8 || outputType == TAV_PIXEL_BGRA8) return 4;
    return 3;
}

}  // namespace tavref

#endif

// PNG output through libpng: grey or RGB, 8 or 16 bits per sample.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavraw {

struct PngImage {
    int32_t width = 0;
    int32_t height = 0;
    int channels = 3;         // 1 (grey) or 3 (RGB)
    int bitDepth = 8;         // 8 or 16
    int significantBits = 8;  // recorded in the sBIT chunk
    // 8-bit: bytes row-major; 16-bit: native 16-bit values row-major.
    std::vector<uint8_t> samples8;
    std::vector<uint16_t> samples16;
};

// Encodes the image and writes it atomically (temporary name, then rename).
void writePng(const std::string& path, const PngImage& image);

}  // namespace tavraw

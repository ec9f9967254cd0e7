// Raw frame files: geometry and size checks, reading, sample decoding and
// encoding, and writes that never leave a half-written file behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixel_formats.h"

namespace tavraw {

// Size and layout of one raw frame in a file.
struct FrameGeometry {
    const PixelFormat* format = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t lineBytes = 0;  // bytes from one row to the next

    int64_t frameBytes() const { return static_cast<int64_t>(lineBytes) * height; }
    int64_t pixels() const { return static_cast<int64_t>(width) * height; }
};

// Builds a geometry from user input; lineBytes <= 0 means tightly packed rows.
// Usage error for rows too short for the format or frames too large to handle.
FrameGeometry makeGeometry(const PixelFormat& format, int32_t width, int32_t height,
                           int32_t lineBytes);

std::vector<uint8_t> readFile(const std::string& path);
// Reads a frame file and checks that its size is exactly one frame.
std::vector<uint8_t> readFrameFile(const std::string& path, const FrameGeometry& geometry);

// Writes to a temporary name beside `path`, then renames it into place.
void writeFileAtomic(const std::string& path, const uint8_t* data, size_t size);
inline void writeFileAtomic(const std::string& path, const std::vector<uint8_t>& data) {
    writeFileAtomic(path, data.data(), data.size());
}

// Full-precision samples of a frame, row-major without padding.
std::vector<uint16_t> decodeSamples(const std::vector<uint8_t>& raw, const FrameGeometry& geometry);
// The inverse: samples (taken modulo the format's depth) to the file layout;
// row padding is zero.
std::vector<uint8_t> encodeSamples(const std::vector<uint16_t>& samples,
                                   const FrameGeometry& geometry);

std::string describeGeometry(const FrameGeometry& geometry);
bool isDirectory(const std::string& path);
void makeDirectory(const std::string& path);
std::string baseName(const std::string& path);
std::string replaceExtension(const std::string& path, const std::string& extension);

}  // namespace tavraw

// Raw frame files: geometry and size checks, reading, sample decoding and
// encoding. Writing goes through output_file.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output_file.h"
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
// Usage error for rows too short for the format, odd row lengths of 16-bit
// storage, or frames too large to handle.
FrameGeometry makeGeometry(const PixelFormat& format, int32_t width, int32_t height,
                           int32_t lineBytes);

// Whole file; "-" reads standard input to its end. Anything but a regular
// file (a FIFO, a device, a folder) is refused before it is opened, so that
// the tool never blocks on it.
std::vector<uint8_t> readFile(const std::string& path);
// Reads a frame file and checks that its size is exactly one frame.
std::vector<uint8_t> readFrameFile(const std::string& path, const FrameGeometry& geometry);

// Full-precision samples of a frame, row-major without padding.
std::vector<uint16_t> decodeSamples(const std::vector<uint8_t>& raw, const FrameGeometry& geometry);
// The inverse: samples (taken modulo the format's depth) to the file layout;
// row padding is zero.
std::vector<uint8_t> encodeSamples(const std::vector<uint16_t>& samples,
                                   const FrameGeometry& geometry);

// Samples whose value does not fit the format's depth (only 16-bit storage
// of a depth below 16 can hold such samples).
int64_t countSamplesAboveRange(const std::vector<uint8_t>& raw, const FrameGeometry& geometry);

// Warns once on stderr ("tavraw <command>: warning: <what>: N samples exceed
// B bits"), or with `strict` fails with that message, when a frame holds
// samples above its format's range.
void checkSampleRange(const std::string& command, const std::string& what, const std::vector<uint8_t>& raw,
                      const FrameGeometry& geometry, bool strict);

std::string describeGeometry(const FrameGeometry& geometry);
bool isDirectory(const std::string& path);
// Creates the folder and any missing parents; fails when a part of the path
// exists and is not a folder.
void makeDirectory(const std::string& path);
std::string baseName(const std::string& path);
std::string replaceExtension(const std::string& path, const std::string& extension);

}  // namespace tavraw

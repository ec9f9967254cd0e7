// Reads a PNG back for the tool tests: any 8- or 16-bit grey or RGB file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngPixels {
    bool ok = false;
    uint32_t width = 0;
    uint32_t height = 0;
    int channels = 0;
    int bitDepth = 0;
    int significantBits = 0;       // from sBIT, or bitDepth
    std::vector<uint16_t> samples; // row-major, channels per pixel
};

PngPixels readPng(const std::string& path);

// Synthetic test scenes and their raw sensor frames: colour bars, a grey
// ramp and fine detail, optionally darkened towards the corners like a real
// lens, mosaicked in any Bayer order and stored in any raw format.
#pragma once

#include <cstdint>
#include <vector>

#include "raw_io.h"

namespace tavraw {

struct ChartOptions {
    double vignetting = 0.0;  // brightness lost at the far corners, 0..1
    double darkLevel = 0.0;   // added to every sample, on the format's scale
    double gain = 1.0;        // scales the scene (1.0: white reaches 90% of full scale)
    bool flat = false;        // uniform grey instead of the chart
    uint32_t noiseSeed = 0;   // 0: no noise; else +-1.5% of full scale pseudo-random
    // The sensor's colour: each site records response[c] x (crosstalk x scene)[c],
    // crosstalk row-major (light of one colour reaching the others' sites).
    double response[3] = {1.0, 1.0, 1.0};
    double crosstalk[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

// Scene colour at (x, y) in a frame of width x height, each channel 0..1.
void chartColour(int32_t x, int32_t y, int32_t width, int32_t height, double rgb[3]);

// Full-precision samples (row-major, no padding) of the chart as the sensor of
// the geometry's format would see it.
std::vector<uint16_t> chartSamples(const FrameGeometry& geometry, const ChartOptions& options);

// The same, already in the geometry's file layout.
std::vector<uint8_t> chartFrame(const FrameGeometry& geometry, const ChartOptions& options);

}  // namespace tavraw

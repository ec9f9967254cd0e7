#include "test_chart.h"

#include <cmath>

namespace tavraw {

namespace {

// Colour bars: white, yellow, cyan, green, magenta, red, blue, black.
const double kBars[8][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0},
                            {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};

// Colour (0 R, 1 G, 2 B) that the sensor sees at (x, y) for a Bayer order;
// the order names the first two sites of row 0.
int siteColour(const char* order, int32_t x, int32_t y) {
    auto colourOf = [](char c) { return c == 'R' ? 0 : (c == 'G' ? 1 : 2); };
    int first = colourOf(order[0]);
    int second = colourOf(order[1]);
    if (y % 2 == 0) return x % 2 == 0 ? first : second;
    // Odd rows hold the other two colours in swapped positions.
    return x % 2 == 0 ? 2 - second : 2 - first;
}

// Small deterministic generator, enough for sensor-like noise.
uint32_t nextRandom(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}  // namespace

void chartColour(int32_t x, int32_t y, int32_t width, int32_t height, double rgb[3]) {
    const double u = (x + 0.5) / width;
    const double v = (y + 0.5) / height;
    if (v < 0.5) {  // top half: colour bars
        const double* bar = kBars[static_cast<int>(u * 8) & 7];
        for (int c = 0; c < 3; ++c) rgb[c] = bar[c];
        return;
    }
    if (v < 0.625) {  // grey ramp
        for (int c = 0; c < 3; ++c) rgb[c] = u;
        return;
    }
    if (u < 0.5) {  // line pairs of 1, 2 and 4 pixels, vertical then horizontal
        int period = v < 0.75 ? 2 : (v < 0.875 ? 4 : 8);
        bool on = u < 0.25 ? (x % period) < period / 2 : (y % period) < period / 2;
        for (int c = 0; c < 3; ++c) rgb[c] = on ? 1.0 : 0.0;
        return;
    }
    // Zone plate: rings whose frequency rises towards the edge.
    const double cx = (u - 0.75) * width;
    const double cy = (v - 0.8125) * height;
    const double r2 = cx * cx + cy * cy;
    const double value = 0.5 + 0.5 * std::cos(r2 * 3.14159265358979 / (0.5 * width));
    rgb[0] = value;
    rgb[1] = value;
    rgb[2] = 1.0 - value * 0.5;
}

std::vector<uint16_t> chartSamples(const FrameGeometry& g, const ChartOptions& options) {
    const double fullScale = (1 << g.format->bits) - 1;
    const double white = 0.9 * fullScale * options.gain;
    const double cx = (g.width - 1) / 2.0;
    const double cy = (g.height - 1) / 2.0;
    const double cornerDistance2 = cx * cx + cy * cy > 0 ? cx * cx + cy * cy : 1.0;
    uint32_t random = options.noiseSeed;
    std::vector<uint16_t> samples(static_cast<size_t>(g.pixels()));
    for (int32_t y = 0; y < g.height; ++y) {
        for (int32_t x = 0; x < g.width; ++x) {
            double rgb[3] = {0.5, 0.5, 0.5};
            if (!options.flat) chartColour(x, y, g.width, g.height, rgb);
            int colour = g.format->order ? siteColour(g.format->order, x, y) : -1;
            double seen[3];
            for (int c = 0; c < 3; ++c) {
                const double* row = options.crosstalk + 3 * c;
                seen[c] = options.response[c] * (row[0] * rgb[0] + row[1] * rgb[1] + row[2] * rgb[2]);
            }
            double scene = colour < 0 ? 0.299 * seen[0] + 0.587 * seen[1] + 0.114 * seen[2] : seen[colour];
            double d2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / cornerDistance2;
            double light = 1.0 - options.vignetting * d2;
            double value = options.darkLevel + scene * white * light;
            if (options.noiseSeed != 0) {
                value += ((nextRandom(random) % 2001) / 1000.0 - 1.0) * 0.015 * fullScale;
            }
            value = value < 0 ? 0 : (value > fullScale ? fullScale : value);
            samples[static_cast<size_t>(y) * g.width + x] = static_cast<uint16_t>(value + 0.5);
        }
    }
    return samples;
}

std::vector<uint8_t> chartFrame(const FrameGeometry& geometry, const ChartOptions& options) {
    return encodeSamples(chartSamples(geometry, options), geometry);
}

}  // namespace tavraw

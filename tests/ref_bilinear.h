// Plain reference of bilinear demosaicing: every pixel straight from the
// interpolation rule on the mirror-extended frame.
#ifndef TAV_REF_BILINEAR_H
#define TAV_REF_BILINEAR_H

#include <cstdint>
#include <vector>

#include "test_support.h"

namespace refbilinear {

// Where the red samples of a Bayer order sit (row parity, column parity).
struct Phase {
    int redRow;
    int redCol;
    const char* name;
};

const Phase kRG = {0, 0, "RG"};
const Phase kGR = {0, 1, "GR"};
const Phase kGB = {1, 0, "GB"};
const Phase kBG = {1, 1, "BG"};

// Red, green and blue value of every pixel, row-major.
struct Rgb {
    std::vector<uint8_t> r, g, b;
};

inline Rgb demosaic(const std::vector<uint8_t>& frame, int h, int w, Phase phase) {
    auto S = [&](int y, int x) -> int {
        return frame[tavtest::mirror(y, h) * w + tavtest::mirror(x, w)];
    };
    Rgb out;
    out.r.resize(size_t(h) * w);
    out.g.resize(size_t(h) * w);
    out.b.resize(size_t(h) * w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool redRow = (y & 1) == phase.redRow;
            const bool redCol = (x & 1) == phase.redCol;
            const int cross = (S(y - 1, x) + S(y + 1, x) + S(y, x - 1) + S(y, x + 1)) >> 2;
            const int diag =
                (S(y - 1, x - 1) + S(y - 1, x + 1) + S(y + 1, x - 1) + S(y + 1, x + 1)) >> 2;
            const int horiz = (S(y, x - 1) + S(y, x + 1)) >> 1;
            const int vert = (S(y - 1, x) + S(y + 1, x)) >> 1;
            int r, g, b;
            if (redRow && redCol) {
                r = S(y, x), g = cross, b = diag;
            } else if (!redRow && !redCol) {
                b = S(y, x), g = cross, r = diag;
            } else if (redRow) {
                g = S(y, x), r = horiz, b = vert;
            } else {
                g = S(y, x), b = horiz, r = vert;
            }
            const size_t i = size_t(y) * w + x;
            out.r[i] = uint8_t(r);
            out.g[i] = uint8_t(g);
            out.b[i] = uint8_t(b);
        }
    }
    return out;
}

// Interleaved B, G, R (and 0 when bytesPerPixel is 4).
inline std::vector<uint8_t> interleaved(const Rgb& c, int bytesPerPixel) {
    std::vector<uint8_t> out(c.r.size() * bytesPerPixel);
    for (size_t i = 0; i < c.r.size(); ++i) {
        out[i * bytesPerPixel + 0] = c.b[i];
        out[i * bytesPerPixel + 1] = c.g[i];
        out[i * bytesPerPixel + 2] = c.r[i];
        if (bytesPerPixel == 4) out[i * 4 + 3] = 0;
    }
    return out;
}

inline std::vector<uint8_t> grey(const Rgb& c, const int32_t weights[3]) {
    std::vector<uint8_t> out(c.r.size());
    for (size_t i = 0; i < c.r.size(); ++i)
        out[i] = uint8_t((int64_t(weights[0]) * c.r[i] + int64_t(weights[1]) * c.g[i] +
                          int64_t(weights[2]) * c.b[i] + 128) >> 8);
    return out;
}

}  // namespace refbilinear

#endif

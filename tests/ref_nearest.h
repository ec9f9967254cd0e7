// Plain per-pixel reference of nearest-neighbour demosaicing.
//
// Each pixel keeps its own sample and takes each missing colour from the 2x2
// window of its own row and the row above, its own column and the column to
// its left; the row above row 0 and the column left of column 0 are read
// mirrored (row 1, column 1). Of two greens in the window the one in the
// pixel's own row is used, except at a red site in column 0 below row 0,
// which takes the green above it.
#ifndef TAV_TEST_REF_NEAREST_H
#define TAV_TEST_REF_NEAREST_H

#include <cstdint>
#include <vector>

#include "tav_types.h"
#include "test_support.h"

namespace nearestref {

// Phase of the kernel family: RG = R G / G B, GB = G B / R G.
enum class Phase { RG, GB };
enum class Colour { Red, Green, Blue };
// Output kinds; Planar gives plane 0 (red position), 1, 2 one after another.
enum class Kind { Bgr8, Bgra8, Planar, Mono8 };

struct Rgb {
    uint8_t r, g, b;
};

inline Colour siteColour(Phase phase, int y, int x) {
    const bool redGreenRow = (y % 2 == 0) == (phase == Phase::RG);
    if (redGreenRow) return x % 2 == 0 ? Colour::Red : Colour::Green;
    return x % 2 == 0 ? Colour::Green : Colour::Blue;
}

// The three samples of pixel (y, x): R, G, B in the kernel's own phase.
inline Rgb selectNearest(const uint8_t* frame, int height, int width, Phase phase, int y, int x) {
    const int up = tavtest::mirror(y - 1, height);
    const int left = tavtest::mirror(x - 1, width);
    auto at = [&](int row, int col) { return frame[row * width + col]; };
    // The window, own row first so that its green wins.
    const int rows[4] = {y, y, up, up};
    const int cols[4] = {x, left, x, left};
    int found[3] = {-1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        const int c = static_cast<int>(siteColour(phase, rows[i], cols[i]));
        if (found[c] < 0) found[c] = i;
    }
    Rgb rgb = {at(rows[found[0]], cols[found[0]]), at(rows[found[1]], cols[found[1]]),
               at(rows[found[2]], cols[found[2]])};
    if (siteColour(phase, y, x) == Colour::Red && x == 0 && y > 0) rgb.g = at(y - 1, 0);
    return rgb;
}

inline uint8_t luma(uint8_t r, uint8_t g, uint8_t b, uint32_t redWeight, uint32_t blueWeight) {
    return static_cast<uint8_t>((redWeight * r + 150u * g + blueWeight * b + 128u) >> 8);
}

inline size_t outputSize(Kind kind, int height, int width) {
    const size_t n = static_cast<size_t>(height) * width;
    switch (kind) {
        case Kind::Bgr8: return 3 * n;
        case Kind::Bgra8: return 4 * n;
        case Kind::Planar: return 3 * n;
        case Kind::Mono8: return n;
    }
    return 0;
}

// What a kernel of the given phase and kind writes; the order flag (any
// nonzero value) puts the red-position colour first and swaps the weights.
inline std::vector<uint8_t> referenceNearest(const std::vector<uint8_t>& frame, int height, int width,
                                             Phase phase, Kind kind, uint32_t orderFlag) {
    const size_t n = static_cast<size_t>(height) * width;
    std::vector<uint8_t> out(outputSize(kind, height, width));
    const bool set = orderFlag != 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb p = selectNearest(frame.data(), height, width, phase, y, x);
            const size_t i = static_cast<size_t>(y) * width + x;
            const uint8_t first = set ? p.r : p.b;
            const uint8_t third = set ? p.b : p.r;
            switch (kind) {
                case Kind::Bgr8:
                    out[3 * i] = first, out[3 * i + 1] = p.g, out[3 * i + 2] = third;
                    break;
                case Kind::Bgra8:
                    out[4 * i] = first, out[4 * i + 1] = p.g, out[4 * i + 2] = third, out[4 * i + 3] = 0;
                    break;
                case Kind::Planar:
                    out[i] = p.r, out[n + i] = p.g, out[2 * n + i] = p.b;
                    break;
                case Kind::Mono8:
                    out[i] = set ? luma(p.r, p.g, p.b, 29, 77) : luma(p.r, p.g, p.b, 77, 29);
                    break;
            }
        }
    }
    return out;
}

// What nearest demosaicing of a whole Bayer frame gives in the true colours
// of its order: BG frames are the RG rule with red and blue exchanged, GR
// frames the GB rule likewise. outputType is one of the seven output codes.
inline std::vector<uint8_t> referenceNearestFrame(const std::vector<uint8_t>& frame, int height, int width,
                                                  int32_t bayerType, int64_t outputType) {
    const bool rgRule = bayerType == TAV_PIXEL_BAYER_RG8 || bayerType == TAV_PIXEL_BAYER_BG8;
    const bool exchanged = bayerType == TAV_PIXEL_BAYER_BG8 || bayerType == TAV_PIXEL_BAYER_GR8;
    std::vector<uint8_t> out;
    std::vector<uint8_t> planes[3];  // R, G, B
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb p = selectNearest(frame.data(), height, width, rgRule ? Phase::RG : Phase::GB, y, x);
            const uint8_t r = exchanged ? p.b : p.r, g = p.g, b = exchanged ? p.r : p.b;
            switch (outputType) {
                case TAV_PIXEL_RGB8: out.insert(out.end(), {r, g, b}); break;
                case TAV_PIXEL_BGR8: out.insert(out.end(), {b, g, r}); break;
                case TAV_PIXEL_RGBA8: out.insert(out.end(), {r, g, b, 0}); break;
                case TAV_PIXEL_BGRA8: out.insert(out.end(), {b, g, r, 0}); break;
                case TAV_PIXEL_MONO8: out.push_back(luma(r, g, b, 77, 29)); break;
                case TAV_PIXEL_RGB8_PLANAR:
                case TAV_PIXEL_BGR8_PLANAR:
                    planes[0].push_back(r), planes[1].push_back(g), planes[2].push_back(b);
                    break;
                default: break;
            }
        }
    }
    if (outputType == TAV_PIXEL_RGB8_PLANAR || outputType == TAV_PIXEL_BGR8_PLANAR) {
        const int order[2][3] = {{0, 1, 2}, {2, 1, 0}};
        for (int plane : order[outputType == TAV_PIXEL_BGR8_PLANAR]) {
            out.insert(out.end(), planes[plane].begin(), planes[plane].end());
        }
    }
    return out;
}

}  // namespace nearestref

#endif

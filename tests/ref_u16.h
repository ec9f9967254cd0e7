// Plain per-pixel references for 16-bit demosaicing: the bilinear
// neighbour-set rule over RGGB frames, and the two edge-directed passes over
// a whole frame with mirrored borders plus the documented border cases.
// Outputs are R,G,B per pixel (index 3 * pixel + colour).
#ifndef TAV_TESTS_REF_U16_H
#define TAV_TESTS_REF_U16_H

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "test_support.h"

namespace refu16 {

enum Colour { kRed = 0, kGreen = 1, kBlue = 2 };

// ---- bilinear, RGGB ----

inline Colour rggbColour(int r, int c) {
    if (r % 2 == 0) return c % 2 == 0 ? kRed : kGreen;
    return c % 2 == 0 ? kGreen : kBlue;
}

inline std::vector<uint16_t> bilinear(const std::vector<uint16_t>& src, int h, int w) {
    struct Offset {
        int dy, dx;
    };
    const std::vector<Offset> cross = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    const std::vector<Offset> diagonals = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    const std::vector<Offset> leftRight = {{0, -1}, {0, 1}};
    const std::vector<Offset> upDown = {{-1, 0}, {1, 0}};
    auto inside = [&](int r, int c) { return r >= 0 && r < h && c >= 0 && c < w; };
    std::vector<uint16_t> out(3 * size_t(h) * w);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const Colour site = rggbColour(r, c);
            for (int colour = 0; colour < 3; ++colour) {
                uint32_t value;
                if (colour == site) {
                    value = src[size_t(r) * w + c];
                } else {
                    const std::vector<Offset>* set;
                    if (colour == kGreen) set = &cross;
                    else if (site != kGreen) set = &diagonals;
                    else if (r % 2 == 0) set = colour == kRed ? &leftRight : &upDown;
                    else set = colour == kBlue ? &leftRight : &upDown;
                    uint32_t sum = 0;
                    int present = 0;
                    Offset missing = {0, 0};
                    for (const Offset& o : *set) {
                        if (inside(r + o.dy, c + o.dx)) {
                            sum += src[size_t(r + o.dy) * w + c + o.dx];
                            ++present;
                        } else {
                            missing = o;
                        }
                    }
                    if (present == 4) value = sum >> 2;
                    else if (present == 3) value = (sum + src[size_t(r - missing.dy) * w + c - missing.dx]) >> 2;
                    else if (present == 2) value = sum >> 1;
                    else value = sum;
                }
                out[3 * (size_t(r) * w + c) + colour] = uint16_t(value);
            }
        }
    }
    return out;
}

// ---- edge-directed, any order ----

enum Order { kRG, kGR, kGB, kBG };

inline Colour orderColour(Order order, int r, int c) {
    static const Colour cells[4][4] = {{kRed, kGreen, kGreen, kBlue},
                                       {kGreen, kRed, kBlue, kGreen},
                                       {kGreen, kBlue, kRed, kGreen},
                                       {kBlue, kGreen, kGreen, kRed}};
    return cells[order][(r % 2) * 2 + c % 2];
}

inline std::vector<uint16_t> edge(const std::vector<uint16_t>& src, int h, int w, Order order,
                                  int maximum = 65535) {
    using tavtest::mirror;
    auto S = [&](int r, int c) -> int { return src[size_t(mirror(r, h)) * w + mirror(c, w)]; };
    auto clamp = [&](int v) { return v < 0 ? 0 : v > maximum ? maximum : v; };
    const int o = (order == kGB || order == kBG) ? 1 : 0;
    const int er = (h - 4 - o) & ~1;
    const bool threeLastColumns = ((order == kRG || order == kGB) && w % 2 == 1) ||
                                  ((order == kGR || order == kBG) && w % 2 == 0);

    // Pass 1, keeping the unclamped estimates too.
    std::vector<int> green(size_t(h) * w), estimate(size_t(h) * w);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            if (orderColour(order, r, c) == kGreen) {
                green[size_t(r) * w + c] = estimate[size_t(r) * w + c] = S(r, c);
                continue;
            }
            const int X = S(r, c), N = S(r - 1, c), W = S(r, c - 1), E = S(r, c + 1);
            int Sv = S(r + 1, c), SS = S(r + 2, c), NN = S(r - 2, c);
            int dV, dH;
            bool doubled = false;
            if (((order == kGR && h % 2 == 1) || (order == kBG && h % 2 == 0)) && r == h - 2 && c == 0) {
                Sv = N;
                SS = NN;
            }
            dV = 2 * X - NN - SS;
            dH = 2 * X - S(r, c - 2) - S(r, c + 2);
            if (order == kBG && r == 0 && c == 0) {
                dV = X - SS;
                dH = X - S(r, c + 2);
            }
            const bool twoRowsLeft = (h - 2 - o - er) == 2;
            if (twoRowsLeft && threeLastColumns && r == h - 1 && c == w - 2) doubled = true;
            const int gH = std::abs(W - E) + std::abs(dH);
            const int gV = std::abs(N - Sv) + std::abs(dV);
            int g;
            if (gH >= gV) g = (N + Sv) / 2 + (doubled ? (dV >> 1) : (dV >> 2));
            else g = (W + E) / 2 + (doubled ? ((2 * dH) >> 2) : (dH >> 2));
            estimate[size_t(r) * w + c] = g;
            green[size_t(r) * w + c] = clamp(g);
        }
    }
    auto G = [&](int r, int c) { return green[size_t(mirror(r, h)) * w + mirror(c, w)]; };
    auto D = [&](int r, int c) { return S(r, c) - G(r, c); };

    // Pass 2.
    std::vector<uint16_t> out(3 * size_t(h) * w);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const Colour site = orderColour(order, r, c);
            uint16_t* px = &out[3 * (size_t(r) * w + c)];
            px[kGreen] = uint16_t(G(r, c));
            for (Colour want : {kRed, kBlue}) {
                int v;
                if (site == want) {
                    v = S(r, c);
                } else if (site == kGreen) {
                    // Does this row carry the wanted colour? (Both row neighbours share a colour.)
                    const bool rowHas = orderColour(order, r, c + 1) == want;
                    v = rowHas ? G(r, c) + ((D(r, c - 1) + D(r, c + 1)) >> 1)
                               : G(r, c) + ((D(r - 1, c) + D(r + 1, c)) >> 1);
                } else {
                    v = G(r, c) + ((D(r - 1, c - 1) + D(r - 1, c + 1) + D(r + 1, c - 1) + D(r + 1, c + 1)) >> 2);
                }
                if (want == kRed && threeLastColumns && c == w - 2 && r >= 1 + o && r <= o + er) {
                    v = site == kGreen ? G(r, c) + D(r, w - 3)
                                       : G(r, c) + ((2 * D(r - 1, w - 3) + 2 * D(r + 1, w - 3)) >> 2);
                }
                px[want] = uint16_t(clamp(v));
            }
        }
    }
    if (order == kRG) {
        const int blueDiff = S(1, 1) - estimate[size_t(1) * w + 1];
        out[3 * 0 + kBlue] = uint16_t(clamp(estimate[0] + blueDiff));
        out[3 * 1 + kBlue] = uint16_t(clamp(S(0, 1) + blueDiff));
        out[3 * size_t(w) + kBlue] = uint16_t(clamp(S(1, 0) + blueDiff));
    }
    return out;
}

}  // namespace refu16

#endif

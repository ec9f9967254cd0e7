// Plain reference of the edge-directed demosaicing: the whole green plane
// first, then red and blue from colour differences, every neighbour read
// through mirror reflection. Deliberately slow and direct.
#ifndef TAV_REF_EDGE_H
#define TAV_REF_EDGE_H

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "test_support.h"

namespace tavtest {

// Floor of a / d for d > 0 (what an arithmetic shift computes).
inline int floorDiv(int a, int d) { return a >= 0 ? a / d : -((-a + d - 1) / d); }
inline int clamp8(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

struct EdgeReference {
    int height = 0, width = 0;
    std::vector<uint8_t> red, green, blue;  // "red" = colour at the red position

    int index(int y, int x) const { return y * width + x; }
    // Interleaved 3 or 4 bytes per pixel; redFirst puts red in byte 0.
    std::vector<uint8_t> interleaved(int bytes, bool redFirst) const {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < red.size(); ++i) {
            out.push_back(redFirst ? red[i] : blue[i]);
            out.push_back(green[i]);
            out.push_back(redFirst ? blue[i] : red[i]);
            if (bytes == 4) out.push_back(0);
        }
        return out;
    }
    std::vector<uint8_t> luma(bool flag) const {
        const int wr = flag ? 29 : 77, wb = flag ? 77 : 29;
        std::vector<uint8_t> out;
        for (size_t i = 0; i < red.size(); ++i) {
            out.push_back(static_cast<uint8_t>((wr * red[i] + 150 * green[i] + wb * blue[i] + 128) / 256));
        }
        return out;
    }
};

// redRowsOdd: false for RG frames (red/green rows even), true for GB frames.
inline EdgeReference edgeReference(const uint8_t* frame, int h, int w, bool redRowsOdd) {
    auto S = [&](int y, int x) { return int(frame[mirror(y, h) * w + mirror(x, w)]); };
    auto isRedRow = [&](int y) { return (mirror(y, h) % 2 == 1) == redRowsOdd; };
    auto isRedSite = [&](int y, int x) { return isRedRow(y) && mirror(x, w) % 2 == 0; };
    auto isBlueSite = [&](int y, int x) { return !isRedRow(y) && mirror(x, w) % 2 == 1; };

    std::vector<int> G(h * w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!isRedSite(y, x) && !isBlueSite(y, x)) {
                G[y * w + x] = S(y, x);
                continue;
            }
            const int X = S(y, x);
            const int dh = 2 * X - S(y, x - 2) - S(y, x + 2);
            const int dv = 2 * X - S(y - 2, x) - S(y + 2, x);
            const int gH = std::abs(S(y, x - 1) - S(y, x + 1)) + std::abs(dh);
            const int gV = std::abs(S(y - 1, x) - S(y + 1, x)) + std::abs(dv);
            const int g = gH < gV ? floorDiv(S(y, x - 1) + S(y, x + 1), 2) + floorDiv(dh, 4)
                                  : floorDiv(S(y - 1, x) + S(y + 1, x), 2) + floorDiv(dv, 4);
            G[y * w + x] = clamp8(g);
        }
    }
    auto Gm = [&](int y, int x) { return G[mirror(y, h) * w + mirror(x, w)]; };
    auto D = [&](int y, int x) { return S(y, x) - Gm(y, x); };

    EdgeReference ref;
    ref.height = h;
    ref.width = w;
    ref.red.resize(h * w);
    ref.green.resize(h * w);
    ref.blue.resize(h * w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int g = Gm(y, x);
            int r, b;
            const int diag = D(y - 1, x - 1) + D(y - 1, x + 1) + D(y + 1, x - 1) + D(y + 1, x + 1);
            if (isRedSite(y, x)) {
                r = S(y, x);
                b = clamp8(g + floorDiv(diag, 4));
            } else if (isBlueSite(y, x)) {
                b = S(y, x);
                r = clamp8(g + floorDiv(diag, 4));
            } else {
                const int side = clamp8(g + floorDiv(D(y, x - 1) + D(y, x + 1), 2));
                const int vert = clamp8(g + floorDiv(D(y - 1, x) + D(y + 1, x), 2));
                if (isRedRow(y)) {
                    r = side;
                    b = vert;
                } else {
                    b = side;
                    r = vert;
                }
            }
            ref.red[y * w + x] = static_cast<uint8_t>(r);
            ref.green[y * w + x] = static_cast<uint8_t>(g);
            ref.blue[y * w + x] = static_cast<uint8_t>(b);
        }
    }
    return ref;
}

}  // namespace tavtest

#endif

// Plain reference of the high-quality demosaicing (method 3), straight from
// the rule in tav_demosaic.h: whole-frame planes one step after another,
// every neighbour read through mirror reflection, wide arithmetic. Written
// over the sample type: 8-bit mosaics with M = 255, the pipeline's 14-bit
// linear samples with M = 16383, and real numbers for the floating-point
// model, where the rounding shifts become exact divisions.
#ifndef TAV_REF_HQ_H
#define TAV_REF_HQ_H

#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "test_support.h"

namespace tavtest {

// Where the red site of the 2x2 tile lies; blue is the opposite corner.
struct BayerPhase {
    int redRow, redColumn;
};
constexpr BayerPhase kPhaseRG = {0, 0}, kPhaseGR = {0, 1}, kPhaseGB = {1, 0}, kPhaseBG = {1, 1};

enum class HqColour { Red, Green, Blue };

inline HqColour hqSiteColour(BayerPhase phase, int y, int x) {
    const bool redRow = y % 2 == phase.redRow, redColumn = x % 2 == phase.redColumn;
    if (redRow && redColumn) return HqColour::Red;
    if (!redRow && !redColumn) return HqColour::Blue;
    return HqColour::Green;
}

// (v + 2^(k-1)) >> k, the shift flooring; real numbers divide exactly.
inline int64_t hqRoundShift(int64_t v, int k) {
    const int64_t d = int64_t(1) << k, a = v + d / 2;
    return a >= 0 ? a / d : -((-a + d - 1) / d);
}
inline double hqRoundShift(double v, int k) { return v / double(int64_t(1) << k); }

template <class T>
struct HqPlanes {
    int height = 0, width = 0;
    std::vector<T> red, green, blue;  // true colours, 0..M
};

template <class T>
HqPlanes<T> hqReference(const T* mosaic, int h, int w, BayerPhase phase, T maxValue) {
    // Integers are worked in 64 bits, so no sum of the rule can overflow.
    using W = typename std::conditional<std::is_integral<T>::value, int64_t, T>::type;
    const W M = W(maxValue);
    auto clampM = [&](W v) { return v < W(0) ? W(0) : v > M ? M : v; };
    auto absolute = [](W v) { return v < W(0) ? -v : v; };
    auto colourAt = [&](int y, int x) { return hqSiteColour(phase, mirror(y, h), mirror(x, w)); };

    struct Plane {
        int h, w;
        std::vector<W> v;
        W& set(int y, int x) { return v[size_t(y) * w + x]; }
        W operator()(int y, int x) const { return v[size_t(mirror(y, h)) * w + mirror(x, w)]; }
    };
    auto newPlane = [&] { return Plane{h, w, std::vector<W>(size_t(h) * w)}; };

    Plane P = newPlane();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) P.set(y, x) = W(mosaic[size_t(y) * w + x]);
    }

    // 1. Colour differences 16 x (G - C) along the row and along the column.
    Plane dH = newPlane(), dV = newPlane();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const W eH = 9 * (P(y, x - 1) + P(y, x + 1)) - P(y, x - 3) - P(y, x + 3) + 2 * P(y, x) -
                         P(y, x - 2) - P(y, x + 2);
            const W eV = 9 * (P(y - 1, x) + P(y + 1, x)) - P(y - 3, x) - P(y + 3, x) + 2 * P(y, x) -
                         P(y - 2, x) - P(y + 2, x);
            const bool green = colourAt(y, x) == HqColour::Green;
            dH.set(y, x) = green ? 16 * P(y, x) - eH : eH - 16 * P(y, x);
            dV.set(y, x) = green ? 16 * P(y, x) - eV : eV - 16 * P(y, x);
        }
    }

    // 2. Their gradients.
    Plane gH = newPlane(), gV = newPlane();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            gH.set(y, x) = absolute(dH(y, x - 1) - dH(y, x + 1));
            gV.set(y, x) = absolute(dV(y - 1, x) - dV(y + 1, x));
        }
    }

    // 3. Green everywhere.
    Plane G = newPlane();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (colourAt(y, x) == HqColour::Green) {
                G.set(y, x) = P(y, x);
                continue;
            }
            W DH = 0, DV = 0;
            for (int j = -2; j <= 2; ++j) {
                for (int i = -2; i <= 2; ++i) DH += gH(y + j, x + i), DV += gV(y + j, x + i);
            }
            const W sH = dH(y, x - 1) + 2 * dH(y, x) + dH(y, x + 1);
            const W sV = dV(y - 1, x) + 2 * dV(y, x) + dV(y + 1, x);
            const W s = 9 * DH < 8 * DV ? 2 * sH : 9 * DV < 8 * DH ? 2 * sV : sH + sV;
            G.set(y, x) = clampM(P(y, x) + hqRoundShift(s, 7));
        }
    }

    // 4. Red and blue from D = P - G at the sites of each colour.
    Plane D = newPlane();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) D.set(y, x) = P(y, x) - G(y, x);
    }
    // D of colour C at (y, x): mirroring keeps the parity, so it never lands
    // on another colour; a reference that did would be wrong.
    auto Dof = [&](HqColour c, int y, int x) {
        if (colourAt(y, x) != c) std::abort();
        return D(y, x);
    };
    auto colourAtSite = [&](HqColour c, int y, int x) -> W {
        const HqColour site = colourAt(y, x);
        if (site == c) return P(y, x);
        const W g = G(y, x);
        if (site == HqColour::Green) {
            const bool fromRow = colourAt(y, x + 1) == c;
            const int dy = fromRow ? 0 : 1, dx = fromRow ? 1 : 0;
            const W sum = 9 * (Dof(c, y - dy, x - dx) + Dof(c, y + dy, x + dx)) - Dof(c, y - 3 * dy, x - 3 * dx) -
                          Dof(c, y + 3 * dy, x + 3 * dx);
            return clampM(g + hqRoundShift(sum, 4));
        }
        // The other colour's site: C on the four diagonals. Offsets are
        // (dx, dy) as the rule writes them.
        auto Gd = [&](int dx, int dy) { return G(y + dy, x + dx); };
        auto Dd = [&](int dx, int dy) { return Dof(c, y + dy, x + dx); };
        const W g1 = absolute(Gd(-1, -1) - Gd(1, 1)) + absolute(Dd(-1, -1) - Dd(1, 1)) +
                     absolute(2 * g - Gd(-2, -2) - Gd(2, 2));
        const W g2 = absolute(Gd(1, -1) - Gd(-1, 1)) + absolute(Dd(1, -1) - Dd(-1, 1)) +
                     absolute(2 * g - Gd(2, -2) - Gd(-2, 2));
        W sum;
        if (2 * g1 < g2) {
            sum = 4 * (9 * (Dd(-1, -1) + Dd(1, 1)) - Dd(-3, -3) - Dd(3, 3));
        } else if (2 * g2 < g1) {
            sum = 4 * (9 * (Dd(1, -1) + Dd(-1, 1)) - Dd(3, -3) - Dd(-3, 3));
        } else {
            const W S4 = Dd(-1, -1) + Dd(1, -1) + Dd(-1, 1) + Dd(1, 1);
            const W S8 = Dd(-1, -3) + Dd(1, -3) + Dd(-1, 3) + Dd(1, 3) + Dd(-3, -1) + Dd(3, -1) + Dd(-3, 1) +
                         Dd(3, 1);
            sum = 22 * S4 - 3 * S8;
        }
        return clampM(g + hqRoundShift(sum, 6));
    };

    HqPlanes<T> out;
    out.height = h, out.width = w;
    const size_t n = size_t(h) * w;
    out.red.resize(n), out.green.resize(n), out.blue.resize(n);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            out.red[i] = T(colourAtSite(HqColour::Red, y, x));
            out.green[i] = T(G(y, x));
            out.blue[i] = T(colourAtSite(HqColour::Blue, y, x));
        }
    }
    return out;
}

}  // namespace tavtest

#endif

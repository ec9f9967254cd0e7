// High-quality demosaicing prototype: the plain per-pixel rule, for 8-bit or
// 16-bit Bayer mosaics in any of the four phases. Integer arithmetic only;
// every shift is arithmetic (floors) after adding half, so results are the
// same on every instruction set. No division, no table, no library call.
//
// Notation. P is the mosaic, read with mirrored indices (-1 reads 1, -2 reads
// 2, n reads n-2, n+1 reads n-3; this keeps the Bayer phase). C is the colour
// sampled at a red or blue site. Every derived plane below is computed for
// the whole frame and read by the next step with the same mirrored indices.
// M is the largest sample value (255, or 2^bits - 1).
//
// 1. Directional colour differences, at every site (windows 1x7 and 7x1),
//    scaled by 16 and exact. Along the row:
//      e  = 9(P[x-1] + P[x+1]) - P[x-3] - P[x+3] + 2P - P[x-2] - P[x+2]
//    is 16 x the other colour (cubic interpolation of the neighbours plus a
//    quarter of the usual second-difference correction), and
//      dH = e - 16P at a red or blue site, 16P - e at a green site
//    is 16(G - C), C being the row's non-green colour. dV likewise along the column.
// 2. Gradients of the differences, at every site:
//      gH = |dH[x-1] - dH[x+1]|,  gV = |dV[y-1] - dV[y+1]|.
// 3. Green at a red or blue site (green sites keep P):
//      DH = sum of gH over the 5x5 window around the site, DV likewise
//      sH = dH[x-1] + 2dH + dH[x+1]      (64 x the smoothed difference; sV likewise)
//      s  = 2sH if 9DH < 8DV, 2sV if 9DV < 8DH, else sH + sV      (128 x the difference)
//      G  = clamp(P + ((s + 64) >> 7), 0, M)
// 4. Red and blue. D = P - G at the sites of each colour (1 x the difference).
//    a. At a green site whose row holds C (horizontal neighbours are C):
//         c = 9(D[x-1] + D[x+1]) - D[x-3] - D[x+3];   C = clamp(G + ((c + 8) >> 4), 0, M)
//       and along the column when the column holds C.
//    b. At a site of the other colour (C on the four diagonals):
//         g1 = |G(-1,-1) - G(1,1)| + |D(-1,-1) - D(1,1)| + |2G - G(-2,-2) - G(2,2)|
//         g2 = the same on the anti-diagonal (-1,1), (1,-1), (-2,2), (2,-2)
//         if 2g1 < g2:  c = 4(9(D(-1,-1) + D(1,1)) - D(-3,-3) - D(3,3))
//         if 2g2 < g1:  c = 4(9(D(-1,1) + D(1,-1)) - D(-3,3) - D(3,-3))
//         otherwise:    c = 22 S4 - 3 S8, where S4 is the sum of D at the four
//                       diagonal neighbours and S8 at (+-1,+-3) and (+-3,+-1)
//         C = clamp(G + ((c + 32) >> 6), 0, M)      (c is 64 x the difference)
//
// Reach: green needs P within 6 rows and columns, red and blue need green
// within 3 and so P within 9. Frames must be at least 4x4 (each step reads
// at most 3 beyond an edge).
//
// Ranges: |dH| <= 20M and DH <= 1000M, so 9 x DH, the largest intermediate,
// stays below 2^30 for 16-bit samples. For 8-bit samples dH, gH, sH and D fit
// in 16 bits; the 5x5 sums (up to 255000) and 2sH (up to 40800) do not.
#ifndef TAV_BENCH_HQ_RULE_H
#define TAV_BENCH_HQ_RULE_H

#include <stddef.h>
#include <stdint.h>

namespace hq {

inline int absInt(int v) { return v < 0 ? -v : v; }
inline int clampTo(int v, int maxValue) { return v < 0 ? 0 : (v > maxValue ? maxValue : v); }
inline int mirror(int i, int n) { return i < 0 ? -i : (i >= n ? 2 * (n - 1) - i : i); }

// Parity of the red site's column and row: RG (0,0), GR (1,0), GB (0,1), BG (1,1).
struct Phase {
    int redColumn, redRow;
};

enum SiteColour { kRed = 0, kGreen = 1, kBlue = 2 };

inline SiteColour siteColour(Phase p, int x, int y) {
    const bool redColumn = (x & 1) == p.redColumn, redRow = (y & 1) == p.redRow;
    if (redColumn && redRow) return kRed;
    if (!redColumn && !redRow) return kBlue;
    return kGreen;
}

// A read-only plane with mirrored indices.
template <class T>
struct Plane {
    const T* data;
    int width, height;
    int at(int x, int y) const {
        return (int)data[(size_t)mirror(y, height) * (size_t)width + (size_t)mirror(x, width)];
    }
};

// Step 1: 16(G - C) along the row (stepX 1) or the column (stepY 1).
template <class T>
inline int directionalDifference(const Plane<T>& p, Phase phase, int x, int y, int stepX, int stepY) {
    const int own = p.at(x, y);
    const int estimate = 9 * (p.at(x - stepX, y - stepY) + p.at(x + stepX, y + stepY)) -
                         p.at(x - 3 * stepX, y - 3 * stepY) - p.at(x + 3 * stepX, y + 3 * stepY) + 2 * own -
                         p.at(x - 2 * stepX, y - 2 * stepY) - p.at(x + 2 * stepX, y + 2 * stepY);
    return siteColour(phase, x, y) == kGreen ? 16 * own - estimate : estimate - 16 * own;
}

// Step 2.
inline int gradient(const Plane<int32_t>& d, int x, int y, int stepX, int stepY) {
    return absInt(d.at(x - stepX, y - stepY) - d.at(x + stepX, y + stepY));
}

// Step 3, at a red or blue site.
template <class T>
inline int greenAt(const Plane<T>& p, const Plane<int32_t>& dH, const Plane<int32_t>& dV,
                   const Plane<int32_t>& gH, const Plane<int32_t>& gV, int x, int y, int maxValue) {
    int sumH = 0, sumV = 0;
    for (int j = -2; j <= 2; ++j) {
        for (int i = -2; i <= 2; ++i) {
            sumH += gH.at(x + i, y + j);
            sumV += gV.at(x + i, y + j);
        }
    }
    const int sH = dH.at(x - 1, y) + 2 * dH.at(x, y) + dH.at(x + 1, y);
    const int sV = dV.at(x, y - 1) + 2 * dV.at(x, y) + dV.at(x, y + 1);
    const int s = 9 * sumH < 8 * sumV ? 2 * sH : (9 * sumV < 8 * sumH ? 2 * sV : sH + sV);
    return clampTo(p.at(x, y) + ((s + 64) >> 7), maxValue);
}

// D = P - G at a site of colour C (the caller reads it only there).
template <class T>
inline int difference(const Plane<T>& p, const Plane<int32_t>& g, int x, int y) {
    return p.at(x, y) - g.at(x, y);
}

// Step 4a: C at a green site from the four C sites along the row (stepX 1)
// or the column (stepY 1).
template <class T>
inline int alongAxis(const Plane<T>& p, const Plane<int32_t>& g, int x, int y, int stepX, int stepY,
                     int maxValue) {
    const int c = 9 * (difference(p, g, x - stepX, y - stepY) + difference(p, g, x + stepX, y + stepY)) -
                  difference(p, g, x - 3 * stepX, y - 3 * stepY) - difference(p, g, x + 3 * stepX, y + 3 * stepY);
    return clampTo(g.at(x, y) + ((c + 8) >> 4), maxValue);
}

// Step 4b: C at a site of the other colour from the diagonals.
template <class T>
inline int acrossDiagonals(const Plane<T>& p, const Plane<int32_t>& g, int x, int y, int maxValue) {
    const int own = g.at(x, y);
    const int dNW = difference(p, g, x - 1, y - 1), dSE = difference(p, g, x + 1, y + 1);
    const int dNE = difference(p, g, x + 1, y - 1), dSW = difference(p, g, x - 1, y + 1);
    const int g1 = absInt(g.at(x - 1, y - 1) - g.at(x + 1, y + 1)) + absInt(dNW - dSE) +
                   absInt(2 * own - g.at(x - 2, y - 2) - g.at(x + 2, y + 2));
    const int g2 = absInt(g.at(x + 1, y - 1) - g.at(x - 1, y + 1)) + absInt(dNE - dSW) +
                   absInt(2 * own - g.at(x + 2, y - 2) - g.at(x - 2, y + 2));
    int c;
    if (2 * g1 < g2) {
        c = 4 * (9 * (dNW + dSE) - difference(p, g, x - 3, y - 3) - difference(p, g, x + 3, y + 3));
    } else if (2 * g2 < g1) {
        c = 4 * (9 * (dNE + dSW) - difference(p, g, x + 3, y - 3) - difference(p, g, x - 3, y + 3));
    } else {
        const int s4 = dNW + dSE + dNE + dSW;
        const int s8 = difference(p, g, x - 1, y - 3) + difference(p, g, x + 1, y - 3) +
                       difference(p, g, x - 1, y + 3) + difference(p, g, x + 1, y + 3) +
                       difference(p, g, x - 3, y - 1) + difference(p, g, x + 3, y - 1) +
                       difference(p, g, x - 3, y + 1) + difference(p, g, x + 3, y + 1);
        c = 22 * s4 - 3 * s8;
    }
    return clampTo(own + ((c + 32) >> 6), maxValue);
}

// Whole frame, step by step. scratch holds 5 * width * height int32 values;
// rgb receives R, G, B per pixel, row by row. Frames must be at least 4x4.
template <class T>
void demosaicFrame(const T* mosaic, int width, int height, Phase phase, int maxValue, T* rgb,
                   int32_t* scratch) {
    const size_t n = (size_t)width * (size_t)height;
    int32_t* dH = scratch;
    int32_t* dV = scratch + n;
    int32_t* gH = scratch + 2 * n;
    int32_t* gV = scratch + 3 * n;
    int32_t* green = scratch + 4 * n;
    const Plane<T> p = {mosaic, width, height};
    const Plane<int32_t> pdH = {dH, width, height}, pdV = {dV, width, height};
    const Plane<int32_t> pgH = {gH, width, height}, pgV = {gV, width, height};
    const Plane<int32_t> pg = {green, width, height};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            dH[(size_t)y * width + x] = directionalDifference(p, phase, x, y, 1, 0);
            dV[(size_t)y * width + x] = directionalDifference(p, phase, x, y, 0, 1);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            gH[(size_t)y * width + x] = gradient(pdH, x, y, 1, 0);
            gV[(size_t)y * width + x] = gradient(pdV, x, y, 0, 1);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            green[(size_t)y * width + x] = siteColour(phase, x, y) == kGreen
                                               ? p.at(x, y)
                                               : greenAt(p, pdH, pdV, pgH, pgV, x, y, maxValue);
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const SiteColour site = siteColour(phase, x, y);
            T* out = rgb + 3 * ((size_t)y * width + x);
            out[1] = (T)green[(size_t)y * width + x];
            for (int colour = kRed; colour <= kBlue; colour += 2) {
                int value;
                if (site == colour) {
                    value = p.at(x, y);
                } else if (site == kGreen) {
                    // The row holds C when the horizontal neighbour is C.
                    const bool rowHolds = siteColour(phase, x + 1, y) == colour;
                    value = rowHolds ? alongAxis(p, pg, x, y, 1, 0, maxValue)
                                     : alongAxis(p, pg, x, y, 0, 1, maxValue);
                } else {
                    value = acrossDiagonals(p, pg, x, y, maxValue);
                }
                out[colour] = (T)value;
            }
        }
    }
}

}  // namespace hq

#endif

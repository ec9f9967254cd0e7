// Stage 5 of the picture pipeline: nearest, bilinear and edge-directed rows.
#include "picture/demosaicRows.h"

#include <stddef.h>

#include "picture/vectorRows.h"
#include "simd/kernelTable.h"

namespace tav {

namespace {

inline int32_t reflect(int32_t i, int32_t n) { return LinearRows::reflect(i, n); }
inline int32_t clampLinear(int32_t v) { return v < 0 ? 0 : (v > kLinearMax ? kLinearMax : v); }
inline int32_t absInt(int32_t v) { return v < 0 ? -v : v; }

// Whether row y holds the first colour (at its even columns); the other
// colour rows hold the second colour at their odd columns.
inline bool firstColourRow(const FrameRule& f, int32_t y) { return (y & 1) == f.firstColourRowParity; }
inline bool colourSite(const FrameRule& f, int32_t y, int32_t x) {
    return firstColourRow(f, y) ? (x & 1) == 0 : (x & 1) == 1;
}

// Nearest: each missing colour from the 2x2 window of the own row and the
// row above, the own column and the column to the left, own row first (so
// its green wins); a first-colour site in column 0 below row 0 takes the
// green above it.
void nearestRow(const FrameRule& f, const LinearRows& rows, int32_t y, uint16_t* first, uint16_t* green,
                uint16_t* second) {
    const int32_t w = f.width;
    const int32_t up = reflect(y - 1, f.height);
    const uint16_t* window[2] = {rows.row(y), rows.row(up)};
    const int32_t windowRow[2] = {y, up};
    auto pixel = [&](int32_t x) {
        const int32_t left = reflect(x - 1, w);
        const int32_t cols[2] = {x, left};
        int32_t found[3] = {-1, -1, -1};
        for (int i = 0; i < 4; ++i) {
            const int32_t r = i >> 1, c = cols[i & 1];
            const int32_t yy = windowRow[r];
            const int colour = !colourSite(f, yy, c) ? 1 : (firstColourRow(f, yy) ? 0 : 2);
            if (found[colour] < 0) found[colour] = window[r][c];
        }
        first[x] = (uint16_t)found[0];
        green[x] = (uint16_t)found[1];
        second[x] = (uint16_t)found[2];
        if (x == 0 && y > 0 && firstColourRow(f, y)) green[0] = window[1][0];
    };
    pixel(0);
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    int32_t x = 1;
    if (vector != nullptr) {
        const bool firstRow = firstColourRow(f, y);
        x = vector->nearest(window[1], window[0], firstRow ? first : second, green, firstRow ? second : first, w,
                            firstRow ? 0 : 1);
    }
    for (; x < w; ++x) pixel(x);
}

// Bilinear: at a colour site its own colour, the mean of the four edge
// neighbours for green and of the four diagonal ones for the other colour;
// at a green site the mean of the two row neighbours for the row's colour
// and of the two column neighbours for the other.
void bilinearRow(const FrameRule& f, const LinearRows& rows, int32_t y, uint16_t* first, uint16_t* green,
                 uint16_t* second) {
    const int32_t w = f.width;
    const uint16_t* up = rows.row(y - 1);
    const uint16_t* mid = rows.row(y);
    const uint16_t* down = rows.row(y + 1);
    const bool firstRow = firstColourRow(f, y);
    uint16_t* own = firstRow ? first : second;
    uint16_t* other = firstRow ? second : first;
    const int32_t colourParity = firstRow ? 0 : 1;
    auto pixel = [&](int32_t x) {
        const int32_t l = x == 0 ? 1 : x - 1;
        const int32_t r = x == w - 1 ? w - 2 : x + 1;
        if ((x & 1) == colourParity) {
            own[x] = mid[x];
            green[x] = (uint16_t)((up[x] + down[x] + mid[l] + mid[r]) >> 2);
            other[x] = (uint16_t)((up[l] + up[r] + down[l] + down[r]) >> 2);
        } else {
            own[x] = (uint16_t)((mid[l] + mid[r]) >> 1);
            green[x] = mid[x];
            other[x] = (uint16_t)((up[x] + down[x]) >> 1);
        }
    };
    pixel(0);
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    int32_t x = vector != nullptr ? vector->bilinear(up, mid, down, own, green, other, w, colourParity) : 1;
    for (; x < w; ++x) pixel(x);
}

// Edge-directed green of row y (reflected): at a colour site, along the
// direction of the smaller gradient (ties vertical), the floored mean of its
// two neighbours plus a floored quarter of the site's second difference.
void edgeGreens(const FrameRule& f, const LinearRows& rows, int32_t y, uint16_t* out) {
    const int32_t w = f.width;
    const uint16_t* s = rows.row(y);
    const uint16_t* u1 = rows.row(y - 1);
    const uint16_t* d1 = rows.row(y + 1);
    const uint16_t* u2 = rows.row(y - 2);
    const uint16_t* d2 = rows.row(y + 2);
    const int32_t colourParity = firstColourRow(f, y) ? 0 : 1;
    auto green = [&](int32_t x) {
        if ((x & 1) != colourParity) {
            out[x] = s[x];
            return;
        }
        const int32_t l1 = s[reflect(x - 1, w)], r1 = s[reflect(x + 1, w)];
        const int32_t l2 = s[reflect(x - 2, w)], r2 = s[reflect(x + 2, w)];
        const int32_t own = s[x];
        const int32_t dh = 2 * own - l2 - r2;
        const int32_t dv = 2 * own - u2[x] - d2[x];
        const int32_t gradH = absInt(l1 - r1) + absInt(dh);
        const int32_t gradV = absInt(u1[x] - d1[x]) + absInt(dv);
        const int32_t g = gradH < gradV ? ((l1 + r1) >> 1) + (dh >> 2) : ((u1[x] + d1[x]) >> 1) + (dv >> 2);
        out[x] = (uint16_t)clampLinear(g);
    };
    green(0);
    green(1);
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    int32_t x = vector != nullptr ? vector->edgeGreens(s, u1, d1, u2, d2, out, w, colourParity) : 2;
    for (; x < w; ++x) green(x);
}

const uint16_t* greenRowOf(const FrameRule& f, const LinearRows& rows, GreenRows& greens, int32_t y) {
    const int32_t k = reflect(y, f.height);
    uint16_t* slot = greens.slots + (size_t)(k & 3) * (size_t)f.width;
    if (greens.tags[k & 3] != k) {
        edgeGreens(f, rows, k, slot);
        greens.tags[k & 3] = k;
    }
    return slot;
}

// Edge-directed red and blue: green plus the floored mean of the colour
// differences (sample less green) of the two row or column neighbours at a
// green site, or of the four diagonal neighbours at a colour site.
void edgeRow(const FrameRule& f, const LinearRows& rows, GreenRows& greens, int32_t y, uint16_t* first,
             uint16_t* green, uint16_t* second) {
    const int32_t w = f.width;
    const uint16_t* g3[3] = {greenRowOf(f, rows, greens, y - 1), greenRowOf(f, rows, greens, y),
                             greenRowOf(f, rows, greens, y + 1)};
    const uint16_t* s3[3] = {rows.row(y - 1), rows.row(y), rows.row(y + 1)};
    const uint16_t *gu = g3[0], *gm = g3[1], *gd = g3[2];
    const uint16_t *su = s3[0], *sm = s3[1], *sd = s3[2];
    const bool firstRow = firstColourRow(f, y);
    const int32_t colourParity = firstRow ? 0 : 1;
    uint16_t* own = firstRow ? first : second;
    uint16_t* other = firstRow ? second : first;
    auto pixel = [&](int32_t x) {
        const int32_t l = reflect(x - 1, w), r = reflect(x + 1, w);
        const int32_t g = gm[x];
        green[x] = (uint16_t)g;
        if ((x & 1) == colourParity) {
            const int32_t diag = (su[l] - gu[l]) + (su[r] - gu[r]) + (sd[l] - gd[l]) + (sd[r] - gd[r]);
            own[x] = sm[x];
            other[x] = (uint16_t)clampLinear(g + (diag >> 2));
        } else {
            own[x] = (uint16_t)clampLinear(g + (((sm[l] - gm[l]) + (sm[r] - gm[r])) >> 1));
            other[x] = (uint16_t)clampLinear(g + (((su[x] - gu[x]) + (sd[x] - gd[x])) >> 1));
        }
    };
    pixel(0);
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    int32_t x = vector != nullptr ? vector->edgeRow(s3, g3, own, green, other, w, colourParity) : 1;
    for (; x < w; ++x) pixel(x);
}

}  // namespace

void demosaicRow(const FrameRule& f, const LinearRows& rows, GreenRows& greens, int32_t y, uint16_t* red,
                 uint16_t* green, uint16_t* blue) {
    if (f.mono) {
        const uint16_t* s = rows.row(y);
        for (int32_t x = 0; x < f.width; ++x) red[x] = green[x] = blue[x] = s[x];
        return;
    }
    uint16_t* first = f.firstColourIsBlue ? blue : red;
    uint16_t* second = f.firstColourIsBlue ? red : blue;
    switch (f.method) {
        case 0: nearestRow(f, rows, y, first, green, second); break;
        case 1: bilinearRow(f, rows, y, first, green, second); break;
        default: edgeRow(f, rows, greens, y, first, green, second); break;
    }
}

}  // namespace tav

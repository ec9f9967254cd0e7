// Eight column pairs at once with GCC/Clang generic vectors of 16-bit lanes
// (NEON or SSE2 after compilation): the steered greens and the finished
// pixels of the interior blocks. Same rule and results as edgeFormulas.h and
// the per-column path of edgeRowPair.h, which the tests compare byte for byte.
#ifndef TAV_KERNELS_EDGE_LANES_H
#define TAV_KERNELS_EDGE_LANES_H

#include <stdint.h>
#include <string.h>

#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define TAV_EDGE_LANES 1

namespace tav {
namespace edge {

typedef int16_t Lanes16 __attribute__((vector_size(16)));
typedef uint16_t ULanes16 __attribute__((vector_size(16)));

// Sixteen bytes from p as eight (even, odd) byte pairs: little-endian 16-bit
// words hold the even-column byte low and the odd-column byte high.
struct ColumnLanes {
    Lanes16 even;  // p[0], p[2], ..., p[14]
    Lanes16 odd;   // p[1], p[3], ..., p[15]
};

inline ColumnLanes loadColumnLanes(const uint8_t* p) {
    ULanes16 words;
    memcpy(&words, p, sizeof words);
    ColumnLanes lanes;
    lanes.even = (Lanes16)(words & 0xFF);
    lanes.odd = (Lanes16)(words >> 8);
    return lanes;
}

inline Lanes16 absLanes(Lanes16 v) { return v < 0 ? -v : v; }

inline Lanes16 loadLanes(const int16_t* p) {
    Lanes16 v;
    memcpy(&v, p, sizeof v);
    return v;
}

inline Lanes16 clampLanes(Lanes16 v) {
    v = v < 0 ? 0 : v;
    return v > 255 ? 255 : v;
}

// Eight greens at columns c, c+2, ..., c+14 of the site row `own`. Reads
// columns c-2 .. c+17 of `own` and c .. c+15 of the four rows around it.
inline void steeredGreen8(const uint8_t* own, const uint8_t* up1, const uint8_t* down1,
                          const uint8_t* up2, const uint8_t* down2, int c, int16_t* result) {
    const ColumnLanes left = loadColumnLanes(own + c - 2);
    const ColumnLanes centre = loadColumnLanes(own + c);
    const Lanes16 right2 = loadColumnLanes(own + c + 2).even;
    const Lanes16 x = centre.even;
    const Lanes16 left1 = left.odd, right1 = centre.odd, left2 = left.even;
    const Lanes16 u1 = loadColumnLanes(up1 + c).even;
    const Lanes16 d1 = loadColumnLanes(down1 + c).even;
    const Lanes16 u2 = loadColumnLanes(up2 + c).even;
    const Lanes16 d2 = loadColumnLanes(down2 + c).even;

    const Lanes16 dh = 2 * x - left2 - right2;
    const Lanes16 dv = 2 * x - u2 - d2;
    const Lanes16 gradH = absLanes(left1 - right1) + absLanes(dh);
    const Lanes16 gradV = absLanes(u1 - d1) + absLanes(dv);
    const Lanes16 horizontal = ((left1 + right1) >> 1) + (dh >> 2);
    const Lanes16 vertical = ((u1 + d1) >> 1) + (dv >> 2);
    const Lanes16 g = clampLanes(gradH < gradV ? horizontal : vertical);
    memcpy(result, &g, sizeof g);
}

// Colours of the eight even and eight odd columns of one row.
struct PixelLanes {
    Lanes16 redEven, greenEven, blueEven;
    Lanes16 redOdd, greenOdd, blueOdd;
};

// Greens at columns c-1, c, c+1, c+2 for eight column pairs (c, c+2, ...).
struct GreenLanes {
    Lanes16 left, even, odd, right;
};

inline GreenLanes greenRowLanes(const uint8_t* greenRow, int c) {
    GreenLanes g;
    g.left = loadColumnLanes(greenRow + c - 2).odd;
    const ColumnLanes centre = loadColumnLanes(greenRow + c);
    g.even = centre.even;
    g.odd = centre.odd;
    g.right = loadColumnLanes(greenRow + c + 2).even;
    return g;
}

// Red/green row `own` with red-site greens ownG between green/blue rows.
inline PixelLanes finishRedRow8(int c, const uint8_t* own, const GreenLanes& ownG,
                                const uint8_t* above, const GreenLanes& aboveG,
                                const uint8_t* below, const GreenLanes& belowG) {
    const ColumnLanes a = loadColumnLanes(above + c);
    const ColumnLanes b = loadColumnLanes(below + c);
    const Lanes16 dbAboveLeft = loadColumnLanes(above + c - 2).odd - aboveG.left;
    const Lanes16 dbAboveOdd = a.odd - aboveG.odd;
    const Lanes16 dbBelowLeft = loadColumnLanes(below + c - 2).odd - belowG.left;
    const Lanes16 dbBelowOdd = b.odd - belowG.odd;
    const ColumnLanes o = loadColumnLanes(own + c);
    const Lanes16 ownRight = loadColumnLanes(own + c + 2).even;

    PixelLanes p;
    p.redEven = o.even;
    p.greenEven = ownG.even;
    p.blueEven = clampLanes(ownG.even + ((dbAboveLeft + dbAboveOdd + dbBelowLeft + dbBelowOdd) >> 2));
    p.greenOdd = o.odd;
    p.redOdd = clampLanes(o.odd + (((o.even - ownG.even) + (ownRight - ownG.right)) >> 1));
    p.blueOdd = clampLanes(o.odd + ((dbAboveOdd + dbBelowOdd) >> 1));
    return p;
}

// Green/blue row `own` with blue-site greens ownG between red/green rows.
inline PixelLanes finishBlueRow8(int c, const uint8_t* own, const GreenLanes& ownG,
                                 const uint8_t* above, const GreenLanes& aboveG,
                                 const uint8_t* below, const GreenLanes& belowG) {
    const Lanes16 drAboveEven = loadColumnLanes(above + c).even - aboveG.even;
    const Lanes16 drBelowEven = loadColumnLanes(below + c).even - belowG.even;
    const Lanes16 drAboveRight = loadColumnLanes(above + c + 2).even - aboveG.right;
    const Lanes16 drBelowRight = loadColumnLanes(below + c + 2).even - belowG.right;
    const ColumnLanes o = loadColumnLanes(own + c);
    const Lanes16 ownLeft = loadColumnLanes(own + c - 2).odd;

    PixelLanes p;
    p.greenEven = o.even;
    p.blueEven = clampLanes(o.even + (((ownLeft - ownG.left) + (o.odd - ownG.odd)) >> 1));
    p.redEven = clampLanes(o.even + ((drAboveEven + drBelowEven) >> 1));
    p.greenOdd = ownG.odd;
    p.blueOdd = o.odd;
    p.redOdd = clampLanes(ownG.odd + ((drAboveEven + drAboveRight + drBelowEven + drBelowRight) >> 2));
    return p;
}

// Stores the sixteen pixels c .. c+15 of output row dy.
template <class Out>
inline void storePixelLanes(const Out& out, int dy, int c, const PixelLanes& p) {
    int16_t r[2][8], g[2][8], b[2][8];
    memcpy(r[0], &p.redEven, sizeof r[0]);
    memcpy(g[0], &p.greenEven, sizeof g[0]);
    memcpy(b[0], &p.blueEven, sizeof b[0]);
    memcpy(r[1], &p.redOdd, sizeof r[1]);
    memcpy(g[1], &p.greenOdd, sizeof g[1]);
    memcpy(b[1], &p.blueOdd, sizeof b[1]);
    for (int i = 0; i < 8; ++i) {
        out.pixel(dy, c + 2 * i, r[0][i], g[0][i], b[0][i]);
        out.pixel(dy, c + 2 * i + 1, r[1][i], g[1][i], b[1][i]);
    }
}

}  // namespace edge
}  // namespace tav

#endif
#endif

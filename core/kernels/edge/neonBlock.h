// The edge-directed block of eight column pairs written for NEON: samples
// and greens stay bytes in d registers (vld2 splits even and odd columns),
// differences widen to 16 bits only where they are formed, and every result
// is clamped by one saturating narrow. The same rule and bytes as the
// generic lanes of vectorLanes.h and the per-column path of rowPair.h.
#ifndef TAV_KERNELS_EDGE_NEON_H
#define TAV_KERNELS_EDGE_NEON_H

#include <arm_neon.h>
#include <stdint.h>

#include "kernels/edge/outputs.h"
#include "kernels/edge/step.h"
#include "simd/lanes.h"

namespace tav {
namespace edge {
TAV_ISA_BEGIN

// Greens at columns c-1, c, c+1, c+2 of eight column pairs (c, c+2, ...).
struct GreenBytes {
    uint8x8_t left, even, odd, right;
};

// Finished colours of the eight even and eight odd columns of one row.
struct PixelBytes {
    uint8x8_t redEven, greenEven, blueEven;
    uint8x8_t redOdd, greenOdd, blueOdd;
};

TAV_LANES_INLINE int16x8_t difference(uint8x8_t a, uint8x8_t b) {
    return vreinterpretq_s16_u16(vsubl_u8(a, b));
}

// clamp(base + delta) to 0..255.
TAV_LANES_INLINE uint8x8_t plusDelta(uint8x8_t base, int16x8_t delta) {
    return vqmovun_s16(vreinterpretq_s16_u16(vaddw_u8(vreinterpretq_u16_s16(delta), base)));
}

TAV_LANES_INLINE uint8x8_t evenColumns(const uint8_t* p) { return vld2_u8(p).val[0]; }
TAV_LANES_INLINE uint8x8_t oddColumns(const uint8_t* p) { return vld2_u8(p).val[1]; }

// Greens at columns c, c+2, ..., c+14 of the site row `own`. Reads columns
// c-2 .. c+17 of `own` and c .. c+15 of the four rows around it.
TAV_LANES_INLINE uint8x8_t steeredGreenBytes(const uint8_t* own, const uint8_t* up1,
                                             const uint8_t* down1, const uint8_t* up2,
                                             const uint8_t* down2, int c) {
    const uint8x8x2_t left = vld2_u8(own + c - 2);  // columns c-2+2k, c-1+2k
    const uint8x8x2_t centre = vld2_u8(own + c);    // columns c+2k, c+1+2k
    const uint8x8_t right2 = evenColumns(own + c + 2);
    const uint8x8_t site = centre.val[0], left1 = left.val[1], right1 = centre.val[1];
    const uint8x8_t u1 = evenColumns(up1 + c), d1 = evenColumns(down1 + c);
    const uint8x8_t u2 = evenColumns(up2 + c), d2 = evenColumns(down2 + c);

    const uint16x8_t twice = vshll_n_u8(site, 1);
    const int16x8_t dh = vreinterpretq_s16_u16(vsubq_u16(twice, vaddl_u8(left.val[0], right2)));
    const int16x8_t dv = vreinterpretq_s16_u16(vsubq_u16(twice, vaddl_u8(u2, d2)));
    const int16x8_t gradH = vaddq_s16(vreinterpretq_s16_u16(vabdl_u8(left1, right1)), vabsq_s16(dh));
    const int16x8_t gradV = vaddq_s16(vreinterpretq_s16_u16(vabdl_u8(u1, d1)), vabsq_s16(dv));
    // Halving adds floor exactly like the shifted sum.
    const int16x8_t horizontal = vreinterpretq_s16_u16(
        vaddw_u8(vreinterpretq_u16_s16(vshrq_n_s16(dh, 2)), vhadd_u8(left1, right1)));
    const int16x8_t vertical = vreinterpretq_s16_u16(
        vaddw_u8(vreinterpretq_u16_s16(vshrq_n_s16(dv, 2)), vhadd_u8(u1, d1)));
    return vqmovun_s16(vbslq_s16(vcltq_s16(gradH, gradV), horizontal, vertical));
}

// Red/green row `own` with red-site greens ownG between green/blue rows.
TAV_LANES_INLINE PixelBytes finishRedRowBytes(int c, const uint8_t* own, const GreenBytes& ownG,
                                              const uint8_t* above, const GreenBytes& aboveG,
                                              const uint8_t* below, const GreenBytes& belowG) {
    const int16x8_t dbAboveLeft = difference(oddColumns(above + c - 2), aboveG.left);
    const int16x8_t dbAboveOdd = difference(oddColumns(above + c), aboveG.odd);
    const int16x8_t dbBelowLeft = difference(oddColumns(below + c - 2), belowG.left);
    const int16x8_t dbBelowOdd = difference(oddColumns(below + c), belowG.odd);
    const uint8x8x2_t o = vld2_u8(own + c);
    const uint8x8_t ownRight = evenColumns(own + c + 2);
    const int16x8_t sideSum = vaddq_s16(dbAboveOdd, dbBelowOdd);

    PixelBytes p;
    p.redEven = o.val[0];
    p.greenEven = ownG.even;
    p.blueEven = plusDelta(ownG.even, vshrq_n_s16(vaddq_s16(vaddq_s16(dbAboveLeft, dbBelowLeft), sideSum), 2));
    p.greenOdd = o.val[1];
    p.redOdd = plusDelta(o.val[1], vshrq_n_s16(vaddq_s16(difference(o.val[0], ownG.even),
                                                          difference(ownRight, ownG.right)),
                                                1));
    p.blueOdd = plusDelta(o.val[1], vshrq_n_s16(sideSum, 1));
    return p;
}

// Green/blue row `own` with blue-site greens ownG between red/green rows.
TAV_LANES_INLINE PixelBytes finishBlueRowBytes(int c, const uint8_t* own, const GreenBytes& ownG,
                                               const uint8_t* above, const GreenBytes& aboveG,
                                               const uint8_t* below, const GreenBytes& belowG) {
    const int16x8_t drAboveEven = difference(evenColumns(above + c), aboveG.even);
    const int16x8_t drBelowEven = difference(evenColumns(below + c), belowG.even);
    const int16x8_t drAboveRight = difference(evenColumns(above + c + 2), aboveG.right);
    const int16x8_t drBelowRight = difference(evenColumns(below + c + 2), belowG.right);
    const uint8x8x2_t o = vld2_u8(own + c);
    const uint8x8_t ownLeft = oddColumns(own + c - 2);
    const int16x8_t verticalSum = vaddq_s16(drAboveEven, drBelowEven);

    PixelBytes p;
    p.greenEven = o.val[0];
    p.blueEven = plusDelta(o.val[0], vshrq_n_s16(vaddq_s16(difference(ownLeft, ownG.left),
                                                            difference(o.val[1], ownG.odd)),
                                                  1));
    p.redEven = plusDelta(o.val[0], vshrq_n_s16(verticalSum, 1));
    p.greenOdd = ownG.odd;
    p.blueOdd = o.val[1];
    p.redOdd = plusDelta(ownG.odd,
                         vshrq_n_s16(vaddq_s16(verticalSum, vaddq_s16(drAboveRight, drBelowRight)), 2));
    return p;
}

// ---- the sixteen pixels c .. c+15 of output row dy ----

template <int Bytes, bool RedFirst>
TAV_LANES_INLINE void storePixelBytes(const InterleavedOut<Bytes, RedFirst>& out, int dy, int c,
                                      const PixelBytes& p) {
    const uint8x8x2_t red = vzip_u8(p.redEven, p.redOdd);
    const uint8x8x2_t green = vzip_u8(p.greenEven, p.greenOdd);
    const uint8x8x2_t blue = vzip_u8(p.blueEven, p.blueOdd);
    const uint8x8x2_t first = RedFirst ? red : blue, last = RedFirst ? blue : red;
    uint8_t* dst = out.row + dy * out.stride + (ptrdiff_t)c * Bytes;
    // Structures filled member by member: GCC builds brace-initialised
    // ones on the stack.
    if (Bytes == 4) {
        uint8x8x4_t v;
        v.val[3] = vdup_n_u8(0);
        for (int half = 0; half < 2; ++half) {
            v.val[0] = first.val[half];
            v.val[1] = green.val[half];
            v.val[2] = last.val[half];
            vst4_u8(dst + 32 * half, v);
        }
    } else {
        uint8x8x3_t v;
        for (int half = 0; half < 2; ++half) {
            v.val[0] = first.val[half];
            v.val[1] = green.val[half];
            v.val[2] = last.val[half];
            vst3_u8(dst + 24 * half, v);
        }
    }
}

TAV_LANES_INLINE void storePixelBytes(const PlanarOut& out, int dy, int c, const PixelBytes& p) {
    const ptrdiff_t at = dy * out.stride + c;
    uint8x8x2_t v;
    v.val[0] = p.redEven;
    v.val[1] = p.redOdd;
    vst2_u8(out.red + at, v);
    v.val[0] = p.greenEven;
    v.val[1] = p.greenOdd;
    vst2_u8(out.green + at, v);
    v.val[0] = p.blueEven;
    v.val[1] = p.blueOdd;
    vst2_u8(out.blue + at, v);
}

// (wRed*R + 150*G + wBlue*B + 128) >> 8.
TAV_LANES_INLINE uint8x8_t lumaBytes(uint8x8_t r, uint8x8_t g, uint8x8_t b, uint8x8_t wRed,
                                     uint8x8_t wGreen, uint8x8_t wBlue) {
    uint16x8_t sum = vmull_u8(r, wRed);
    sum = vmlal_u8(sum, g, wGreen);
    sum = vmlal_u8(sum, b, wBlue);
    return vrshrn_n_u16(sum, 8);
}

TAV_LANES_INLINE void storePixelBytes(const LumaOut& out, int dy, int c, const PixelBytes& p) {
    const uint8x8_t wRed = vdup_n_u8((uint8_t)out.redWeight);
    const uint8x8_t wGreen = vdup_n_u8((uint8_t)kLumaGreen);
    const uint8x8_t wBlue = vdup_n_u8((uint8_t)out.blueWeight);
    uint8x8x2_t v;
    v.val[0] = lumaBytes(p.redEven, p.greenEven, p.blueEven, wRed, wGreen, wBlue);
    v.val[1] = lumaBytes(p.redOdd, p.greenOdd, p.blueOdd, wRed, wGreen, wBlue);
    vst2_u8(out.row + dy * out.stride + c, v);
}

// ---- one block ----

constexpr int kBlockPairs = 8;

// Columns a block starting at x0 reads: up to x0 + 2 * kBlockPairs + 4.
inline bool blockFits(int x0, int width) { return x0 + 2 * kBlockPairs + 5 <= width; }

// The greens a block carries to the next: lane 7 of `red` is the green of
// the red site x0, lanes 6 and 7 of `blue` those of the blue sites x0-1 and
// x0+1 (x0 the next block's first column).
struct GreenCarry {
    uint8x8_t red, blue;
};

TAV_LANES_INLINE GreenCarry carryFrom(const StepState& st) {
    GreenCarry c;
    c.red = vset_lane_u8((uint8_t)st.newEven, vdup_n_u8(0), 7);
    c.blue = vset_lane_u8((uint8_t)st.newOdd, vset_lane_u8((uint8_t)st.newLeft, vdup_n_u8(0), 6), 7);
    return c;
}

TAV_LANES_INLINE void carryTo(const GreenCarry& c, StepState& st) {
    st.newLeft = vget_lane_u8(c.blue, 6);
    st.newEven = vget_lane_u8(c.red, 7);
    st.newOdd = vget_lane_u8(c.blue, 7);
}

template <class Mode, class Out>
TAV_LANES_INLINE void blockBody(const RowSet& s, uint8_t* greenRow, const Out& out,
                                GreenCarry& carry, int x0) {
    // New greens at the red sites x0+2 .. x0+16 and the blue sites x0+3 .. x0+17;
    // the carried ones fill the lanes before them.
    const uint8x8_t redAhead =
        steeredGreenBytes(s.row[2], s.row[1], s.row[3], s.row[0], s.row[4], x0 + 2);
    const uint8x8_t blueAhead =
        steeredGreenBytes(s.row[3], s.row[2], s.row[4], s.row[1], s.row[5], x0 + 3);
    GreenBytes newG;
    newG.left = vext_u8(carry.blue, blueAhead, 6);
    newG.even = vext_u8(carry.red, redAhead, 7);
    newG.odd = vext_u8(carry.blue, blueAhead, 7);
    newG.right = redAhead;

    if (Mode::finishRows) {
        // The green row is read before this block's pixels are stored; they
        // cover no entry from column x0 + 15 on.
        GreenBytes oldG;
        oldG.left = oddColumns(greenRow + x0 - 2);
        const uint8x8x2_t centre = vld2_u8(greenRow + x0);
        oldG.even = centre.val[0];
        oldG.odd = centre.val[1];
        oldG.right = evenColumns(greenRow + x0 + 2);
        PixelBytes above, row, below;
        if (Mode::finishAbove) {
            above = finishBlueRowBytes(x0, s.row[1], oldG, s.row[0], oldG, s.row[2], newG);
        }
        row = finishRedRowBytes(x0, s.row[2], newG, s.row[1], oldG, s.row[3], newG);
        if (Mode::finishBelow) {
            below = finishBlueRowBytes(x0, s.row[3], newG, s.row[2], newG, s.row[4], newG);
        }
        if (Mode::finishAbove) storePixelBytes(out, -1, x0, above);
        storePixelBytes(out, 0, x0, row);
        if (Mode::finishBelow) storePixelBytes(out, 1, x0, below);
    }
    // Entries x0-1 .. x0+14 have had their last reader.
    if (Mode::storeGreens) {
        uint8x8x2_t v;
        v.val[0] = newG.left;
        v.val[1] = newG.even;
        vst2_u8(greenRow + x0 - 1, v);
    }
    carry.red = redAhead;
    carry.blue = blueAhead;
}

TAV_ISA_END
}  // namespace edge
}  // namespace tav

#endif

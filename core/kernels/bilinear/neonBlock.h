// The bilinear rows' NEON block: 32 pixels at a time in byte lanes, before
// the generic 16-bit-lane blocks of vectorBlock.h finish the row. Included
// by vectorBlock.h after its output kinds, in NEON kernel units only.
#ifndef TAV_KERNELS_BILINEAR_NEON_BLOCK_H
#define TAV_KERNELS_BILINEAR_NEON_BLOCK_H

#include <arm_neon.h>
#include <stddef.h>
#include <stdint.h>

#include "kernels/bilinear/vectorBlock.h"

namespace tav {
namespace bilinear {
TAV_ISA_BEGIN

// NEON: 32 pixels per block in byte lanes. vld2 splits the colour and green
// columns, halving adds give the truncated two-sample means exactly, and the
// four-sample means are widened, added and narrowed.
constexpr int kWidePixels = 32;

struct WideColours {
    uint8x16_t redColour, greenColour, blueColour;  // colour sites x, x+2, ..., x+30
    uint8x16_t redGreen, greenGreen, blueGreen;     // green sites x+1, ..., x+31
};

TAV_LANES_INLINE uint8x16_t quarterOfSum(uint8x16_t a, uint8x16_t b, uint8x16_t c, uint8x16_t d) {
    const uint16x8_t low = vaddq_u16(vaddl_u8(vget_low_u8(a), vget_low_u8(b)),
                                     vaddl_u8(vget_low_u8(c), vget_low_u8(d)));
    const uint16x8_t high = vaddq_u16(vaddl_u8(vget_high_u8(a), vget_high_u8(b)),
                                      vaddl_u8(vget_high_u8(c), vget_high_u8(d)));
    return vcombine_u8(vshrn_n_u16(low, 2), vshrn_n_u16(high, 2));
}

// Reads up/mid/down[x - 2 .. x + 33]; x is a colour site.
template <bool RedRow>
TAV_LANES_INLINE WideColours wideBlock(const uint8_t* up, const uint8_t* mid, const uint8_t* down,
                                       int x) {
    const uint8x16x2_t m = vld2q_u8(mid + x);
    const uint8x16_t greenLeft = vld2q_u8(mid + x - 2).val[1];
    const uint8x16_t colourRight = vld2q_u8(mid + x + 2).val[0];
    const uint8x16x2_t u = vld2q_u8(up + x), d = vld2q_u8(down + x);
    const uint8x16_t otherUpLeft = vld2q_u8(up + x - 2).val[1];
    const uint8x16_t otherDownLeft = vld2q_u8(down + x - 2).val[1];

    const uint8x16_t greenAtColour = quarterOfSum(greenLeft, m.val[1], u.val[0], d.val[0]);
    const uint8x16_t otherAtColour = quarterOfSum(otherUpLeft, otherDownLeft, u.val[1], d.val[1]);
    const uint8x16_t ownAtGreen = vhaddq_u8(m.val[0], colourRight);
    const uint8x16_t otherAtGreen = vhaddq_u8(u.val[1], d.val[1]);

    WideColours c;
    c.greenColour = greenAtColour;
    c.greenGreen = m.val[1];
    if (RedRow) {
        c.redColour = m.val[0], c.blueColour = otherAtColour;
        c.redGreen = ownAtGreen, c.blueGreen = otherAtGreen;
    } else {
        c.blueColour = m.val[0], c.redColour = otherAtColour;
        c.blueGreen = ownAtGreen, c.redGreen = otherAtGreen;
    }
    return c;
}

// (wR*R + wG*G + wB*B + 128) >> 8 with byte weights.
TAV_LANES_INLINE uint8x16_t wideLuma(uint8x16_t r, uint8x16_t g, uint8x16_t b, uint8x8_t wR,
                                     uint8x8_t wG, uint8x8_t wB) {
    uint16x8_t low = vmull_u8(vget_low_u8(r), wR);
    low = vmlal_u8(low, vget_low_u8(g), wG);
    low = vmlal_u8(low, vget_low_u8(b), wB);
    uint16x8_t high = vmull_u8(vget_high_u8(r), wR);
    high = vmlal_u8(high, vget_high_u8(g), wG);
    high = vmlal_u8(high, vget_high_u8(b), wB);
    return vcombine_u8(vrshrn_n_u16(low, 8), vrshrn_n_u16(high, 8));
}

// ---- where one wide block goes ----

template <int Bytes>
TAV_LANES_INLINE void putWide(const InterleavedBlockOut<Bytes>& out, int x, const WideColours& c) {
    const uint8x16x2_t b = vzipq_u8(c.blueColour, c.blueGreen);
    const uint8x16x2_t g = vzipq_u8(c.greenColour, c.greenGreen);
    const uint8x16x2_t r = vzipq_u8(c.redColour, c.redGreen);
    uint8_t* at = out.row + (size_t)x * Bytes;
    // Structures filled member by member: GCC builds brace-initialised
    // ones on the stack.
    for (int half = 0; half < 2; ++half) {
        if (Bytes == 4) {
            uint8x16x4_t v;
            v.val[0] = b.val[half];
            v.val[1] = g.val[half];
            v.val[2] = r.val[half];
            v.val[3] = vdupq_n_u8(0);
            vst4q_u8(at + 64 * half, v);
        } else {
            uint8x16x3_t v;
            v.val[0] = b.val[half];
            v.val[1] = g.val[half];
            v.val[2] = r.val[half];
            vst3q_u8(at + 48 * half, v);
        }
    }
}

TAV_LANES_INLINE void putWide(const PlanarBlockOut& out, int x, const WideColours& c) {
    uint8x16x2_t v;
    v.val[0] = c.redColour;
    v.val[1] = c.redGreen;
    vst2q_u8(out.planes[0] + x, v);
    v.val[0] = c.greenColour;
    v.val[1] = c.greenGreen;
    vst2q_u8(out.planes[1] + x, v);
    v.val[0] = c.blueColour;
    v.val[1] = c.blueGreen;
    vst2q_u8(out.planes[2] + x, v);
}

template <bool ByteWeights>
TAV_LANES_INLINE void putWide(const GreyBlockOut<ByteWeights>& out, int x, const WideColours& c) {
    const uint8x8_t wR = vdup_n_u8((uint8_t)out.weightR), wG = vdup_n_u8((uint8_t)out.weightG),
                    wB = vdup_n_u8((uint8_t)out.weightB);
    uint8x16x2_t v;
    v.val[0] = wideLuma(c.redColour, c.greenColour, c.blueColour, wR, wG, wB);
    v.val[1] = wideLuma(c.redGreen, c.greenGreen, c.blueGreen, wR, wG, wB);
    vst2q_u8(out.row + x, v);
}

// Wide blocks from column x (a colour site) while they fit; returns the
// column the generic blocks go on from.
template <bool RedRow, class Out>
TAV_LANES_INLINE int wideBlocks(const RowContext& row, const Out& out, int x) {
    for (; x + kWidePixels + 2 <= row.width; x += kWidePixels)
        putWide(out, x, wideBlock<RedRow>(row.up, row.mid, row.down, x));
    return x;
}

TAV_ISA_END
}  // namespace bilinear
}  // namespace tav

#endif

// The 16-bit bilinear body in NEON, sixteen interior pixels of a row pair at
// a time. Two de-interleaving loads per source row give the samples of the
// even and odd columns of the block and their left and right neighbours, so
// every site kind sits in a vector of its own and no lane selects are needed;
// the halving adds give the truncated means exactly:
//   floor((a + b) / 2)         = vhadd(a, b)
//   floor((a + b + c + d) / 4) = vhadd(vhadd(a, b) + carry, vhadd(c, d)),
// carry = 1 when both pairs dropped a bit (a ^ b and c ^ d odd), which
// cannot overflow since then a != b. Outputs are zipped back into pixel
// order and stored with vst3 (interleaved) or vst1 (planar).
//
// The last block of a row pair runs over a small copy of its neighbourhood,
// so there is no scalar tail and nothing outside the body is written.
#ifndef TAV_KERNELS_BILINEAR16_NEON_BLOCK_H
#define TAV_KERNELS_BILINEAR16_NEON_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"
#include "kernels/bilinear16/vectorBody.h"

#include <arm_neon.h>

namespace tav {
namespace bilinear16 {
TAV_ISA_BEGIN
namespace {

constexpr int32_t kBlockPixels = 16;

inline uint16x8_t half(uint16x8_t a, uint16x8_t b) { return vhaddq_u16(a, b); }

inline uint16x8_t quarter(uint16x8_t a, uint16x8_t b, uint16x8_t c, uint16x8_t d) {
    const uint16x8_t carry = vandq_u16(vandq_u16(veorq_u16(a, b), veorq_u16(c, d)), vdupq_n_u16(1));
    return vhaddq_u16(vaddq_u16(vhaddq_u16(a, b), carry), vhaddq_u16(c, d));
}

// A source row around a block at column c: the even columns c, c + 2, ...
// (own), the odd ones c + 1, ... (next), and the columns one step further
// out on each side (left: c - 1, ...; right: c + 2, ...). Reads c - 1 .. c + 16.
struct Row {
    uint16x8_t left, own, next, right;
};

inline Row loadRow(const uint16_t* at) {
    const uint16x8x2_t before = vld2q_u16(at - 1);
    const uint16x8x2_t after = vld2q_u16(at + 1);
    const Row row = {before.val[0], before.val[1], after.val[0], after.val[1]};
    return row;
}

// One output row of the block: each colour for the even and the odd columns.
struct Colours {
    uint16x8_t red[2], green[2], blue[2];
};

// Sixteen pixels of rows r (B sites in even columns of the block) and r + 1
// (G sites, then R sites), from the rows r - 1 .. r + 2 around them.
inline void blockColours(const Row& up, const Row& blue, const Row& red, const Row& down, Colours& top,
                         Colours& bottom) {
    // Row r: B site, then G site with B left and right, R above and below.
    top.blue[0] = blue.own;
    top.green[0] = quarter(up.own, red.own, blue.left, blue.next);
    top.red[0] = quarter(up.left, up.next, red.left, red.next);
    top.blue[1] = half(blue.own, blue.right);
    top.green[1] = blue.next;
    top.red[1] = half(up.next, red.next);
    // Row r + 1: G site with R left and right, B above and below, then R site.
    bottom.blue[0] = half(blue.own, down.own);
    bottom.green[0] = red.own;
    bottom.red[0] = half(red.left, red.next);
    bottom.blue[1] = quarter(blue.own, blue.right, down.own, down.right);
    bottom.green[1] = quarter(blue.next, down.next, red.own, red.right);
    bottom.red[1] = red.next;
}

template <Layout kLayout>
inline void storeRow(const Colours& c, uint16_t* interleaved, uint16_t* b, uint16_t* g, uint16_t* r) {
    const uint16x8x2_t red = vzipq_u16(c.red[0], c.red[1]);
    const uint16x8x2_t green = vzipq_u16(c.green[0], c.green[1]);
    const uint16x8x2_t blue = vzipq_u16(c.blue[0], c.blue[1]);
    if (kLayout == Layout::Planar) {
        vst1q_u16(b, blue.val[0]);
        vst1q_u16(b + 8, blue.val[1]);
        vst1q_u16(g, green.val[0]);
        vst1q_u16(g + 8, green.val[1]);
        vst1q_u16(r, red.val[0]);
        vst1q_u16(r + 8, red.val[1]);
        return;
    }
    const bool rgb = kLayout == Layout::Rgb;
    for (int half = 0; half < 2; ++half) {
        const uint16x8x3_t pixels = {{rgb ? red.val[half] : blue.val[half], green.val[half],
                                      rgb ? blue.val[half] : red.val[half]}};
        vst3q_u16(interleaved + 24 * half, pixels);
    }
}

// Output of a block: pixel p of row r + k is at interleaved + 3 * (p + k * dw)
// or plane + p + k * dw.
struct BlockOutput {
    uint16_t* interleaved;
    uint16_t* b;
    uint16_t* g;
    uint16_t* r;
    ptrdiff_t dw;
};

template <Layout kLayout>
inline void block(const uint16_t* s, ptrdiff_t w, const BlockOutput& o) {
    Colours top, bottom;
    blockColours(loadRow(s - w), loadRow(s), loadRow(s + w), loadRow(s + 2 * w), top, bottom);
    storeRow<kLayout>(top, o.interleaved, o.b, o.g, o.r);
    storeRow<kLayout>(bottom, o.interleaved + 3 * o.dw, o.b + o.dw, o.g + o.dw, o.r + o.dw);
}

BlockOutput offsetBy(const BlockOutput& o, ptrdiff_t pixel) {
    // Only the pointers of the layout in use are ever dereferenced.
    const BlockOutput moved = {o.interleaved ? o.interleaved + 3 * pixel : nullptr, o.b ? o.b + pixel : nullptr,
                               o.g ? o.g + pixel : nullptr, o.r ? o.r + pixel : nullptr, o.dw};
    return moved;
}

// The last `pixels` (2..16) pixels of a row pair through a copy of source
// columns c - 1 .. c + pixels; results copied out exactly.
template <Layout kLayout>
void tail(const uint16_t* s, ptrdiff_t w, const BlockOutput& o, int32_t pixels) {
    constexpr int kSpan = kBlockPixels + 2;
    uint16_t rows[4][kSpan] = {};
    for (int k = 0; k < 4; ++k) memcpy(rows[k], s + (k - 1) * w - 1, sizeof(uint16_t) * (size_t)(pixels + 2));
    uint16_t out[2 * 3 * kBlockPixels];
    const BlockOutput local = {out, out, out + 2 * kBlockPixels, out + 4 * kBlockPixels, kBlockPixels};
    block<kLayout>(&rows[1][1], kSpan, local);
    const size_t n = (size_t)pixels;
    for (int k = 0; k < 2; ++k) {
        if (kLayout == Layout::Planar) {
            memcpy(o.b + k * o.dw, local.b + k * kBlockPixels, sizeof(uint16_t) * n);
            memcpy(o.g + k * o.dw, local.g + k * kBlockPixels, sizeof(uint16_t) * n);
            memcpy(o.r + k * o.dw, local.r + k * kBlockPixels, sizeof(uint16_t) * n);
        } else {
            memcpy(o.interleaved + 3 * k * o.dw, out + 3 * k * kBlockPixels, sizeof(uint16_t) * 3 * n);
        }
    }
}

template <Layout kLayout>
void sweep(const uint16_t* source, int32_t height, int32_t width, ptrdiff_t stride, const BlockOutput& output) {
    const ptrdiff_t w = stride;
    // Columns 1 .. end - 1 of row pairs from row 1.
    const int32_t end = ((width - 4) & ~1) + 3;
    for (int32_t r = 1; r < height - 2; r += 2) {
        const uint16_t* s = source + r * w;
        const BlockOutput row = offsetBy(output, r * w);
        int32_t c = 1;
        for (; c + kBlockPixels < end; c += kBlockPixels) block<kLayout>(s + c, w, offsetBy(row, c));
        tail<kLayout>(s + c, w, offsetBy(row, c), end - c);
    }
}

}  // namespace

inline bool body(const uint16_t* source, int32_t height, int32_t width, ptrdiff_t stride, const BodyOutput& output) {
    const BlockOutput o = {output.interleaved, output.bPlane, output.gPlane, output.rPlane, stride};
    switch (output.layout) {
        case Layout::Bgr:
            sweep<Layout::Bgr>(source, height, width, stride, o);
            break;
        case Layout::Rgb:
            sweep<Layout::Rgb>(source, height, width, stride, o);
            break;
        case Layout::Planar:
            sweep<Layout::Planar>(source, height, width, stride, o);
            break;
    }
    return true;
}

TAV_ISA_END
}  // namespace bilinear16
}  // namespace tav

#endif

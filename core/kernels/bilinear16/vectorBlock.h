// The 16-bit bilinear body in generic lanes, eight (128-bit lanes) or
// sixteen (256-bit lanes) interior pixels of a row pair at a time, for the
// x86 kernel units (NEON has a block of its own, neonBlock.h).
//
// Lane j of a block holds column x + j, x odd, so even lanes are B sites on
// the odd row and G sites on the even row. Every neighbour mean is formed
// for every lane and each lane then keeps the one its site needs: no
// branches, and the compiler sees eight independent lanes.
//
// The means are exact in 16 bits: floor((a + b) / 2) = (a & b) + ((a ^ b) >> 1),
// and floor((a + b + c + d) / 4) is the floor of the mean of the two pair
// means plus 1 when both pairs dropped a bit, which again fits in 16 bits.
// The results equal those of the 32-bit sums of the plain rule.
//
// The last block of a row pair (and any block whose interleaved store would
// spill past the body) runs over a small copy of its neighbourhood, so the
// vector code needs no scalar tail and writes nothing outside the body.

#ifndef TAV_KERNELS_BILINEAR16_VECTOR_BLOCK_H
#define TAV_KERNELS_BILINEAR16_VECTOR_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/bilinear16/vectorBody.h"
#include "simd/lanes16.h"

namespace tav {
namespace bilinear16 {
TAV_ISA_BEGIN

using namespace ::tav::lanes;

// One SSE2 register, or 32 bytes with AVX2.
#if defined(__AVX2__)
constexpr int kLaneBytes = 32;
#else
constexpr int kLaneBytes = 16;
#endif
typedef uint16_t Lanes __attribute__((vector_size(kLaneBytes)));

constexpr int kBlockPixels = kLaneBytes / 2;

TAV_LANES16_INLINE Lanes load(const uint16_t* at) { return loadLanes<Lanes>(at); }

// Even lanes from a, odd lanes from b.
TAV_LANES16_INLINE Lanes evenOdd(Lanes a, Lanes b) {
    Lanes even;
    for (int i = 0; i < kBlockPixels; ++i) even[i] = (i & 1) ? 0 : 0xFFFF;
    return (a & even) | (b & ~even);
}

// Eight pixels per 128-bit store group; wider lanes go out group by group.
TAV_LANES16_INLINE void storeBlock(uint16_t* at, Lanes channel0, Lanes channel1, Lanes channel2) {
    for (int group = 0; group < kBlockPixels / 8; ++group) {
        U16x8 c0, c1, c2;
        memcpy(&c0, (const char*)&channel0 + 16 * group, 16);
        memcpy(&c1, (const char*)&channel1 + 16 * group, 16);
        memcpy(&c2, (const char*)&channel2 + 16 * group, 16);
        storeThreeChannels(at + 24 * group, c0, c1, c2);
    }
}

// The truncated mean of two samples and the bit the truncation dropped.
struct HalfSum {
    Lanes mean;
    Lanes dropped;
};

TAV_LANES16_INLINE HalfSum halfSum(Lanes a, Lanes b) {
    const Lanes differing = a ^ b;
    const HalfSum h = {(Lanes)((a & b) + (differing >> 1)), (Lanes)(differing & 1)};
    return h;
}

// floor((a + b + c + d) / 4) from the half sums of (a, b) and (c, d).
TAV_LANES16_INLINE Lanes quarterSum(const HalfSum& p, const HalfSum& q) {
    const Lanes differing = p.mean ^ q.mean;
    return (p.mean & q.mean) + (differing >> 1) + (differing & p.dropped & q.dropped);
}

// One source row seen from the block: the samples at the block's columns
// and the half sum of their left and right neighbours.
struct RowLanes {
    Lanes own;
    HalfSum sides;
};

TAV_LANES16_INLINE RowLanes rowLanes(const uint16_t* at) {
    const RowLanes r = {load(at), halfSum(load(at - 1), load(at + 1))};
    return r;
}

struct BlockColours {
    Lanes red, green, blue;
};

// Odd row: B sites in even lanes, G sites (R above and below) in odd lanes.
TAV_LANES16_INLINE BlockColours blueRowColours(const RowLanes& up, const RowLanes& mid, const RowLanes& down) {
    const HalfSum vertical = halfSum(up.own, down.own);
    BlockColours c;
    c.red = evenOdd(quarterSum(up.sides, down.sides), vertical.mean);
    c.green = evenOdd(quarterSum(vertical, mid.sides), mid.own);
    c.blue = evenOdd(mid.own, mid.sides.mean);
    return c;
}

// Even row: G sites (R left and right) in even lanes, R sites in odd lanes.
TAV_LANES16_INLINE BlockColours redRowColours(const RowLanes& up, const RowLanes& mid, const RowLanes& down) {
    const HalfSum vertical = halfSum(up.own, down.own);
    BlockColours c;
    c.red = evenOdd(mid.sides.mean, mid.own);
    c.green = evenOdd(mid.own, quarterSum(vertical, mid.sides));
    c.blue = evenOdd(vertical.mean, quarterSum(up.sides, down.sides));
    return c;
}

// kBlockPixels pixels of both rows of a row pair: s at the B site (r, c) of
// the source, d at pixel (r, c) of the interleaved output, rows w samples and
// 3 * dw samples apart. Reads rows r - 1 .. r + 2, columns c - 1 .. c + n;
// writes pixels c .. c + n - 1 and channel 0 of pixel c + n on rows r, r + 1.
template <bool Rgb>
TAV_LANES16_INLINE void rowPairBlock(const uint16_t* s, ptrdiff_t w, uint16_t* d, ptrdiff_t dw) {
    const RowLanes above = rowLanes(s - w), blue = rowLanes(s), red = rowLanes(s + w), below = rowLanes(s + 2 * w);
    const BlockColours top = blueRowColours(above, blue, red);
    const BlockColours bottom = redRowColours(blue, red, below);
    storeBlock(d, Rgb ? top.red : top.blue, top.green, Rgb ? top.blue : top.red);
    storeBlock(d + 3 * dw, Rgb ? bottom.red : bottom.blue, bottom.green, Rgb ? bottom.blue : bottom.red);
}

// The last `pixels` (1..kBlockPixels) pixels of a row pair through a copy: source
// columns c - 1 .. c + pixels of the four rows, results copied out exactly.
template <bool Rgb>
inline void rowPairTail(const uint16_t* s, ptrdiff_t w, uint16_t* d, ptrdiff_t dw, int32_t pixels) {
    constexpr int kSpan = kBlockPixels + 2;
    uint16_t rows[4][kSpan] = {};
    for (int k = 0; k < 4; ++k) memcpy(rows[k], s + (k - 1) * w - 1, sizeof(uint16_t) * (size_t)(pixels + 2));
    uint16_t out[2][3 * (kBlockPixels + 1)];
    rowPairBlock<Rgb>(&rows[1][1], kSpan, out[0], kBlockPixels + 1);
    memcpy(d, out[0], sizeof(uint16_t) * 3 * (size_t)pixels);
    memcpy(d + 3 * dw, out[1], sizeof(uint16_t) * 3 * (size_t)pixels);
}

template <bool Rgb>
void interleavedBody(const uint16_t* source, int32_t height, int32_t width, ptrdiff_t stride, uint16_t* destination) {
    const ptrdiff_t w = stride;
    // Columns 1 .. end - 1 of row pairs from row 1.
    const int32_t end = ((width - 4) & ~1) + 3;
    for (int32_t r = 1; r < height - 2; r += 2) {
        const uint16_t* s = source + r * w;
        uint16_t* d = destination + 3 * r * w;
        int32_t c = 1;
        // A block's spilt word must land on a pixel that is written later.
        for (; c + kBlockPixels < end; c += kBlockPixels) rowPairBlock<Rgb>(s + c, w, d + 3 * c, w);
        rowPairTail<Rgb>(s + c, w, d + 3 * c, w, end - c);
    }
}

bool body(const uint16_t* source, int32_t height, int32_t width, ptrdiff_t stride, const BodyOutput& output) {
    if (output.layout == Layout::Planar) return false;  // the plain planar sweep vectorises as it is
    if (output.layout == Layout::Rgb) {
        interleavedBody<true>(source, height, width, stride, output.interleaved);
    } else {
        interleavedBody<false>(source, height, width, stride, output.interleaved);
    }
    return true;
}

TAV_ISA_END
}  // namespace bilinear16
}  // namespace tav

#endif

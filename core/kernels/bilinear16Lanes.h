// Eight interior pixels of a 16-bit RGGB row pair at a time, in 16-bit lanes.
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
#ifndef TAV_KERNELS_BILINEAR16_LANES_H
#define TAV_KERNELS_BILINEAR16_LANES_H

#include <stdint.h>
#include <string.h>

#include "../simd/lanes.h"

// Only worth it where 16-bit lanes are native; elsewhere the plain rule runs.
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && \
    (defined(__SSE2__) || defined(__ARM_NEON))
#define TAV_BILINEAR16_LANES 1
#else
#define TAV_BILINEAR16_LANES 0
#endif

#if TAV_BILINEAR16_LANES

#if defined(__ARM_NEON)
#include <arm_neon.h>
#endif

namespace tav {
namespace bilinear16 {

typedef lanes::U16x8 Lanes;
typedef lanes::U32x4 Lanes32;
using lanes::interleaveHigh;
using lanes::interleaveLow;

constexpr int kBlockPixels = 8;

inline Lanes load(const uint16_t* at) { return lanes::load<Lanes>(at); }

// Even lanes from a, odd lanes from b.
inline Lanes evenOdd(Lanes a, Lanes b) {
    const Lanes even = {0xFFFF, 0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF, 0};
    return (a & even) | (b & ~even);
}

// The truncated mean of two samples and the bit the truncation dropped.
struct HalfSum {
    Lanes mean;
    Lanes dropped;
};

inline HalfSum halfSum(Lanes a, Lanes b) {
    const Lanes differing = a ^ b;
    const HalfSum h = {(Lanes)((a & b) + (differing >> 1)), (Lanes)(differing & 1)};
    return h;
}

// floor((a + b + c + d) / 4) from the half sums of (a, b) and (c, d).
inline Lanes quarterSum(const HalfSum& p, const HalfSum& q) {
    const Lanes differing = p.mean ^ q.mean;
    return (p.mean & q.mean) + (differing >> 1) + (differing & p.dropped & q.dropped);
}

// One source row seen from the block: the samples at the block's columns
// and the half sum of their left and right neighbours.
struct RowLanes {
    Lanes own;
    HalfSum sides;
};

inline RowLanes rowLanes(const uint16_t* at) {
    const RowLanes r = {load(at), halfSum(load(at - 1), load(at + 1))};
    return r;
}

struct BlockColours {
    Lanes red, green, blue;
};

// Odd row: B sites in even lanes, G sites (R above and below) in odd lanes.
inline BlockColours blueRowColours(const RowLanes& up, const RowLanes& mid, const RowLanes& down) {
    const HalfSum vertical = halfSum(up.own, down.own);
    BlockColours c;
    c.red = evenOdd(quarterSum(up.sides, down.sides), vertical.mean);
    c.green = evenOdd(quarterSum(vertical, mid.sides), mid.own);
    c.blue = evenOdd(mid.own, mid.sides.mean);
    return c;
}

// Even row: G sites (R left and right) in even lanes, R sites in odd lanes.
inline BlockColours redRowColours(const RowLanes& up, const RowLanes& mid, const RowLanes& down) {
    const HalfSum vertical = halfSum(up.own, down.own);
    BlockColours c;
    c.red = evenOdd(mid.sides.mean, mid.own);
    c.green = evenOdd(mid.own, quarterSum(vertical, mid.sides));
    c.blue = evenOdd(vertical.mean, quarterSum(up.sides, down.sides));
    return c;
}

// Writes the eight pixels as channel 0, 1, 2 words. Without NEON each pixel
// goes out as one 8-byte write whose fourth word lands on the next pixel,
// which is written afterwards: the caller keeps at least one pixel of the
// row after the block.
inline void storeInterleaved(uint16_t* at, Lanes channel0, Lanes channel1, Lanes channel2) {
#if defined(__ARM_NEON)
    const uint16x8x3_t pixels = {{channel0, channel1, channel2}};
    vst3q_u16(at, pixels);
#else
    const Lanes32 lowPairs = (Lanes32)interleaveLow(channel0, channel1);
    const Lanes32 highPairs = (Lanes32)interleaveHigh(channel0, channel1);
    const Lanes32 lowLast = (Lanes32)interleaveLow(channel2, channel2);
    const Lanes32 highLast = (Lanes32)interleaveHigh(channel2, channel2);
    // Two pixels per vector, four words each.
    const Lanes32 pixelPairs[4] = {interleaveLow(lowPairs, lowLast), interleaveHigh(lowPairs, lowLast),
                                   interleaveLow(highPairs, highLast), interleaveHigh(highPairs, highLast)};
    for (int i = 0; i < 4; ++i) {
        const unsigned char* bytes = (const unsigned char*)&pixelPairs[i];
        memcpy(at + 6 * i, bytes, 8);
        memcpy(at + 6 * i + 3, bytes + 8, 8);
    }
#endif
}

}  // namespace bilinear16
}  // namespace tav

#endif  // TAV_BILINEAR16_LANES
#endif

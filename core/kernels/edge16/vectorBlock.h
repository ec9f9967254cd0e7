// Blocks of the 16-bit edge-directed interior rows and differences in
// generic lanes, for the x86 kernel units.
#ifndef TAV_KERNELS_EDGE16_VECTOR_BLOCK_H
#define TAV_KERNELS_EDGE16_VECTOR_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/edge16/pairRule.h"
#include "simd/lanes16.h"

namespace tav {
namespace edge16 {
TAV_ISA_BEGIN

using namespace ::tav::lanes;

// SSE2: four column pairs a block; AVX2: eight.
#if defined(__AVX2__)
#define TAV_EDGE16_LANE_BYTES 32
#else
#define TAV_EDGE16_LANE_BYTES 16
#endif
typedef uint16_t Lanes __attribute__((vector_size(TAV_EDGE16_LANE_BYTES)));
typedef uint32_t Lanes32 __attribute__((vector_size(TAV_EDGE16_LANE_BYTES)));

// Column pairs in 32-bit lanes.
typedef int32_t Quad __attribute__((vector_size(TAV_EDGE16_LANE_BYTES)));

constexpr int32_t kBlockPairs = TAV_EDGE16_LANE_BYTES / 4;

inline Quad loadQuad(const int32_t* at) { return loadLanes<Quad>(at); }

// 2 * kBlockPairs samples from at: the even ones (columns at, at + 2, ...)
// and the odd ones, each widened to 32 bits (the low and high halves of each
// word).
struct PairSamples {
    Quad even, odd;
};

inline PairSamples loadPairs(const uint16_t* at) {
    const Lanes32 words = loadLanes<Lanes32>(at);
    const PairSamples p = {(Quad)(words & 0xFFFFu), (Quad)(words >> 16)};
    return p;
}

inline Quad evenSamples(const uint16_t* at) { return (Quad)(loadLanes<Lanes32>(at) & 0xFFFFu); }

inline Quad clampQuad(Quad v, int32_t top) {
    const Quad zero = {};
    const Quad limit = zero + top;
    v = v < zero ? zero : v;
    return v > limit ? limit : v;
}

inline Quad absQuad(Quad v) { return v < 0 ? -v : v; }

// 2 * kBlockPairs pixels: lane i of each a value is column 2i, of each b
// value column 2i + 1; every value lies in 0..65535, so a | b << 16 is the
// channel in pixel order.
inline Lanes pixelOrder(Quad a, Quad b) { return (Lanes)((Lanes32)a | ((Lanes32)b << 16)); }

// Eight pixels per 128-bit store group; wider lanes go out group by group.
inline void storePairs(uint16_t* at, Quad blueA, Quad greenA, Quad redA, Quad blueB, Quad greenB, Quad redB) {
    const Lanes channels[3] = {pixelOrder(blueA, blueB), pixelOrder(greenA, greenB), pixelOrder(redA, redB)};
    for (int group = 0; group < kBlockPairs / 4; ++group) {
        U16x8 c[3];
        for (int k = 0; k < 3; ++k) memcpy(&c[k], (const char*)&channels[k] + 16 * group, 16);
        storeThreeChannels(at + 24 * group, c[0], c[1], c[2]);
    }
}

inline void redRowBlock(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                        const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow) {
    const PairSamples x = loadPairs(s + 2 * k);
    const Quad redMid = loadQuad(redHere + k + 1), redRight = loadQuad(redHere + k + 2);
    const Quad blueUpLeft = loadQuad(blueAbove + k), blueUpRight = loadQuad(blueAbove + k + 1);
    const Quad blueDownLeft = loadQuad(blueBelow + k), blueDownRight = loadQuad(blueBelow + k + 1);
    const Quad greenA = x.even - redMid;
    storePairs(d + 6 * k, clampQuad(greenA + ((blueUpLeft + blueUpRight + blueDownLeft + blueDownRight) >> 2), top),
               greenA, x.even, clampQuad(x.odd + ((blueUpRight + blueDownRight) >> 1), top), x.odd,
               clampQuad(x.odd + ((redMid + redRight) >> 1), top));
}

inline void blueRowBlock(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                         const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere) {
    const PairSamples x = loadPairs(s + 2 * k);
    const Quad redUpMid = loadQuad(redAbove + k + 1), redUpRight = loadQuad(redAbove + k + 2);
    const Quad redDownMid = loadQuad(redBelow + k + 1), redDownRight = loadQuad(redBelow + k + 2);
    const Quad blueLeft = loadQuad(blueHere + k), blueRight = loadQuad(blueHere + k + 1);
    const Quad greenB = x.odd - blueRight;
    storePairs(d + 6 * k, clampQuad(x.even + ((blueLeft + blueRight) >> 1), top), x.even,
               clampQuad(x.even + ((redUpMid + redDownMid) >> 1), top), x.odd, greenB,
               clampQuad(greenB + ((redUpMid + redUpRight + redDownMid + redDownRight) >> 2), top));
}

inline int32_t redRowBlocks(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                            const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow) {
    int32_t k = 0;
    for (; k + kBlockPairs < pairs; k += kBlockPairs) redRowBlock(s, d, k, top, redHere, blueAbove, blueBelow);
    return k;
}

inline int32_t blueRowBlocks(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                             const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere) {
    int32_t k = 0;
    for (; k + kBlockPairs < pairs; k += kBlockPairs) blueRowBlock(s, d, k, top, redAbove, redBelow, blueHere);
    return k;
}

// Colour differences of kBlockPairs R or B sites two columns apart, the
// first at s: the site's sample minus its clamped pass-1 green. Reads columns
// -2 to 4 * kBlockPairs + 1 of the site's row and columns 0 to
// 4 * kBlockPairs - 1 two rows up and down.
inline void differenceBlock(const uint16_t* s, ptrdiff_t w, int32_t top, int32_t* out) {
    const PairSamples left = loadPairs(s - 2), here = loadPairs(s);
    const Quad x = here.even, east = here.odd, west = left.odd, westFar = left.even;
    const Quad eastFar = evenSamples(s + 2);
    const Quad north = evenSamples(s - w), south = evenSamples(s + w);
    const Quad northFar = evenSamples(s - 2 * w), southFar = evenSamples(s + 2 * w);
    const Quad dV = 2 * x - northFar - southFar;
    const Quad dH = 2 * x - westFar - eastFar;
    const Quad gH = absQuad(west - east) + absQuad(dH);
    const Quad gV = absQuad(north - south) + absQuad(dV);
    // Neighbour sums are non-negative, so the signed halving is the unsigned one.
    const Quad vertical = ((north + south) >> 1) + (dV >> 2);
    const Quad horizontal = ((west + east) >> 1) + (dH >> 2);
    const Quad green = clampQuad(gH >= gV ? vertical : horizontal, top);
    const Quad difference = x - green;
    memcpy(out, &difference, sizeof difference);
}

inline int32_t differenceBlocks(const uint16_t* s, ptrdiff_t w, int32_t pairs, int32_t top, int32_t* redHere,
                                int32_t* blueBelow) {
    int32_t k = 0;
    for (; k + kBlockPairs <= pairs; k += kBlockPairs) differenceBlock(s + 2 * k, w, top, redHere + k + 1);
    for (int32_t b = 0; b < k; b += kBlockPairs) differenceBlock(s + w + 1 + 2 * b, w, top, blueBelow + b + 1);
    return k;
}

TAV_ISA_END
}  // namespace edge16
}  // namespace tav

#endif

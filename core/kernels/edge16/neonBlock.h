// NEON blocks of the 16-bit edge-directed interior rows and differences.
#ifndef TAV_KERNELS_EDGE16_NEON_BLOCK_H
#define TAV_KERNELS_EDGE16_NEON_BLOCK_H

#include <arm_neon.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/edge16/pairRule.h"
#include "simd/lanes16.h"

namespace tav {
namespace edge16 {
TAV_ISA_BEGIN

using namespace ::tav::lanes;

// NEON blocks of eight column pairs (sixteen pixels). De-interleaving loads
// split the even and odd columns; the rule's signed terms are formed in
// 32-bit lanes from widening differences and sums of the 16-bit samples,
// the halved and quartered corrections added with shift-and-accumulate, and
// the results clamped by a saturating narrow to 0..65535 and a minimum with
// the top value.
constexpr int32_t kBlockPairs = 8;

inline int32x4_t widened(uint16x4_t v) { return vreinterpretq_s32_u32(vmovl_u16(v)); }
inline uint16x4_t narrowed(int32x4_t v) { return vqmovun_s32(v); }

// Colour differences of eight R or B sites two columns apart, the first at
// s: the site's sample minus its clamped pass-1 green. Reads columns -2 to
// +16 of the site's row and columns 0 to 15 two rows up and down.
template <bool FullRange>
inline void differenceBlockIn(const uint16_t* s, ptrdiff_t w, int32_t top, int32_t* out) {
    const uint16x8x2_t left = vld2q_u16(s - 2);
    const uint16x8x2_t here = vld2q_u16(s);
    const uint16x8_t x = here.val[0], east = here.val[1], west = left.val[1], westFar = left.val[0];
    const uint16x8_t eastFar = vextq_u16(x, vld1q_dup_u16(s + 16), 1);
    const uint16x8_t north = vld2q_u16(s - w).val[0], south = vld2q_u16(s + w).val[0];
    const uint16x8_t northFar = vld2q_u16(s - 2 * w).val[0], southFar = vld2q_u16(s + 2 * w).val[0];
    const uint16x8_t verticalMean = vhaddq_u16(north, south), horizontalMean = vhaddq_u16(west, east);
    uint16x4_t green[2];
    for (int h = 0; h < 2; ++h) {
        const uint16x4_t xh = h ? vget_high_u16(x) : vget_low_u16(x);
#define TAV_HALF(v) (h ? vget_high_u16(v) : vget_low_u16(v))
        const int32x4_t x2 = vreinterpretq_s32_u32(vshll_n_u16(xh, 1));
        const int32x4_t dV = vsubq_s32(x2, vreinterpretq_s32_u32(vaddl_u16(TAV_HALF(northFar), TAV_HALF(southFar))));
        const int32x4_t dH = vsubq_s32(x2, vreinterpretq_s32_u32(vaddl_u16(TAV_HALF(westFar), TAV_HALF(eastFar))));
#if defined(__aarch64__)
        // uabdl2 takes the upper halves in place; the compiler would first move them out.
        const uint32x4_t northSouth = h ? vabdl_high_u16(north, south) : vabdl_u16(TAV_HALF(north), TAV_HALF(south));
        const uint32x4_t westEast = h ? vabdl_high_u16(west, east) : vabdl_u16(TAV_HALF(west), TAV_HALF(east));
#else
        const uint32x4_t northSouth = vabdl_u16(TAV_HALF(north), TAV_HALF(south));
        const uint32x4_t westEast = vabdl_u16(TAV_HALF(west), TAV_HALF(east));
#endif
        const int32x4_t gV = vaddq_s32(vabsq_s32(dV), vreinterpretq_s32_u32(northSouth));
        const int32x4_t gH = vaddq_s32(vabsq_s32(dH), vreinterpretq_s32_u32(westEast));
        const int32x4_t vertical = vsraq_n_s32(widened(TAV_HALF(verticalMean)), dV, 2);
        const int32x4_t horizontal = vsraq_n_s32(widened(TAV_HALF(horizontalMean)), dH, 2);
#undef TAV_HALF
        green[h] = narrowed(vbslq_s32(vcgeq_s32(gH, gV), vertical, horizontal));
    }
    // The saturating narrow clamps to the full range already.
    const uint16x8_t clampedGreen = FullRange ? vcombine_u16(green[0], green[1])
                                              : vminq_u16(vcombine_u16(green[0], green[1]), vdupq_n_u16((uint16_t)top));
    // Both terms lie in 0..65535: the wrapped 32-bit difference is the signed one.
    vst1q_s32(out, vreinterpretq_s32_u32(vsubl_u16(vget_low_u16(x), vget_low_u16(clampedGreen))));
    vst1q_s32(out + 4, vreinterpretq_s32_u32(vsubl_u16(vget_high_u16(x), vget_high_u16(clampedGreen))));
}

// The red sites of the row pair, then the blue ones, a block at a time;
// returns the first pair not done. The range test is made once per row pair.
template <bool FullRange>
inline int32_t differenceBlocksIn(const uint16_t* s, ptrdiff_t w, int32_t pairs, int32_t top, int32_t* redHere,
                                  int32_t* blueBelow) {
    int32_t k = 0;
    for (; k + kBlockPairs <= pairs; k += kBlockPairs) differenceBlockIn<FullRange>(s + 2 * k, w, top, redHere + k + 1);
    for (int32_t b = 0; b < k; b += kBlockPairs)
        differenceBlockIn<FullRange>(s + w + 1 + 2 * b, w, top, blueBelow + b + 1);
    return k;
}

inline int32_t differenceBlocks(const uint16_t* s, ptrdiff_t w, int32_t pairs, int32_t top, int32_t* redHere,
                                int32_t* blueBelow) {
    return top == 65535 ? differenceBlocksIn<true>(s, w, pairs, top, redHere, blueBelow)
                        : differenceBlocksIn<false>(s, w, pairs, top, redHere, blueBelow);
}

// Clamped to 0..top. At the full 16-bit range a saturating shift into the
// high half and back clamps with no constant registers, which leaves the
// blocks enough registers to run without spills.
template <bool FullRange>
inline int32x4_t clampedLanes(int32x4_t v, int32x4_t top) {
    if (FullRange) return vreinterpretq_s32_u32(vshrq_n_u32(vqshluq_n_s32(v, 16), 16));
    return vminq_s32(vmaxq_s32(v, vdupq_n_s32(0)), top);
}

// Four pixel pairs (a, b) as B, G, R words: each 32-bit lane of the three
// stores holds two 16-bit samples, (B a, G a), (R a, B b), (G b, R b), so
// one three-way interleaving store of 32-bit lanes writes the eight pixels
// with no zips. Every value lies in 0..65535.
inline void storeWords(uint16_t* at, uint32x4_t first, uint32x4_t second, uint32x4_t third) {
    const uint32x4x3_t words = {{first, second, third}};
    vst3q_u32(reinterpret_cast<uint32_t*>(at), words);
}

// A word of clamped low and plain high sample.
template <bool FullRange>
inline uint32x4_t withClampedLow(int32x4_t low, int32x4_t high, int32x4_t limit) {
    return vsliq_n_u32(vreinterpretq_u32_s32(clampedLanes<FullRange>(low, limit)), vreinterpretq_u32_s32(high), 16);
}

// A word of plain low and clamped high sample. At the full range the
// saturating shift leaves the clamped value in the high half (and ones
// below it when it saturates), so a bit select finishes the word.
template <bool FullRange>
inline uint32x4_t withClampedHigh(int32x4_t low, int32x4_t high, int32x4_t limit) {
    if (FullRange) return vbslq_u32(vdupq_n_u32(0xFFFF0000u), vqshluq_n_s32(high, 16), vreinterpretq_u32_s32(low));
    return vsliq_n_u32(vreinterpretq_u32_s32(low), vreinterpretq_u32_s32(clampedLanes<false>(high, limit)), 16);
}

// Nine consecutive differences from `at` as the four-lane groups the eight
// pairs need: here[h] = at[4h .. 4h + 3], next[h] = at[4h + 1 .. 4h + 4].
// Three sequential loads and two lane shifts instead of four loads from
// four addresses.
struct Differences {
    int32x4_t here[2], next[2];
};

inline Differences loadDifferences(const int32_t* at) {
    const int32x4_t first = vld1q_s32(at), second = vld1q_s32(at + 4);
#if defined(__aarch64__)
    // Here the lone last difference costs a load, a duplicate and a shift:
    // one unaligned load of the upper group is cheaper.
    const Differences v = {{first, second}, {vextq_s32(first, second, 1), vld1q_s32(at + 5)}};
#else
    const int32x4_t last = vld1q_dup_s32(at + 8);
    const Differences v = {{first, second}, {vextq_s32(first, second, 1), vextq_s32(second, last, 1)}};
#endif
    return v;
}

// Eight column pairs, four at a time: each half is stored as soon as it is
// formed, which keeps few vectors live.
template <bool FullRange>
inline void redRowBlockIn(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                          const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow) {
    const uint16x8x2_t x = vld2q_u16(s + 2 * k);
    const int32x4_t limit = vdupq_n_s32(top);
    const Differences red = loadDifferences(redHere + k + 1);
    const Differences up = loadDifferences(blueAbove + k), down = loadDifferences(blueBelow + k);
    for (int h = 0; h < 2; ++h) {
        const uint16x4_t even = h ? vget_high_u16(x.val[0]) : vget_low_u16(x.val[0]);
        const uint16x4_t odd = h ? vget_high_u16(x.val[1]) : vget_low_u16(x.val[1]);
        const int32x4_t greenA = vsubq_s32(widened(even), red.here[h]);
        const int32x4_t blueA =
            vsraq_n_s32(greenA, vaddq_s32(vaddq_s32(up.here[h], up.next[h]), vaddq_s32(down.here[h], down.next[h])), 2);
        const int32x4_t blueB = vsraq_n_s32(widened(odd), vaddq_s32(up.next[h], down.next[h]), 1);
        const int32x4_t redB = vsraq_n_s32(widened(odd), vaddq_s32(red.here[h], red.next[h]), 1);
        // greenA is the site's clamped green already.
        storeWords(d + 6 * (k + 4 * h), withClampedLow<FullRange>(blueA, greenA, limit),
                   withClampedHigh<FullRange>(widened(even), blueB, limit),
                   withClampedHigh<FullRange>(widened(odd), redB, limit));
    }
}

template <bool FullRange>
inline void blueRowBlockIn(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                           const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere) {
    const uint16x8x2_t x = vld2q_u16(s + 2 * k);
    const int32x4_t limit = vdupq_n_s32(top);
    const Differences up = loadDifferences(redAbove + k + 1), down = loadDifferences(redBelow + k + 1);
    const Differences blue = loadDifferences(blueHere + k);
    for (int h = 0; h < 2; ++h) {
        const uint16x4_t even = h ? vget_high_u16(x.val[0]) : vget_low_u16(x.val[0]);
        const uint16x4_t odd = h ? vget_high_u16(x.val[1]) : vget_low_u16(x.val[1]);
        const int32x4_t greenB = vsubq_s32(widened(odd), blue.next[h]);
        const int32x4_t blueA = vsraq_n_s32(widened(even), vaddq_s32(blue.here[h], blue.next[h]), 1);
        const int32x4_t redA = vsraq_n_s32(widened(even), vaddq_s32(up.here[h], down.here[h]), 1);
        const int32x4_t redB =
            vsraq_n_s32(greenB, vaddq_s32(vaddq_s32(up.here[h], up.next[h]), vaddq_s32(down.here[h], down.next[h])), 2);
        storeWords(d + 6 * (k + 4 * h), withClampedLow<FullRange>(blueA, widened(even), limit),
                   withClampedLow<FullRange>(redA, widened(odd), limit),
                   withClampedHigh<FullRange>(greenB, redB, limit));
    }
}

// The blocks of a row while a pixel of it is still to follow (the
// interleaved store may touch it before it is written); returns the first
// pair not done. The range test is made once per row.
template <bool FullRange>
inline int32_t redRowBlocksIn(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                              const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow) {
    int32_t k = 0;
    for (; k + kBlockPairs < pairs; k += kBlockPairs)
        redRowBlockIn<FullRange>(s, d, k, top, redHere, blueAbove, blueBelow);
    return k;
}

inline int32_t redRowBlocks(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                            const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow) {
    return top == 65535 ? redRowBlocksIn<true>(s, d, pairs, top, redHere, blueAbove, blueBelow)
                        : redRowBlocksIn<false>(s, d, pairs, top, redHere, blueAbove, blueBelow);
}

template <bool FullRange>
inline int32_t blueRowBlocksIn(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                               const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere) {
    int32_t k = 0;
    for (; k + kBlockPairs < pairs; k += kBlockPairs)
        blueRowBlockIn<FullRange>(s, d, k, top, redAbove, redBelow, blueHere);
    return k;
}

inline int32_t blueRowBlocks(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                             const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere) {
    return top == 65535 ? blueRowBlocksIn<true>(s, d, pairs, top, redAbove, redBelow, blueHere)
                        : blueRowBlocksIn<false>(s, d, pairs, top, redAbove, redBelow, blueHere);
}

TAV_ISA_END
}  // namespace edge16
}  // namespace tav

#endif

// Whole output rows of the 16-bit edge-directed interior, formed from the
// colour differences (sample minus green) of the row and its neighbours.
//
// Columns are taken in pairs from the interior's first column p: pair k
// covers columns a = p + 2k and b = a + 1. On a red row a is an R site and
// b a G site; on a blue row a is a G site and b a B site. Difference arrays
// are indexed j for column p - 2 + 2j (red rows) or p - 1 + 2j (blue rows),
// so the four differences around pair k are entries k .. k + 2.
//
// Each row writes red over columns p - 1 .. Ec - 2 and blue and green over
// p .. Ec - 1 (Ec = p + 2 * pairs): whole pixels p .. Ec - 2, red alone at
// p - 1 and blue and green alone at Ec - 1. Long rows go in runs of pairs,
// each needing the differences one pair beyond its end. In vector variants
// (TAV_EDGE16_BLOCKS 1, after core/simd/lanes16.h), the whole pixels go four
// column pairs at a time through one interleaved store per eight pixels; the
// plain per-pair rule handles the rest and is the definition the blocks match.
//
// Included inside the namespace of one instruction set (tav::edge16::plain,
// ::sse2, ::avx2, ::neon), after <stdint.h> and <string.h>.
#ifndef TAV_KERNELS_EDGE16_ROWS_H
#define TAV_KERNELS_EDGE16_ROWS_H

// Which channels a blue row receives: its first interior row lacks blue and
// green (finished by the first rows routine), its last lacks red (finished by
// the last rows routine).
enum BlueRowPart { kBlueRowRedOnly, kBlueRowWhole, kBlueRowBlueGreenOnly };

inline int32_t clampSample(int32_t v, int32_t top) { return v < 0 ? 0 : (v > top ? top : v); }
inline uint16_t clamped(int32_t v, int32_t top) { return (uint16_t)clampSample(v, top); }

// Red row, pair k: s and d point at column p of the row. The G site's red
// needs the next pair's red difference, which the row's last pair lacks:
// there WithGreenSiteRed is false and that sample is left to the caller.
template <bool WithGreenSiteRed = true>
inline void redRowPair(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                       const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow) {
    const int32_t a = 2 * k, b = a + 1;
    const int32_t greenA = s[a] - redHere[k + 1];
    d[3 * a + 0] = clamped(greenA + ((blueAbove[k] + blueAbove[k + 1] + blueBelow[k] + blueBelow[k + 1]) >> 2), top);
    d[3 * a + 1] = (uint16_t)greenA;
    d[3 * a + 2] = s[a];
    d[3 * b + 0] = clamped(s[b] + ((blueAbove[k + 1] + blueBelow[k + 1]) >> 1), top);
    d[3 * b + 1] = s[b];
    if (WithGreenSiteRed) d[3 * b + 2] = clamped(s[b] + ((redHere[k + 1] + redHere[k + 2]) >> 1), top);
}

// Blue row, pair k: s and d point at column p of the row.
inline void blueRowPair(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                        const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere) {
    const int32_t a = 2 * k, b = a + 1;
    const int32_t greenB = s[b] - blueHere[k + 1];
    d[3 * a + 0] = clamped(s[a] + ((blueHere[k] + blueHere[k + 1]) >> 1), top);
    d[3 * a + 1] = s[a];
    d[3 * a + 2] = clamped(s[a] + ((redAbove[k + 1] + redBelow[k + 1]) >> 1), top);
    d[3 * b + 0] = s[b];
    d[3 * b + 1] = (uint16_t)greenB;
    d[3 * b + 2] =
        clamped(greenB + ((redAbove[k + 1] + redAbove[k + 2] + redBelow[k + 1] + redBelow[k + 2]) >> 2), top);
}

#if TAV_EDGE16_BLOCKS && defined(__ARM_NEON) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__

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
        const int32x4_t gV = vaddq_s32(vabsq_s32(dV), vreinterpretq_s32_u32(vabdl_u16(TAV_HALF(north), TAV_HALF(south))));
        const int32x4_t gH = vaddq_s32(vabsq_s32(dH), vreinterpretq_s32_u32(vabdl_u16(TAV_HALF(west), TAV_HALF(east))));
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
    const int32x4_t first = vld1q_s32(at), second = vld1q_s32(at + 4), last = vld1q_dup_s32(at + 8);
    const Differences v = {{first, second}, {vextq_s32(first, second, 1), vextq_s32(second, last, 1)}};
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

#elif TAV_EDGE16_BLOCKS

// TAV_EDGE16_LANE_BYTES: 16 (SSE2, four column pairs a block) or 32 (AVX2, eight).
#if !defined(TAV_EDGE16_LANE_BYTES)
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

#endif  // TAV_EDGE16_BLOCKS

// Where a run of column pairs lies in its row: a run that opens the row
// also writes the red of the column before it; one that closes the row
// leaves the red of its last column to the last columns routine.
struct RunEnds {
    bool opensRow;
    bool closesRow;
};

// Whole pixels of the run's pairs (but for what the row's last column
// lacks). Blocks stop while a pixel of the row is still to follow, which
// the interleaved store may touch before it is written.
inline void redRow(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                   const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow, RunEnds ends) {
    if (ends.opensRow) d[-3 + 2] = clamped(s[-1] + ((redHere[0] + redHere[1]) >> 1), top);
    int32_t k = 0;
#if TAV_EDGE16_BLOCKS
    k = redRowBlocks(s, d, pairs, top, redHere, blueAbove, blueBelow);
#endif
    for (; k < pairs - 1; ++k) redRowPair(s, d, k, top, redHere, blueAbove, blueBelow);
    if (ends.closesRow) {
        redRowPair<false>(s, d, k, top, redHere, blueAbove, blueBelow);
    } else {
        redRowPair(s, d, k, top, redHere, blueAbove, blueBelow);
    }
}

inline void blueRow(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                    const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere, BlueRowPart part,
                    RunEnds ends) {
    const bool withRed = part != kBlueRowBlueGreenOnly, withBlueGreen = part != kBlueRowRedOnly;
    if (withRed && ends.opensRow)
        d[-3 + 2] = clamped(s[-1] - blueHere[0] + ((redAbove[0] + redAbove[1] + redBelow[0] + redBelow[1]) >> 2), top);
    // Pairs written whole where the part allows it.
    const int32_t fullPairs = ends.closesRow ? pairs - 1 : pairs;
    int32_t k = 0;
    if (part == kBlueRowWhole) {
#if TAV_EDGE16_BLOCKS
        k = blueRowBlocks(s, d, pairs, top, redAbove, redBelow, blueHere);
#endif
        for (; k < fullPairs; ++k) blueRowPair(s, d, k, top, redAbove, redBelow, blueHere);
    } else {
        for (; k < fullPairs; ++k) {
            const int32_t a = 2 * k, b = a + 1;
            if (withRed) {
                d[3 * a + 2] = clamped(s[a] + ((redAbove[k + 1] + redBelow[k + 1]) >> 1), top);
                d[3 * b + 2] = clamped(
                    s[b] - blueHere[k + 1] + ((redAbove[k + 1] + redAbove[k + 2] + redBelow[k + 1] + redBelow[k + 2]) >> 2),
                    top);
            } else {
                d[3 * a + 0] = clamped(s[a] + ((blueHere[k] + blueHere[k + 1]) >> 1), top);
                d[3 * a + 1] = s[a];
                d[3 * b + 0] = s[b];
                d[3 * b + 1] = (uint16_t)(s[b] - blueHere[k + 1]);
            }
        }
    }
    if (!ends.closesRow) return;
    // Last pair of the row: the G site whole, the B site blue and green only.
    const int32_t a = 2 * k, b = a + 1;
    if (withBlueGreen) {
        d[3 * a + 0] = clamped(s[a] + ((blueHere[k] + blueHere[k + 1]) >> 1), top);
        d[3 * a + 1] = s[a];
        d[3 * b + 0] = s[b];
        d[3 * b + 1] = (uint16_t)(s[b] - blueHere[k + 1]);
    }
    if (withRed) d[3 * a + 2] = clamped(s[a] + ((redAbove[k + 1] + redBelow[k + 1]) >> 1), top);
}

#endif

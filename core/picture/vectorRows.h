// The picture pipeline's vector rows: the same rule as the plain loops of
// linearRows.cpp, demosaicRows.cpp and colourRows.cpp for the runs of a row
// that lie away from its ends, in generic vectors of the instruction set's
// width. Each routine does whole vectors from its start column and returns
// the column where the plain loop goes on.
#ifndef TAV_CORE_PICTURE_VECTOR_ROWS_H
#define TAV_CORE_PICTURE_VECTOR_ROWS_H

#include <stdint.h>
#include <string.h>

#include "picture/pictureState.h"
#include "simd/isaNamespace.h"

#if defined(TAV_KERNEL_UNIT) && defined(__ARM_NEON)
#include <arm_neon.h>
#elif defined(TAV_KERNEL_UNIT) && defined(__SSE2__)
#include <immintrin.h>
#endif

namespace tav {
namespace picture {

// Black levels and factors of the even and odd columns of one row, and the
// frame's shift (stages 2 to 4).
struct ScaleRow {
    uint32_t black[2];
    uint32_t factor[2];
    int32_t shift;
};

struct VectorRows {
    // Bytes widened to 16 bits, and little-endian 16-bit words limited to
    // `limit`, for samples [0, returned).
    int32_t (*widenBytes)(const uint8_t* row, uint16_t* out, int32_t width);
    int32_t (*limitWords)(const uint8_t* row, uint16_t* out, int32_t width, uint16_t limit);
    // Packed 10/12-bit samples [0, returned) of a row of `width` samples,
    // reading no byte from the row's 3 x ceil(width / 2) on; null where byte
    // shuffles are not one instruction.
    int32_t (*unpackPacked)(const uint8_t* row, uint16_t* out, int32_t width, int32_t depth);
    // linear[x] for x in [0, returned).
    int32_t (*scale)(const uint16_t* shaded, uint16_t* linear, int32_t width, const ScaleRow& rule);
    // Bilinear output columns [1, returned): colour sites where x & 1 == colourParity.
    int32_t (*bilinear)(const uint16_t* up, const uint16_t* mid, const uint16_t* down, uint16_t* own,
                        uint16_t* green, uint16_t* other, int32_t width, int32_t colourParity);
    // Nearest output columns [1, returned): at a colour site its own sample,
    // green from the left, the other colour from up-left; at a green site
    // the row's colour from the left and the other colour from above.
    int32_t (*nearest)(const uint16_t* up, const uint16_t* mid, uint16_t* own, uint16_t* green, uint16_t* other,
                       int32_t width, int32_t colourParity);
    // Colour matrix in place for x in [0, returned).
    int32_t (*matrix)(uint16_t* red, uint16_t* green, uint16_t* blue, const int32_t* q, int32_t width);
    // Edge-directed greens of row s (rows u1, d1 one and u2, d2 two away)
    // for columns [2, returned).
    int32_t (*edgeGreens)(const uint16_t* s, const uint16_t* u1, const uint16_t* d1, const uint16_t* u2,
                          const uint16_t* d2, uint16_t* out, int32_t width, int32_t colourParity);
    // Edge-directed output columns [1, returned) from the rows above, at and
    // below (samples and greens).
    int32_t (*edgeRow)(const uint16_t* const* samples, const uint16_t* const* greens, uint16_t* own,
                       uint16_t* green, uint16_t* other, int32_t width, int32_t colourParity);
    // Statistics of the tiles of columns [0, returned) of two rows of shaded
    // samples: sums by tile position of the unsaturated tiles (added to
    // sums) and their number.
    int32_t (*tileSums)(const uint16_t* top, const uint16_t* bottom, int32_t width, uint32_t white,
                        const uint32_t* black, uint64_t* sums, uint32_t* tiles);
    // Curve, interleaved layout (3 or 4 bytes a pixel, red or blue first)
    // and histogram counts (four histograms of 64 bins, pixel x in
    // histogram x & 3; none when bins is null) of pixels [0, returned); null
    // where the plain loop is as fast.
    int32_t (*curveInterleaved)(const uint8_t* curve, const uint16_t* red, const uint16_t* green,
                                const uint16_t* blue, int32_t width, int32_t bytes, bool redFirst, uint8_t* out,
                                uint32_t (*bins)[64]);
};

#if defined(TAV_KERNEL_UNIT)
TAV_ISA_BEGIN

#if defined(__AVX2__)
constexpr int kBytes = 32;
#else
constexpr int kBytes = 16;
#endif
constexpr int kLanes16 = kBytes / 2;
constexpr int kLanes32 = kBytes / 4;
typedef uint16_t U16v __attribute__((vector_size(kBytes)));
typedef int16_t I16v __attribute__((vector_size(kBytes)));
typedef uint16_t U16h __attribute__((vector_size(kBytes / 2)));
typedef uint32_t U32v __attribute__((vector_size(kBytes)));
typedef int32_t I32v __attribute__((vector_size(kBytes)));

template <class V>
inline __attribute__((always_inline)) V loadV(const void* at) {
    V v;
    memcpy(&v, at, sizeof v);
    return v;
}
template <class V>
inline __attribute__((always_inline)) void storeV(void* at, V v) {
    memcpy(at, &v, sizeof v);
}

// Even lanes a, odd lanes b.
template <class V, class T>
inline V alternating(T a, T b) {
    V v;
    for (unsigned i = 0; i < sizeof(V) / sizeof(T); ++i) v[i] = (i & 1) ? b : a;
    return v;
}

#if defined(__ARM_NEON)
// NEON: the saturating subtraction is the black level's max(s - black, 0),
// the widening multiply s2 * M, the rounding shift adds 2^(k-1) (the product
// stays below 2^31, so nothing carries out), and the saturating narrow plus
// a minimum clip to the linear scale.
inline int32_t scaleVector(const uint16_t* shaded, uint16_t* linear, int32_t width, const ScaleRow& rule) {
    const uint16_t blackPair[8] = {(uint16_t)rule.black[0], (uint16_t)rule.black[1], (uint16_t)rule.black[0],
                                   (uint16_t)rule.black[1], (uint16_t)rule.black[0], (uint16_t)rule.black[1],
                                   (uint16_t)rule.black[0], (uint16_t)rule.black[1]};
    const uint16_t factorPair[4] = {(uint16_t)rule.factor[0], (uint16_t)rule.factor[1], (uint16_t)rule.factor[0],
                                    (uint16_t)rule.factor[1]};
    const uint16x8_t black = vld1q_u16(blackPair);
    const uint16x4_t factor = vld1_u16(factorPair);
    const int32x4_t shift = vdupq_n_s32(-rule.shift);
    const uint16x8_t top = vdupq_n_u16((uint16_t)kLinearMax);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const uint16x8_t s2 = vqsubq_u16(vld1q_u16(shaded + x), black);
        const uint32x4_t low = vrshlq_u32(vmull_u16(vget_low_u16(s2), factor), shift);
        const uint32x4_t high = vrshlq_u32(vmull_u16(vget_high_u16(s2), factor), shift);
        vst1q_u16(linear + x, vminq_u16(vcombine_u16(vqmovn_u32(low), vqmovn_u32(high)), top));
    }
    return x;
}
#else
inline int32_t scaleVector(const uint16_t* shaded, uint16_t* linear, int32_t width, const ScaleRow& rule) {
    const U32v black = alternating<U32v>(rule.black[0], rule.black[1]);
    const U32v factor = alternating<U32v>(rule.factor[0], rule.factor[1]);
    const U32v half = (U32v){} + (rule.shift > 0 ? 1u << (rule.shift - 1) : 0u);
    const U32v top = (U32v){} + (uint32_t)kLinearMax;
    const int32_t shift = rule.shift;
    int32_t x = 0;
    for (; x + kLanes32 <= width; x += kLanes32) {
        const U32v s = __builtin_convertvector(loadV<U16h>(shaded + x), U32v);
        const U32v s2 = (s - black) & (U32v)(s > black);
        U32v v = (s2 * factor + half) >> shift;
        v = v > top ? top : v;
        storeV(linear + x, __builtin_convertvector(v, U16h));
    }
    return x;
}
#endif

inline int32_t bilinearVector(const uint16_t* up, const uint16_t* mid, const uint16_t* down, uint16_t* own,
                              uint16_t* green, uint16_t* other, int32_t width, int32_t colourParity) {
    // x stays odd, so lane i sits at column x + i, of the parity of i + 1:
    // all ones in the lanes at colour sites.
    const U16v atColour = colourParity == 0 ? alternating<U16v, uint16_t>(0, 0xFFFF)
                                            : alternating<U16v, uint16_t>(0xFFFF, 0);
    int32_t x = 1;
    for (; x + kLanes16 <= width - 1; x += kLanes16) {
        const U16v u = loadV<U16v>(up + x), d = loadV<U16v>(down + x), m = loadV<U16v>(mid + x);
        const U16v ml = loadV<U16v>(mid + x - 1), mr = loadV<U16v>(mid + x + 1);
        const U16v ul = loadV<U16v>(up + x - 1), ur = loadV<U16v>(up + x + 1);
        const U16v dl = loadV<U16v>(down + x - 1), dr = loadV<U16v>(down + x + 1);
        const U16v cross = (U16v)(u + d + ml + mr) >> 2;
        const U16v diag = (U16v)(ul + ur + dl + dr) >> 2;
        const U16v across = (U16v)(ml + mr) >> 1;
        const U16v upDown = (U16v)(u + d) >> 1;
        storeV(own + x, (m & atColour) | (across & ~atColour));
        storeV(green + x, (cross & atColour) | (m & ~atColour));
        storeV(other + x, (diag & atColour) | (upDown & ~atColour));
    }
    return x;
}

inline int32_t nearestVector(const uint16_t* up, const uint16_t* mid, uint16_t* own, uint16_t* green,
                             uint16_t* other, int32_t width, int32_t colourParity) {
    const U16v atColour = colourParity == 0 ? alternating<U16v, uint16_t>(0, 0xFFFF)
                                            : alternating<U16v, uint16_t>(0xFFFF, 0);
    int32_t x = 1;  // odd, as in bilinearVector
    for (; x + kLanes16 <= width; x += kLanes16) {
        const U16v m = loadV<U16v>(mid + x), ml = loadV<U16v>(mid + x - 1);
        const U16v u = loadV<U16v>(up + x), ul = loadV<U16v>(up + x - 1);
        storeV(own + x, (m & atColour) | (ml & ~atColour));
        storeV(green + x, (ml & atColour) | (m & ~atColour));
        storeV(other + x, (ul & atColour) | (u & ~atColour));
    }
    return x;
}

#if defined(__ARM_NEON)
// NEON: samples and Q10 entries both fit signed 16 bits, so each output
// colour is three widening multiply-accumulates per half; the saturating
// rounding narrow is (sum + 512) >> 10 clamped below at 0, and a minimum
// clamps it to the linear scale.
inline int32_t matrixVector(uint16_t* red, uint16_t* green, uint16_t* blue, const int32_t* q, int32_t width) {
    int16_t k[12] = {0};
    for (int i = 0; i < 9; ++i) k[i] = (int16_t)q[i];
    // The entries in lanes of three registers, multiplied by lane number.
    const int16x4_t k0 = vld1_s16(k), k1 = vld1_s16(k + 4), k2 = vld1_s16(k + 8);
    const uint16x8_t top = vdupq_n_u16((uint16_t)kLinearMax);
    int32_t x = 0;
#define TAV_MATRIX_HALF(half, a, la, b, lb, c, lc)                                   \
    vmlal_lane_s16(vmlal_lane_s16(vmull_lane_s16(vget_##half##_s16(r), a, la),       \
                                  vget_##half##_s16(g), b, lb),                      \
                   vget_##half##_s16(bl), c, lc)
#define TAV_MATRIX_ROW(a, la, b, lb, c, lc)                                                      \
    vminq_u16(vcombine_u16(vqrshrun_n_s32(TAV_MATRIX_HALF(low, a, la, b, lb, c, lc), kMatrixShift), \
                           vqrshrun_n_s32(TAV_MATRIX_HALF(high, a, la, b, lb, c, lc), kMatrixShift)), \
              top)
    for (; x + 8 <= width; x += 8) {
        const int16x8_t r = vreinterpretq_s16_u16(vld1q_u16(red + x));
        const int16x8_t g = vreinterpretq_s16_u16(vld1q_u16(green + x));
        const int16x8_t bl = vreinterpretq_s16_u16(vld1q_u16(blue + x));
        const uint16x8_t outRed = TAV_MATRIX_ROW(k0, 0, k0, 1, k0, 2);
        const uint16x8_t outGreen = TAV_MATRIX_ROW(k0, 3, k1, 0, k1, 1);
        const uint16x8_t outBlue = TAV_MATRIX_ROW(k1, 2, k1, 3, k2, 0);
        vst1q_u16(red + x, outRed);
        vst1q_u16(green + x, outGreen);
        vst1q_u16(blue + x, outBlue);
    }
#undef TAV_MATRIX_ROW
#undef TAV_MATRIX_HALF
    return x;
}
#elif defined(__SSE2__)
// x86: samples and Q10 entries both fit signed 16 bits, so a pair of
// colours times a pair of entries is one multiply-add of 16-bit pairs into
// 32 bits; blue pairs with 1 and the entry pairs with 512, the rounding.
// Interleaving and packing keep the lanes' order (per 128-bit half), the
// saturating pack and the 16-bit minimum and maximum clamp.
#if defined(__AVX2__)
typedef __m256i XVec;
#define TAV_X(op) _mm256_##op
#else
typedef __m128i XVec;
#define TAV_X(op) _mm_##op
#endif
inline XVec matrixColour(XVec redGreenLow, XVec redGreenHigh, XVec blueOneLow, XVec blueOneHigh, const int32_t* q) {
    const XVec pairRG = TAV_X(set1_epi32)((int32_t)(((uint32_t)(uint16_t)q[1] << 16) | (uint16_t)q[0]));
    const XVec pairB = TAV_X(set1_epi32)((int32_t)((512u << 16) | (uint16_t)q[2]));
    const XVec low = TAV_X(srai_epi32)(TAV_X(add_epi32)(TAV_X(madd_epi16)(redGreenLow, pairRG),
                                                       TAV_X(madd_epi16)(blueOneLow, pairB)), kMatrixShift);
    const XVec high = TAV_X(srai_epi32)(TAV_X(add_epi32)(TAV_X(madd_epi16)(redGreenHigh, pairRG),
                                                        TAV_X(madd_epi16)(blueOneHigh, pairB)), kMatrixShift);
    const XVec packed = TAV_X(packs_epi32)(low, high);
    return TAV_X(min_epi16)(TAV_X(max_epi16)(packed, TAV_X(set1_epi16)(0)),
                            TAV_X(set1_epi16)((int16_t)kLinearMax));
}
inline int32_t matrixVector(uint16_t* red, uint16_t* green, uint16_t* blue, const int32_t* q, int32_t width) {
    const int32_t lanes = (int32_t)(sizeof(XVec) / 2);
    const XVec one = TAV_X(set1_epi16)(1);
    int32_t x = 0;
    for (; x + lanes <= width; x += lanes) {
        XVec r, g, b;
        memcpy(&r, red + x, sizeof r);
        memcpy(&g, green + x, sizeof g);
        memcpy(&b, blue + x, sizeof b);
        const XVec rgLow = TAV_X(unpacklo_epi16)(r, g), rgHigh = TAV_X(unpackhi_epi16)(r, g);
        const XVec b1Low = TAV_X(unpacklo_epi16)(b, one), b1High = TAV_X(unpackhi_epi16)(b, one);
        const XVec outRed = matrixColour(rgLow, rgHigh, b1Low, b1High, q);
        const XVec outGreen = matrixColour(rgLow, rgHigh, b1Low, b1High, q + 3);
        const XVec outBlue = matrixColour(rgLow, rgHigh, b1Low, b1High, q + 6);
        memcpy(red + x, &outRed, sizeof outRed);
        memcpy(green + x, &outGreen, sizeof outGreen);
        memcpy(blue + x, &outBlue, sizeof outBlue);
    }
    return x;
}
#undef TAV_X
#else
inline int32_t matrixVector(uint16_t* red, uint16_t* green, uint16_t* blue, const int32_t* q, int32_t width) {
    const I32v zero = (I32v){};
    const I32v top = zero + kLinearMax;
    const I32v round = zero + (1 << (kMatrixShift - 1));
    int32_t x = 0;
    for (; x + kLanes32 <= width; x += kLanes32) {
        const I32v r = __builtin_convertvector(loadV<U16h>(red + x), I32v);
        const I32v g = __builtin_convertvector(loadV<U16h>(green + x), I32v);
        const I32v b = __builtin_convertvector(loadV<U16h>(blue + x), I32v);
        uint16_t* outs[3] = {red, green, blue};
        I32v v[3];
        for (int c = 0; c < 3; ++c) {
            I32v s = (r * q[3 * c] + g * q[3 * c + 1] + b * q[3 * c + 2] + round) >> kMatrixShift;
            s = s < zero ? zero : s;
            v[c] = s > top ? top : s;
        }
        for (int c = 0; c < 3; ++c) storeV(outs[c] + x, __builtin_convertvector(v[c], U16h));
    }
    return x;
}
#endif

// Lanes whose column (x0 + lane) has the colour-site parity: all ones.
inline U16v colourLanes(int32_t x0, int32_t colourParity) {
    return ((x0 & 1) == colourParity) ? alternating<U16v, uint16_t>(0xFFFF, 0) : alternating<U16v, uint16_t>(0, 0xFFFF);
}

inline I16v clampLinear(I16v v) {
    const I16v zero = (I16v){}, top = zero + (int16_t)kLinearMax;
    v = v < zero ? zero : v;
    return v > top ? top : v;
}

inline U16v absDifference(I16v v) { return (U16v)(v < 0 ? -v : v); }

// Every term fits 16 bits: second differences lie within +-32766, the
// gradients (sums of two magnitudes) below 2^16 unsigned, the green
// within -8192 .. 24574 before its clamp.
inline int32_t edgeGreensVector(const uint16_t* s, const uint16_t* u1, const uint16_t* d1, const uint16_t* u2,
                                const uint16_t* d2, uint16_t* out, int32_t width, int32_t colourParity) {
    const U16v atColour = colourLanes(2, colourParity);
    int32_t x = 2;
    for (; x + kLanes16 <= width - 2; x += kLanes16) {
        const I16v own = loadV<I16v>(s + x);
        const I16v l1 = loadV<I16v>(s + x - 1), r1 = loadV<I16v>(s + x + 1);
        const I16v l2 = loadV<I16v>(s + x - 2), r2 = loadV<I16v>(s + x + 2);
        const I16v up1 = loadV<I16v>(u1 + x), down1 = loadV<I16v>(d1 + x);
        const I16v up2 = loadV<I16v>(u2 + x), down2 = loadV<I16v>(d2 + x);
        const I16v dh = (I16v)(own + own - l2 - r2);
        const I16v dv = (I16v)(own + own - up2 - down2);
        const U16v gradH = (U16v)(absDifference((I16v)(l1 - r1)) + absDifference(dh));
        const U16v gradV = (U16v)(absDifference((I16v)(up1 - down1)) + absDifference(dv));
        const I16v alongH = (I16v)((I16v)((U16v)(l1 + r1) >> 1) + (dh >> 2));
        const I16v alongV = (I16v)((I16v)((U16v)(up1 + down1) >> 1) + (dv >> 2));
        const I16v steered = clampLinear(gradH < gradV ? alongH : alongV);
        storeV(out + x, ((U16v)steered & atColour) | ((U16v)own & ~atColour));
    }
    return x;
}

// floor((a + b + c + d) / 4) of four differences within +-16383, in 16
// bits: with A = a + b = 2A' + p and B = c + d = 2B' + q, it is
// (A' + B' + (p AND q)) >> 1.
inline I16v floorQuarterOfSums(I16v a, I16v b) {
    return (I16v)((a >> 1) + (b >> 1) + (a & b & 1)) >> 1;
}

inline int32_t edgeRowVector(const uint16_t* const* samples, const uint16_t* const* greens, uint16_t* own,
                             uint16_t* green, uint16_t* other, int32_t width, int32_t colourParity) {
    const U16v atColour = colourLanes(1, colourParity);
    const uint16_t *su = samples[0], *sm = samples[1], *sd = samples[2];
    const uint16_t *gu = greens[0], *gm = greens[1], *gd = greens[2];
    int32_t x = 1;
    for (; x + kLanes16 <= width - 1; x += kLanes16) {
        auto difference = [&](const uint16_t* sRow, const uint16_t* gRow, int32_t at) {
            return (I16v)(loadV<I16v>(sRow + at) - loadV<I16v>(gRow + at));
        };
        const I16v g = loadV<I16v>(gm + x);
        const I16v centre = loadV<I16v>(sm + x);
        const I16v dul = difference(su, gu, x - 1), dur = difference(su, gu, x + 1);
        const I16v ddl = difference(sd, gd, x - 1), ddr = difference(sd, gd, x + 1);
        const I16v diagonal = clampLinear((I16v)(g + floorQuarterOfSums((I16v)(dul + dur), (I16v)(ddl + ddr))));
        const I16v sideways = clampLinear((I16v)(g + ((I16v)(difference(sm, gm, x - 1) + difference(sm, gm, x + 1)) >> 1)));
        const I16v upDown = clampLinear((I16v)(g + ((I16v)(difference(su, gu, x) + difference(sd, gd, x)) >> 1)));
        storeV(green + x, (U16v)g);
        storeV(own + x, ((U16v)centre & atColour) | ((U16v)sideways & ~atColour));
        storeV(other + x, ((U16v)diagonal & atColour) | ((U16v)upDown & ~atColour));
    }
    return x;
}

#if defined(__ARM_NEON)
// NEON: sixteen groups split into their three bytes by one load, each
// sample's bits put together in 16-bit lanes, the two samples of every
// group stored interleaved by one store.
inline int32_t unpackPackedVector(const uint8_t* row, uint16_t* out, int32_t width, int32_t depth) {
    const uint8x8_t lowBits = vdup_n_u8(depth == 12 ? 15 : 3);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {  // 24 bytes, all within the row's groups
        const uint8x8x3_t groups = vld3_u8(row + 3 * (x / 2));
        uint16x8x2_t samples;
        if (depth == 12) {
            samples.val[0] = vorrq_u16(vshll_n_u8(groups.val[0], 4), vmovl_u8(vand_u8(groups.val[1], lowBits)));
            samples.val[1] = vorrq_u16(vshll_n_u8(groups.val[2], 4), vmovl_u8(vshr_n_u8(groups.val[1], 4)));
        } else {
            samples.val[0] = vorrq_u16(vshll_n_u8(groups.val[0], 2), vmovl_u8(vand_u8(groups.val[1], lowBits)));
            samples.val[1] = vorrq_u16(vshll_n_u8(groups.val[2], 2),
                                       vmovl_u8(vand_u8(vshr_n_u8(groups.val[1], 4), lowBits)));
        }
        vst2q_u16(out + x, samples);
    }
    return x;
}
#define TAV_PICTURE_UNPACK_PACKED unpackPackedVector
#elif defined(__AVX2__)
typedef uint8_t U8x16 __attribute__((vector_size(16)));
typedef uint16_t U16x8 __attribute__((vector_size(16)));

// Eight samples from twelve bytes: each 16-bit lane gets the group's middle
// byte low and its own high byte (byte 0 for the first sample of a group,
// byte 2 for the second) high; the depth's shifts and masks then take each
// sample's bits: 12-bit: even (v >> 4 & 0xFF0) | (v & 15), odd v >> 4;
// 10-bit: (v >> 6 & 0x3FC) | (even ? v : v >> 4) & 3.
inline int32_t unpackPackedVector(const uint8_t* row, uint16_t* out, int32_t width, int32_t depth) {
    const U8x16 order = {1, 0, 1, 2, 4, 3, 4, 5, 7, 6, 7, 8, 10, 9, 10, 11};
    const U16x8 even = {0xFFFF, 0, 0xFFFF, 0, 0xFFFF, 0, 0xFFFF, 0};
    int32_t x = 0;
    // 16 bytes read for 8 samples: four more samples must follow in the row.
    for (; x + 12 <= width; x += 8) {
        const U8x16 bytes = loadV<U8x16>(row + 3 * (x / 2));
#if defined(__clang__)
        const U16x8 v = (U16x8)__builtin_shufflevector(bytes, bytes, 1, 0, 1, 2, 4, 3, 4, 5, 7, 6, 7, 8, 10, 9, 10, 11);
#else
        const U16x8 v = (U16x8)__builtin_shuffle(bytes, order);
#endif
        U16x8 sample;
        if (depth == 12) {
            sample = (((v >> 4) & (U16x8)(0x0FF0 | (~even & 0x0FFF))) | (v & even & 15));
        } else {
            sample = ((v >> 6) & 0x3FC) | (((v & even) | ((v >> 4) & ~even)) & 3);
        }
        storeV(out + x, sample);
    }
    (void)order;
    return x;
}
#define TAV_PICTURE_UNPACK_PACKED unpackPackedVector
#else
#define TAV_PICTURE_UNPACK_PACKED nullptr
#endif

inline int32_t widenBytesVector(const uint8_t* row, uint16_t* out, int32_t width) {
    typedef uint8_t U8h __attribute__((vector_size(kBytes / 2)));
    int32_t x = 0;
    for (; x + kLanes16 <= width; x += kLanes16) storeV(out + x, __builtin_convertvector(loadV<U8h>(row + x), U16v));
    return x;
}

inline int32_t limitWordsVector(const uint8_t* row, uint16_t* out, int32_t width, uint16_t limit) {
    const U16v top = (U16v){} + limit;
    int32_t x = 0;
    for (; x + kLanes16 <= width; x += kLanes16) {
        const U16v v = loadV<U16v>(row + 2 * (size_t)x);  // little-endian words on every target
        storeV(out + x, v > top ? top : v);
    }
    return x;
}

// Two samples of a tile row form one 32-bit lane, so a tile is saturated
// when either 32-bit lane of its two rows has a sample at the white point.
// Lane sums go to 64 bits every 2^15 steps, before 16-bit samples can
// carry them past 2^32.
inline int32_t tileSumsVector(const uint16_t* top, const uint16_t* bottom, int32_t width, uint32_t white,
                              const uint32_t* black, uint64_t* sums, uint32_t* tiles) {
    const U16v whiteLanes = (U16v){} + (uint16_t)white;
    const U16v blackTop = alternating<U16v, uint16_t>((uint16_t)black[0], (uint16_t)black[1]);
    const U16v blackBottom = alternating<U16v, uint16_t>((uint16_t)black[2], (uint16_t)black[3]);
    const U32v lowHalf = (U32v){} + 0xFFFFu;
    const int32_t chunk = kLanes16 << 15;
    int32_t x = 0;
    while (x + kLanes16 <= width) {
        U32v sum[4] = {(U32v){}, (U32v){}, (U32v){}, (U32v){}};
        U32v kept = (U32v){};
        const int32_t end = width - x > chunk ? x + chunk : width;
        for (; x + kLanes16 <= end; x += kLanes16) {
            const U16v t = loadV<U16v>(top + x), b = loadV<U16v>(bottom + x);
            const U32v saturated = (U32v)((U16v)(t >= whiteLanes) | (U16v)(b >= whiteLanes));
            const U32v keep = (U32v)(saturated == 0);
            const U32v t2 = (U32v)((t - blackTop) & (U16v)(t > blackTop)) & keep;
            const U32v b2 = (U32v)((b - blackBottom) & (U16v)(b > blackBottom)) & keep;
            sum[0] += t2 & lowHalf;
            sum[1] += t2 >> 16;
            sum[2] += b2 & lowHalf;
            sum[3] += b2 >> 16;
            kept -= keep;  // keep lanes are all ones: minus one each
        }
        for (int p = 0; p < 4; ++p)
            for (int i = 0; i < kLanes32; ++i) sums[p] += sum[p][i];
        for (int i = 0; i < kLanes32; ++i) *tiles += kept[i];
    }
    return x;
}

#if defined(__ARM_NEON)
// NEON: the lookups stay scalar (no gather), sixteen pixels at a time into
// byte rows; the luma of each pixel, the interleaving and the stores are
// vector work; the histogram counts go one by one.
inline int32_t curveInterleavedVector(const uint8_t* curve, const uint16_t* red, const uint16_t* green,
                                      const uint16_t* blue, int32_t width, int32_t bytes, bool redFirst,
                                      uint8_t* out, uint32_t (*bins)[64]) {
    const uint8x8_t weightRed = vdup_n_u8(77), weightGreen = vdup_n_u8(150), weightBlue = vdup_n_u8(29);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        uint8_t r[16], g[16], b[16], luma[16];
        for (int i = 0; i < 16; ++i) {
            r[i] = curve[red[x + i]];
            g[i] = curve[green[x + i]];
            b[i] = curve[blue[x + i]];
        }
        const uint8x16_t vr = vld1q_u8(r), vg = vld1q_u8(g), vb = vld1q_u8(b);
        const uint16x8_t low = vmlal_u8(vmlal_u8(vmull_u8(vget_low_u8(vr), weightRed), vget_low_u8(vg), weightGreen),
                                        vget_low_u8(vb), weightBlue);
        const uint16x8_t high = vmlal_u8(vmlal_u8(vmull_u8(vget_high_u8(vr), weightRed), vget_high_u8(vg), weightGreen),
                                         vget_high_u8(vb), weightBlue);
        vst1q_u8(luma, vshrq_n_u8(vcombine_u8(vrshrn_n_u16(low, 8), vrshrn_n_u16(high, 8)), 2));
        const uint8x16_t first = redFirst ? vr : vb, third = redFirst ? vb : vr;
        if (bytes == 4) {
            const uint8x16x4_t pixels = {{first, vg, third, vdupq_n_u8(0)}};
            vst4q_u8(out + 4 * (size_t)x, pixels);
        } else {
            const uint8x16x3_t pixels = {{first, vg, third}};
            vst3q_u8(out + 3 * (size_t)x, pixels);
        }
        for (int i = 0; bins != nullptr && i < 16; i += 4) {
            ++bins[0][luma[i]];
            ++bins[1][luma[i + 1]];
            ++bins[2][luma[i + 2]];
            ++bins[3][luma[i + 3]];
        }
    }
    return x;
}
#define TAV_PICTURE_CURVE_INTERLEAVED curveInterleavedVector
#elif defined(__AVX2__)
// AVX2: lookups one by one into byte rows of sixteen pixels (gathers are no
// faster on every core), then the luma of each pixel in 16-bit lanes and the
// interleaving by byte shuffles; the histogram counts go one by one. 3-byte
// pixels go out 16 bytes at a time, the last four overwritten by the next
// store, so the loop stops two pixels before the row's end.
inline int32_t curveInterleavedVector(const uint8_t* curve, const uint16_t* red, const uint16_t* green,
                                      const uint16_t* blue, int32_t width, int32_t bytes, bool redFirst,
                                      uint8_t* out, uint32_t (*bins)[64]) {
    const __m128i weightRed = _mm_set1_epi16(77), weightGreen = _mm_set1_epi16(150), weightBlue = _mm_set1_epi16(29);
    const __m128i half = _mm_set1_epi16(128), zero = _mm_setzero_si128();
    // Four 4-byte pixels (c0, g, c2, 0) to twelve bytes, the last four unused.
    const __m128i pack3 = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const int32_t stop = bytes == 4 ? width : width - 2;
    int32_t x = 0;
    for (; x + 16 <= stop; x += 16) {
        alignas(16) uint8_t r[16], g[16], b[16], luma[16];
        for (int i = 0; i < 16; ++i) {
            r[i] = curve[red[x + i]];
            g[i] = curve[green[x + i]];
            b[i] = curve[blue[x + i]];
        }
        const __m128i vr = _mm_load_si128((const __m128i*)r), vg = _mm_load_si128((const __m128i*)g),
                      vb = _mm_load_si128((const __m128i*)b);
        auto lumaHalf = [&](__m128i cr, __m128i cg, __m128i cb) {
            const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(cr, weightRed), _mm_mullo_epi16(cg, weightGreen)),
                                              _mm_add_epi16(_mm_mullo_epi16(cb, weightBlue), half));
            return _mm_srli_epi16(sum, 10);  // (luma + 128) >> 8, then >> 2 for the bin
        };
        const __m128i lumaLow = lumaHalf(_mm_unpacklo_epi8(vr, zero), _mm_unpacklo_epi8(vg, zero), _mm_unpacklo_epi8(vb, zero));
        const __m128i lumaHigh = lumaHalf(_mm_unpackhi_epi8(vr, zero), _mm_unpackhi_epi8(vg, zero), _mm_unpackhi_epi8(vb, zero));
        _mm_store_si128((__m128i*)luma, _mm_packus_epi16(lumaLow, lumaHigh));
        const __m128i first = redFirst ? vr : vb, third = redFirst ? vb : vr;
        const __m128i firstGreenLow = _mm_unpacklo_epi8(first, vg), firstGreenHigh = _mm_unpackhi_epi8(first, vg);
        const __m128i thirdLow = _mm_unpacklo_epi8(third, zero), thirdHigh = _mm_unpackhi_epi8(third, zero);
        const __m128i pixels[4] = {_mm_unpacklo_epi16(firstGreenLow, thirdLow), _mm_unpackhi_epi16(firstGreenLow, thirdLow),
                                   _mm_unpacklo_epi16(firstGreenHigh, thirdHigh), _mm_unpackhi_epi16(firstGreenHigh, thirdHigh)};
        uint8_t* at = out + (size_t)x * bytes;
        for (int k = 0; k < 4; ++k) {
            if (bytes == 4) {
                _mm_storeu_si128((__m128i*)(at + 16 * k), pixels[k]);
            } else {
                _mm_storeu_si128((__m128i*)(at + 12 * k), _mm_shuffle_epi8(pixels[k], pack3));
            }
        }
        for (int i = 0; bins != nullptr && i < 16; i += 4) {
            ++bins[0][luma[i]];
            ++bins[1][luma[i + 1]];
            ++bins[2][luma[i + 2]];
            ++bins[3][luma[i + 3]];
        }
    }
    return x;
}
#define TAV_PICTURE_CURVE_INTERLEAVED curveInterleavedVector
#else
#define TAV_PICTURE_CURVE_INTERLEAVED nullptr
#endif

constexpr VectorRows kVectorRows = {widenBytesVector, limitWordsVector, TAV_PICTURE_UNPACK_PACKED, scaleVector,      bilinearVector,   nearestVector, matrixVector,
                                    edgeGreensVector, edgeRowVector,    tileSumsVector,
                                    TAV_PICTURE_CURVE_INTERLEAVED};
#undef TAV_PICTURE_CURVE_INTERLEAVED
#undef TAV_PICTURE_UNPACK_PACKED

TAV_ISA_END
#endif

}  // namespace picture
}  // namespace tav

#endif

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
    // linear[x] for x in [0, returned).
    int32_t (*scale)(const uint16_t* shaded, uint16_t* linear, int32_t width, const ScaleRow& rule);
    // Bilinear output columns [1, returned): colour sites where x & 1 == colourParity.
    int32_t (*bilinear)(const uint16_t* up, const uint16_t* mid, const uint16_t* down, uint16_t* own,
                        uint16_t* green, uint16_t* other, int32_t width, int32_t colourParity);
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

constexpr VectorRows kVectorRows = {scaleVector, bilinearVector, matrixVector, edgeGreensVector, edgeRowVector};

TAV_ISA_END
#endif

}  // namespace picture
}  // namespace tav

#endif

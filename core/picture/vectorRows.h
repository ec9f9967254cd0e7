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

constexpr VectorRows kVectorRows = {scaleVector, bilinearVector, matrixVector};

TAV_ISA_END
#endif

}  // namespace picture
}  // namespace tav

#endif

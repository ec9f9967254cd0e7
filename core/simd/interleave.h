// Interleaved stores of 16 pixels from channel vectors (lane i = pixel i):
// the one place where the instruction sets differ most. NEON has vst3/vst4;
// x86 with SSSE3 or later (the AVX2 units) shuffles bytes with pshufb; plain
// SSE2 builds 4-byte pixel words with unpacks and writes the 3-byte form as
// overlapping 8-byte stores.
#ifndef TAV_CORE_SIMD_INTERLEAVE_H
#define TAV_CORE_SIMD_INTERLEAVE_H

#include <stdint.h>
#include <string.h>

#include "lanes.h"

#if defined(__ARM_NEON)
#include <arm_neon.h>
#endif

namespace tav {
namespace lanes {
TAV_ISA_BEGIN

// Bytes past the 48 of a 3-byte store that storeInterleaved3 may overwrite
// with garbage: callers write those bytes afterwards (or keep them inside a
// local buffer).
constexpr int kInterleaved3Overrun = 2;

// Byte-wise interleave of the low or high halves (one unpack or zip).
TAV_LANES_INLINE U8x16 interleaveLow(U8x16 a, U8x16 b) {
#if defined(__clang__)
    return __builtin_shufflevector(a, b, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
#else
    return __builtin_shuffle(a, b, (U8x16){0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23});
#endif
}
TAV_LANES_INLINE U8x16 interleaveHigh(U8x16 a, U8x16 b) {
#if defined(__clang__)
    return __builtin_shufflevector(a, b, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
#else
    return __builtin_shuffle(a, b,
                             (U8x16){8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31});
#endif
}

// Lane i of the result is byte i of the pixel: 16 bytes in memory order
// from 8 even-pixel and 8 odd-pixel values (each 0..255 in 16-bit lanes).
TAV_LANES_INLINE U8x16 pixelBytes(U16x8 even, U16x8 odd) { return (U8x16)(even | (odd << 8)); }

#if !defined(__ARM_NEON)
// Sixteen 4-byte pixels c0 c1 c2 c3 as four vectors of four pixels.
TAV_LANES_INLINE void pixelWords(U8x16 c0, U8x16 c1, U8x16 c2, U8x16 c3, U32x4 words[4]) {
    const U16x8 low01 = (U16x8)interleaveLow(c0, c1), high01 = (U16x8)interleaveHigh(c0, c1);
    const U16x8 low23 = (U16x8)interleaveLow(c2, c3), high23 = (U16x8)interleaveHigh(c2, c3);
    words[0] = (U32x4)interleaveLow(low01, low23);
    words[1] = (U32x4)interleaveHigh(low01, low23);
    words[2] = (U32x4)interleaveLow(high01, high23);
    words[3] = (U32x4)interleaveHigh(high01, high23);
}
#endif

TAV_LANES_INLINE void storeInterleaved4(uint8_t* at, U8x16 c0, U8x16 c1, U8x16 c2, U8x16 c3) {
#if defined(__ARM_NEON)
    uint8x16x4_t v;
    v.val[0] = (uint8x16_t)c0;
    v.val[1] = (uint8x16_t)c1;
    v.val[2] = (uint8x16_t)c2;
    v.val[3] = (uint8x16_t)c3;
    vst4q_u8(at, v);
#else
    U32x4 words[4];
    pixelWords(c0, c1, c2, c3, words);
    memcpy(at, words, sizeof words);
#endif
}

TAV_LANES_INLINE void storeInterleaved3(uint8_t* at, U8x16 c0, U8x16 c1, U8x16 c2) {
#if defined(__ARM_NEON)
    uint8x16x3_t v;
    v.val[0] = (uint8x16_t)c0;
    v.val[1] = (uint8x16_t)c1;
    v.val[2] = (uint8x16_t)c2;
    vst3q_u8(at, v);
#elif defined(__SSSE3__)
    U32x4 words[4];
    pixelWords(c0, c1, c2, (U8x16){}, words);
    const U8x16 p0 = (U8x16)words[0], p1 = (U8x16)words[1], p2 = (U8x16)words[2], p3 = (U8x16)words[3];
    // Drop every fourth byte across neighbouring word vectors.
#if defined(__clang__)
    const U8x16 out0 = __builtin_shufflevector(p0, p1, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 16, 17, 18, 20);
    const U8x16 out1 = __builtin_shufflevector(p1, p2, 5, 6, 8, 9, 10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25);
    const U8x16 out2 = __builtin_shufflevector(p2, p3, 10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25, 26, 28, 29, 30);
#else
    const U8x16 out0 = __builtin_shuffle(p0, p1, (U8x16){0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 16, 17, 18, 20});
    const U8x16 out1 = __builtin_shuffle(p1, p2, (U8x16){5, 6, 8, 9, 10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25});
    const U8x16 out2 = __builtin_shuffle(p2, p3, (U8x16){10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25, 26, 28, 29, 30});
#endif
    memcpy(at, &out0, 16);
    memcpy(at + 16, &out1, 16);
    memcpy(at + 32, &out2, 16);
#else
    U32x4 words[4];
    pixelWords(c0, c1, c2, (U8x16){}, words);
    // Two pixels in the low 6 bytes of each 64-bit lane, written with 8-byte
    // stores whose 2 extra bytes the next store (or the caller) rewrites.
    const U64x2 lowPixel = (U64x2){} + 0xFFFFFFull;
    const U64x2 highPixel = (U64x2){} + 0xFFFFFF000000ull;
    for (int i = 0; i < 4; ++i) {
        const U64x2 q = (U64x2)words[i];
        const U64x2 packed = (q & lowPixel) | ((q >> 8) & highPixel);
        const uint64_t first = packed[0], second = packed[1];
        memcpy(at + 12 * i, &first, 8);
        memcpy(at + 12 * i + 6, &second, 8);
    }
#endif
}

TAV_ISA_END
}  // namespace lanes
}  // namespace tav

#endif

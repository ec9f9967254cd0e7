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
#elif defined(__AVX2__)
#include <immintrin.h>
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

#if defined(__AVX2__)
// Thirty-two pixels from 256-bit channel vectors (lane i = pixel i). The
// unpacks and byte shuffles of AVX2 work within 128-bit halves, so each half
// builds the pixels of its own 16 and the halves are put in order at the end.
typedef uint8_t U8x32 __attribute__((vector_size(32)));

TAV_LANES_INLINE void pixelWords32(U8x32 c0, U8x32 c1, U8x32 c2, U8x32 c3, __m256i w[4]) {
    const __m256i a = (__m256i)c0, b = (__m256i)c1, c = (__m256i)c2, d = (__m256i)c3;
    const __m256i low01 = _mm256_unpacklo_epi8(a, b), high01 = _mm256_unpackhi_epi8(a, b);
    const __m256i low23 = _mm256_unpacklo_epi8(c, d), high23 = _mm256_unpackhi_epi8(c, d);
    w[0] = _mm256_unpacklo_epi16(low01, low23);    // pixels 0-3 | 16-19
    w[1] = _mm256_unpackhi_epi16(low01, low23);    // 4-7 | 20-23
    w[2] = _mm256_unpacklo_epi16(high01, high23);  // 8-11 | 24-27
    w[3] = _mm256_unpackhi_epi16(high01, high23);  // 12-15 | 28-31
}

TAV_LANES_INLINE void storeInterleaved4x32(uint8_t* at, U8x32 c0, U8x32 c1, U8x32 c2, U8x32 c3) {
    __m256i w[4];
    pixelWords32(c0, c1, c2, c3, w);
    _mm256_storeu_si256((__m256i*)at, _mm256_permute2x128_si256(w[0], w[1], 0x20));
    _mm256_storeu_si256((__m256i*)(at + 32), _mm256_permute2x128_si256(w[2], w[3], 0x20));
    _mm256_storeu_si256((__m256i*)(at + 64), _mm256_permute2x128_si256(w[0], w[1], 0x31));
    _mm256_storeu_si256((__m256i*)(at + 96), _mm256_permute2x128_si256(w[2], w[3], 0x31));
}

// Exact: 96 bytes, nothing past them.
TAV_LANES_INLINE void storeInterleaved3x32(uint8_t* at, U8x32 c0, U8x32 c1, U8x32 c2) {
    __m256i w[4];
    pixelWords32(c0, c1, c2, (U8x32){}, w);
    // Each group of four 4-byte pixels to 12 bytes, the last 4 bytes zero.
    const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i s0 = _mm256_shuffle_epi8(w[0], drop), s1 = _mm256_shuffle_epi8(w[1], drop);
    const __m256i s2 = _mm256_shuffle_epi8(w[2], drop), s3 = _mm256_shuffle_epi8(w[3], drop);
    // Per half: 48 bytes as three 16-byte pieces.
    const __m256i p0 = _mm256_or_si256(s0, _mm256_slli_si256(s1, 12));
    const __m256i p1 = _mm256_or_si256(_mm256_srli_si256(s1, 4), _mm256_slli_si256(s2, 8));
    const __m256i p2 = _mm256_or_si256(_mm256_srli_si256(s2, 8), _mm256_slli_si256(s3, 4));
    _mm256_storeu_si256((__m256i*)at, _mm256_permute2x128_si256(p0, p1, 0x20));
    _mm256_storeu_si256((__m256i*)(at + 32), _mm256_permute2x128_si256(p2, p0, 0x30));
    _mm256_storeu_si256((__m256i*)(at + 64), _mm256_permute2x128_si256(p1, p2, 0x31));
}
#endif

TAV_ISA_END
}  // namespace lanes
}  // namespace tav

#endif

// Generic 128-bit lanes for the 16-bit demosaicing, shading and unpacking
// variants. Unlike lanes.h this header opens no namespace of its own: a
// variant unit includes it inside the namespace of its instruction set
// (tav::<family>::sse2, ::avx2, ::neon), so that no inline helper compiled
// with one set's flags can be shared with code built for another (isa.h).
// The includer brings <stdint.h> and <string.h>; one instruction set per
// translation unit.
#ifndef TAV_CORE_SIMD_LANES16_H
#define TAV_CORE_SIMD_LANES16_H

#define TAV_LANES16_INLINE inline __attribute__((always_inline))

typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint32_t U32x4 __attribute__((vector_size(16)));
typedef int32_t I32x4 __attribute__((vector_size(16)));

// Loads and stores through memcpy: no alignment assumed.
template <class Vector>
TAV_LANES16_INLINE Vector loadLanes(const void* at) {
    Vector v;
    memcpy(&v, at, sizeof v);
    return v;
}

template <class Vector>
TAV_LANES16_INLINE void storeLanes(void* at, Vector v) {
    memcpy(at, &v, sizeof v);
}

// Lane interleaving with constant patterns (one unpack on SSE2, one zip on NEON).
#if defined(__clang__)
TAV_LANES16_INLINE U16x8 interleaveLow(U16x8 a, U16x8 b) { return __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11); }
TAV_LANES16_INLINE U16x8 interleaveHigh(U16x8 a, U16x8 b) { return __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15); }
TAV_LANES16_INLINE U32x4 interleaveLow(U32x4 a, U32x4 b) { return __builtin_shufflevector(a, b, 0, 4, 1, 5); }
TAV_LANES16_INLINE U32x4 interleaveHigh(U32x4 a, U32x4 b) { return __builtin_shufflevector(a, b, 2, 6, 3, 7); }
#else
TAV_LANES16_INLINE U16x8 interleaveLow(U16x8 a, U16x8 b) { return __builtin_shuffle(a, b, (U16x8){0, 8, 1, 9, 2, 10, 3, 11}); }
TAV_LANES16_INLINE U16x8 interleaveHigh(U16x8 a, U16x8 b) { return __builtin_shuffle(a, b, (U16x8){4, 12, 5, 13, 6, 14, 7, 15}); }
TAV_LANES16_INLINE U32x4 interleaveLow(U32x4 a, U32x4 b) { return __builtin_shuffle(a, b, (U32x4){0, 4, 1, 5}); }
TAV_LANES16_INLINE U32x4 interleaveHigh(U32x4 a, U32x4 b) { return __builtin_shuffle(a, b, (U32x4){2, 6, 3, 7}); }
#endif

// Eight pixels of three 16-bit channels, 48 bytes from `at`. Without NEON
// each pixel goes out as one 8-byte write whose fourth word lands on the next
// pixel: the caller writes that pixel afterwards (or provides room for the
// word). NEON units include <arm_neon.h> first.
TAV_LANES16_INLINE void storeThreeChannels(uint16_t* at, U16x8 channel0, U16x8 channel1, U16x8 channel2) {
#if defined(__ARM_NEON)
    const uint16x8x3_t pixels = {{channel0, channel1, channel2}};
    vst3q_u16(at, pixels);
#else
    const U32x4 lowPairs = (U32x4)interleaveLow(channel0, channel1);
    const U32x4 highPairs = (U32x4)interleaveHigh(channel0, channel1);
    const U32x4 lowLast = (U32x4)interleaveLow(channel2, channel2);
    const U32x4 highLast = (U32x4)interleaveHigh(channel2, channel2);
    // Two pixels per vector, four words each.
    const U32x4 pixelPairs[4] = {interleaveLow(lowPairs, lowLast), interleaveHigh(lowPairs, lowLast),
                                 interleaveLow(highPairs, highLast), interleaveHigh(highPairs, highLast)};
    for (int i = 0; i < 4; ++i) {
        const unsigned char* bytes = (const unsigned char*)&pixelPairs[i];
        memcpy(at + 6 * i, bytes, 8);
        memcpy(at + 6 * i + 3, bytes + 8, 8);
    }
#endif
}

#endif

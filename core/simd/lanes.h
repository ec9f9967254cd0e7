// The one lane layer of the kernels: 128-bit generic vectors (GCC/Clang
// vector extensions), one SSE2 or NEON register each, with the loads, stores
// and interleaves the kernels share. Loads and stores go through memcpy, so no
// alignment is assumed. Operations that generic vectors do badly on one
// instruction set (3-byte interleaved stores, byte shuffles) get per-set
// helpers beside this file.
#ifndef TAV_CORE_SIMD_LANES_H
#define TAV_CORE_SIMD_LANES_H

#include <stdint.h>
#include <string.h>

#include "isaNamespace.h"

// The lane helpers are small pieces of one loop body: always inline them.
#define TAV_LANES_INLINE inline __attribute__((always_inline))

namespace tav {
namespace lanes {
TAV_ISA_BEGIN

typedef uint8_t U8x16 __attribute__((vector_size(16)));
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef int16_t I16x8 __attribute__((vector_size(16)));
typedef uint32_t U32x4 __attribute__((vector_size(16)));
typedef int32_t I32x4 __attribute__((vector_size(16)));
typedef uint64_t U64x2 __attribute__((vector_size(16)));

template <class Vector>
TAV_LANES_INLINE Vector load(const void* at) {
    Vector v;
    memcpy(&v, at, sizeof v);
    return v;
}

template <class Vector>
TAV_LANES_INLINE void store(void* at, Vector v) {
    memcpy(at, &v, sizeof v);
}

// Lane interleaving with constant patterns (one unpack on SSE2, one zip on NEON).
#if defined(__clang__)
TAV_LANES_INLINE U16x8 interleaveLow(U16x8 a, U16x8 b) { return __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11); }
TAV_LANES_INLINE U16x8 interleaveHigh(U16x8 a, U16x8 b) { return __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15); }
TAV_LANES_INLINE U32x4 interleaveLow(U32x4 a, U32x4 b) { return __builtin_shufflevector(a, b, 0, 4, 1, 5); }
TAV_LANES_INLINE U32x4 interleaveHigh(U32x4 a, U32x4 b) { return __builtin_shufflevector(a, b, 2, 6, 3, 7); }
#else
TAV_LANES_INLINE U16x8 interleaveLow(U16x8 a, U16x8 b) { return __builtin_shuffle(a, b, (U16x8){0, 8, 1, 9, 2, 10, 3, 11}); }
TAV_LANES_INLINE U16x8 interleaveHigh(U16x8 a, U16x8 b) { return __builtin_shuffle(a, b, (U16x8){4, 12, 5, 13, 6, 14, 7, 15}); }
TAV_LANES_INLINE U32x4 interleaveLow(U32x4 a, U32x4 b) { return __builtin_shuffle(a, b, (U32x4){0, 4, 1, 5}); }
TAV_LANES_INLINE U32x4 interleaveHigh(U32x4 a, U32x4 b) { return __builtin_shuffle(a, b, (U32x4){2, 6, 3, 7}); }
#endif

TAV_ISA_END
}  // namespace lanes
}  // namespace tav

#endif

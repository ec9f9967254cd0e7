// Which instruction-set variant units hold code in this build, for the
// dispatchers of the 16-bit, shading and unpacking kernels. Normally every
// unit of the target's architecture is built with its own flags; with
// TAV_FIXED_ISA the units only hold code that the build's global flags
// enable, and the dispatchers must not name the others.
#ifndef TAV_CORE_SIMD_VARIANT_UNITS_H
#define TAV_CORE_SIMD_VARIANT_UNITS_H

#include "simd/isa.h"

#if defined(TAV_HAVE_NEON_VARIANTS) && (!defined(TAV_FIXED_ISA) || defined(__ARM_NEON))
#define TAV_NEON_UNITS 1
#else
#define TAV_NEON_UNITS 0
#endif

#if defined(TAV_HAVE_AVX2_VARIANTS) && (!defined(TAV_FIXED_ISA) || defined(__AVX2__))
#define TAV_AVX2_UNITS 1
#else
#define TAV_AVX2_UNITS 0
#endif

#if defined(TAV_HAVE_SSE2_VARIANTS) && defined(__SSE2__)
#define TAV_SSE2_UNITS 1
#else
#define TAV_SSE2_UNITS 0
#endif

#endif

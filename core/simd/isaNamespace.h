// One inline namespace per instruction set the translation unit is compiled
// for. Headers whose inline functions and templates are compiled into both
// baseline and variant units (*_neon.cpp, *_avx2.cpp) wrap their contents in
// TAV_ISA_BEGIN / TAV_ISA_END: the names stay the same in the source, but
// each set gets its own mangled symbols, so the linker can never hand a
// baseline caller the NEON or AVX2 copy of a helper.
#ifndef TAV_CORE_SIMD_ISA_NAMESPACE_H
#define TAV_CORE_SIMD_ISA_NAMESPACE_H

#if defined(__AVX2__)
#define TAV_ISA_TAG isa_avx2
#elif defined(__ARM_NEON)
#define TAV_ISA_TAG isa_neon
#elif defined(__SSE2__)
#define TAV_ISA_TAG isa_sse2
#else
#define TAV_ISA_TAG isa_plain
#endif

#define TAV_ISA_BEGIN inline namespace TAV_ISA_TAG {
#define TAV_ISA_END }

#endif

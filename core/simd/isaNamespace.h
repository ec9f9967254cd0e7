// One inline namespace per instruction set. Every header whose inline
// functions and templates are compiled both into the baseline units and into
// a kernel unit (simd/kernels_<set>.cpp) wraps its contents in
// TAV_ISA_BEGIN / TAV_ISA_END: the names stay the same in the source, but
// each unit gets its own mangled symbols, so the linker can never hand a
// baseline caller the NEON or AVX2 copy of a helper.
//
// A kernel unit defines TAV_KERNEL_UNIT before its first include; headers
// build their vector blocks only there. Everything else is the baseline,
// whatever flags the target's compiler sets by default (x86-64 baseline
// units see SSE2, and still get a namespace of their own).
#ifndef TAV_CORE_SIMD_ISA_NAMESPACE_H
#define TAV_CORE_SIMD_ISA_NAMESPACE_H

#if !defined(TAV_KERNEL_UNIT)
#define TAV_ISA_TAG isa_baseline
#elif defined(__AVX2__)
#define TAV_ISA_TAG isa_avx2
#elif defined(__ARM_NEON)
#define TAV_ISA_TAG isa_neon
#elif defined(__SSE2__)
#define TAV_ISA_TAG isa_sse2
#else
#error "a kernel unit needs an instruction set with vector registers"
#endif

#define TAV_ISA_BEGIN inline namespace TAV_ISA_TAG {
#define TAV_ISA_END }

#endif

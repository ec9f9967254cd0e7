// Picks the vector variant of a kernel family for the active instruction
// set. Each family declares one getter per set (null when its unit was built
// without that set); only the getters of units this build compiles are named.
#ifndef TAV_CORE_SIMD_VARIANTS_H
#define TAV_CORE_SIMD_VARIANTS_H

#include "isa.h"

#if defined(TAV_HAVE_SSE2_VARIANTS)
#define TAV_SSE2_VARIANT(getter) getter()
#else
#define TAV_SSE2_VARIANT(getter) static_cast<decltype(getter())>(nullptr)
#endif
#if defined(TAV_HAVE_AVX2_VARIANTS)
#define TAV_AVX2_VARIANT(getter) getter()
#else
#define TAV_AVX2_VARIANT(getter) static_cast<decltype(getter())>(nullptr)
#endif
#if defined(TAV_HAVE_NEON_VARIANTS)
#define TAV_NEON_VARIANT(getter) getter()
#else
#define TAV_NEON_VARIANT(getter) static_cast<decltype(getter())>(nullptr)
#endif

namespace tav {
namespace simd {

// Null selects the plain per-pixel path.
template <class Table>
const Table* chooseVariant(const Table* sse2, const Table* avx2, const Table* neon) {
    switch (activeIsa()) {
        case Isa::Neon:
            return neon;
        case Isa::Avx2:
            return avx2 ? avx2 : sse2;
        case Isa::Sse2:
            return sse2;
        case Isa::Plain:
            break;
    }
    return nullptr;
}

// The variant table of a family whose getters are named <family>Sse2 etc.
#define TAV_CHOOSE_VARIANT(family)                                                       \
    ::tav::simd::chooseVariant(TAV_SSE2_VARIANT(family##Sse2), TAV_AVX2_VARIANT(family##Avx2), \
                               TAV_NEON_VARIANT(family##Neon))

}  // namespace simd
}  // namespace tav

#endif

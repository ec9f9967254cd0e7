#include "simd/kernelTable.h"

namespace tav {
namespace simd {
namespace {

// Every entry null: each family runs its plain rule.
constexpr KernelTable kPlainKernels = {Isa::Plain, nullptr, nullptr, nullptr, nullptr,
                                       nullptr,    nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

const KernelTable* kernelTableOf(Isa isa) {
    switch (isa) {
        case Isa::Plain:
            return &kPlainKernels;
#if defined(TAV_HAVE_SSE2_KERNELS)
        case Isa::Sse2:
            return sse2Kernels();
#endif
#if defined(TAV_HAVE_AVX2_KERNELS)
        case Isa::Avx2:
            return avx2Kernels();
#endif
#if defined(TAV_HAVE_NEON_KERNELS)
        case Isa::Neon:
            return neonKernels();
#endif
        default:
            return nullptr;
    }
}

const KernelTable& kernels() {
    for (int isa = static_cast<int>(activeIsa()); isa > 0; --isa) {
        if (const KernelTable* table = kernelTableOf(static_cast<Isa>(isa))) return *table;
    }
    return kPlainKernels;
}

}  // namespace simd
}  // namespace tav

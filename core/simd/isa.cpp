#include "isa.h"

#if defined(__arm__) && defined(__linux__) && !defined(TAV_FIXED_ISA) && defined(TAV_HAVE_NEON_KERNELS)
#include <sys/auxv.h>
#endif

namespace tav {
namespace simd {
namespace {

// Kernel units exist only where CMake builds them; the macros say which are
// linked into this library.
Isa probe() {
#if defined(TAV_FIXED_ISA)
    // Built for one instruction set (e.g. -mfpu=neon, -march=native): no check.
#if defined(__ARM_NEON) && defined(TAV_HAVE_NEON_KERNELS)
    return Isa::Neon;
#elif defined(__AVX2__) && defined(TAV_HAVE_AVX2_KERNELS)
    return Isa::Avx2;
#elif defined(__SSE2__) && defined(TAV_HAVE_SSE2_KERNELS)
    return Isa::Sse2;
#else
    return Isa::Plain;
#endif
#elif defined(__arm__) && defined(__linux__) && defined(TAV_HAVE_NEON_KERNELS)
    const unsigned long kHwcapNeon = 1UL << 12;  // HWCAP_NEON of 32-bit ARM Linux
    return (getauxval(AT_HWCAP) & kHwcapNeon) ? Isa::Neon : Isa::Plain;
#elif defined(__aarch64__) && defined(TAV_HAVE_NEON_KERNELS)
    // ASIMD is part of the architecture: every AArch64 core runs NEON.
    return Isa::Neon;
#elif defined(__x86_64__) && defined(TAV_HAVE_AVX2_KERNELS)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? Isa::Avx2 : Isa::Sse2;
#elif defined(TAV_HAVE_SSE2_KERNELS)
    return Isa::Sse2;
#else
    return Isa::Plain;
#endif
}

// 0 until probed; then 1 + the detected set. Plain ints with relaxed atomic
// access: every thread that probes finds the same answer, so a race only
// repeats the probe.
int detectedPlusOne = 0;
int capPlusOne = 0;  // 0: no cap

int loadRelaxed(const int* at) { return __atomic_load_n(at, __ATOMIC_RELAXED); }
void storeRelaxed(int* at, int value) { __atomic_store_n(at, value, __ATOMIC_RELAXED); }

}  // namespace

Isa detectedIsa() {
    int known = loadRelaxed(&detectedPlusOne);
    if (known == 0) {
        known = static_cast<int>(probe()) + 1;
        storeRelaxed(&detectedPlusOne, known);
    }
    return static_cast<Isa>(known - 1);
}

Isa activeIsa() {
    const Isa detected = detectedIsa();
    const int cap = loadRelaxed(&capPlusOne);
    if (cap != 0 && cap - 1 < static_cast<int>(detected)) return static_cast<Isa>(cap - 1);
    return detected;
}

void setIsaCap(Isa cap) { storeRelaxed(&capPlusOne, static_cast<int>(cap) + 1); }

}  // namespace simd
}  // namespace tav

// Which vector instruction set the kernels run. Each family keeps its plain
// per-pixel rule in every build; its vector blocks are compiled into one
// kernel unit per instruction set (kernels_<set>.cpp, with that set's flags)
// whose table (kernelTable.h) is chosen here at run time from what the CPU
// reports, so a library built for a baseline core still uses NEON or AVX2
// where the core has it.
//
// Everything a kernel unit compiles, inline helpers included, sits in a
// namespace of its own instruction set (isaNamespace.h): an inline function
// emitted both with and without -mfpu=neon would otherwise be merged by the
// linker, and the baseline code could end up calling the NEON copy on a core
// without NEON.
#ifndef TAV_CORE_SIMD_ISA_H
#define TAV_CORE_SIMD_ISA_H

namespace tav {
namespace simd {

// Ordered: a higher value may use everything a lower one may on its machine.
enum class Isa : int {
    Plain = 0,  // the per-pixel rule, compiled in every build
    Sse2 = 1,   // x86-64 baseline lanes (128-bit)
    Avx2 = 2,   // x86-64, 256-bit lanes, chosen at run time
    Neon = 3,   // 32-bit ARM, chosen at run time (or fixed at build time); always on AArch64
};

// The best set this CPU runs among those built into the library, lowered to
// the cap of setIsaCap. Resolved once; safe to call from any thread.
Isa activeIsa();

// The best set this CPU runs among those built in, ignoring the cap.
Isa detectedIsa();

// Internal test hook (never exported): run no set above `cap`, so one test
// binary can compare every kernel table with the plain rule. Tests only.
void setIsaCap(Isa cap);

}  // namespace simd
}  // namespace tav

#endif

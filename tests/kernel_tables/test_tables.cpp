// The kernel tables themselves: each set the machine runs becomes the active
// table under the cap, and a vector table fills every entry its set has a
// block for (an entry left null would silently run the plain rule).
#include <gtest/gtest.h>

#include "kernel_tables.h"

namespace {

using kerneltables::Isa;

TEST(KernelTables, TheCapSelectsEachRunnableTable) {
    const auto isas = kerneltables::runnableTables();
    ASSERT_FALSE(isas.empty());
    EXPECT_EQ(isas.front(), Isa::Plain);
    EXPECT_EQ(isas.back(), tav::simd::detectedIsa());
    for (Isa isa : isas) {
        kerneltables::withTable(isa, [&] { EXPECT_EQ(tav::simd::kernels().isa, isa) << kerneltables::isaName(isa); });
    }
    EXPECT_EQ(tav::simd::kernels().isa, tav::simd::detectedIsa());
}

TEST(KernelTables, VectorTablesFillEveryEntry) {
    for (Isa isa : kerneltables::vectorTables()) {
        const tav::simd::KernelTable& t = *tav::simd::kernelTableOf(isa);
        SCOPED_TRACE(kerneltables::isaName(isa));
        EXPECT_EQ(t.isa, isa);
        EXPECT_NE(t.nearestRows, nullptr);
        EXPECT_NE(t.bilinearRows, nullptr);
        EXPECT_NE(t.edgeSteps, nullptr);
        EXPECT_NE(t.bilinear16Body, nullptr);
        EXPECT_NE(t.edge16Interior, nullptr);
        EXPECT_NE(t.lscCorrect, nullptr);
        EXPECT_NE(t.shiftRun, nullptr);
        // SSE2 has no byte shuffle for 3-byte groups: unpacking stays plain.
        if (isa != Isa::Sse2) EXPECT_NE(t.unpackRun, nullptr);
    }
}

TEST(KernelTables, ThePlainTableIsEmpty) {
    const tav::simd::KernelTable& t = *tav::simd::kernelTableOf(Isa::Plain);
    EXPECT_EQ(t.nearestRows, nullptr);
    EXPECT_EQ(t.edge16Interior, nullptr);
    EXPECT_EQ(t.unpackRun, nullptr);
}

}  // namespace

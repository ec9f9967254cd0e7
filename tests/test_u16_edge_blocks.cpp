// Edge-directed 16-bit interior in blocks of four column pairs: widths on
// both sides of every block boundary and extreme sample values, against the
// plain two-pass reference.
#include <cstring>
#include <random>

#include "ref_u16.h"
#include "tavcore.h"
#include "test_support.h"
#include "u16_edge_orders.h"

namespace {

// Runs the entry into a guarded buffer and compares every sample (output
// B,G,R against reference R,G,B); the message names the first mismatch.
::testing::AssertionResult matchesReference(const OrderCase& oc, const std::vector<uint16_t>& src, int h, int w) {
    const size_t samples = 3 * size_t(h) * w;
    tavtest::GuardedBuffer out(samples * 2);
    uint32_t rc = 1;
    const std::string printed = tavtest::captureStdout(
        [&] { rc = oc.entry(src.data(), h, w, reinterpret_cast<uint16_t*>(out.data())); });
    if (rc != 0 || !printed.empty() || !out.intact())
        return ::testing::AssertionFailure() << "status " << rc << ", printed '" << printed << "', guard "
                                             << (out.intact() ? "intact" : "overwritten");
    std::vector<uint16_t> bgr(samples);
    memcpy(bgr.data(), out.data(), samples * 2);
    const std::vector<uint16_t> rgb = refu16::edge(src, h, w, oc.order);
    for (size_t i = 0; i < samples; ++i) {
        const size_t pixel = i / 3;
        const int ch = int(i % 3);
        if (bgr[i] != rgb[3 * pixel + 2 - ch])
            return ::testing::AssertionFailure() << "channel " << ch << " at (" << pixel / w << ", " << pixel % w
                                                 << "): got " << bgr[i] << ", expected " << rgb[3 * pixel + 2 - ch];
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

// Widths from one block of column pairs up to several, odd and even, with
// an odd and an even height, in every order, in full and 12-bit range.
TEST(U16EdgeBlocks, WidthsAcrossBlockBoundaries) {
    uint32_t seed = 500;
    for (const OrderCase& oc : kOrders) {
        for (int h : {oc.minHeight + 2, oc.minHeight + 3}) {
            for (int w = 17; w <= 44; ++w) {
                for (uint32_t maxValue : {65535u, 4095u}) {
                    const auto src = tavtest::randomSamples16(size_t(h) * w, seed++, maxValue);
                    ASSERT_TRUE(matchesReference(oc, src, h, w))
                        << oc.name << " " << h << "x" << w << " max " << maxValue;
                }
            }
        }
    }
}

// Only the two ends of the range: the largest second differences and
// gradients, colour differences of either sign at full size, and clamping
// at both ends in every lane.
TEST(U16EdgeBlocks, ExtremeSamples) {
    std::mt19937 rng(7);
    for (const OrderCase& oc : kOrders) {
        for (int w : {29, 30}) {
            const int h = 12;
            std::vector<uint16_t> src(size_t(h) * w);
            for (int trial = 0; trial < 4; ++trial) {
                for (auto& s : src) s = (rng() & 1) ? 65535 : 0;
                ASSERT_TRUE(matchesReference(oc, src, h, w)) << oc.name << " " << h << "x" << w;
            }
        }
    }
}

// Rows of more than 2048 column pairs go in several runs; the run boundary
// falls at different block offsets and parities in these widths.
TEST(U16EdgeBlocks, RowsLongerThanOneRun) {
    uint32_t seed = 900;
    for (const OrderCase& oc : kOrders) {
        for (int w : {4104, 4105, 4106, 4111, 4112, 4113}) {
            const int h = oc.minHeight + 2;
            const auto src = tavtest::randomSamples16(size_t(h) * w, seed++, 65535);
            ASSERT_TRUE(matchesReference(oc, src, h, w)) << oc.name << " " << h << "x" << w;
        }
    }
}

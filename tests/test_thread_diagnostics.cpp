// tavSetThreadDiagnostics: a thread's diagnostics go to its own buffer, never
// to stdout, truncated safely; NULL brings stdout back.
#include <atomic>
#include <cstring>
#include <thread>

#include "failing_malloc.h"
#include "tav_demosaic.h"
#include "tav_lsc.h"
#include "test_support.h"

namespace {

using tavtest::captureStdout;
using tavtest::errorLine;

// Refusals with known lines: a null frame descriptor, a null context.
TavStatus refuseNullFrame() {
    TavImage out = {0, 0, 0, nullptr, 0};
    TavContext* context = nullptr;
    tavCreate(&context);
    TavStatus status = tavDemosaicing(context, nullptr, TAV_METHOD_BILINEAR, &out);
    tavRelease(&context);
    return status;
}
TavStatus refuseNullContext() { return tavDemosaicSetThreads(nullptr, 1); }

TEST(ThreadDiagnostics, BufferTakesTheLinesAndNullRestoresStdout) {
    char buffer[64];
    memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(tavSetThreadDiagnostics(buffer, sizeof buffer), TAV_OK);
    EXPECT_EQ(buffer[0], '\0');  // setting empties it
    EXPECT_EQ(captureStdout([] {
                  EXPECT_EQ(refuseNullFrame(), TAV_E_NULL_POINTER);
                  EXPECT_EQ(refuseNullContext(), TAV_E_NULL_POINTER);
              }),
              "");
    EXPECT_EQ(std::string(buffer), errorLine(tav::kLineDemosaicNull) + errorLine(tav::kLineSetThreadsNull));

    buffer[0] = '\0';  // emptied by the caller for the next call
    refuseNullContext();
    EXPECT_EQ(std::string(buffer), errorLine(tav::kLineSetThreadsNull));

    ASSERT_EQ(tavSetThreadDiagnostics(nullptr, 12345), TAV_OK);
    EXPECT_EQ(captureStdout([] { refuseNullContext(); }), errorLine(tav::kLineSetThreadsNull));
    EXPECT_EQ(std::string(buffer), errorLine(tav::kLineSetThreadsNull));  // no longer written
}

TEST(ThreadDiagnostics, TruncatesInsideTheCapacity) {
    char buffer[32];
    memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(tavSetThreadDiagnostics(buffer, 12), TAV_OK);
    refuseNullContext();
    refuseNullContext();
    EXPECT_EQ(std::string(buffer), "error line ");  // 11 characters and the terminator
    for (size_t i = 12; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 'x') << "byte " << i;

    // A terminator the caller overwrote is put back at the last byte.
    memset(buffer, 'y', 12);
    refuseNullContext();
    EXPECT_EQ(std::string(buffer), "yyyyyyyyyyy");
    EXPECT_EQ(buffer[12], 'x');

    // One byte holds only the terminator.
    ASSERT_EQ(tavSetThreadDiagnostics(buffer, 1), TAV_OK);
    refuseNullContext();
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'y');
    tavSetThreadDiagnostics(nullptr, 0);
}

TEST(ThreadDiagnostics, RefusesCapacityBelowOneAndKeepsTheSetting) {
    char buffer[32];
    ASSERT_EQ(tavSetThreadDiagnostics(buffer, sizeof buffer), TAV_OK);
    char other[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(captureStdout([&] {
                  EXPECT_EQ(tavSetThreadDiagnostics(other, 0), TAV_E_SIZE);
                  EXPECT_EQ(tavSetThreadDiagnostics(other, -5), TAV_E_SIZE);
                  refuseNullContext();
              }),
              "");
    EXPECT_EQ(std::string(buffer), errorLine(tav::kLineSetThreadsNull));
    EXPECT_EQ(std::string(other, 4), "abcd");
    tavSetThreadDiagnostics(nullptr, 0);
}

// Two threads refuse at the same moment, many times over: each buffer holds
// exactly that thread's own line, and nothing reaches stdout.
TEST(ThreadDiagnostics, ConcurrentThreadsEachGetTheirOwnLine) {
    constexpr int kRounds = 2000;
    std::atomic<int> ready{0};
    std::atomic<int> wrong[2] = {{0}, {0}};
    auto worker = [&](int index, TavStatus (*refuse)(), const std::string& expected) {
        char buffer[64];
        tavSetThreadDiagnostics(buffer, sizeof buffer);
        ready.fetch_add(1);
        while (ready.load() < 2) {
        }
        for (int round = 0; round < kRounds; ++round) {
            buffer[0] = '\0';
            refuse();
            if (expected != buffer) wrong[index].fetch_add(1);
        }
        tavSetThreadDiagnostics(nullptr, 0);
    };
    const std::string printed = captureStdout([&] {
        std::thread a(worker, 0, refuseNullFrame, errorLine(tav::kLineDemosaicNull));
        std::thread b(worker, 1, refuseNullContext, errorLine(tav::kLineSetThreadsNull));
        a.join();
        b.join();
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(wrong[0].load(), 0);
    EXPECT_EQ(wrong[1].load(), 0);
}

#if TAV_TEST_FAIL_MALLOC
// The shading functions' allocation message goes to the buffer too, with the
// newline puts would have printed.
TEST(ThreadDiagnostics, ShadingAllocationMessageGoesToTheBuffer) {
    const int h = 32, w = 34;  // 17 x 16 cells of 4 bytes, a size nothing else asks for
    std::vector<float> grey(h * w, 300.0f), dark(h * w, 10.0f);
    std::vector<uint32_t> table(3 + 272);
    TavLSCInput input = {0, 12, w, h, grey.data(), dark.data()};
    char buffer[128];
    tavSetThreadDiagnostics(buffer, sizeof buffer);
    TavStatus status = TAV_OK;
    EXPECT_EQ(captureStdout([&] {
                  tavtest::failAllocationsOf(272 * 4, 0);
                  status = tavGetLSCParameter(&input, table.data());
                  tavtest::failAllocationsOf(0);
              }),
              "");
    tavSetThreadDiagnostics(nullptr, 0);
    EXPECT_EQ(status, TAV_E_NO_MEMORY);
    EXPECT_EQ(std::string(buffer), "\xB4\xB4\xBD\xA8" "blockGrey" "\xC4\xDA\xB4\xE6\xBF\xD5\xBC\xE4\xCA\xA7\xB0\xDC\n");
}
#endif

}  // namespace

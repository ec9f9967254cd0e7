// Allocation failures of the shading fits, through the failing malloc of
// the test binary (natively and under qemu-arm; not under sanitizers).
#include <cstring>

#include "failing_malloc.h"
#include "tav_lsc.h"
#include "test_support.h"

#if TAV_TEST_FAIL_MALLOC

namespace {

using tavtest::captureStdout;

// "创建blockGrey内存空间失败" / "创建blockDark内存空间失败" in GBK, with the newline of puts.
const std::string kGreyFailed = "\xB4\xB4\xBD\xA8" "blockGrey" "\xC4\xDA\xB4\xE6\xBF\xD5\xBC\xE4\xCA\xA7\xB0\xDC\n";
const std::string kDarkFailed = "\xB4\xB4\xBD\xA8" "blockDark" "\xC4\xDA\xB4\xE6\xBF\xD5\xBC\xE4\xCA\xA7\xB0\xDC\n";

template <class Call>
std::string runFailing(size_t bytes, int skip, const Call& call) {
    return captureStdout([&] {
        tavtest::failAllocationsOf(bytes, skip);
        call();
        tavtest::failAllocationsOf(0);
    });
}

TEST(LscAllocation, ParameterTableReportsEachBuffer) {
    // 34 x 32 frame: 17 x 16 cells of 4 bytes, a size nothing else asks for.
    const int h = 32, w = 34;
    std::vector<float> grey(h * w, 300.0f), dark(h * w, 10.0f);
    std::vector<uint32_t> table(3 + 272, 0xCDCDCDCDu);
    TavLSCInput input = {0, 12, w, h, grey.data(), dark.data()};
    TavStatus status = 0;
    EXPECT_EQ(runFailing(272 * 4, 0, [&] { status = tavGetLSCParameter(&input, table.data()); }), kGreyFailed);
    EXPECT_EQ(status, TAV_E_NO_MEMORY);
    EXPECT_EQ(tavtest::allocationsOfFailSize(), 1);
    EXPECT_EQ(runFailing(272 * 4, 1, [&] { status = tavGetLSCParameter(&input, table.data()); }), kDarkFailed);
    EXPECT_EQ(status, TAV_E_NO_MEMORY);
    EXPECT_EQ(tavtest::allocationsOfFailSize(), 2);
    EXPECT_EQ(table, std::vector<uint32_t>(3 + 272, 0xCDCDCDCDu));

    // Per-pixel tables allocate nothing.
    std::vector<uint32_t> pixelTable(3 + h * w);
    input.mode = 1;
    EXPECT_EQ(runFailing(272 * 4, 0, [&] { status = tavGetLSCParameter(&input, pixelTable.data()); }), "");
    EXPECT_EQ(status, TAV_OK);
    EXPECT_EQ(tavtest::allocationsOfFailSize(), 0);
}

TEST(LscAllocation, BlockRecordsReportEachBuffer) {
    // 80 x 112 frame in blocks of 16 x 16: 5 x 7 blocks of 4 bytes.
    const int h = 80, w = 112;
    std::vector<float> grey(h * w, 300.0f);
    std::vector<uint8_t> records(35 * 3, 0xCD);
    TavBasicLSCInput input = {0, 12, 3, w, h, 16, 16, grey.data(), 10.0f};
    TavStatus status = 0;
    EXPECT_EQ(runFailing(35 * 4, 0, [&] { status = tavGetBasicLSCParameter(&input, records.data()); }), kGreyFailed);
    EXPECT_EQ(status, TAV_E_NO_MEMORY);
    EXPECT_EQ(runFailing(35 * 4, 1, [&] { status = tavGetBasicLSCParameter(&input, records.data()); }), kDarkFailed);
    EXPECT_EQ(status, TAV_E_NO_MEMORY);
    EXPECT_EQ(records, std::vector<uint8_t>(35 * 3, 0xCD));

    // A bad selector or mode 1 is refused before anything is allocated.
    for (uint32_t mode : {0u, 1u}) {
        input.mode = mode;
        input.selector = mode == 0 ? 5 : 3;
        EXPECT_EQ(runFailing(35 * 4, 0, [&] { status = tavGetBasicLSCParameter(&input, records.data()); }), "");
        EXPECT_EQ(status, TAV_E_UNSUPPORTED);
        EXPECT_EQ(tavtest::allocationsOfFailSize(), 0);
    }
}

}  // namespace

#endif

// Block records: the library against the plain reference, the record
// encoding at its limits, and every refused input.
#include <cstring>
#include <limits>

#include "ref_lsc.h"
#include "tav_lsc.h"
#include "test_support.h"

using tavtest::errorLine;

namespace {

using tavtest::captureStdout;
using tavtest::GuardedBuffer;

struct RecordRun {
    TavStatus status;
    std::string printed;
    std::vector<uint8_t> records;
    bool guardsIntact;
};

RecordRun makeRecords(TavBasicLSCInput input, size_t recordBytes) {
    GuardedBuffer buffer(recordBytes);
    RecordRun run;
    run.printed = captureStdout([&] { run.status = tavGetBasicLSCParameter(&input, buffer.data()); });
    run.records = buffer.contents();
    run.guardsIntact = buffer.intact();
    return run;
}

TavBasicLSCInput blockInput(uint32_t bits, int w, int h, int blockWidth, const std::vector<float>& grey, float darkLevel) {
    return {0, bits, 3, w, h, blockWidth, 16, grey.data(), darkLevel};
}

TEST(LscBlock, MatchesReferenceWithPartialBlocksIgnored) {
    const int sizes[][2] = {{32, 32}, {40, 100}, {48, 64}, {33, 47}, {64, 96}};
    uint32_t seed = 300;
    for (auto& size : sizes) {
        for (uint32_t bits : {8u, 10u, 12u}) {
            for (int blockWidth : {16, 32}) {
                const int h = size[0], w = size[1];
                SCOPED_TRACE(testing::Message() << h << "x" << w << " bits " << bits << " block " << blockWidth);
                tavref::ShadingFrames f = tavref::randomShading(h, w, bits, seed++);
                const float darkLevel = f.dark[0];
                size_t bytes = size_t(h / 16) * (w / blockWidth) * 3;
                RecordRun run = makeRecords(blockInput(bits, w, h, blockWidth, f.grey, darkLevel), bytes);
                EXPECT_EQ(run.status, TAV_OK);
                EXPECT_EQ(run.printed, "");
                EXPECT_TRUE(run.guardsIntact);
                EXPECT_EQ(run.records, tavref::blockRecords(bits, h, w, blockWidth, f.grey, darkLevel));
            }
        }
    }
}

// A frame made of 16 x blockWidth blocks of the given means.
std::vector<float> blockFrame(int h, int w, int blockWidth, const std::vector<float>& means) {
    std::vector<float> grey(size_t(h) * w, -1000.0f);  // anything outside whole blocks must not count
    const int perRow = w / blockWidth;
    for (int y = 0; y < (h / 16) * 16; ++y)
        for (int x = 0; x < perRow * blockWidth; ++x) grey[y * w + x] = means[(y / 16) * perRow + x / blockWidth];
    return grey;
}

TEST(LscBlock, WorkedRecords) {
    // 12 bits, dark 100, block means 200, 300, 250, 250 (mean 250, target 150):
    // K = 1.5 -> gain 6144, offset 100 * (1 - 1.5) / 2 = -25 -> 0x7E7;
    // K = 0.75 -> gain 3072, offset 12.5 -> 13.
    std::vector<float> grey = blockFrame(47, 70, 32, {200.0f, 300.0f, 250.0f, 250.0f});
    RecordRun run = makeRecords(blockInput(12, 70, 47, 32, grey, 100.0f), 12);
    ASSERT_EQ(run.status, TAV_OK);
    EXPECT_EQ(std::vector<uint8_t>(run.records.begin(), run.records.begin() + 6),
              (std::vector<uint8_t>{0xC0, 0x07, 0xE7, 0x60, 0x00, 0x0D}));

    // 8 bits, dark 200, target 187.5: a block not above the dark level keeps
    // K = 1 (0x80 0x00 0x00); a block whose K exceeds 2 gets gain 8191 and an
    // offset of 200 - 2 * 200 = -200, -1600 on the 11-bit scale, clamped to
    // -1024 (0x400); K = 0.75 gives gain 3072 and offset 50 * 8 = 400.
    grey = blockFrame(32, 64, 16, {150.0f, 250.0f, 450.0f, 450.0f, 450.0f, 450.0f, 450.0f, 450.0f});
    run = makeRecords(blockInput(8, 64, 32, 16, grey, 200.0f), 24);
    ASSERT_EQ(run.status, TAV_OK);
    EXPECT_EQ(std::vector<uint8_t>(run.records.begin(), run.records.begin() + 3), (std::vector<uint8_t>{0x80, 0x00, 0x00}));
    EXPECT_EQ(std::vector<uint8_t>(run.records.begin() + 3, run.records.begin() + 6), (std::vector<uint8_t>{0xFF, 0xFC, 0x00}));
    EXPECT_EQ(std::vector<uint8_t>(run.records.begin() + 12, run.records.begin() + 15), (std::vector<uint8_t>{0x60, 0x01, 0x90}));

    // 10 bits: offsets round half away from zero (-0.5 -> -1, 0.5 -> 1).
    const float d[] = {10.0f, 10.0f}, g[] = {30.0f, 50.0f};
    uint8_t records[6];
    EXPECT_EQ(getLSCKBMono_REGION(d, g, 2, 10, records, 20.0 * 1.025, 10.0f), TAV_OK);
    // K = 1.025: offset (10 - 10.25) * 2 = -0.5 -> -1; K = 0.5125: (10 - 5.125) * 2 = 9.75 -> 10.
    EXPECT_EQ(records[0], uint8_t(4198 >> 5));
    EXPECT_EQ(records[1], uint8_t(((4198 & 0x1F) << 3) | 0x7));
    EXPECT_EQ(records[2], 0xFF);
    EXPECT_EQ(records[5], 10);
}

TEST(LscBlock, BlockMeansSkipPartialBlocks) {
    std::vector<float> grey = blockFrame(40, 100, 32, {1, 2, 3, 4, 5, 6});
    std::vector<float> means(6, 0.0f);
    EXPECT_EQ(grayDataInit(grey.data(), 40, 100, 32, 16, 2, 3, 512, means.data()), TAV_OK);
    EXPECT_EQ(means, (std::vector<float>{1, 2, 3, 4, 5, 6}));
    // Blocks wider than the rows they are read from describe no frame.
    EXPECT_EQ(grayDataInit(grey.data(), 40, 90, 32, 16, 2, 3, 512, means.data()), TAV_E_SIZE);
}

TEST(LscBlock, RefusedInputsWriteNoRecord) {
    std::vector<float> grey(64 * 64, 300.0f);
    struct Case {
        TavBasicLSCInput input;
        TavStatus status;
        std::string printed;
    } cases[] = {
        {{0, 12, 3, 64, 64, 32, 16, nullptr, 10.0f}, TAV_E_NULL_POINTER, errorLine(tav::kLineBlockNull)},
        {{2, 12, 3, 64, 64, 32, 16, grey.data(), 10.0f}, TAV_E_UNSUPPORTED, errorLine(tav::kLineBlockMode)},
        {{0, 12, 3, 64, 31, 32, 16, grey.data(), 10.0f}, TAV_E_SIZE, errorLine(tav::kLineBlockSize)},
        {{0, 12, 3, 31, 64, 32, 16, grey.data(), 10.0f}, TAV_E_SIZE, errorLine(tav::kLineBlockSize)},
        {{0, 12, 3, 65536, 32768, 32, 16, grey.data(), 10.0f}, TAV_E_SIZE, errorLine(tav::kLineBlockSize)},
        {{0, 14, 3, 64, 64, 32, 16, grey.data(), 10.0f}, TAV_E_UNSUPPORTED, errorLine(tav::kLineBlockBits)},
        {{0, 9, 3, 64, 64, 32, 16, grey.data(), 10.0f}, TAV_E_UNSUPPORTED, errorLine(tav::kLineBlockBits)},
        {{0, 12, 3, 64, 64, 16, 32, grey.data(), 10.0f}, TAV_E_SIZE, errorLine(tav::kLineBlockShape)},
        {{0, 12, 3, 64, 64, 24, 16, grey.data(), 10.0f}, TAV_E_SIZE, errorLine(tav::kLineBlockShape)},
        // Refused after the averaging, without a line.
        {{1, 12, 3, 64, 64, 32, 16, grey.data(), 10.0f}, TAV_E_UNSUPPORTED, ""},
        {{0, 12, 1, 64, 64, 32, 16, grey.data(), 10.0f}, TAV_E_UNSUPPORTED, ""},
        {{0, 12, 5, 64, 64, 32, 16, grey.data(), 10.0f}, TAV_E_UNSUPPORTED, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        RecordRun run = makeRecords(c.input, 48);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.printed, c.printed);
        EXPECT_EQ(run.records, std::vector<uint8_t>(48, 0xCD));
        EXPECT_TRUE(run.guardsIntact);
    }
    TavBasicLSCInput input = blockInput(12, 64, 64, 32, grey, 10.0f);
    TavStatus status = 0;
    EXPECT_EQ(captureStdout([&] { status = tavGetBasicLSCParameter(&input, nullptr); }),
              errorLine(tav::kLineBlockNull));
    EXPECT_EQ(status, TAV_E_NULL_POINTER);
    EXPECT_EQ(captureStdout([&] { status = tavGetBasicLSCParameter(nullptr, nullptr); }),
              errorLine(tav::kLineBlockNull));
    for (uint32_t selector : {2u, 3u, 4u}) {
        input.selector = selector;
        EXPECT_EQ(makeRecords(input, 24).records, makeRecords(blockInput(12, 64, 64, 32, grey, 10.0f), 24).records);
    }
}

// NaN and infinite grey frames or dark levels give defined records.
TEST(LscBlock, NonFiniteValuesGiveDefinedRecords) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<float> grey = blockFrame(32, 64, 32, {200.0f, 300.0f, 250.0f, 250.0f});
    for (float darkLevel : {nan, inf}) {
        RecordRun run = makeRecords(blockInput(8, 64, 32, 32, grey, darkLevel), 12);
        ASSERT_EQ(run.status, TAV_OK);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(std::vector<uint8_t>(run.records.begin() + 3 * k, run.records.begin() + 3 * k + 3),
                      (std::vector<uint8_t>{0x80, 0x00, 0x00}));
    }
    RecordRun run = makeRecords(blockInput(8, 64, 32, 32, grey, -inf), 12);
    ASSERT_EQ(run.status, TAV_OK);
    EXPECT_EQ(run.records, std::vector<uint8_t>(12, 0x00));

    grey[0] = nan;  // its block has no response; the NaN target zeroes every other gain
    run = makeRecords(blockInput(8, 64, 32, 32, grey, 10.0f), 12);
    ASSERT_EQ(run.status, TAV_OK);
    EXPECT_EQ(std::vector<uint8_t>(run.records.begin(), run.records.begin() + 3), (std::vector<uint8_t>{0x80, 0x00, 0x00}));
    EXPECT_EQ(std::vector<uint8_t>(run.records.begin() + 3, run.records.begin() + 6), (std::vector<uint8_t>{0x00, 0x00, 80}));
}

}  // namespace

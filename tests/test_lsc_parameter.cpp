// Parameter tables: the library against the plain reference, the word
// encoding at its limits, and every refused input.
#include <cmath>
#include <cstring>
#include <limits>

#include "ref_lsc.h"
#include "tav_lsc.h"
#include "test_support.h"

using tavtest::errorLine;

namespace {

using tavtest::captureStdout;
using tavtest::GuardedBuffer;

size_t tableWords(unsigned mode, int h, int w) { return 3 + (mode == 1 ? size_t(h) * w : size_t(h / 2) * (w / 2)); }

std::vector<uint32_t> readTable(const GuardedBuffer& buffer) {
    std::vector<uint32_t> table(buffer.size() / 4);
    memcpy(table.data(), buffer.data(), buffer.size());
    return table;
}

// Runs tavGetLSCParameter into an exactly sized guarded table.
struct TableRun {
    TavStatus status;
    std::string printed;
    std::vector<uint32_t> table;
    bool guardsIntact;
};
TableRun makeTable(unsigned mode, unsigned bits, int h, int w, const std::vector<float>& grey,
                   const std::vector<float>& dark) {
    GuardedBuffer buffer(tableWords(mode, h, w) * 4);
    TavLSCInput input = {mode, bits, w, h, grey.data(), dark.data()};
    TableRun run;
    run.printed = captureStdout([&] { run.status = tavGetLSCParameter(&input, reinterpret_cast<TavLSCTable*>(buffer.data())); });
    run.table = readTable(buffer);
    run.guardsIntact = buffer.intact();
    return run;
}

TEST(LscParameter, MatchesReferenceInBothModesAndDepths) {
    const int sizes[][2] = {{32, 32}, {34, 32}, {32, 38}, {46, 64}, {66, 50}};
    uint32_t seed = 1;
    for (auto& size : sizes) {
        for (unsigned bits : {8u, 10u, 12u}) {
            for (unsigned mode : {0u, 1u}) {
                int h = size[0], w = size[1];
                tavref::ShadingFrames f = tavref::randomShading(h, w, bits, seed++);
                TableRun run = makeTable(mode, bits, h, w, f.grey, f.dark);
                SCOPED_TRACE(testing::Message() << h << "x" << w << " bits " << bits << " mode " << mode);
                EXPECT_EQ(run.status, TAV_OK);
                EXPECT_EQ(run.printed, "");
                EXPECT_TRUE(run.guardsIntact);
                EXPECT_EQ(run.table, tavref::lscTable(mode, bits, h, w, f.grey, f.dark));
            }
        }
    }
}

TEST(LscParameter, UniformResponseGivesUnitGain) {
    const int h = 32, w = 32;
    std::vector<float> dark(h * w), grey(h * w);
    for (int i = 0; i < h * w; ++i) {
        dark[i] = float(i % 7) * 3.0f;
        grey[i] = dark[i] + 200.0f;
    }
    for (unsigned mode : {0u, 1u}) {
        TableRun run = makeTable(mode, 12, h, w, grey, dark);
        ASSERT_EQ(run.status, TAV_OK);
        ASSERT_EQ(run.table.size(), mode == 1 ? 3u + 1024u : 3u + 256u);
        EXPECT_EQ(run.table[0], mode);
        EXPECT_EQ(run.table[1], 32u);
        EXPECT_EQ(run.table[2], 32u);
        for (size_t i = 3; i < run.table.size(); ++i) ASSERT_EQ(run.table[i] >> 12, TAV_LSC_GAIN_ONE);
    }
}

uint32_t wordFor(float dark, float grey, unsigned bits, double target) {
    uint32_t word = 0xDEADBEEF;
    EXPECT_EQ(getLSCKBMono(&dark, &grey, 1, bits, &word, target), TAV_OK);
    return word;
}

TEST(LscParameter, WordFieldsAtTheirLimits) {
    // Offsets: 255.7 at 8 bits is 4091.2 -> 4091; 256 is 4096 -> 4095; below zero -> 0.
    EXPECT_EQ(wordFor(255.7f, 300.0f, 8, 0.0) & 0xFFF, 4091u);
    EXPECT_EQ(wordFor(256.0f, 300.0f, 8, 0.0) & 0xFFF, 4095u);
    EXPECT_EQ(wordFor(-1.0f, 300.0f, 12, 0.0) & 0xFFF, 0u);
    EXPECT_EQ(wordFor(100.4f, 300.0f, 10, 0.0) & 0xFFF, 402u);  // 401.6 rounds up
    EXPECT_EQ(wordFor(100.0f, 300.0f, 14, 0.0) & 0xFFF, 0u);  // no room above 12 bits

    // Gains: the response is 100, so K = target / 100.
    auto gainFor = [](double target) { return wordFor(0.0f, 100.0f, 12, target) >> 12; };
    EXPECT_EQ(gainFor(100.0), 0x20000u);
    EXPECT_EQ(gainFor(-5.0), 0u);
    EXPECT_EQ(gainFor(800.0), 0xFFFFFu);                          // K = 8.0 rounds to 0x100000, capped
    EXPECT_EQ(gainFor(801.0), 0xFFFFFu);                          // above 8
    EXPECT_EQ(gainFor(100.0 * 1048574.5 / 131072.0), 0xFFFFFu);   // rounds up onto the cap
    EXPECT_EQ(gainFor(100.0 * 1048573.49 / 131072.0), 0xFFFFDu);
    EXPECT_EQ(gainFor(100.0 * 2.5 / 131072.0), 3u);               // halves round up

    // Dark not below grey: gain 0 but the offset is still computed.
    EXPECT_EQ(wordFor(120.0f, 120.0f, 12, 50.0), 120u);
}

TEST(LscParameter, CellsAverageAllFourSamples) {
    const int h = 32, w = 32;
    std::vector<float> dark(h * w, 10.0f), grey(h * w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) grey[y * w + x] = (y % 2 == 0 ? 100.0f : 140.0f) + (x % 2 == 0 ? 0.0f : 20.0f);
    std::vector<float> cellDark(256), cellGrey(256);
    EXPECT_EQ(dataInit2x2(dark.data(), grey.data(), h, w, cellDark.data(), cellGrey.data()), TAV_OK);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(cellGrey[i], 130.0f);
        EXPECT_EQ(cellDark[i], 10.0f);
    }
    EXPECT_DOUBLE_EQ(getTargetLSCMono(cellDark.data(), cellGrey.data(), 256), 120.0);
}

TEST(LscParameter, RefusedInputsPrintTheirLineAndLeaveTheTableAlone) {
    std::vector<float> frame(64 * 64, 1.0f);
    struct Case {
        unsigned mode;
        int w, h;
        const float* grey;
        const float* dark;
        TavStatus status;
        std::string printed;
    } cases[] = {
        {0, 64, 64, nullptr, frame.data(), TAV_E_NULL_POINTER, errorLine(tav::kLineTableNull)},
        {0, 64, 64, frame.data(), nullptr, TAV_E_NULL_POINTER, errorLine(tav::kLineTableNull)},
        {2, 64, 64, frame.data(), frame.data(), TAV_E_UNSUPPORTED, errorLine(tav::kLineTableMode)},
        {0xFFFFFFFFu, 64, 64, frame.data(), frame.data(), TAV_E_UNSUPPORTED, errorLine(tav::kLineTableMode)},
        {1, 33, 64, frame.data(), frame.data(), TAV_E_SIZE, errorLine(tav::kLineTableOddSize)},
        {1, 64, 31, frame.data(), frame.data(), TAV_E_SIZE, errorLine(tav::kLineTableSize)},
        {1, 32, 30, frame.data(), frame.data(), TAV_E_SIZE, errorLine(tav::kLineTableSize)},
        {0, 64, 33, frame.data(), frame.data(), TAV_E_SIZE, errorLine(tav::kLineTableOddSize)},
        {0, -64, 64, frame.data(), frame.data(), TAV_E_SIZE, errorLine(tav::kLineTableSize)},
        // 65536 x 32768 samples do not fit in 32 bits: refused before any read.
        {1, 65536, 32768, frame.data(), frame.data(), TAV_E_SIZE, errorLine(tav::kLineTableSize)},
        {0, 46342, 46342, frame.data(), frame.data(), TAV_E_SIZE, errorLine(tav::kLineTableSize)},
    };
    for (const Case& c : cases) {
        GuardedBuffer table(64);
        TavLSCInput input = {c.mode, 12, c.w, c.h, c.grey, c.dark};
        TavStatus status = 0;
        std::string printed = captureStdout([&] { status = tavGetLSCParameter(&input, reinterpret_cast<TavLSCTable*>(table.data())); });
        SCOPED_TRACE(c.printed);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(printed, c.printed);
        EXPECT_EQ(table.contents(), std::vector<uint8_t>(64, 0xCD));
        EXPECT_TRUE(table.intact());
    }
    TavLSCInput input = {0, 12, 64, 64, frame.data(), frame.data()};
    TavStatus status = 0;
    EXPECT_EQ(captureStdout([&] { status = tavGetLSCParameter(&input, nullptr); }),
              errorLine(tav::kLineTableNull));
    EXPECT_EQ(status, TAV_E_NULL_POINTER);
    EXPECT_EQ(captureStdout([&] { status = tavGetLSCParameter(nullptr, nullptr); }),
              errorLine(tav::kLineTableNull));
}

// NaN and infinite frame values produce defined words (NaN fields are 0,
// infinities clamp), never an undefined conversion.
TEST(LscParameter, NonFiniteValuesGiveDefinedWords) {
    const int h = 32, w = 32;
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<float> dark(h * w, 20.0f), grey(h * w, 220.0f);

    dark[5] = nan;  // the target is NaN: every gain is 0
    TableRun run = makeTable(1, 12, h, w, grey, dark);
    ASSERT_EQ(run.status, TAV_OK);
    EXPECT_EQ(run.table[3 + 5], 0u);
    EXPECT_EQ(run.table[3 + 6], 20u);

    dark[5] = inf;  // target -inf: gains 0; the infinite dark level clamps to 4095
    run = makeTable(1, 12, h, w, grey, dark);
    EXPECT_EQ(run.table[3 + 5], 4095u);
    EXPECT_EQ(run.table[3 + 6], 20u);

    dark[5] = -inf;  // target +inf: every other gain clamps to the maximum
    run = makeTable(1, 8, h, w, grey, dark);
    EXPECT_EQ(run.table[3 + 5], 0u);  // infinite over infinite response: NaN gain -> 0, offset 0
    EXPECT_EQ(run.table[3 + 6], (0xFFFFFu << 12) | 320u);

    dark[5] = 20.0f;
    grey[7] = nan;
    run = makeTable(0, 12, h, w, grey, dark);
    ASSERT_EQ(run.status, TAV_OK);
    for (size_t i = 3; i < run.table.size(); ++i) ASSERT_EQ(run.table[i], 20u);
}

}  // namespace

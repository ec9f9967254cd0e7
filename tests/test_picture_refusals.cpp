// Refusals of the picture pipeline: each setting and frame the header
// refuses, with its status and diagnostic line; a refused setting keeps the
// previous one, a refused frame writes nothing and keeps the statistics.
// The values at the ends of each range are taken.
#include <cmath>
#include <limits>

#include "failing_malloc.h"
#include "picture_support.h"

using pictest::Context;
using pictest::Conversion;
using pictest::Frame;
using picref::InputFormat;
using tavtest::captureStdout;

namespace {

std::string line(int n) { return "error line = [" + std::to_string(n) + "]"; }

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// A context with settings P0 (a per-pixel table included) and one frame
// converted with them, so a refusal can be seen to keep both.
struct Primed {
    const InputFormat& format;
    std::mt19937 rng;
    std::vector<uint32_t> table;
    TavPipeline settings;
    Context context;
    TavFrameStats stats;

    explicit Primed(int32_t code, int32_t height = 8, int32_t width = 10)
        : format(*picref::findFormat(code)), rng(uint32_t(code)) {
        table = pictest::randomTable(TAV_LSC_MODE_PIXEL, height, width, rng);
        settings = pictest::randomPipeline(format, rng);
        settings.shadingTable = table.data();
        context.setPipeline(&settings);
        Frame frame = pictest::randomFrame(format, height, width, 0, rng);
        EXPECT_EQ(pictest::convert(context, frame, TAV_METHOD_BILINEAR, TAV_PIXEL_RGB8).status, TAV_OK);
        stats = context.stats();
    }

    // The settings in force convert a new frame as the reference says with
    // `expected`, and leave its statistics.
    void expectInForce(const TavPipeline& expected, int32_t height = 8, int32_t width = 10) {
        Frame frame = pictest::randomFrame(format, height, width, 1, rng);
        const picref::Picture want = picref::picture(frame.image, TAV_METHOD_EDGE, TAV_PIXEL_BGRA8, expected);
        const Conversion got = pictest::convert(context, frame, TAV_METHOD_EDGE, TAV_PIXEL_BGRA8);
        ASSERT_EQ(got.status, TAV_OK) << got.printed;
        EXPECT_TRUE(got.bytes == want.bytes);
        EXPECT_TRUE(pictest::sameStats(context.stats(), want.stats));
        stats = context.stats();
    }

    // A refused frame: its status and line, no byte of the output or the
    // input written, the descriptor and the statistics as they were.
    void expectRefusedFrame(Frame& frame, int32_t method, TavStatus status, const std::string& printed) {
        const Conversion got = pictest::convert(context, frame, method, TAV_PIXEL_RGB8);
        EXPECT_EQ(got.status, status);
        EXPECT_EQ(got.printed, printed);
        EXPECT_TRUE(got.bytes == std::vector<uint8_t>(got.bytes.size(), 0xCD)) << "output written";
        EXPECT_TRUE(got.guardsIntact);
        EXPECT_TRUE(got.inputUntouched);
        EXPECT_EQ(got.output.height, -1);
        EXPECT_EQ(got.output.pixelType, -1);
        EXPECT_TRUE(pictest::sameStats(context.stats(), stats)) << pictest::describe(context.stats());
    }
};

}  // namespace

TEST(PictureRefusals, InitGivesNeutralSettings) {
    TavPipeline p;
    std::memset(&p, 0x7F, sizeof p);
    ASSERT_EQ(tavPipelineInit(&p), TAV_OK);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p.blackLevel[i], 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.whiteBalance[i], 1.0f);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(p.colorMatrix[i], i % 4 == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(p.curve, TAV_CURVE_LINEAR);
    EXPECT_EQ(p.gamma, 1.0f);
    EXPECT_EQ(p.shadingTable, nullptr);

    TavStatus status = TAV_OK;
    EXPECT_EQ(captureStdout([&] { status = tavPipelineInit(nullptr); }), line(801));
    EXPECT_EQ(status, TAV_E_NULL_POINTER);
}

TEST(PictureRefusals, NullContextOrStats) {
    TavPipeline p;
    ASSERT_EQ(tavPipelineInit(&p), TAV_OK);
    TavStatus status = TAV_OK;
    EXPECT_EQ(captureStdout([&] { status = tavDemosaicSetPipeline(nullptr, &p); }), line(802));
    EXPECT_EQ(status, TAV_E_NULL_POINTER);
    EXPECT_EQ(captureStdout([&] { status = tavDemosaicSetPipeline(nullptr, nullptr); }), line(802));
    EXPECT_EQ(status, TAV_E_NULL_POINTER);

    Context context;
    TavFrameStats stats;
    EXPECT_EQ(captureStdout([&] { status = tavDemosaicGetStats(nullptr, &stats); }), line(815));
    EXPECT_EQ(status, TAV_E_NULL_POINTER);
    EXPECT_EQ(captureStdout([&] { status = tavDemosaicGetStats(context.handle, nullptr); }), line(815));
    EXPECT_EQ(status, TAV_E_NULL_POINTER);
}

// Every refused setting: its status and line, the previous settings still in
// force (a frame converts with them) and the statistics of the last frame.
TEST(PictureRefusals, RefusedSettingsKeepThePreviousOnes) {
    struct Refusal {
        const char* what;
        void (*spoil)(TavPipeline&);
        TavStatus status;
        int line;
    };
    const Refusal refusals[] = {
        {"NaN red gain", [](TavPipeline& p) { p.whiteBalance[0] = kNaN; }, TAV_E_UNSUPPORTED, 803},
        {"infinite blue gain", [](TavPipeline& p) { p.whiteBalance[2] = kInf; }, TAV_E_UNSUPPORTED, 803},
        {"NaN matrix entry", [](TavPipeline& p) { p.colorMatrix[8] = -kNaN; }, TAV_E_UNSUPPORTED, 803},
        {"-inf matrix entry", [](TavPipeline& p) { p.colorMatrix[3] = -kInf; }, TAV_E_UNSUPPORTED, 803},
        {"NaN gamma", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = kNaN; }, TAV_E_UNSUPPORTED, 803},
        {"infinite gamma", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = kInf; }, TAV_E_UNSUPPORTED, 803},
        {"NaN gamma, sRGB curve", [](TavPipeline& p) { p.curve = TAV_CURVE_SRGB, p.gamma = kNaN; }, TAV_E_UNSUPPORTED, 803},
        {"gain 0", [](TavPipeline& p) { p.whiteBalance[1] = 0.0f; }, TAV_E_UNSUPPORTED, 804},
        {"gain -0", [](TavPipeline& p) { p.whiteBalance[1] = -0.0f; }, TAV_E_UNSUPPORTED, 804},
        {"negative gain", [](TavPipeline& p) { p.whiteBalance[0] = -1.5f; }, TAV_E_UNSUPPORTED, 804},
        {"gain just above 64", [](TavPipeline& p) { p.whiteBalance[2] = std::nextafter(64.0f, 65.0f); },
         TAV_E_UNSUPPORTED, 804},
        {"entry just above 16", [](TavPipeline& p) { p.colorMatrix[0] = std::nextafter(16.0f, 17.0f); },
         TAV_E_UNSUPPORTED, 805},
        {"entry -17", [](TavPipeline& p) { p.colorMatrix[5] = -17.0f; }, TAV_E_UNSUPPORTED, 805},
        {"black -1", [](TavPipeline& p) { p.blackLevel[1] = -1; }, TAV_E_UNSUPPORTED, 806},
        {"black 65535", [](TavPipeline& p) { p.blackLevel[3] = 65535; }, TAV_E_UNSUPPORTED, 806},
        {"black INT32_MIN", [](TavPipeline& p) { p.blackLevel[0] = INT32_MIN; }, TAV_E_UNSUPPORTED, 806},
        {"curve 3", [](TavPipeline& p) { p.curve = 3; }, TAV_E_UNSUPPORTED, 807},
        {"curve -1", [](TavPipeline& p) { p.curve = -1; }, TAV_E_UNSUPPORTED, 807},
        {"gamma below 0.1", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = 0.0999f; }, TAV_E_UNSUPPORTED, 808},
        {"gamma 0", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = 0.0f; }, TAV_E_UNSUPPORTED, 808},
        {"gamma -2.2", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = -2.2f; }, TAV_E_UNSUPPORTED, 808},
        {"gamma above 10", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = std::nextafter(10.0f, 11.0f); },
         TAV_E_UNSUPPORTED, 808},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        Primed primed(TAV_PIXEL_BAYER_GR12_PACKED);
        TavPipeline spoilt = primed.settings;
        r.spoil(spoilt);
        TavStatus status = TAV_OK;
        EXPECT_EQ(captureStdout([&] { status = tavDemosaicSetPipeline(primed.context.handle, &spoilt); }),
                  line(r.line));
        EXPECT_EQ(status, r.status);
        EXPECT_TRUE(pictest::sameStats(primed.context.stats(), primed.stats));
        primed.expectInForce(primed.settings);
    }
}

// A table's mode is checked when it is set: only 0 and 1 are tables.
TEST(PictureRefusals, TableOfAnotherModeIsRefusedWhenSet) {
    for (uint32_t mode : {2u, 0x80000001u}) {
        Primed primed(TAV_PIXEL_BAYER_RG8);
        std::vector<uint32_t> table = primed.table;
        table[0] = mode;
        TavPipeline spoilt = primed.settings;
        spoilt.shadingTable = table.data();
        TavStatus status = TAV_OK;
        EXPECT_EQ(captureStdout([&] { status = tavDemosaicSetPipeline(primed.context.handle, &spoilt); }), line(809));
        EXPECT_EQ(status, TAV_E_UNSUPPORTED);
        primed.expectInForce(primed.settings);
    }
}

// The ends of every range are settings like any other.
TEST(PictureRefusals, EndsOfTheRangesAreTaken) {
    struct Setting {
        const char* what;
        int32_t code;
        void (*apply)(TavPipeline&);
    };
    const Setting settings[] = {
        {"gain 64", TAV_PIXEL_BAYER_RG10, [](TavPipeline& p) { p.whiteBalance[0] = 64.0f; }},
        {"smallest gain", TAV_PIXEL_BAYER_BG12, [](TavPipeline& p) { p.whiteBalance[1] = std::numeric_limits<float>::denorm_min(); }},
        {"entries +-16", TAV_PIXEL_BAYER_GB8, [](TavPipeline& p) { p.colorMatrix[1] = 16.0f, p.colorMatrix[6] = -16.0f; }},
        {"black 65534 at 16 bits", TAV_PIXEL_BAYER_GR16, [](TavPipeline& p) { p.blackLevel[2] = 65534; }},
        {"black 254 at 8 bits", TAV_PIXEL_BAYER_RG8, [](TavPipeline& p) { p.blackLevel[0] = 254, p.whiteBalance[0] = 64.0f; }},
        {"black 4094 at 12 bits", TAV_PIXEL_MONO12_PACKED, [](TavPipeline& p) { p.blackLevel[0] = 4094; }},
        {"gamma 0.1", TAV_PIXEL_BAYER_RG12, [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = 0.1f; }},
        {"gamma 10", TAV_PIXEL_MONO16, [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = 10.0f; }},
        {"gamma 0 without the gamma curve", TAV_PIXEL_BAYER_BG10_PACKED, [](TavPipeline& p) { p.curve = TAV_CURVE_SRGB, p.gamma = 0.0f; }},
        {"gamma 50 without the gamma curve", TAV_PIXEL_MONO10, [](TavPipeline& p) { p.curve = TAV_CURVE_LINEAR, p.gamma = 50.0f; }},
        // Mono frames use blackLevel[0] only.
        {"Mono: other black levels unused", TAV_PIXEL_MONO8, [](TavPipeline& p) { p.blackLevel[1] = 255, p.blackLevel[3] = 60000; }},
    };
    for (const Setting& s : settings) {
        SCOPED_TRACE(s.what);
        Primed primed(s.code);
        TavPipeline p = primed.settings;
        s.apply(p);
        TavStatus status = TAV_E_SIZE;
        EXPECT_EQ(captureStdout([&] { status = tavDemosaicSetPipeline(primed.context.handle, &p); }), "");
        EXPECT_EQ(status, TAV_OK);
        primed.expectInForce(p);
    }
}

// A black level at or above the frame's white point is refused at the frame
// (the same settings suit deeper frames).
TEST(PictureRefusals, BlackAtTheWhitePointOfTheFrame) {
    const struct {
        int32_t code;
        int position;
        int32_t black;
    } cases[] = {{TAV_PIXEL_BAYER_RG8, 3, 255},          {TAV_PIXEL_BAYER_GB8, 0, 300},
                 {TAV_PIXEL_BAYER_BG10_PACKED, 1, 1023}, {TAV_PIXEL_BAYER_GR12, 2, 4095},
                 {TAV_PIXEL_MONO14, 0, 16383},           {TAV_PIXEL_MONO8, 0, 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << std::dec << " black " << c.black);
        Primed primed(c.code);
        TavPipeline p = primed.settings;
        p.blackLevel[c.position] = c.black;
        primed.context.setPipeline(&p);
        Frame frame = pictest::randomFrame(primed.format, 8, 10, 2, primed.rng);
        primed.expectRefusedFrame(frame, TAV_METHOD_BILINEAR, TAV_E_UNSUPPORTED, line(811));
        // The same settings convert a 16-bit frame of the same size.
        p.shadingTable = nullptr;
        primed.context.setPipeline(&p);
        const InputFormat& deep = *picref::findFormat(c.code == TAV_PIXEL_MONO8 || c.code == TAV_PIXEL_MONO14
                                                          ? TAV_PIXEL_MONO16
                                                          : TAV_PIXEL_BAYER_RG16);
        Frame deepFrame = pictest::randomFrame(deep, 8, 10, 0, primed.rng);
        const Conversion got = pictest::convert(primed.context, deepFrame, TAV_METHOD_BILINEAR, TAV_PIXEL_RGB8);
        EXPECT_EQ(got.status, TAV_OK);
        EXPECT_TRUE(got.bytes == picref::picture(deepFrame.image, TAV_METHOD_BILINEAR, TAV_PIXEL_RGB8, p).bytes);
    }
}

// The table is read at each frame: one for another frame size refuses the
// frame; the settings stay.
TEST(PictureRefusals, TableForAnotherFrameSize) {
    for (int32_t code : {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GB12_PACKED, TAV_PIXEL_MONO16}) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        Primed primed(code);
        for (const auto& size : {std::pair<int, int>{10, 10}, {8, 12}, {7, 10}}) {
            Frame frame = pictest::randomFrame(primed.format, size.first, size.second, 0, primed.rng);
            primed.expectRefusedFrame(frame, TAV_METHOD_NEAREST, TAV_E_SIZE, line(812));
        }
        primed.expectInForce(primed.settings);
    }
}

// A table whose mode word differs from the mode it had when it was set
// refuses the frame: its words no longer mean what they meant, and a cell
// table read as a pixel table would be read four times past its end.
TEST(PictureRefusals, TableWhoseModeChangedSinceItWasSet) {
    for (uint32_t setMode : {TAV_LSC_MODE_2X2, TAV_LSC_MODE_PIXEL}) {
        for (uint32_t mode : {0u, 1u, 2u, 0xFFFFFFFFu}) {
            if (mode == setMode) continue;
            SCOPED_TRACE(testing::Message() << "table set with mode " << setMode << ", mode now " << mode);
            Primed primed(TAV_PIXEL_BAYER_BG10);
            std::vector<uint32_t> table = pictest::randomTable(setMode, 8, 10, primed.rng);
            TavPipeline p = primed.settings;
            p.shadingTable = table.data();
            primed.context.setPipeline(&p);
            primed.expectInForce(p);
            table[0] = mode;
            Frame frame = pictest::randomFrame(primed.format, 8, 10, 0, primed.rng);
            primed.expectRefusedFrame(frame, TAV_METHOD_BILINEAR, TAV_E_UNSUPPORTED, line(813));
            table[0] = setMode;
            primed.expectInForce(p);
        }
    }
}

// Frames too small for the method are refused as without a pipeline (the
// same status and line), with nothing written and the statistics kept; the
// smallest frames each method takes match the reference.
TEST(PictureRefusals, SmallFramesAsWithoutAPipeline) {
    for (int32_t code : {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GR12_PACKED, TAV_PIXEL_MONO10}) {
        const InputFormat& format = *picref::findFormat(code);
        std::mt19937 rng{uint32_t(code)};
        const TavPipeline p = pictest::randomPipeline(format, rng);
        Context plain, piped;
        piped.setPipeline(&p);
        for (const auto& size : {std::pair<int, int>{3, 8}, {8, 3}, {4, 4}, {4, 5}, {5, 5}, {5, 8}, {8, 5}, {6, 6}}) {
            for (int32_t method : {TAV_METHOD_NEAREST, TAV_METHOD_BILINEAR, TAV_METHOD_EDGE, TAV_METHOD_HQ}) {
                for (int64_t outputType : {TAV_PIXEL_BGRA8, TAV_PIXEL_BGR8_PLANAR, TAV_PIXEL_MONO8}) {
                    SCOPED_TRACE(testing::Message() << std::hex << code << std::dec << " " << size.first << "x"
                                                    << size.second << " method " << method << " output " << std::hex
                                                    << outputType);
                    Frame frame = pictest::randomFrame(format, size.first, size.second, 0, rng);
                    Frame plainFrame = frame;
                    const Conversion without = pictest::convert(plain, plainFrame, method, outputType);
                    const TavFrameStats before = piped.stats();
                    const Conversion got = pictest::convert(piped, frame, method, outputType);
                    EXPECT_EQ(got.status, without.status);
                    EXPECT_EQ(got.printed, without.printed);
                    EXPECT_TRUE(got.guardsIntact);
                    if (got.status != TAV_OK) {
                        EXPECT_TRUE(got.bytes == std::vector<uint8_t>(got.bytes.size(), 0xCD));
                        EXPECT_TRUE(pictest::sameStats(piped.stats(), before));
                        continue;
                    }
                    const picref::Picture want = picref::picture(frame.image, method, outputType, p);
                    EXPECT_TRUE(got.bytes == want.bytes);
                    EXPECT_TRUE(pictest::sameStats(piped.stats(), want.stats));
                }
            }
        }
    }
}

// The plain entry's own refusals stand with a pipeline: an unknown method for
// Bayer input writes nothing; grey input ignores the method.
TEST(PictureRefusals, UnknownMethod) {
    Primed bayer(TAV_PIXEL_BAYER_GR10);
    Frame frame = pictest::randomFrame(bayer.format, 8, 10, 0, bayer.rng);
    bayer.expectRefusedFrame(frame, 4, TAV_E_UNSUPPORTED, "");
    bayer.expectRefusedFrame(frame, -1, TAV_E_UNSUPPORTED, "");

    Primed grey(TAV_PIXEL_MONO12);
    Frame greyFrame = pictest::randomFrame(grey.format, 8, 10, 0, grey.rng);
    const Conversion got = pictest::convert(grey.context, greyFrame, 7, TAV_PIXEL_RGB8);
    EXPECT_EQ(got.status, TAV_OK);
    EXPECT_TRUE(got.bytes == picref::picture(greyFrame.image, TAV_METHOD_NEAREST, TAV_PIXEL_RGB8, grey.settings).bytes);
}

#if TAV_TEST_FAIL_MALLOC

namespace {

// Runs call with the allocations after the first `skip` failing and the
// thread's diagnostics in a buffer (capturing stdout would allocate).
template <class Call>
std::string runFailing(int skip, const Call& call) {
    static char lines[256];
    tavSetThreadDiagnostics(lines, sizeof lines);
    tavtest::failAllocationsOf(tavtest::kEverySize, skip);
    call();
    tavtest::failAllocationsOf(0);
    tavSetThreadDiagnostics(nullptr, 0);
    return lines;
}

}  // namespace

// Whichever allocation of setting a pipeline fails, the call says so and
// the previous settings stay; once all succeed the new ones are in force.
TEST(PictureRefusals, NoMemoryForTheSettings) {
    Primed primed(TAV_PIXEL_BAYER_RG12);
    TavPipeline next = primed.settings;
    next.curve = TAV_CURVE_GAMMA, next.gamma = 1.7f, next.whiteBalance[1] = 1.25f;
    for (int skip = 0;; ++skip) {
        ASSERT_LT(skip, 20) << "no end of allocations";
        TavStatus status = TAV_OK;
        const std::string printed = runFailing(skip, [&] { status = tavDemosaicSetPipeline(primed.context.handle, &next); });
        if (status == TAV_OK) {
            EXPECT_GT(skip, 0) << "the curve needs memory";
            EXPECT_EQ(printed, "");
            primed.expectInForce(next);
            break;
        }
        EXPECT_EQ(status, TAV_E_NO_MEMORY);
        EXPECT_EQ(printed, line(810));
        primed.expectInForce(primed.settings);
    }
}

// Whichever allocation of a frame fails, on one thread or several, the frame
// is refused with nothing written and the statistics kept, or done right.
TEST(PictureRefusals, NoMemoryForTheFrame) {
    for (int32_t threads : {1, 3}) {
        for (int32_t code : {TAV_PIXEL_BAYER_BG8, TAV_PIXEL_BAYER_GB12_PACKED}) {
            SCOPED_TRACE(testing::Message() << "threads " << threads << " type " << std::hex << code);
            for (int skip = 0;; ++skip) {
                ASSERT_LT(skip, 40) << "no end of allocations";
                const InputFormat& format = *picref::findFormat(code);
                std::mt19937 rng{uint32_t(skip)};
                TavPipeline p = pictest::randomPipeline(format, rng);
                Context context(threads);
                context.setPipeline(&p);
                context.setOutput(TAV_PIXEL_RGB8_PLANAR);
                Frame frame = pictest::randomFrame(format, 40, 12, 1, rng);
                const Frame before = frame;
                tavtest::GuardedBuffer out(size_t(40) * 12 * 3);
                TavImage output = {-1, -1, -1, out.data(), -1};
                TavStatus status = TAV_OK;
                const std::string printed = runFailing(
                    skip, [&] { status = tavDemosaicing(context.handle, &frame.image, TAV_METHOD_EDGE, &output); });
                EXPECT_TRUE(frame.bytes == before.bytes);
                EXPECT_TRUE(out.intact());
                if (status == TAV_OK) {
                    EXPECT_GT(skip, 0) << "a new context's first frame needs memory";
                    EXPECT_EQ(printed, "");
                    const picref::Picture want = picref::picture(frame.image, TAV_METHOD_EDGE, TAV_PIXEL_RGB8_PLANAR, p);
                    EXPECT_TRUE(out.contents() == want.bytes);
                    EXPECT_TRUE(pictest::sameStats(context.stats(), want.stats));
                    break;
                }
                EXPECT_EQ(status, TAV_E_NO_MEMORY);
                // A work buffer that cannot grow says so first, as in the plain entry.
                EXPECT_TRUE(printed == line(814) || printed == line(42) + line(814)) << printed;
                EXPECT_TRUE(out.contents() == std::vector<uint8_t>(out.size(), 0xCD));
                EXPECT_EQ(output.height, -1);
                TavFrameStats zero;
                std::memset(&zero, 0, sizeof zero);
                EXPECT_TRUE(pictest::sameStats(context.stats(), zero));
            }
        }
    }
}

#endif

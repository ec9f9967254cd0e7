// The picture pipeline of tavDemosaicing against the per-pixel reference:
// every input type, method and output with random settings and shading
// tables, byte for byte with the statistics; thread counts and kernel tables
// that must not change a byte; the plain conversion when no pipeline is set.
#include <set>
#include <thread>

#include "kernel_tables/kernel_tables.h"
#include "picture_support.h"
#include "ref_lsc.h"

using pictest::Context;
using pictest::Conversion;
using pictest::Frame;
using picref::InputFormat;

namespace {

const int32_t kMethods[] = {TAV_METHOD_NEAREST, TAV_METHOD_BILINEAR, TAV_METHOD_EDGE, TAV_METHOD_HQ};
constexpr int kMethodCount = int(sizeof kMethods / sizeof kMethods[0]);

std::string caseName(const Frame& frame, int32_t method, int64_t outputType) {
    char text[160];
    snprintf(text, sizeof text, "type 0x%08x %dx%d lineBytes %d method %d output 0x%08llx", frame.image.pixelType,
             frame.image.width, frame.image.height, frame.image.lineBytes, method, (long long)outputType);
    return text;
}

// Converts with the pipeline already set on the context and checks every
// promise of a successful frame against the reference.
void expectPicture(Context& context, Frame& frame, int32_t method, int64_t outputType, const picref::Picture& want) {
    SCOPED_TRACE(caseName(frame, method, outputType));
    const Conversion got = pictest::convert(context, frame, method, outputType);
    ASSERT_EQ(got.status, TAV_OK) << got.printed;
    EXPECT_EQ(got.printed, "");
    ASSERT_TRUE(got.bytes == want.bytes) << pictest::firstDifference(got.bytes, want.bytes, frame.image.height,
                                                                     frame.image.width, outputType);
    EXPECT_TRUE(got.guardsIntact);
    EXPECT_TRUE(got.inputUntouched);  // padded 8-bit rows too: read where they lie
    EXPECT_EQ(got.output.height, frame.image.height);
    EXPECT_EQ(got.output.width, frame.image.width);
    EXPECT_EQ(got.output.pixelType, outputType);
    const TavFrameStats stats = context.stats();
    ASSERT_TRUE(pictest::sameStats(stats, want.stats))
        << "library:   " << pictest::describe(stats) << "\nreference: " << pictest::describe(want.stats);
}

void expectReference(Context& context, Frame& frame, int32_t method, int64_t outputType, const TavPipeline& p) {
    expectPicture(context, frame, method, outputType, picref::picture(frame.image, method, outputType, p));
}

// Every parity of height and width, from the smallest frame the edge method
// takes to rows longer than a vector register.
const int32_t kSizes[][2] = {{6, 6}, {6, 9}, {7, 8}, {9, 7}, {11, 37}, {8, 70}};

}  // namespace

// The whole sweep: random settings, frames with saturated and out-of-range
// samples, padded rows, and no table, a per-pixel or a 2x2 table.
TEST(Picture, EveryTypeMethodAndOutputMatchesTheReference) {
    uint32_t seed = 1;
    for (const InputFormat& format : picref::inputFormats()) {
        Context context;
        for (const auto& size : kSizes) {
            std::mt19937 rng(++seed);
            TavPipeline p = pictest::randomPipeline(format, rng);
            std::vector<uint32_t> table;
            if (seed % 3 != 2) {
                table = pictest::randomTable(seed % 3, size[0], size[1], rng);
                p.shadingTable = table.data();
            }
            context.setPipeline(&p);
            for (int32_t method : kMethods) {
                for (int64_t outputType : picref::outputTypes()) {
                    Frame frame = pictest::randomFrame(format, size[0], size[1], int32_t(rng() % 4), rng);
                    expectReference(context, frame, method, outputType, p);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// Each stage alone on a frame whose other stages are neutral, so that a fault
// shows up as the stage it is in rather than somewhere in a mixed sweep.
TEST(Picture, EachStageAloneMatchesTheReference) {
    struct Stage {
        const char* what;
        void (*apply)(TavPipeline&);
    };
    const Stage stages[] = {
        {"neutral", [](TavPipeline&) {}},
        {"black per position", [](TavPipeline& p) { p.blackLevel[0] = 3, p.blackLevel[1] = 17, p.blackLevel[2] = 40, p.blackLevel[3] = 9; }},
        {"gains", [](TavPipeline& p) { p.whiteBalance[0] = 2.5f, p.whiteBalance[1] = 0.75f, p.whiteBalance[2] = 1.6f; }},
        {"matrix", [](TavPipeline& p) {
             const float m[9] = {1.5f, -0.3f, -0.2f, -0.4f, 1.9f, -0.5f, 0.1f, -0.9f, 1.8f};
             std::memcpy(p.colorMatrix, m, sizeof m);
         }},
        {"sRGB", [](TavPipeline& p) { p.curve = TAV_CURVE_SRGB; }},
        {"gamma 2.2", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = 2.2f; }},
        {"gamma 0.45", [](TavPipeline& p) { p.curve = TAV_CURVE_GAMMA, p.gamma = 0.45f; }},
    };
    const int32_t codes[] = {TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_BG12, TAV_PIXEL_BAYER_GB10_PACKED,
                             TAV_PIXEL_BAYER_RG16, TAV_PIXEL_MONO14, TAV_PIXEL_MONO12_PACKED};
    uint32_t seed = 500;
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.what);
        for (int32_t code : codes) {
            const InputFormat& format = *picref::findFormat(code);
            Context context;
            TavPipeline p;
            ASSERT_EQ(tavPipelineInit(&p), TAV_OK);
            stage.apply(p);
            context.setPipeline(&p);
            for (int32_t method : kMethods) {
                std::mt19937 rng(++seed);
                Frame frame = pictest::randomFrame(format, 10, 13, 0, rng);
                for (int64_t outputType : {TAV_PIXEL_RGB8, TAV_PIXEL_BGRA8, TAV_PIXEL_MONO8}) {
                    expectReference(context, frame, method, outputType, p);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// Shading tables as the library's own fit makes them, per pixel and per 2x2
// cell, for the depth they were fitted at and for others.
TEST(Picture, TablesOfTheShadingFitMatchTheReference) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8,  TAV_PIXEL_BAYER_GB10, TAV_PIXEL_BAYER_BG12_PACKED,
                             TAV_PIXEL_MONO14,     TAV_PIXEL_BAYER_GR16, TAV_PIXEL_MONO10_PACKED};
    uint32_t seed = 900;
    for (int32_t code : codes) {
        const InputFormat& format = *picref::findFormat(code);
        for (uint32_t mode : {TAV_LSC_MODE_2X2, TAV_LSC_MODE_PIXEL}) {
            for (uint32_t bits : {8u, 12u}) {
                const int32_t height = 32, width = 34;
                const tavref::ShadingFrames shading = tavref::randomShading(height, width, bits, ++seed);
                std::vector<uint32_t> table(3 + size_t(height) * width);
                const TavLSCInput fit = {mode, bits, width, height, shading.grey.data(), shading.dark.data()};
                ASSERT_EQ(tavGetLSCParameter(&fit, table.data()), TAV_OK);
                std::mt19937 rng(seed);
                TavPipeline p = pictest::randomPipeline(format, rng);
                p.shadingTable = table.data();
                Context context;
                context.setPipeline(&p);
                Frame frame = pictest::randomFrame(format, height, width, 0, rng);
                for (int32_t method : kMethods) {
                    expectReference(context, frame, method, TAV_PIXEL_BGR8, p);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// The shading stage stores what tavLSCorrection stores: a frame corrected by
// it and converted without a table gives the same picture and statistics as
// the raw frame converted with the table.
TEST(Picture, ShadingIsTheCorrectionOfTavLSCorrection) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GB10, TAV_PIXEL_BAYER_BG12, TAV_PIXEL_MONO12};
    uint32_t seed = 1200;
    for (int32_t code : codes) {
        const InputFormat& format = *picref::findFormat(code);
        for (uint32_t mode : {TAV_LSC_MODE_2X2, TAV_LSC_MODE_PIXEL}) {
            SCOPED_TRACE(testing::Message() << std::hex << code << std::dec << " mode " << mode);
            std::mt19937 rng(++seed);
            const int32_t height = 12, width = 16;
            std::vector<uint32_t> table = pictest::randomTable(mode, height, width, rng);
            Frame raw = pictest::randomFrame(format, height, width, 0, rng);
            Frame corrected = raw;
            const TavImage out = {height, width, code, corrected.bytes.data(), corrected.image.lineBytes};
            ASSERT_EQ(tavLSCorrection(&raw.image, &out, table.data()), TAV_OK);
            TavPipeline p = pictest::randomPipeline(format, rng);
            Context withTable, without;
            without.setPipeline(&p);
            p.shadingTable = table.data();
            withTable.setPipeline(&p);
            for (int32_t method : kMethods) {
                const Conversion a = pictest::convert(withTable, raw, method, TAV_PIXEL_RGB8);
                const Conversion b = pictest::convert(without, corrected, method, TAV_PIXEL_RGB8);
                ASSERT_EQ(a.status, TAV_OK);
                ASSERT_EQ(b.status, TAV_OK);
                EXPECT_TRUE(a.bytes == b.bytes) << "method " << method;
                EXPECT_TRUE(pictest::sameStats(withTable.stats(), without.stats())) << "method " << method;
            }
        }
    }
}

// Frames of 6 to 19 rows give bands of one row pair; around 8 x threads rows
// the last bands get a pair more or less; 24 x threads + 5 rows give bands of
// three and four pairs; from 64 x threads rows on bands unpack into windows.
// Every count gives the reference's bytes and the same statistics.
TEST(Picture, EveryThreadCountGivesTheSameBytesAndStatistics) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8,  TAV_PIXEL_BAYER_GR8,         TAV_PIXEL_BAYER_GB8,
                             TAV_PIXEL_BAYER_BG8,  TAV_PIXEL_BAYER_RG12,        TAV_PIXEL_BAYER_GB10,
                             TAV_PIXEL_BAYER_BG16, TAV_PIXEL_BAYER_RG12_PACKED, TAV_PIXEL_BAYER_GR10_PACKED,
                             TAV_PIXEL_MONO8,      TAV_PIXEL_MONO12,            TAV_PIXEL_MONO10_PACKED,
                             TAV_PIXEL_MONO14};
    std::set<int32_t> heights;
    for (int32_t h = 6; h <= 19; ++h) heights.insert(h);
    for (int32_t t : {2, 3}) {
        for (int32_t h : {8 * t - 1, 8 * t + 1, 8 * t + 2, 24 * t + 5, 64 * t - 1, 64 * t + 3}) heights.insert(h);
    }
    const int32_t threadCounts[] = {1, 2, 3, 0};
    std::vector<std::unique_ptr<Context>> contexts;
    for (int32_t threads : threadCounts) contexts.emplace_back(new Context(threads));
    uint32_t seed = 3000;
    for (int32_t code : codes) {
        const InputFormat& format = *picref::findFormat(code);
        std::mt19937 rng(++seed);
        // One setting per type; the table, read at each frame, is rewritten
        // in place for each frame size (no table, 2x2 or per pixel by type).
        TavPipeline p = pictest::randomPipeline(format, rng);
        const uint32_t tableMode = seed % 3;
        std::vector<uint32_t> table(3 + size_t(*heights.rbegin()) * 10);
        if (tableMode < 2) {
            table[0] = tableMode;
            p.shadingTable = table.data();
        }
        for (auto& context : contexts) context->setPipeline(&p);
        for (int32_t height : heights) {
            const int32_t width = 8 + height % 3;
            if (tableMode < 2) {
                const std::vector<uint32_t> words = pictest::randomTable(tableMode, height, width, rng);
                std::copy(words.begin(), words.end(), table.begin());
            }
            for (int32_t method : kMethods) {
                const int64_t outputType = picref::outputTypes()[(height + method) % 7];
                Frame frame = pictest::randomFrame(format, height, width, height % 4 == 0 ? 3 : 0, rng);
                const picref::Picture want = picref::picture(frame.image, method, outputType, p);
                for (size_t i = 0; i < contexts.size(); ++i) {
                    SCOPED_TRACE(testing::Message() << "threads " << threadCounts[i]);
                    expectPicture(*contexts[i], frame, method, outputType, want);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// Frames may start at any address: 16-bit samples are byte pairs wherever
// they lie.
TEST(Picture, FramesAtAnyAddress) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG12, TAV_PIXEL_MONO16, TAV_PIXEL_BAYER_GB10_PACKED, TAV_PIXEL_BAYER_BG8};
    uint32_t seed = 4000;
    for (int32_t code : codes) {
        const InputFormat& format = *picref::findFormat(code);
        std::mt19937 rng(++seed);
        TavPipeline p = pictest::randomPipeline(format, rng);
        Context context(2);
        context.setPipeline(&p);
        for (size_t offset : {1, 3}) {
            for (int32_t method : kMethods) {
                Frame frame = pictest::randomFrame(format, 33, 21, int32_t(offset), rng, offset);
                expectReference(context, frame, method, TAV_PIXEL_BGRA8, p);
            }
        }
    }
}

// Contexts on several threads at once, each with its own settings, do not
// disturb one another.
TEST(Picture, ContextsOnSeveralThreadsAtOnce) {
    struct Stream {
        std::unique_ptr<Frame> frame;
        TavPipeline settings;
        picref::Picture want;
        int failures = 0;
    };
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG12_PACKED, TAV_PIXEL_BAYER_GR8, TAV_PIXEL_MONO12};
    std::vector<Stream> streams(3);
    for (size_t i = 0; i < streams.size(); ++i) {
        const InputFormat& format = *picref::findFormat(codes[i]);
        std::mt19937 rng(uint32_t(60 + i));
        streams[i].frame.reset(new Frame(pictest::randomFrame(format, 40, 30, 0, rng)));
        streams[i].settings = pictest::randomPipeline(format, rng);
        streams[i].want = picref::picture(streams[i].frame->image, TAV_METHOD_EDGE, TAV_PIXEL_RGB8, streams[i].settings);
    }
    std::vector<std::thread> threads;
    for (Stream& stream : streams) {
        threads.emplace_back([&stream] {
            TavContext* context = nullptr;
            tavCreate(&context);
            tavDemosaicSetThreads(context, 2);
            tav::setMinThreadedOutput(context, 0);
            const TavDemosaicConfig config = {TAV_PIXEL_RGB8};
            tavDemosaicSetConfig(context, &config);
            tavDemosaicSetPipeline(context, &stream.settings);
            std::vector<uint8_t> out(stream.want.bytes.size());
            for (int round = 0; round < 20; ++round) {
                TavImage output = {0, 0, 0, out.data(), 0};
                TavFrameStats stats;
                const bool ok = tavDemosaicing(context, &stream.frame->image, TAV_METHOD_EDGE, &output) == TAV_OK &&
                                tavDemosaicGetStats(context, &stats) == TAV_OK;
                stream.failures += !ok || out != stream.want.bytes || !pictest::sameStats(stats, stream.want.stats);
            }
            tavRelease(&context);
        });
    }
    for (std::thread& t : threads) t.join();
    for (const Stream& stream : streams) EXPECT_EQ(stream.failures, 0);
}

// Workers that cannot be started leave the frame to the threads that did
// start, with the same bytes and no diagnostic.
TEST(Picture, WorkersThatCannotStartChangeNothing) {
    const InputFormat& format = *picref::findFormat(TAV_PIXEL_BAYER_RG12_PACKED);
    std::mt19937 rng(77);
    Frame frame = pictest::randomFrame(format, 150, 12, 0, rng);
    const TavPipeline p = pictest::cameraPipeline();
    for (int32_t starts : {0, 1}) {
        Context context(4);
        tav::limitWorkerResources(context.handle, -1, starts);
        context.setPipeline(&p);
        for (int32_t method : kMethods) expectReference(context, frame, method, TAV_PIXEL_BGRA8, p);
    }
}

// Each vector kernel table gives the plain table's bytes and statistics,
// on rows long enough for every vector body and its tail.
TEST(Picture, EveryKernelTableGivesThePlainBytes) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GR12, TAV_PIXEL_BAYER_BG10_PACKED,
                             TAV_PIXEL_BAYER_GB16, TAV_PIXEL_MONO12_PACKED, TAV_PIXEL_MONO8};
    const int32_t widths[] = {31, 64, 97};
    const int32_t height = 9;
    uint32_t seed = 7000;
    for (int32_t code : codes) {
        const InputFormat& format = *picref::findFormat(code);
        for (int32_t width : widths) {
            std::mt19937 rng(++seed);
            TavPipeline p = pictest::randomPipeline(format, rng);
            std::vector<uint32_t> table;
            if (seed % 2 == 0) {
                table = pictest::randomTable(seed % 4 == 0, height, width, rng);
                p.shadingTable = table.data();
            }
            std::vector<Frame> frames;
            for (int i = 0; i < kMethodCount * 7; ++i) frames.push_back(pictest::randomFrame(format, height, width, 1, rng));
            // Every method and output under one table, in a fixed order.
            auto runAll = [&](std::vector<Conversion>& results, std::vector<TavFrameStats>& stats) {
                Context context;
                context.setPipeline(&p);
                for (int i = 0; i < kMethodCount * 7; ++i) {
                    results.push_back(pictest::convert(context, frames[i], kMethods[i / 7], picref::outputTypes()[i % 7]));
                    stats.push_back(context.stats());
                }
            };
            std::vector<Conversion> plain;
            std::vector<TavFrameStats> plainStats;
            kerneltables::withTable(kerneltables::Isa::Plain, [&] { runAll(plain, plainStats); });
            for (kerneltables::Isa isa : kerneltables::vectorTables()) {
                std::vector<Conversion> got;
                std::vector<TavFrameStats> gotStats;
                kerneltables::withTable(isa, [&] { runAll(got, gotStats); });
                for (int i = 0; i < kMethodCount * 7; ++i) {
                    const int64_t outputType = picref::outputTypes()[i % 7];
                    SCOPED_TRACE(std::string(kerneltables::isaName(isa)) + " " + caseName(frames[i], kMethods[i / 7], outputType));
                    ASSERT_EQ(plain[i].status, TAV_OK);
                    ASSERT_EQ(got[i].status, TAV_OK);
                    EXPECT_TRUE(got[i].bytes == plain[i].bytes)
                        << pictest::firstDifference(got[i].bytes, plain[i].bytes, height, width, outputType);
                    EXPECT_TRUE(pictest::sameStats(gotStats[i], plainStats[i]));
                }
            }
        }
    }
}

// Settings at the ends of their ranges, where intermediate sums are largest
// and clamps bite, under every kernel table against the reference.
TEST(Picture, ExtremeSettingsUnderEveryKernelTable) {
    struct Extreme {
        const char* what;
        void (*apply)(TavPipeline&, int white);
    };
    const Extreme extremes[] = {
        {"matrix all +16", [](TavPipeline& p, int) { for (float& e : p.colorMatrix) e = 16.0f; }},
        {"matrix +-16", [](TavPipeline& p, int) { for (int i = 0; i < 9; ++i) p.colorMatrix[i] = i % 2 ? -16.0f : 16.0f; }},
        {"matrix -16 on the diagonal", [](TavPipeline& p, int) {
             for (int i = 0; i < 9; ++i) p.colorMatrix[i] = i % 4 == 0 ? -16.0f : 16.0f;
         }},
        {"gains 64", [](TavPipeline& p, int) { p.whiteBalance[0] = p.whiteBalance[1] = p.whiteBalance[2] = 64.0f; }},
        {"tiny and huge gains", [](TavPipeline& p, int) { p.whiteBalance[0] = 1e-6f, p.whiteBalance[1] = 64.0f, p.whiteBalance[2] = 0.01f; }},
        {"black one below white", [](TavPipeline& p, int white) { for (int& b : p.blackLevel) b = white - 1; }},
        {"uneven blacks, gamma 0.1", [](TavPipeline& p, int white) {
             p.blackLevel[0] = white / 2, p.blackLevel[3] = white - 2, p.curve = TAV_CURVE_GAMMA, p.gamma = 0.1f;
         }},
    };
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GB12_PACKED, TAV_PIXEL_BAYER_BG16, TAV_PIXEL_MONO16};
    uint32_t seed = 8000;
    for (const Extreme& extreme : extremes) {
        for (int32_t code : codes) {
            const InputFormat& format = *picref::findFormat(code);
            std::mt19937 rng(++seed);
            TavPipeline p = pictest::randomPipeline(format, rng);
            extreme.apply(p, picref::whitePoint(format));
            Frame frame = pictest::randomFrame(format, 7, 45, 0, rng);
            for (kerneltables::Isa isa : kerneltables::runnableTables()) {
                SCOPED_TRACE(std::string(extreme.what) + ", " + kerneltables::isaName(isa));
                kerneltables::withTable(isa, [&] {
                    Context context;
                    context.setPipeline(&p);
                    for (int32_t method : kMethods) {
                        for (int64_t outputType : {TAV_PIXEL_BGRA8, TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_MONO8}) {
                            expectReference(context, frame, method, outputType, p);
                        }
                    }
                });
                if (HasFatalFailure()) return;
            }
        }
    }
}

// From 12-bit input nothing is cut to 8 bits before the curve: a smooth ramp
// over the darkest sixteenth of the range keeps at least 60 output levels
// through sRGB (cutting first would leave 16).
TEST(Picture, ShadowRampKeepsItsLevels) {
    const int32_t width = 514, height = 6;
    for (int32_t code : {TAV_PIXEL_MONO12, TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_GB12_PACKED}) {
        const InputFormat& format = *picref::findFormat(code);
        Frame frame(format, height, width, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) frame.set(y, x, x / 2);  // 0 .. 256
        }
        TavPipeline p;
        ASSERT_EQ(tavPipelineInit(&p), TAV_OK);
        p.curve = TAV_CURVE_SRGB;
        Context context;
        context.setPipeline(&p);
        for (int32_t method : kMethods) {
            for (int64_t outputType : {TAV_PIXEL_RGB8, TAV_PIXEL_MONO8}) {
                SCOPED_TRACE(caseName(frame, method, outputType));
                const Conversion got = pictest::convert(context, frame, method, outputType);
                ASSERT_EQ(got.status, TAV_OK);
                EXPECT_TRUE(got.bytes == picref::picture(frame.image, method, outputType, p).bytes);
                const std::set<uint8_t> levels(got.bytes.begin(), got.bytes.end());
                EXPECT_GE(levels.size(), 60u);
            }
        }
    }
}

// Without a pipeline, and after one is switched off, a context writes what a
// context that never had one writes; the statistics are then all zero.
TEST(Picture, NoPipelineIsThePlainConversion) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_BG8, TAV_PIXEL_BAYER_GR12,
                             TAV_PIXEL_BAYER_GB10_PACKED, TAV_PIXEL_MONO16, TAV_PIXEL_MONO8};
    uint32_t seed = 9000;
    TavFrameStats zero;
    std::memset(&zero, 0, sizeof zero);
    for (int32_t code : codes) {
        const InputFormat& format = *picref::findFormat(code);
        std::mt19937 rng(++seed);
        const Frame original = pictest::randomFrame(format, 9, 11, 2, rng);  // padded: 8-bit rows compact in place
        const TavPipeline p = pictest::randomPipeline(format, rng);
        Context never, switchedOff, neverSet;
        switchedOff.setPipeline(&p);
        Frame warmUp = original;
        ASSERT_EQ(pictest::convert(switchedOff, warmUp, TAV_METHOD_BILINEAR, TAV_PIXEL_RGB8).status, TAV_OK);
        ASSERT_EQ(tavDemosaicSetPipeline(switchedOff.handle, nullptr), TAV_OK);
        ASSERT_EQ(tavDemosaicSetPipeline(neverSet.handle, nullptr), TAV_OK);
        for (int32_t method : kMethods) {
            for (int64_t outputType : picref::outputTypes()) {
                SCOPED_TRACE(caseName(original, method, outputType));
                Frame a = original, b = original, c = original;
                const Conversion plain = pictest::convert(never, a, method, outputType);
                const Conversion off = pictest::convert(switchedOff, b, method, outputType);
                const Conversion unset = pictest::convert(neverSet, c, method, outputType);
                ASSERT_EQ(plain.status, TAV_OK);
                EXPECT_EQ(off.status, TAV_OK);
                EXPECT_EQ(unset.status, TAV_OK);
                EXPECT_TRUE(off.bytes == plain.bytes);
                EXPECT_TRUE(unset.bytes == plain.bytes);
                EXPECT_TRUE(a.bytes == b.bytes);  // the same in-place compaction of the input
                EXPECT_TRUE(pictest::sameStats(switchedOff.stats(), zero));
                EXPECT_TRUE(pictest::sameStats(never.stats(), zero));
            }
        }
    }
}

// The settings are copied when set; the shading table is read at each frame.
TEST(Picture, SettingsAreCopiedAndTheTableIsReadAtEachFrame) {
    const InputFormat& format = *picref::findFormat(TAV_PIXEL_BAYER_BG12);
    std::mt19937 rng(31);
    Frame frame = pictest::randomFrame(format, 8, 10, 0, rng);
    std::vector<uint32_t> table = pictest::randomTable(TAV_LSC_MODE_PIXEL, 8, 10, rng);
    TavPipeline p = pictest::cameraPipeline();
    p.shadingTable = table.data();
    const TavPipeline set = p;
    Context context;
    context.setPipeline(&p);
    p.whiteBalance[0] = 9.0f, p.blackLevel[2] = 300, p.colorMatrix[4] = -3.0f, p.curve = TAV_CURVE_LINEAR;
    expectReference(context, frame, TAV_METHOD_EDGE, TAV_PIXEL_RGB8, set);
    for (size_t i = 3; i < table.size(); i += 7) table[i] = (table[i] & 0xFFF) | (0x28000u << 12);
    expectReference(context, frame, TAV_METHOD_EDGE, TAV_PIXEL_RGB8, set);
}

// Statistics are all zero on a context until it converts a frame with a
// pipeline, and describe that frame only.
TEST(Picture, StatisticsBeforeTheFirstPipelineFrame) {
    TavFrameStats zero;
    std::memset(&zero, 0, sizeof zero);
    const InputFormat& format = *picref::findFormat(TAV_PIXEL_BAYER_GB10);
    std::mt19937 rng(5);
    const TavPipeline p = pictest::randomPipeline(format, rng);
    Context context;
    EXPECT_TRUE(pictest::sameStats(context.stats(), zero));
    context.setPipeline(&p);
    EXPECT_TRUE(pictest::sameStats(context.stats(), zero));
    Frame frame = pictest::randomFrame(format, 10, 12, 0, rng);
    expectReference(context, frame, TAV_METHOD_BILINEAR, TAV_PIXEL_BGR8, p);
}

// The grey-world gains of the statistics, (G / 2R, 1, G / 2B), take the cast
// off a grey scene: every output pixel comes out neutral.
TEST(Picture, GreyWorldGainsFromTheStatisticsNeutraliseACast) {
    for (int32_t code : {TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_GR12_PACKED, TAV_PIXEL_BAYER_BG10}) {
        const InputFormat& format = *picref::findFormat(code);
        Frame frame(format, 16, 20, 0);
        const int level[3] = {64 + 400, 64 + 800, 64 + 500};  // red, green, blue above black 64
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 20; ++x) frame.set(y, x, level[picref::positionColour(format.cfa, picref::tilePosition(y, x))]);
        }
        TavPipeline p;
        ASSERT_EQ(tavPipelineInit(&p), TAV_OK);
        for (int& black : p.blackLevel) black = 64;
        Context context;
        context.setPipeline(&p);
        ASSERT_EQ(pictest::convert(context, frame, TAV_METHOD_BILINEAR, TAV_PIXEL_RGB8).status, TAV_OK);
        const TavFrameStats stats = context.stats();
        EXPECT_EQ(stats.tiles, 80u);
        EXPECT_EQ(stats.saturated, 0u);
        EXPECT_EQ(stats.sum[0], 80u * 400);
        EXPECT_EQ(stats.sum[1], 80u * 2 * 800);
        EXPECT_EQ(stats.sum[2], 80u * 500);
        p.whiteBalance[0] = float(stats.sum[1] / (2.0 * stats.sum[0]));
        p.whiteBalance[2] = float(stats.sum[1] / (2.0 * stats.sum[2]));
        context.setPipeline(&p);
        const Conversion got = pictest::convert(context, frame, TAV_METHOD_BILINEAR, TAV_PIXEL_RGB8);
        ASSERT_EQ(got.status, TAV_OK);
        for (size_t i = 0; i < got.bytes.size(); i += 3) {
            ASSERT_EQ(got.bytes[i], got.bytes[i + 1]) << "pixel " << i / 3;
            ASSERT_EQ(got.bytes[i + 2], got.bytes[i + 1]) << "pixel " << i / 3;
        }
    }
}

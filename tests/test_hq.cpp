// Method 3 (TAV_METHOD_HQ) through tavDemosaicing against the plain
// reference of its rule: every Bayer order, output type, frame parity and
// input storage, every thread count and kernel table, byte for byte; grey
// input and an unknown method as before.
#include <climits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kernel_tables/kernel_tables.h"
#include "ref_hq.h"
#include "ref_normalise.h"
#include "tavcore.h"
#include "test_support.h"
#include "threads/workerPool.h"

namespace {

using tavtest::GuardedBuffer;
using Planes = tavtest::HqPlanes<uint8_t>;

const int32_t kBayerOrders[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_BG8};

tavtest::BayerPhase phaseOf(int32_t baseType) {
    switch (baseType) {
        case TAV_PIXEL_BAYER_RG8: return tavtest::kPhaseRG;
        case TAV_PIXEL_BAYER_GR8: return tavtest::kPhaseGR;
        case TAV_PIXEL_BAYER_GB8: return tavtest::kPhaseGB;
        default: return tavtest::kPhaseBG;
    }
}

Planes reference(const std::vector<uint8_t>& mosaic, int h, int w, int32_t baseType) {
    return tavtest::hqReference<uint8_t>(mosaic.data(), h, w, phaseOf(baseType), 255);
}

// The reference's colours in the bytes of an output type.
std::vector<uint8_t> layout(const Planes& p, int64_t outputType) {
    const size_t n = p.red.size();
    std::vector<uint8_t> out;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t r = p.red[i], g = p.green[i], b = p.blue[i];
        switch (outputType) {
            case TAV_PIXEL_RGB8: out.insert(out.end(), {r, g, b}); break;
            case TAV_PIXEL_BGR8: out.insert(out.end(), {b, g, r}); break;
            case TAV_PIXEL_RGBA8: out.insert(out.end(), {r, g, b, 0}); break;
            case TAV_PIXEL_BGRA8: out.insert(out.end(), {b, g, r, 0}); break;
            case TAV_PIXEL_MONO8: out.push_back(uint8_t((77 * r + 150 * g + 29 * b + 128) >> 8)); break;
            default: break;
        }
    }
    if (outputType == TAV_PIXEL_RGB8_PLANAR || outputType == TAV_PIXEL_BGR8_PLANAR) {
        const bool redFirst = outputType == TAV_PIXEL_RGB8_PLANAR;
        out = redFirst ? p.red : p.blue;
        out.insert(out.end(), p.green.begin(), p.green.end());
        const std::vector<uint8_t>& last = redFirst ? p.blue : p.red;
        out.insert(out.end(), last.begin(), last.end());
    }
    return out;
}

// Where two outputs first differ, as pixel (y, x) and byte within the pixel
// (or plane for planar layouts).
std::string firstDifference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want, int h, int w,
                            int64_t outputType) {
    if (got.size() != want.size()) return "sizes " + std::to_string(got.size()) + " vs " + std::to_string(want.size());
    const size_t n = size_t(h) * w;
    const bool planar = outputType == TAV_PIXEL_RGB8_PLANAR || outputType == TAV_PIXEL_BGR8_PLANAR;
    const int bpp = tavref::outputBytesPerPixel(outputType);
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i] == want[i]) continue;
        const size_t pixel = planar ? i % n : i / bpp, channel = planar ? i / n : i % bpp;
        return "pixel (y " + std::to_string(pixel / w) + ", x " + std::to_string(pixel % w) + ") byte " +
               std::to_string(channel) + ": library " + std::to_string(got[i]) + ", reference " +
               std::to_string(want[i]);
    }
    return "none";
}

// A context with a thread count; frames of any size may be split into bands.
struct Context {
    TavContext* handle = nullptr;
    explicit Context(int32_t threads = 1) {
        EXPECT_EQ(tavCreate(&handle), TAV_OK);
        EXPECT_EQ(tavDemosaicSetThreads(handle, threads), TAV_OK);
        tav::setMinThreadedOutput(handle, 0);
    }
    ~Context() { tavRelease(&handle); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
};

struct Call {
    TavStatus status = -1;
    std::string printed;
    std::vector<uint8_t> bytes;
    bool guardsIntact = false;
    bool inputUntouched = false;
    TavImage output = {-7, -7, -7, nullptr, -7};
};

// One call on a copy of `raw` (padded 8-bit rows are compacted in place)
// into a guarded buffer of the output's size.
Call demosaic(Context& context, const std::vector<uint8_t>& raw, const TavImage& image, int32_t method,
             int64_t outputType) {
    const TavDemosaicConfig config = {outputType};
    EXPECT_EQ(tavDemosaicSetConfig(context.handle, &config), TAV_OK);
    std::vector<uint8_t> input = raw;
    TavImage in = image;
    in.data = input.data();
    GuardedBuffer out(size_t(image.height) * image.width * tavref::outputBytesPerPixel(outputType), 0xEE);
    Call run;
    run.output.data = out.data();
    run.printed = tavtest::captureStdout([&] { run.status = tavDemosaicing(context.handle, &in, method, &run.output); });
    run.bytes = out.contents();
    run.guardsIntact = out.intact();
    run.inputUntouched = input == raw;
    return run;
}

// Converts with method 3 and checks every promise of a successful call.
void expectBytes(Context& context, const std::vector<uint8_t>& raw, const TavImage& image, int64_t outputType,
                 const std::vector<uint8_t>& want) {
    SCOPED_TRACE(testing::Message() << std::hex << "type 0x" << image.pixelType << " output 0x" << outputType
                                    << std::dec << " " << image.height << "x" << image.width << " lineBytes "
                                    << image.lineBytes);
    const Call run = demosaic(context, raw, image, TAV_METHOD_HQ, outputType);
    ASSERT_EQ(run.status, TAV_OK) << run.printed;
    EXPECT_EQ(run.printed, "");
    ASSERT_TRUE(run.bytes == want) << firstDifference(run.bytes, want, image.height, image.width, outputType);
    EXPECT_TRUE(run.guardsIntact);
    EXPECT_EQ(run.output.height, image.height);
    EXPECT_EQ(run.output.width, image.width);
    EXPECT_EQ(run.output.pixelType, int32_t(outputType));
    const tavref::InputType* type = tavref::findInputType(image.pixelType);
    const int32_t tight = tavref::minimumLineBytes(type->storage, image.width);
    if (type->storage != tavref::Storage::Bits8 || image.lineBytes == tight) EXPECT_TRUE(run.inputUntouched);
}

// A tight 8-bit Bayer frame through every output type against the reference.
void expectAllOutputs(Context& context, const std::vector<uint8_t>& mosaic, int h, int w, int32_t order) {
    const Planes ref = reference(mosaic, h, w, order);
    const TavImage image = {h, w, order, nullptr, w};
    for (int64_t outputType : tavref::outputTypes()) {
        expectBytes(context, mosaic, image, outputType, layout(ref, outputType));
        if (testing::Test::HasFatalFailure()) return;
    }
}

std::vector<uint8_t> framesOfValues(size_t n, uint32_t seed, std::vector<uint8_t> values) {
    std::vector<uint8_t> frame = tavtest::randomBytes(n, seed);
    for (auto& v : frame) v = values[v % values.size()];
    return frame;
}

// A random frame of input type `code` with rows `padding` bytes longer than
// needed (16-bit words use all 16 bits: the reduction keeps the low byte).
std::vector<uint8_t> randomRaw(int32_t code, int h, int w, int32_t padding, uint32_t seed, TavImage* image) {
    const tavref::InputType* type = tavref::findInputType(code);
    const int32_t lineBytes = tavref::minimumLineBytes(type->storage, w) + padding;
    *image = {h, w, code, nullptr, lineBytes};
    return tavtest::randomBytes(size_t(h) * lineBytes, seed);
}

// The reference bytes of a raw frame of any input type.
std::vector<uint8_t> expectedOf(const std::vector<uint8_t>& raw, TavImage image, int64_t outputType) {
    image.data = const_cast<uint8_t*>(raw.data());
    const std::vector<uint8_t> mosaic = tavref::referenceNormalise(image);
    const int32_t baseType = tavref::findInputType(image.pixelType)->baseType;
    return layout(reference(mosaic, image.height, image.width, baseType), outputType);
}

}  // namespace

// Frames from the smallest taken (4x4) up, every parity of height and width,
// and wide and tall frames whose rows run past any vector block.
TEST(HqDemosaic, EveryOrderOutputAndParityMatchesTheReference) {
    const int sides[] = {4, 5, 6, 7, 8, 9, 10, 11, 16, 23, 34};
    Context context;
    uint32_t seed = 1;
    for (int h : sides) {
        for (int w : sides) {
            for (int32_t order : kBayerOrders) {
                expectAllOutputs(context, tavtest::randomBytes(size_t(h) * w, seed++), h, w, order);
                if (HasFatalFailure()) return;
            }
        }
    }
    const int large[][2] = {{5, 301}, {8, 256}, {4, 517}, {203, 7}};
    for (const auto& size : large) {
        for (int32_t order : kBayerOrders) {
            expectAllOutputs(context, tavtest::randomBytes(size_t(size[0]) * size[1], seed++), size[0], size[1], order);
            if (HasFatalFailure()) return;
        }
    }
}

// Values 0..3 make the direction tests tie often (9DH against 8DV, 2g1
// against g2); black and white frames drive every sum past both ends of the
// clamp.
TEST(HqDemosaic, TiesAndClampingMatchTheReference) {
    const int sides[] = {4, 5, 7, 10, 19};
    const std::vector<std::vector<uint8_t>> palettes = {{0, 1, 2, 3}, {0, 255}, {0, 0, 255, 250, 5}, {128, 129}};
    Context context;
    uint32_t seed = 100;
    for (int h : sides) {
        for (int w : sides) {
            for (const auto& palette : palettes) {
                for (int32_t order : kBayerOrders) {
                    expectAllOutputs(context, framesOfValues(size_t(h) * w, seed++, palette), h, w, order);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// Sites of each colour holding one value each: every colour difference is
// the same everywhere, so every pixel, borders included, comes back as those
// three colours. Needs no reference.
TEST(HqDemosaic, UniformColourSitesComeBackAtEveryPixel) {
    const uint8_t kColour[3] = {200, 90, 20};
    Context context;
    for (int h : {4, 5, 9}) {
        for (int w : {4, 7, 12}) {
            for (int32_t order : kBayerOrders) {
                std::vector<uint8_t> mosaic(size_t(h) * w);
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        mosaic[size_t(y) * w + x] = kColour[int(tavtest::hqSiteColour(phaseOf(order), y, x))];
                    }
                }
                const Call run = demosaic(context, mosaic, {h, w, order, nullptr, w}, TAV_METHOD_HQ, TAV_PIXEL_RGB8);
                ASSERT_EQ(run.status, TAV_OK);
                for (size_t i = 0; i < run.bytes.size(); ++i) {
                    ASSERT_EQ(run.bytes[i], kColour[i % 3]) << h << "x" << w << " order " << std::hex << order;
                }
            }
        }
    }
}

// Every Bayer storage reduces to the 8-bit mosaic the other methods get:
// padded 8-bit rows, 16-bit words of 10, 12 and 16 bits shifted down, 10-
// and 12-bit packed pairs.
TEST(HqDemosaic, EveryInputStorageReducesAsForTheOtherMethods) {
    Context context;
    uint32_t seed = 2000;
    for (const tavref::InputType& type : tavref::inputTypes()) {
        if (type.baseType == TAV_PIXEL_MONO8) continue;
        const int sizes[][2] = {{7, 10}, {10, 7}, {4, 5}};
        for (const auto& size : sizes) {
            for (int32_t padding : {0, 3}) {
                TavImage image;
                const std::vector<uint8_t> raw = randomRaw(type.code, size[0], size[1], padding, seed++, &image);
                for (int64_t outputType : tavref::outputTypes()) {
                    expectBytes(context, raw, image, outputType, expectedOf(raw, image, outputType));
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// Threads: frames of 4 to 19 rows give bands of single row pairs; around
// 8 x threads rows the last bands get a pair more or less; 24 x threads + 5
// rows give longer bands; from 64 x threads rows on, converted input is
// unpacked into windows per band. Every count gives the reference's bytes.
TEST(HqDemosaic, EveryThreadCountGivesTheBytesOfOneThread) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_BG12,
                             TAV_PIXEL_BAYER_GR10_PACKED, TAV_PIXEL_BAYER_RG12_PACKED};
    const int32_t threadCounts[] = {1, 2, 3, 0};
    std::vector<int32_t> heights;
    for (int32_t h = 4; h <= 19; ++h) heights.push_back(h);
    const int32_t all = int32_t(std::thread::hardware_concurrency());
    for (int32_t t : {2, 3, all > 3 ? all : 4}) {
        for (int32_t h : {8 * t - 1, 8 * t, 8 * t + 1, 8 * t + 3, 24 * t + 5, 64 * t - 1, 64 * t + 3}) {
            if (h > 19) heights.push_back(h);
        }
    }
    std::vector<std::unique_ptr<Context>> contexts;
    for (int32_t threads : threadCounts) contexts.emplace_back(new Context(threads));
    uint32_t seed = 3000;
    for (int32_t code : codes) {
        for (int32_t h : heights) {
            const int32_t w = 4 + h % 7;
            TavImage image;
            const std::vector<uint8_t> raw = randomRaw(code, h, w, h % 4 == 0 ? 3 : 0, seed++, &image);
            for (int64_t outputType : tavref::outputTypes()) {
                const std::vector<uint8_t> want = expectedOf(raw, image, outputType);
                for (size_t i = 0; i < contexts.size(); ++i) {
                    SCOPED_TRACE(testing::Message() << "threads " << threadCounts[i]);
                    expectBytes(*contexts[i], raw, image, outputType, want);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

// Long bands of wide frames unpack in several chunks just ahead of the rule,
// which reads three rows beyond its band on each side.
TEST(HqDemosaic, WideFramesOnThreadsGiveTheBytesOfOneThread) {
    uint32_t seed = 4000;
    for (int32_t code : {TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_GB12_PACKED, TAV_PIXEL_BAYER_BG8}) {
        TavImage image;
        const std::vector<uint8_t> raw = randomRaw(code, 181, 2050, 5, seed++, &image);
        const std::vector<uint8_t> want = expectedOf(raw, image, TAV_PIXEL_BGRA8);
        for (int32_t threads : {1, 2, 3, 0}) {
            SCOPED_TRACE(testing::Message() << "threads " << threads);
            Context context(threads);
            expectBytes(context, raw, image, TAV_PIXEL_BGRA8, want);
            if (HasFatalFailure()) return;
        }
    }
}

namespace {

// Frames for the kernel tables: random bytes, and frames where the sums of
// the rule are largest (black and white at random, stripes one and two
// pixels wide along the rows, the columns and the diagonals), which wrap
// narrow lanes first.
std::vector<std::vector<uint8_t>> kernelTableFrames(int h, int w, uint32_t seed) {
    std::vector<std::vector<uint8_t>> frames = {tavtest::randomBytes(size_t(h) * w, seed),
                                                framesOfValues(size_t(h) * w, seed + 1, {0, 255})};
    for (int stripe : {1, 2}) {
        for (int direction = 0; direction < 3; ++direction) {
            std::vector<uint8_t> frame(size_t(h) * w);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const int along = direction == 0 ? x : direction == 1 ? y : x + y;
                    frame[size_t(y) * w + x] = (along / stripe) % 2 ? 255 : 0;
                }
            }
            frames.push_back(frame);
        }
    }
    return frames;
}

}  // namespace

// Every kernel table this machine runs gives the reference's bytes (and so
// the plain table's), on rows around and past every vector width, on one
// thread and in bands on two.
TEST(HqDemosaic, EveryKernelTableGivesThePlainBytes) {
    const int widths[] = {4, 5, 15, 16, 17, 31, 32, 33, 47, 64, 65, 97, 130};
    uint32_t seed = 5000;
    for (int w : widths) {
        for (int h : {6, 9}) {
            for (int32_t order : kBayerOrders) {
                const std::vector<std::vector<uint8_t>> frames = kernelTableFrames(h, w, seed += 2);
                for (size_t f = 0; f < frames.size(); ++f) {
                    const Planes ref = reference(frames[f], h, w, order);
                    for (kerneltables::Isa isa : kerneltables::runnableTables()) {
                        SCOPED_TRACE(testing::Message() << kerneltables::isaName(isa) << " frame " << f);
                        kerneltables::withTable(isa, [&] {
                            Context context(1 + int32_t(f % 2));
                            const TavImage image = {h, w, order, nullptr, w};
                            for (int64_t outputType : tavref::outputTypes()) {
                                expectBytes(context, frames[f], image, outputType, layout(ref, outputType));
                                if (HasFatalFailure()) return;
                            }
                        });
                        if (HasFatalFailure()) return;
                    }
                }
            }
        }
    }
}

// Grey input ignores the method, 3 included; a Bayer frame with method 4 (or
// any other unknown value) is refused as unknown methods always were:
// TAV_E_UNSUPPORTED, nothing printed, no byte of the output, its descriptor
// or the input (padded 8-bit rows stay uncompacted) touched.
TEST(HqDemosaic, GreyInputIgnoresTheMethodAndMethodFourIsRefused) {
    Context context(2);
    uint32_t seed = 6000;
    for (int32_t code : {TAV_PIXEL_MONO8, TAV_PIXEL_MONO12, TAV_PIXEL_MONO10_PACKED}) {
        for (int32_t padding : {0, 3}) {
            TavImage image;
            const std::vector<uint8_t> raw = randomRaw(code, 6, 9, padding, seed++, &image);
            for (int64_t outputType : tavref::outputTypes()) {
                std::vector<uint8_t> copy = raw;
                image.data = copy.data();
                const std::vector<uint8_t> grey = tavref::referenceNormalise(image);
                const std::vector<uint8_t> want = tavref::referenceMono8Convert(grey, 6, 9, outputType);
                expectBytes(context, raw, image, outputType, want);
            }
        }
    }
    for (int32_t code : {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GB12, TAV_PIXEL_BAYER_BG10_PACKED}) {
        for (int32_t method : {4, 5, 255, INT32_MAX, -1, INT32_MIN}) {
            TavImage image;
            const std::vector<uint8_t> raw = randomRaw(code, 8, 8, 3, seed++, &image);
            for (int64_t outputType : {TAV_PIXEL_BGR8, TAV_PIXEL_MONO8}) {
                SCOPED_TRACE(testing::Message() << std::hex << code << std::dec << " method " << method);
                const Call run = demosaic(context, raw, image, method, outputType);
                EXPECT_EQ(run.status, TAV_E_UNSUPPORTED);
                EXPECT_EQ(run.printed, "");
                EXPECT_EQ(run.bytes, std::vector<uint8_t>(run.bytes.size(), 0xEE));
                EXPECT_TRUE(run.guardsIntact);
                EXPECT_TRUE(run.inputUntouched);
                EXPECT_EQ(run.output.height, -7);
                EXPECT_EQ(run.output.width, -7);
                EXPECT_EQ(run.output.pixelType, -7);
                EXPECT_EQ(run.output.lineBytes, -7);
            }
        }
    }
}

// One band's rings of a frame 18 million pixels wide pass what 32 bits
// count: refused as too large before anything is read or written (the
// other methods take such a frame).
TEST(HqDemosaic, RingsPastThirtyTwoBitsAreRefusedBeforeAnyWork) {
    Context context(1);
    const int32_t width = 18000000;
    std::vector<uint8_t> input((size_t)width * 4, 9);
    TavImage in = {4, width, TAV_PIXEL_BAYER_RG8, input.data(), width};
    GuardedBuffer out(16, 0xEE);
    TavImage output = {-7, -7, -7, out.data(), -7};
    TavStatus status = TAV_OK;
    const std::string printed =
        tavtest::captureStdout([&] { status = tavDemosaicing(context.handle, &in, TAV_METHOD_HQ, &output); });
    EXPECT_EQ(status, TAV_E_SIZE);
    EXPECT_EQ(printed, tavtest::errorLine(tav::kLineDemosaicTooLarge));
    EXPECT_EQ(out.contents(), std::vector<uint8_t>(16, 0xEE));
    EXPECT_TRUE(out.intact());
    EXPECT_EQ(output.height, -7);
}

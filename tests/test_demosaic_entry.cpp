// The demosaic entry: argument checks with their lines, normalisation of
// every input storage, grey conversion and dispatch to the Bayer converters.
#include "ref_normalise.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::errorLine;

using tavtest::captureStdout;
using tavtest::GuardedBuffer;

namespace {

struct Context {
    TavContext* handle = nullptr;
    explicit Context(int64_t outputType = TAV_PIXEL_BGR8) {
        EXPECT_EQ(tavCreate(&handle), TAV_OK);
        TavDemosaicConfig config = {outputType};
        EXPECT_EQ(tavDemosaicSetConfig(handle, &config), TAV_OK);
    }
    ~Context() { tavRelease(&handle); }
};

bool sameDescriptor(const TavImage& a, const TavImage& b) {
    return a.height == b.height && a.width == b.width && a.pixelType == b.pixelType && a.data == b.data &&
           a.lineBytes == b.lineBytes;
}

struct Refusal {
    const char* what;
    TavImage input;
    int32_t method;
    TavStatus status;
    std::string printed;
};

}  // namespace

// Every refusal prints its line (none for the converter's), returns its
// status and touches neither buffer nor either descriptor.
TEST(DemosaicEntry, RefusalsInCheckOrder) {
    Context context;
    std::vector<uint8_t> in = tavtest::randomBytes(256, 3);
    const std::vector<uint8_t> inBefore = in;
    uint8_t* d = in.data();
    const int32_t big = 1 << 16;
    const std::string nullData = errorLine(tav::kLineDemosaicNullData), size = errorLine(tav::kLineDemosaicSize),
                      tooLarge = errorLine(tav::kLineDemosaicTooLarge),
                      pixelType = errorLine(tav::kLineDemosaicPixelType);
    const Refusal refusals[] = {
        {"null input data", {4, 4, TAV_PIXEL_BAYER_RG8, nullptr, 4}, 0, TAV_E_NULL_POINTER, nullData},
        {"null data before size", {0, 0, TAV_PIXEL_RGB8, nullptr, 0}, 0, TAV_E_NULL_POINTER, nullData},
        {"height 3", {3, 4, TAV_PIXEL_BAYER_RG8, d, 4}, 0, TAV_E_SIZE, size},
        {"lineBytes 3", {4, 4, TAV_PIXEL_BAYER_RG8, d, 3}, 0, TAV_E_SIZE, size},
        {"width 3", {4, 3, TAV_PIXEL_BAYER_RG8, d, 4}, 0, TAV_E_SIZE, size},
        {"negative width", {4, INT32_MIN, TAV_PIXEL_RGB8, d, 4}, 0, TAV_E_SIZE, size},
        {"2^31 pixels", {big / 2, big, TAV_PIXEL_MONO8, d, big}, 0, TAV_E_SIZE, tooLarge},
        {"just under 2^31 pixels, bad type", {big / 2 - 1, big, TAV_PIXEL_RGB8, d, big}, 0, TAV_E_PIXEL_TYPE,
         pixelType},
        {"RGB8 input", {4, 4, TAV_PIXEL_RGB8, d, 12}, 0, TAV_E_PIXEL_TYPE, pixelType},
        {"bad type before short rows", {4, 8, 0x02180015, d, 4}, 0, TAV_E_PIXEL_TYPE, pixelType},
        {"8-bit rows short", {4, 8, TAV_PIXEL_MONO8, d, 7}, 0, TAV_E_SIZE, size},
        {"16-bit rows short", {4, 8, TAV_PIXEL_BAYER_GB12, d, 15}, 0, TAV_E_SIZE, size},
        {"packed rows short", {4, 5, TAV_PIXEL_MONO12_PACKED, d, 8}, 0, TAV_E_SIZE, size},
        {"work buffer reaches 2^31", {big / 2 - 1, big, TAV_PIXEL_MONO16, d, 2 * big}, 0, TAV_E_SIZE,
         tooLarge},
        {"unknown method", {4, 4, TAV_PIXEL_BAYER_BG8, d, 4}, 4, TAV_E_UNSUPPORTED, ""},
        {"negative method", {6, 6, TAV_PIXEL_BAYER_GR10, d, 12}, -1, TAV_E_UNSUPPORTED, ""},
    };
    for (const Refusal& refusal : refusals) {
        GuardedBuffer out(128);
        const std::vector<uint8_t> outBefore = out.contents();
        TavImage input = refusal.input;
        TavImage output = {-7, -7, -7, out.data(), -7};
        const TavImage outputBefore = output;
        std::string printed = captureStdout(
            [&] { EXPECT_EQ(tavDemosaicing(context.handle, &input, refusal.method, &output), refusal.status); });
        EXPECT_EQ(printed, refusal.printed) << refusal.what;
        EXPECT_TRUE(sameDescriptor(input, refusal.input)) << refusal.what;
        EXPECT_TRUE(sameDescriptor(output, outputBefore)) << refusal.what;
        EXPECT_EQ(out.contents(), outBefore) << refusal.what;
        EXPECT_TRUE(out.intact());
        EXPECT_EQ(in, inBefore) << refusal.what;
    }
}

TEST(DemosaicEntry, NullArgumentsAndBackToBackDiagnostics) {
    Context context;
    std::vector<uint8_t> in(16), out(48);
    TavImage input = {4, 4, TAV_PIXEL_MONO8, in.data(), 4};
    TavImage output = {0, 0, 0, out.data(), 0};
    TavImage noData = {0, 0, 0, nullptr, 0};
    std::string printed = captureStdout([&] {
        EXPECT_EQ(tavDemosaicing(nullptr, &input, 0, &output), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicing(context.handle, nullptr, 0, &output), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicing(context.handle, &input, 0, nullptr), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavDemosaicing(context.handle, &input, 0, &noData), TAV_E_NULL_POINTER);
    });
    const std::string null = errorLine(tav::kLineDemosaicNull);
    EXPECT_EQ(printed, null + null + null + errorLine(tav::kLineDemosaicNullData));
}

// Grey input of every storage, tight and padded, to all seven outputs; the
// method is ignored. Successful calls print nothing and stamp the output
// descriptor.
TEST(DemosaicEntry, GreyInputMatchesReference) {
    uint32_t seed = 10;
    for (const tavref::InputType& type : tavref::inputTypes()) {
        if (type.baseType != TAV_PIXEL_MONO8) continue;
        for (int64_t outputType : tavref::outputTypes()) {
            Context context(outputType);
            for (int32_t height : {4, 5}) {
                for (int32_t width : {4, 5, 6, 7}) {
                    for (int32_t padding : {0, 3}) {
                        const int32_t lineBytes = tavref::minimumLineBytes(type.storage, width) + padding;
                        std::vector<uint8_t> raw = tavtest::randomBytes(static_cast<size_t>(height) * lineBytes, seed++);
                        TavImage input = {height, width, type.code, raw.data(), lineBytes};
                        const TavImage inputBefore = input;
                        const std::vector<uint8_t> expected = tavref::referenceMono8Convert(
                            tavref::referenceNormalise(input), height, width, outputType);
                        GuardedBuffer out(expected.size());
                        TavImage output = {0, 0, 0, out.data(), 77};
                        const int32_t method = padding == 0 ? 0 : 9;
                        std::string printed = captureStdout(
                            [&] { ASSERT_EQ(tavDemosaicing(context.handle, &input, method, &output), TAV_OK); });
                        ASSERT_EQ(printed, "");
                        ASSERT_EQ(out.contents(), expected) << std::hex << type.code << std::dec << " " << height
                                                            << "x" << width << "+" << padding;
                        ASSERT_TRUE(out.intact());
                        EXPECT_TRUE(sameDescriptor(input, inputBefore));
                        EXPECT_EQ(output.height, height);
                        EXPECT_EQ(output.width, width);
                        EXPECT_EQ(output.pixelType, static_cast<int32_t>(outputType));
                        EXPECT_EQ(output.lineBytes, 77);
                        EXPECT_EQ(output.data, out.data());
                    }
                }
            }
        }
    }
}

TEST(DemosaicEntry, PaddedEightBitInputIsCompactedInPlace) {
    Context context(TAV_PIXEL_MONO8);
    const int32_t height = 5, width = 6, lineBytes = width + 8;
    std::vector<uint8_t> raw = tavtest::randomBytes(static_cast<size_t>(height) * lineBytes, 42);
    TavImage input = {height, width, TAV_PIXEL_BAYER_GB8, raw.data(), lineBytes};
    const std::vector<uint8_t> compact = tavref::referenceNormalise(input);
    const std::vector<uint8_t> before = raw;
    std::vector<uint8_t> out(static_cast<size_t>(height) * width * 3);
    TavImage output = {0, 0, 0, out.data(), 0};
    tavDemosaicing(context.handle, &input, 1, &output);  // status depends on the kernels built in
    EXPECT_TRUE(std::equal(compact.begin(), compact.end(), raw.begin()));
    EXPECT_TRUE(std::equal(raw.begin() + compact.size(), raw.end(), before.begin() + compact.size()));
    EXPECT_EQ(input.lineBytes, lineBytes);
}

// Bayer input of every storage reaches the converter of its base type with the
// normalised frame: the entry gives exactly what that converter gives on the
// reference frame, whatever the kernels return.
TEST(DemosaicEntry, BayerInputReachesItsConverter) {
    using Converter = TavStatus (*)(const uint8_t*, uint8_t*, int32_t, int32_t, int64_t, int32_t, uint8_t*);
    auto converterOf = [](int32_t baseType) -> Converter {
        switch (baseType) {
            case TAV_PIXEL_BAYER_RG8: return rg8Convert;
            case TAV_PIXEL_BAYER_GR8: return gr8Convert;
            case TAV_PIXEL_BAYER_GB8: return gb8Convert;
            default: return bg8Convert;
        }
    };
    uint32_t seed = 500;
    for (const tavref::InputType& type : tavref::inputTypes()) {
        if (type.baseType == TAV_PIXEL_MONO8) continue;
        for (int64_t outputType : tavref::outputTypes()) {
            Context context(outputType);
            for (int32_t method : {0, 1, 2, 3}) {
                const uint8_t height = 6 + method % 2, width = 9 - method;
                const int32_t lineBytes = tavref::minimumLineBytes(type.storage, width) + method;
                std::vector<uint8_t> raw = tavtest::randomBytes(static_cast<size_t>(height) * lineBytes, seed++);
                TavImage input = {height, width, type.code, raw.data(), lineBytes};
                std::vector<uint8_t> frame = tavref::referenceNormalise(input);
                const size_t outBytes = static_cast<size_t>(height * width) *
                                        static_cast<unsigned>(tavref::outputBytesPerPixel(outputType));
                GuardedBuffer expected(outBytes), out(outBytes);
                std::vector<uint8_t> scratch(width + 64);
                const TavStatus expectedStatus = converterOf(type.baseType)(frame.data(), expected.data(), height,
                                                                            width, outputType, method, scratch.data());
                TavImage output = {0, 0, 0, out.data(), 0};
                TavStatus status = TAV_OK;
                captureStdout([&] { status = tavDemosaicing(context.handle, &input, method, &output); });
                ASSERT_EQ(status, expectedStatus) << std::hex << type.code;
                ASSERT_EQ(out.contents(), expected.contents()) << std::hex << type.code << " method " << method;
                ASSERT_TRUE(out.intact());
                EXPECT_EQ(output.pixelType, status == TAV_OK ? static_cast<int32_t>(outputType) : 0);
            }
        }
    }
}

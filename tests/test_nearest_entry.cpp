// Nearest demosaicing end to end: every accepted input type, tight and padded
// rows, every output type, all parities of width and height, through the
// demosaic entry against the normalisation and nearest references.
#include "ref_nearest.h"
#include "ref_normalise.h"
#include "tavcore.h"
#include "test_support.h"

namespace {

using tavtest::GuardedBuffer;

std::vector<uint8_t> expectedOutput(const std::vector<uint8_t>& frame, int height, int width, int32_t baseType,
                                    int64_t outputType) {
    if (baseType == TAV_PIXEL_MONO8) return tavref::referenceMono8Convert(frame, height, width, outputType);
    return nearestref::referenceNearestFrame(frame, height, width, baseType, outputType);
}

void checkOneFrame(TavContext* context, const tavref::InputType& type, int64_t outputType, int height, int width,
                   int32_t padding, uint32_t seed) {
    const int32_t lineBytes = tavref::minimumLineBytes(type.storage, width) + padding;
    SCOPED_TRACE(testing::Message() << std::hex << "type 0x" << type.code << " output 0x" << outputType << std::dec
                                    << " " << width << "x" << height << " lineBytes " << lineBytes);
    const size_t rawBytes = static_cast<size_t>(height) * lineBytes;
    GuardedBuffer raw(rawBytes);
    const auto bytes = tavtest::randomBytes(rawBytes, seed);
    std::copy(bytes.begin(), bytes.end(), raw.data());
    TavImage input = {height, width, type.code, raw.data(), lineBytes};
    const std::vector<uint8_t> expected =
        expectedOutput(tavref::referenceNormalise(input), height, width, type.baseType, outputType);
    ASSERT_EQ(expected.size(), static_cast<size_t>(height) * width * tavref::outputBytesPerPixel(outputType));

    GuardedBuffer out(expected.size());
    TavImage output = {0, 0, 0, out.data(), 0};
    ASSERT_EQ(tavDemosaicing(context, &input, TAV_METHOD_NEAREST, &output), TAV_OK);
    ASSERT_EQ(out.contents(), expected);
    EXPECT_TRUE(out.intact());
    EXPECT_TRUE(raw.intact());
    EXPECT_EQ(output.height, height);
    EXPECT_EQ(output.width, width);
    EXPECT_EQ(output.pixelType, static_cast<int32_t>(outputType));
}

TEST(NearestEntry, EveryInputAndOutputTypeMatchesTheReferences) {
    // (height, width): every parity, the smallest frame and one wider.
    const int sizes[][2] = {{4, 4}, {5, 7}, {6, 9}, {7, 6}, {12, 17}};
    uint32_t seed = 9000;
    for (const tavref::InputType& type : tavref::inputTypes()) {
        for (int64_t outputType : tavref::outputTypes()) {
            TavContext* context = nullptr;
            ASSERT_EQ(tavCreate(&context), TAV_OK);
            const TavDemosaicConfig config = {outputType};
            ASSERT_EQ(tavDemosaicSetConfig(context, &config), TAV_OK);
            // One capture per context: nothing may be printed by any call.
            const std::string printed = tavtest::captureStdout([&] {
                for (const auto& size : sizes) {
                    for (int32_t padding : {0, 5}) {
                        if (HasFailure()) return;  // one failing frame is enough to read
                        checkOneFrame(context, type, outputType, size[0], size[1], padding, seed++);
                    }
                }
            });
            EXPECT_EQ(printed, "");
            tavRelease(&context);
        }
    }
}

}  // namespace

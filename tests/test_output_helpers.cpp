// BMP row alignment in place and 3-to-4 bytes per pixel expansion.
#include "tavcore.h"
#include "test_support.h"

using tavtest::errorLine;

using tavtest::captureStdout;
using tavtest::GuardedBuffer;

namespace {

// Rows of 3 x width bytes spread to a multiple of 4 bytes, gaps zeroed.
std::vector<uint8_t> referenceBmpRows(const std::vector<uint8_t>& packed, int height, int width) {
    const size_t row = 3 * static_cast<size_t>(width), stride = (row + 3) / 4 * 4;
    std::vector<uint8_t> out(stride * height, 0);
    for (int r = 0; r < height; ++r) std::copy_n(packed.begin() + r * row, row, out.begin() + r * stride);
    return out;
}

}  // namespace

TEST(BmpAdjust, RowsPaddedToFourBytesInPlace) {
    TavContext* context = nullptr;
    ASSERT_EQ(tavCreate(&context), TAV_OK);
    for (int height : {4, 5}) {
        for (int width : {4, 5, 6, 7, 8, 9}) {
            const size_t row = 3 * static_cast<size_t>(width), stride = (row + 3) / 4 * 4;
            const std::vector<uint8_t> packed = tavtest::randomBytes(row * height, 7 * width + height);
            GuardedBuffer buffer(stride * height, 0xEE);
            std::copy(packed.begin(), packed.end(), buffer.data());
            TavImage image = {height, width, 0x12345, buffer.data(), -3};
            std::string printed = captureStdout([&] { EXPECT_EQ(tavBMPAdjust(context, &image), TAV_OK); });
            EXPECT_EQ(printed, "");
            std::vector<uint8_t> expected = referenceBmpRows(packed, height, width);
            if (stride == row) std::fill(expected.begin() + packed.size(), expected.end(), 0xEE);  // untouched
            ASSERT_EQ(buffer.contents(), expected) << height << "x" << width;
            ASSERT_TRUE(buffer.intact());
            EXPECT_EQ(image.pixelType, 0x12345);  // neither checked nor updated
            EXPECT_EQ(image.lineBytes, -3);
        }
    }
    tavRelease(&context);
}

TEST(BmpAdjust, RefusalsPrintTheirLinesAndChangeNothing) {
    TavContext* context = nullptr;
    ASSERT_EQ(tavCreate(&context), TAV_OK);
    GuardedBuffer buffer(64, 0x42);
    TavImage noData = {4, 4, 0, nullptr, 0};
    TavImage tooFlat = {3, 4, 0, buffer.data(), 0};
    TavImage tooNarrow = {8, 3, 0, buffer.data(), 0};
    TavImage tooLarge = {1 << 16, 1 << 14, 0, buffer.data(), 0};  // stride x height reaches 2^32
    std::string printed = captureStdout([&] {
        EXPECT_EQ(tavBMPAdjust(nullptr, &tooFlat), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavBMPAdjust(context, nullptr), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavBMPAdjust(context, &noData), TAV_E_NULL_POINTER);
        EXPECT_EQ(tavBMPAdjust(context, &tooFlat), TAV_E_SIZE);
        EXPECT_EQ(tavBMPAdjust(context, &tooNarrow), TAV_E_SIZE);
        EXPECT_EQ(tavBMPAdjust(context, &tooLarge), TAV_E_SIZE);
    });
    EXPECT_EQ(printed, errorLine(tav::kLineBmpNull) + errorLine(tav::kLineBmpNull) +
                           errorLine(tav::kLineBmpNullData) + errorLine(tav::kLineBmpSize) +
                           errorLine(tav::kLineBmpSize) + errorLine(tav::kLineBmpSize));
    EXPECT_EQ(buffer.contents(), std::vector<uint8_t>(64, 0x42));
    EXPECT_TRUE(buffer.intact());
    tavRelease(&context);
}

TEST(BgrToBgra, AppendsZeroByteAndKeepsOrder) {
    const uint8_t twoPixels[] = {10, 20, 30, 40, 50, 60};
    GuardedBuffer out(8);
    bgrToBgra(twoPixels, 1, 2, out.data());
    EXPECT_EQ(out.contents(), (std::vector<uint8_t>{10, 20, 30, 0, 40, 50, 60, 0}));
    EXPECT_TRUE(out.intact());

    const std::vector<uint8_t> source = tavtest::randomBytes(3 * 5 * 7, 4);
    GuardedBuffer frame(4 * 5 * 7);
    bgrToBgra(source.data(), 5, 7, frame.data());
    for (size_t k = 0; k < 35; ++k) {
        ASSERT_TRUE(std::equal(source.begin() + 3 * k, source.begin() + 3 * k + 3, frame.data() + 4 * k));
        ASSERT_EQ(frame[4 * k + 3], 0);
    }
    EXPECT_TRUE(frame.intact());

    // Nothing to do for empty, negative or unaddressably large frames.
    GuardedBuffer untouched(16, 0x33);
    for (auto size : {std::pair<int, int>{0, 4}, {4, 0}, {-2, -3}, {-1, 4}, {1 << 16, 1 << 15}}) {
        bgrToBgra(source.data(), size.first, size.second, untouched.data());
    }
    EXPECT_EQ(untouched.contents(), std::vector<uint8_t>(16, 0x33));
    EXPECT_TRUE(untouched.intact());
}

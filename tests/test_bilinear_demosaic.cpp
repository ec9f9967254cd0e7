// Method 1 through tavDemosaicing: every Bayer order into every output type
// gives the true red, green and blue of the frame in the requested layout.
#include <vector>

#include "ref_bilinear.h"
#include "tavcore.h"
#include "test_support.h"

namespace {

struct Order {
    int32_t pixelType;
    int32_t pixelType12;
    refbilinear::Phase phase;
};

const Order kOrders[] = {
    {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_RG12, refbilinear::kRG},
    {TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GR12, refbilinear::kGR},
    {TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_GB12, refbilinear::kGB},
    {TAV_PIXEL_BAYER_BG8, TAV_PIXEL_BAYER_BG12, refbilinear::kBG},
};

const TavPixelType kOutputs[] = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8,
                                 TAV_PIXEL_BGRA8,       TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR,
                                 TAV_PIXEL_MONO8};

// The expected output buffer for an output type, from the true colours.
std::vector<uint8_t> expectedLayout(const refbilinear::Rgb& c, TavPixelType type) {
    const size_t n = c.r.size();
    const std::vector<uint8_t>* first = &c.b;
    const std::vector<uint8_t>* last = &c.r;
    if (type == TAV_PIXEL_RGB8 || type == TAV_PIXEL_RGBA8 || type == TAV_PIXEL_RGB8_PLANAR)
        std::swap(first, last);
    if (type == TAV_PIXEL_MONO8) {
        const int32_t luma[3] = {77, 150, 29};
        return refbilinear::grey(c, luma);
    }
    std::vector<uint8_t> out;
    if (type == TAV_PIXEL_RGB8_PLANAR || type == TAV_PIXEL_BGR8_PLANAR) {
        out.insert(out.end(), first->begin(), first->end());
        out.insert(out.end(), c.g.begin(), c.g.end());
        out.insert(out.end(), last->begin(), last->end());
        return out;
    }
    const int bpp = (type == TAV_PIXEL_RGBA8 || type == TAV_PIXEL_BGRA8) ? 4 : 3;
    out.assign(n * bpp, 0);
    for (size_t i = 0; i < n; ++i) {
        out[i * bpp] = (*first)[i];
        out[i * bpp + 1] = c.g[i];
        out[i * bpp + 2] = (*last)[i];
    }
    return out;
}

size_t outputBytes(TavPixelType type, size_t n) {
    if (type == TAV_PIXEL_MONO8) return n;
    if (type == TAV_PIXEL_RGBA8 || type == TAV_PIXEL_BGRA8) return 4 * n;
    return 3 * n;
}

}  // namespace

TEST(BilinearDemosaic, EveryOrderAndOutputMatchesTrueColours) {
    TavContext* context = nullptr;
    ASSERT_EQ(tavCreate(&context), TAV_OK);
    for (int h : {4, 5, 8, 9}) {
        for (int w : {4, 7, 10, 13}) {
            const size_t n = size_t(h) * w;
            const auto frame = tavtest::randomBytes(n, uint32_t(h * 100 + w));
            for (const Order& order : kOrders) {
                const auto colours = refbilinear::demosaic(frame, h, w, order.phase);
                for (TavPixelType type : kOutputs) {
                    SCOPED_TRACE(testing::Message() << order.phase.name << " " << h << "x" << w
                                                    << " output 0x" << std::hex << type);
                    const TavDemosaicConfig config = {type};
                    ASSERT_EQ(tavDemosaicSetConfig(context, &config), TAV_OK);
                    std::vector<uint8_t> input = frame;
                    tavtest::GuardedBuffer out(outputBytes(type, n));
                    TavImage in = {h, w, order.pixelType, input.data(), w};
                    TavImage result = {0, 0, 0, out.data(), 0};
                    std::string printed = tavtest::captureStdout([&] {
                        ASSERT_EQ(tavDemosaicing(context, &in, TAV_METHOD_BILINEAR, &result), TAV_OK);
                    });
                    EXPECT_EQ(printed, "");
                    ASSERT_TRUE(out.intact());
                    ASSERT_EQ(out.contents(), expectedLayout(colours, type));
                    EXPECT_EQ(result.pixelType, int32_t(type));
                }
            }
        }
    }
    tavRelease(&context);
}

// 12-bit samples reach the kernels as sample >> 4.
TEST(BilinearDemosaic, TwelveBitInputDemosaicsTheTopEightBits) {
    TavContext* context = nullptr;
    ASSERT_EQ(tavCreate(&context), TAV_OK);
    const int h = 7, w = 10;
    const auto samples = tavtest::randomSamples16(size_t(h) * w, 99, 4095);
    std::vector<uint8_t> bytes, top;
    for (uint16_t s : samples) {
        bytes.push_back(uint8_t(s));
        bytes.push_back(uint8_t(s >> 8));
        top.push_back(uint8_t(s >> 4));
    }
    for (const Order& order : kOrders) {
        SCOPED_TRACE(order.phase.name);
        tavtest::GuardedBuffer out(3 * size_t(h) * w);
        TavImage in = {h, w, order.pixelType12, bytes.data(), 2 * w};
        TavImage result = {0, 0, 0, out.data(), 0};
        ASSERT_EQ(tavDemosaicing(context, &in, TAV_METHOD_BILINEAR, &result), TAV_OK);
        ASSERT_TRUE(out.intact());
        EXPECT_EQ(out.contents(),
                  expectedLayout(refbilinear::demosaic(top, h, w, order.phase), TAV_PIXEL_BGR8));
    }
    tavRelease(&context);
}

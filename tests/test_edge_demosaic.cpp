// Method 2 through tavDemosaicing: every Bayer order and output type against
// the edge reference, and the kernels' size refusal passed through.
#include <string>
#include <vector>

#include "ref_edge.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::errorLine;

namespace {

using tavtest::EdgeReference;

struct Order {
    int32_t pixelType;
    bool redRowsOdd;     // the red/green rows (of the kernel's phase) are the odd rows
    bool blueAtRedSite;  // red and blue exchanged against the kernel's phase
};

// RG and BG use the RG-phase kernels, GB and GR the GB-phase ones.
const Order kOrders[] = {{TAV_PIXEL_BAYER_RG8, false, false},
                         {TAV_PIXEL_BAYER_BG8, false, true},
                         {TAV_PIXEL_BAYER_GB8, true, false},
                         {TAV_PIXEL_BAYER_GR8, true, true}};

const TavPixelType kOutputs[] = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,         TAV_PIXEL_RGBA8,
                                 TAV_PIXEL_BGRA8,       TAV_PIXEL_RGB8_PLANAR,  TAV_PIXEL_BGR8_PLANAR,
                                 TAV_PIXEL_MONO8};

size_t outputSize(TavPixelType type, size_t n) {
    if (type == TAV_PIXEL_MONO8) return n;
    if (type == TAV_PIXEL_RGBA8 || type == TAV_PIXEL_BGRA8) return 4 * n;
    return 3 * n;
}

// The expected output from the reference, in terms of the frame's true colours.
std::vector<uint8_t> expected(const EdgeReference& ref, bool exchanged, TavPixelType type) {
    const std::vector<uint8_t>& red = exchanged ? ref.blue : ref.red;
    const std::vector<uint8_t>& green = ref.green;
    const std::vector<uint8_t>& blue = exchanged ? ref.red : ref.blue;
    const size_t n = red.size();
    std::vector<uint8_t> out;
    for (size_t i = 0; i < n; ++i) {
        switch (type) {
            case TAV_PIXEL_RGB8: out.insert(out.end(), {red[i], green[i], blue[i]}); break;
            case TAV_PIXEL_BGR8: out.insert(out.end(), {blue[i], green[i], red[i]}); break;
            case TAV_PIXEL_RGBA8: out.insert(out.end(), {red[i], green[i], blue[i], 0}); break;
            case TAV_PIXEL_BGRA8: out.insert(out.end(), {blue[i], green[i], red[i], 0}); break;
            case TAV_PIXEL_MONO8:
                out.push_back(uint8_t((77 * red[i] + 150 * green[i] + 29 * blue[i] + 128) >> 8));
                break;
            default: break;
        }
    }
    if (type == TAV_PIXEL_RGB8_PLANAR || type == TAV_PIXEL_BGR8_PLANAR) {
        const bool redFirst = type == TAV_PIXEL_RGB8_PLANAR;
        out = redFirst ? red : blue;
        out.insert(out.end(), green.begin(), green.end());
        const std::vector<uint8_t>& last = redFirst ? blue : red;
        out.insert(out.end(), last.begin(), last.end());
    }
    return out;
}

class EdgeDemosaic : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(tavCreate(&context_), TAV_OK); }
    void TearDown() override { tavRelease(&context_); }

    TavContext* context_ = nullptr;
};

TEST_F(EdgeDemosaic, EveryOrderAndOutputMatchesReference) {
    const int sizes[][2] = {{6, 6}, {7, 9}, {10, 13}, {13, 8}};
    uint32_t seed = 300;
    for (const auto& size : sizes) {
        const int h = size[0], w = size[1];
        const size_t n = size_t(h) * w;
        const std::vector<uint8_t> frame = tavtest::randomBytes(n, seed++);
        for (const Order& order : kOrders) {
            const EdgeReference ref = tavtest::edgeReference(frame.data(), h, w, order.redRowsOdd);
            for (TavPixelType type : kOutputs) {
                SCOPED_TRACE(testing::Message() << std::hex << "order 0x" << order.pixelType
                                                << " output 0x" << type << std::dec << " " << h
                                                << "x" << w);
                const TavDemosaicConfig config = {type};
                ASSERT_EQ(tavDemosaicSetConfig(context_, &config), TAV_OK);
                std::vector<uint8_t> input = frame;
                tavtest::GuardedBuffer out(outputSize(type, n), 0xEE);
                TavImage in = {h, w, order.pixelType, input.data(), w};
                TavImage result = {0, 0, 0, out.data(), 0};
                int32_t status = -1;
                const std::string printed = tavtest::captureStdout(
                    [&] { status = tavDemosaicing(context_, &in, TAV_METHOD_EDGE, &result); });
                ASSERT_EQ(status, TAV_OK);
                EXPECT_EQ(printed, "");
                EXPECT_TRUE(out.intact());
                EXPECT_EQ(result.pixelType, int32_t(type));
                ASSERT_EQ(out.contents(), expected(ref, order.blueAtRedSite, type));
            }
        }
    }
}

// Frames of 4 or 5 rows or columns pass the entry's own checks and are
// refused by the kernel with its diagnostic; the output stays untouched.
TEST_F(EdgeDemosaic, SmallFramesRefusedByKernel) {
    struct Line {
        TavPixelType type;
        tav::DiagnosticLine rg, gb;
    };
    const Line lines[] = {
        {TAV_PIXEL_BGR8, tav::kLineEdgeRgBgr, tav::kLineEdgeGbBgr},
        {TAV_PIXEL_RGB8, tav::kLineEdgeRgBgr, tav::kLineEdgeGbBgr},
        {TAV_PIXEL_BGRA8, tav::kLineEdgeRgBgra, tav::kLineEdgeGbBgra},
        {TAV_PIXEL_RGBA8, tav::kLineEdgeRgBgra, tav::kLineEdgeGbBgra},
        {TAV_PIXEL_RGB8_PLANAR, tav::kLineEdgeRgPlanar, tav::kLineEdgeGbPlanar},
        {TAV_PIXEL_BGR8_PLANAR, tav::kLineEdgeRgPlanar, tav::kLineEdgeGbPlanar},
        {TAV_PIXEL_MONO8, tav::kLineEdgeRgMono, tav::kLineEdgeGbMono}};
    const int sizes[][2] = {{4, 4}, {5, 5}, {5, 8}, {8, 4}};
    for (const auto& size : sizes) {
        const int h = size[0], w = size[1];
        for (const Order& order : kOrders) {
            for (const Line& line : lines) {
                const TavDemosaicConfig config = {line.type};
                ASSERT_EQ(tavDemosaicSetConfig(context_, &config), TAV_OK);
                std::vector<uint8_t> input = tavtest::randomBytes(size_t(h) * w, 5);
                tavtest::GuardedBuffer out(4 * size_t(h) * w, 0xEE);
                TavImage in = {h, w, order.pixelType, input.data(), w};
                TavImage result = {0, 0, 0, out.data(), 0};
                int32_t status = 0;
                const std::string printed = tavtest::captureStdout(
                    [&] { status = tavDemosaicing(context_, &in, TAV_METHOD_EDGE, &result); });
                EXPECT_EQ(status, TAV_E_SIZE);
                const tav::DiagnosticLine number = order.redRowsOdd ? line.gb : line.rg;
                EXPECT_EQ(printed, errorLine(number));
                EXPECT_EQ(result.height, 0);
                EXPECT_EQ(result.pixelType, 0);
                EXPECT_TRUE(out.intact());
                for (uint8_t b : out.contents()) ASSERT_EQ(b, 0xEE);
            }
        }
    }
}

}  // namespace

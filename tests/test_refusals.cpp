// Refusals that must leave everything as it was: the demosaic entry decides
// them before it compacts, converts or allocates; the shading helpers read
// only the rows they are given; 10/12-bit correction at any address.
#include <cstring>

#include "../core/context/context.h"
#include "ref_lsc.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::captureStdout;
using tavtest::errorLine;
using tavtest::GuardedBuffer;

namespace {

// A context whose work buffer already holds known bytes, so a refused call
// can be seen to leave both the buffer and its contents alone.
struct PrimedContext {
    TavContext* handle = nullptr;
    std::vector<uint8_t> workBefore;
    explicit PrimedContext(int64_t outputType) {
        EXPECT_EQ(tavCreate(&handle), TAV_OK);
        TavDemosaicConfig config = {outputType};
        EXPECT_EQ(tavDemosaicSetConfig(handle, &config), TAV_OK);
        EXPECT_EQ(tavMemRealloc(&handle->workBuffer, 512), TAV_OK);
        for (int i = 0; i < 512; ++i) handle->workBuffer.buffer[i] = uint8_t(i * 7);
        workBefore.assign(handle->workBuffer.buffer, handle->workBuffer.buffer + 512);
    }
    ~PrimedContext() { tavRelease(&handle); }
    bool workUntouched() const {
        return handle->workBuffer.capacity == 512 &&
               std::memcmp(handle->workBuffer.buffer, workBefore.data(), 512) == 0;
    }
};

struct DemosaicRefusal {
    const char* what;
    int32_t height, width, pixelType, lineBytes, method;
    int64_t outputType;
    TavStatus status;
    std::string printed;
};

}  // namespace

// Padded 8-bit rows would be compacted in place and other storage converted
// into the work buffer; a refused call does neither and allocates nothing.
TEST(DemosaicRefusals, DecidedBeforeAnyWork) {
    const DemosaicRefusal refusals[] = {
        {"unknown method, padded 8-bit", 8, 8, TAV_PIXEL_BAYER_RG8, 11, 7, TAV_PIXEL_BGR8, TAV_E_UNSUPPORTED, ""},
        {"negative method, 12-bit", 8, 8, TAV_PIXEL_BAYER_GR12, 16, -1, TAV_PIXEL_RGB8, TAV_E_UNSUPPORTED, ""},
        {"edge on 5 rows, padded RG8", 5, 5, TAV_PIXEL_BAYER_RG8, 9, 2, TAV_PIXEL_BGR8, TAV_E_SIZE,
         errorLine(tav::kLineEdgeRgBgr)},
        {"edge on 5 columns, BG10", 8, 5, TAV_PIXEL_BAYER_BG10, 10, 2, TAV_PIXEL_RGBA8, TAV_E_SIZE,
         errorLine(tav::kLineEdgeRgBgra)},
        {"edge on 4 rows, GR8 planar", 4, 8, TAV_PIXEL_BAYER_GR8, 12, 2, TAV_PIXEL_RGB8_PLANAR, TAV_E_SIZE,
         errorLine(tav::kLineEdgeGbPlanar)},
        {"edge on 5 rows, GB12 packed grey", 5, 8, TAV_PIXEL_BAYER_GB12_PACKED, 12, 2, TAV_PIXEL_MONO8, TAV_E_SIZE,
         errorLine(tav::kLineEdgeGbMono)},
    };
    for (const DemosaicRefusal& r : refusals) {
        PrimedContext context(r.outputType);
        std::vector<uint8_t> in = tavtest::randomBytes(size_t(r.height) * r.lineBytes, 5);
        const std::vector<uint8_t> inBefore = in;
        GuardedBuffer out(size_t(r.height) * r.width * 4);
        const std::vector<uint8_t> outBefore = out.contents();
        TavImage input = {r.height, r.width, r.pixelType, in.data(), r.lineBytes};
        TavImage output = {-1, -1, -1, out.data(), -1};
        TavStatus status = 0;
        EXPECT_EQ(captureStdout([&] { status = tavDemosaicing(context.handle, &input, r.method, &output); }),
                  r.printed)
            << r.what;
        EXPECT_EQ(status, r.status) << r.what;
        EXPECT_EQ(in, inBefore) << r.what;
        EXPECT_TRUE(context.workUntouched()) << r.what;
        EXPECT_EQ(out.contents(), outBefore) << r.what;
        EXPECT_TRUE(out.intact()) << r.what;
        EXPECT_EQ(output.height, -1) << r.what;
    }
}

// Output byte counts above INT32_MAX are refused for every method, before
// the work buffer is grown or the input read (a 64-byte input stands in for
// the frames, which the call never touches).
TEST(DemosaicRefusals, OutputsBeyondInt32AreRefusedBeforeAllocating) {
    const DemosaicRefusal refusals[] = {
        // 26755^2 samples fit, their RGBA8 bytes do not: nothing is converted or allocated.
        {"12-bit to RGBA8, bilinear", 26755, 26755, TAV_PIXEL_BAYER_RG12, 2 * 26755, 1, TAV_PIXEL_RGBA8, TAV_E_SIZE,
         ""},
        {"8-bit to BGR8, nearest", 26755, 26755, TAV_PIXEL_BAYER_GB8, 26755, 0, TAV_PIXEL_BGR8, TAV_E_SIZE, ""},
        {"8-bit to planar, nearest", 26755, 26755, TAV_PIXEL_BAYER_BG8, 26755, 0, TAV_PIXEL_BGR8_PLANAR, TAV_E_SIZE,
         ""},
        {"grey to BGRA8", 26755, 26755, TAV_PIXEL_MONO12, 2 * 26755, 0, TAV_PIXEL_BGRA8, TAV_E_SIZE, ""},
        {"8-bit to BGR8, edge", 26755, 26755, TAV_PIXEL_BAYER_GR8, 26755, 2, TAV_PIXEL_BGR8, TAV_E_SIZE,
         errorLine(tav::kLineEdgeGbBgr)},
        // Rows of more bytes in all than INT32_MAX.
        {"rows of 2^29 bytes", 8, 8, TAV_PIXEL_BAYER_RG8, 1 << 29, 1, TAV_PIXEL_MONO8, TAV_E_SIZE,
         errorLine(tav::kLineDemosaicTooLarge)},
    };
    for (const DemosaicRefusal& r : refusals) {
        TavContext* context = nullptr;
        ASSERT_EQ(tavCreate(&context), TAV_OK);
        TavDemosaicConfig config = {r.outputType};
        ASSERT_EQ(tavDemosaicSetConfig(context, &config), TAV_OK);
        std::vector<uint8_t> in(64, 9), out(64, 0xEE);
        TavImage input = {r.height, r.width, r.pixelType, in.data(), r.lineBytes};
        TavImage output = {-1, -1, -1, out.data(), -1};
        TavStatus status = 0;
        EXPECT_EQ(captureStdout([&] { status = tavDemosaicing(context, &input, r.method, &output); }), r.printed)
            << r.what;
        EXPECT_EQ(status, r.status) << r.what;
        EXPECT_EQ(context->workBuffer.capacity, 0) << r.what;
        EXPECT_EQ(in, std::vector<uint8_t>(64, 9)) << r.what;
        EXPECT_EQ(out, std::vector<uint8_t>(64, 0xEE)) << r.what;
        tavRelease(&context);
    }
}

// Block means read rows 0 .. height-1 only: a layout that needs more rows is
// refused with nothing written; the same frame with a layout that fits works.
TEST(ShadingHelpers, BlockMeansStayInsideTheFrame) {
    std::vector<float> frame(32 * 32, 100.0f);
    std::vector<float> out(8, -1.0f);
    EXPECT_EQ(grayDataInit(frame.data(), 32, 32, 16, 16, 4, 2, 256, out.data()), TAV_E_SIZE);
    EXPECT_EQ(grayDataInit(frame.data(), 32, 32, 16, 16, 2, 3, 256, out.data()), TAV_E_SIZE);
    EXPECT_EQ(grayDataInit(frame.data(), -32, 32, 16, 16, 0, 2, 256, out.data()), TAV_E_SIZE);
    EXPECT_EQ(grayDataInit(frame.data(), 32, 32, 0, 16, 2, 2, 256, out.data()), TAV_E_SIZE);  // empty blocks
    EXPECT_EQ(grayDataInit(frame.data(), 32, 0, 0, 0, 1 << 20, 1 << 10, 256, out.data()), TAV_E_SIZE);
    EXPECT_EQ(out, std::vector<float>(8, -1.0f));
    EXPECT_EQ(grayDataInit(frame.data(), 32, 32, 16, 16, 2, 2, 256, out.data()), TAV_OK);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 4), std::vector<float>(4, 100.0f));
    EXPECT_EQ(out[4], -1.0f);
}

TEST(ShadingHelpers, CellMeansRefuseNegativeSizes) {
    std::vector<float> dark(16, 1.0f), grey(16, 2.0f), blockDark(4, -1.0f), blockGrey(4, -1.0f);
    EXPECT_EQ(dataInit2x2(dark.data(), grey.data(), 4, -4, blockDark.data(), blockGrey.data()), TAV_E_SIZE);
    EXPECT_EQ(dataInit2x2(dark.data(), grey.data(), INT32_MIN, 4, blockDark.data(), blockGrey.data()), TAV_E_SIZE);
    EXPECT_EQ(blockDark, std::vector<float>(4, -1.0f));
    EXPECT_EQ(blockGrey, std::vector<float>(4, -1.0f));
    EXPECT_EQ(dataInit2x2(dark.data(), grey.data(), 4, 4, blockDark.data(), blockGrey.data()), TAV_OK);
    EXPECT_EQ(blockGrey, std::vector<float>(4, 2.0f));
}

// 10- and 12-bit frames at odd addresses give the same samples as aligned
// ones, in both table modes and in place (UBSan reports a misaligned access).
TEST(ShadingCorrection, SamplesAtAnyAddress) {
    const int32_t h = 32, w = 34;
    const size_t bytes = size_t(h) * w * 2;
    for (uint32_t mode : {0u, 1u}) {
        const size_t words = mode == 1 ? size_t(h) * w : size_t(h / 2) * (w / 2);
        std::vector<uint32_t> table(3 + words);
        table[0] = mode;
        table[1] = h;
        table[2] = w;
        std::mt19937 rng(mode + 40);
        for (size_t k = 3; k < table.size(); ++k) table[k] = (0x18000u + rng() % 0x10000u) << 12 | rng() % 400;
        for (int32_t type : {TAV_PIXEL_BAYER_RG10, TAV_PIXEL_MONO12}) {
            const std::vector<uint8_t> samples = tavtest::randomBytes(bytes, 7);
            std::vector<uint16_t> alignedIn(size_t(h) * w), alignedOut(size_t(h) * w);
            std::memcpy(alignedIn.data(), samples.data(), bytes);
            TavImage input = {h, w, type, reinterpret_cast<uint8_t*>(alignedIn.data()), 0};
            TavImage output = {h, w, type, reinterpret_cast<uint8_t*>(alignedOut.data()), 0};
            ASSERT_EQ(tavLSCorrection(&input, &output, table.data()), TAV_OK);

            std::vector<uint8_t> oddIn(bytes + 1), oddOut(bytes + 3);
            std::memcpy(oddIn.data() + 1, samples.data(), bytes);
            input.data = oddIn.data() + 1;
            output.data = oddOut.data() + 3;
            ASSERT_EQ(tavLSCorrection(&input, &output, table.data()), TAV_OK);
            EXPECT_EQ(std::memcmp(oddOut.data() + 3, alignedOut.data(), bytes), 0) << mode << " " << type;
            output.data = input.data;  // in place at an odd address
            ASSERT_EQ(tavLSCorrection(&input, &output, table.data()), TAV_OK);
            EXPECT_EQ(std::memcmp(oddIn.data() + 1, alignedOut.data(), bytes), 0) << mode << " " << type;
        }
    }
}

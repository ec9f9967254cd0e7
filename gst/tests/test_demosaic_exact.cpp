// tavdemosaic gives exactly the bytes of tavDemosaicing, for every input
// format, method and output format, with any thread setting, with padded input rows (GStreamer's
// default padding and a video meta with a wider stride) and GStreamer's
// padded output rows and planes.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>

#include "gst_test_support.h"
#include "tav_demosaic.h"

using namespace tavgst;

namespace {

struct Format {
    const char* caps;       // appsrc caps without sizes
    int bits;               // 8, 10, 12, 14, 16
    bool packed;            // GigE Vision packing
    int32_t base8;          // 8-bit pixel type the samples reduce to
};

const Format kFormats[] = {
    {"video/x-bayer,format=rggb", 8, false, TAV_PIXEL_BAYER_RG8},
    {"video/x-bayer,format=grbg10le", 10, false, TAV_PIXEL_BAYER_GR8},
    {"video/x-bayer,format=gbrg12le", 12, false, TAV_PIXEL_BAYER_GB8},
    {"video/x-bayer,format=bggr14le", 14, false, TAV_PIXEL_BAYER_BG8},
    {"video/x-bayer,format=rggb16le", 16, false, TAV_PIXEL_BAYER_RG8},
    {"video/x-bayer,format=gbrg10p", 10, true, TAV_PIXEL_BAYER_GB8},
    {"video/x-bayer,format=bggr12p", 12, true, TAV_PIXEL_BAYER_BG8},
    {"video/x-raw,format=GRAY8", 8, false, TAV_PIXEL_MONO8},
    {"video/x-raw,format=GRAY16_LE", 16, false, TAV_PIXEL_MONO8},
};

struct Output {
    const char* format;
    int32_t pixelType;
    int pixelBytes;
    int planes;
};

const Output kOutputs[] = {
    {"RGB", TAV_PIXEL_RGB8, 3, 1},        {"BGR", TAV_PIXEL_BGR8, 3, 1},
    {"RGBx", TAV_PIXEL_RGBA8, 4, 1},      {"BGRx", TAV_PIXEL_BGRA8, 4, 1},
    {"RGBP", TAV_PIXEL_RGB8_PLANAR, 1, 3}, {"BGRP", TAV_PIXEL_BGR8_PLANAR, 1, 3},
    {"GRAY8", TAV_PIXEL_MONO8, 1, 1},
};

const char* const kMethods[] = {"nearest", "bilinear", "edge", "hq"};
// Each method runs with another thread setting: the result must not depend on it.
const char* const kThreads[] = {"1", "2", "0", "3"};

// Input rows as the element receives them.
struct Layout {
    int width;
    bool meta;  // rows described by a video meta with extra padding and an offset
};

const Layout kLayouts[] = {{30, false}, {32, false}, {32, true}, {31, true}};

const int kHeight = 10;

int rowBytes(const Format& f, int width) {
    if (f.packed) return 3 * ((width + 1) / 2);
    return f.bits == 8 ? width : 2 * width;
}

// Stores the 8-bit mosaic m in the format's samples, with noise in the bits
// that the reduction to 8 bits drops.
std::vector<uint8_t> encodeRow(const Format& f, const uint8_t* m, int width, std::mt19937& random) {
    std::vector<uint8_t> row(size_t(rowBytes(f, width)));
    for (int x = 0; x < width; ++x) {
        const uint8_t noise = uint8_t(random());
        if (f.packed) {
            row[size_t(3 * (x / 2) + (x % 2 == 0 ? 0 : 2))] = m[x];
            row[size_t(3 * (x / 2) + 1)] = noise;
        } else if (f.bits == 8) {
            row[size_t(x)] = m[x];
        } else {
            const int shift = f.bits - 8;
            const uint16_t sample = uint16_t(m[x] << shift | (noise & ((1 << shift) - 1)));
            row[size_t(2 * x)] = uint8_t(sample);
            row[size_t(2 * x + 1)] = uint8_t(sample >> 8);
        }
    }
    return row;
}

std::vector<uint8_t> expected(const std::vector<uint8_t>& mosaic, const Format& f, int width, int method,
                              const Output& out) {
    TavContext* context = nullptr;
    EXPECT_EQ(tavCreate(&context), TAV_OK);
    TavDemosaicConfig config{out.pixelType};
    EXPECT_EQ(tavDemosaicSetConfig(context, &config), TAV_OK);
    std::vector<uint8_t> input = mosaic;
    std::vector<uint8_t> result(size_t(width) * kHeight * out.pixelBytes * out.planes);
    TavImage in{kHeight, width, f.base8, input.data(), width};
    TavImage o{0, 0, 0, result.data(), width * out.pixelBytes};
    EXPECT_EQ(tavDemosaicing(context, &in, method, &o), TAV_OK);
    tavRelease(&context);
    return result;
}

class DemosaicExact : public ::testing::TestWithParam<int> {};

TEST_P(DemosaicExact, MatchesTheLibraryForEveryMethodOutputAndStride) {
    const Format& f = kFormats[GetParam()];
    std::mt19937 random(GetParam() + 1);
    for (const Layout& layout : kLayouts) {
        const int width = layout.width;
        std::vector<uint8_t> mosaic(size_t(width) * kHeight);
        for (uint8_t& v : mosaic) v = uint8_t(random());
        // Default rows are padded to 4 bytes; a meta adds 24 bytes and starts at 8.
        const int row = rowBytes(f, width);
        const int stride = layout.meta ? row + 24 : (row + 3) / 4 * 4;
        const size_t offset = layout.meta ? 8 : 0;
        std::vector<uint8_t> bytes(offset + size_t(stride) * kHeight, 0xEE);
        for (int y = 0; y < kHeight; ++y) {
            const std::vector<uint8_t> encoded = encodeRow(f, &mosaic[size_t(y) * width], width, random);
            std::memcpy(&bytes[offset + size_t(y) * stride], encoded.data(), encoded.size());
        }
        for (int method = 0; method < int(std::size(kMethods)); ++method) {
            for (const Output& out : kOutputs) {
                SCOPED_TRACE(std::string(f.caps) + " width " + std::to_string(width) +
                             (layout.meta ? " meta" : "") + " " + kMethods[method] + " -> " + out.format);
                Pipeline p(std::string("appsrc name=src caps=") + f.caps + ",width=" + std::to_string(width) +
                           ",height=" + std::to_string(kHeight) + ",framerate=30/1 ! tavdemosaic method=" +
                           kMethods[method] + " threads=" + kThreads[method] + " ! video/x-raw,format=" +
                           out.format + " ! appsink name=sink");
                ASSERT_TRUE(p.play());
                GstBuffer* buffer = makeBuffer(bytes);
                if (layout.meta) addPlaneMeta(buffer, width, kHeight, offset, stride);
                p.pushAndEnd(buffer);
                GstSample* sample = p.pull();
                ASSERT_NE(sample, nullptr) << p.waitForEnd(1);
                GstVideoInfo info;
                ASSERT_TRUE(gst_video_info_from_caps(&info, gst_sample_get_caps(sample)));
                GstVideoFrame frame;
                ASSERT_TRUE(gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ));
                const std::vector<uint8_t> want = expected(mosaic, f, width, method, out);
                const size_t rowOut = size_t(width) * out.pixelBytes;
                int wrongRows = 0;
                for (int plane = 0; plane < out.planes; ++plane) {
                    const uint8_t* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
                    const int outStride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
                    for (int y = 0; y < kHeight; ++y) {
                        const uint8_t* w = &want[(size_t(plane) * kHeight + y) * rowOut];
                        wrongRows += std::memcmp(data + size_t(y) * outStride, w, rowOut) != 0;
                    }
                }
                EXPECT_EQ(wrongRows, 0);
                gst_video_frame_unmap(&frame);
                gst_sample_unref(sample);
                EXPECT_EQ(p.waitForEnd(), "");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllInputFormats, DemosaicExact, ::testing::Range(0, int(std::size(kFormats))),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name = kFormats[info.param].caps;
                             name = name.substr(name.find('=') + 1);
                             for (char& c : name) c = g_ascii_isalnum(c) ? c : '_';
                             return name;
                         });

}  // namespace

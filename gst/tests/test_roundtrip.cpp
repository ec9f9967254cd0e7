// videotestsrc ! rgb2bayer ! tavdemosaic gives back the test pattern in all
// four Bayer orders and with every method.
#include <gtest/gtest.h>

#include <cmath>

#include "gst_test_support.h"

using namespace tavgst;

namespace {

const int kWidth = 320, kHeight = 240, kBorder = 2;  // the border rows see the mirror rule

const uint8_t* row(const GstVideoFrame* frame, int y) {
    return static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0)) +
           y * GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
}

// The pixel and its 5x5 neighbourhood have one colour in the reference, so
// that every method can restore it exactly from the mosaic.
bool flat(const GstVideoFrame* ref, int x, int y) {
    const uint32_t* centre = reinterpret_cast<const uint32_t*>(row(ref, y)) + x;
    for (int dy = -2; dy <= 2; ++dy) {
        const uint32_t* r = reinterpret_cast<const uint32_t*>(row(ref, y + dy));
        for (int dx = -2; dx <= 2; ++dx) {
            if (r[x + dx] != *centre) return false;
        }
    }
    return true;
}

// PSNR of the RGB output against the ARGB reference over the flat areas
// of the pattern (most of it), and the share of pixels that are flat.
double flatPsnr(GstSample* reference, GstSample* output, double* flatShare) {
    GstVideoInfo refInfo, outInfo;
    EXPECT_TRUE(gst_video_info_from_caps(&refInfo, gst_sample_get_caps(reference)));
    EXPECT_TRUE(gst_video_info_from_caps(&outInfo, gst_sample_get_caps(output)));
    GstVideoFrame ref, out;
    EXPECT_TRUE(gst_video_frame_map(&ref, &refInfo, gst_sample_get_buffer(reference), GST_MAP_READ));
    EXPECT_TRUE(gst_video_frame_map(&out, &outInfo, gst_sample_get_buffer(output), GST_MAP_READ));
    double sum = 0;
    long count = 0;
    for (int y = kBorder; y < kHeight - kBorder; ++y) {
        for (int x = kBorder; x < kWidth - kBorder; ++x) {
            if (!flat(&ref, x, y)) continue;
            for (int c = 0; c < 3; ++c) {
                const double d = double(row(&ref, y)[4 * x + 1 + c]) - double(row(&out, y)[3 * x + c]);  // ARGB, RGB
                sum += d * d;
            }
            ++count;
        }
    }
    gst_video_frame_unmap(&ref);
    gst_video_frame_unmap(&out);
    *flatShare = double(count) / double(kWidth * kHeight);
    const double mse = count > 0 ? sum / double(3 * count) : 1e9;
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

TEST(RoundTrip, Rgb2BayerThenTavdemosaicGivesBackThePattern) {
    // Colour bars: inside each bar every method restores the colour, and a
    // wrong Bayer order swaps or mixes the channels there.
    for (const char* order : {"rggb", "grbg", "gbrg", "bggr"}) {
        for (const char* method : {"nearest", "bilinear", "edge", "hq"}) {
            SCOPED_TRACE(std::string(order) + " " + method);
            Pipeline p("videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,format=ARGB,width=" +
                       std::to_string(kWidth) + ",height=" + std::to_string(kHeight) +
                       " ! tee name=t t. ! queue ! appsink name=ref t. ! queue ! rgb2bayer ! video/x-bayer,format=" +
                       order + " ! tavdemosaic method=" + method +
                       " ! video/x-raw,format=RGB ! appsink name=sink");
            ASSERT_TRUE(p.play());
            GstSample* reference = p.pull("ref");
            GstSample* output = p.pull("sink");
            ASSERT_NE(reference, nullptr);
            ASSERT_NE(output, nullptr) << p.waitForEnd(1);
            double flatShare = 0;
            EXPECT_GT(flatPsnr(reference, output, &flatShare), 45.0);
            EXPECT_GT(flatShare, 0.5);
            gst_sample_unref(reference);
            gst_sample_unref(output);
        }
    }
}

}  // namespace

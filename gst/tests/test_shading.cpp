// tavshading flattens a vignetted stream with a table computed by the
// library, at 8 bits (rows padded by GStreamer) and at 12 bits, in both
// table modes; enabled=false passes frames through untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gst_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

namespace {

// Brightness fall-off towards the corners: 1 in the centre, 0.5 in the corners.
double vignette(int x, int y, int width, int height) {
    const double dx = (x - (width - 1) / 2.0) / (width / 2.0);
    const double dy = (y - (height - 1) / 2.0) / (height / 2.0);
    return 1.0 - 0.25 * (dx * dx + dy * dy);
}

struct Case {
    const char* format;
    int bits;
    int width, height;
    uint32_t mode;
};

std::string tableFor(const Case& c, double dark) {
    const double full = double((1 << c.bits) - 1);
    std::vector<float> grey(size_t(c.width) * c.height), darkFrame(grey.size());
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            grey[size_t(y) * c.width + x] = float(dark + 0.8 * full * vignette(x, y, c.width, c.height));
            darkFrame[size_t(y) * c.width + x] = float(dark);
        }
    }
    TavLSCInput input{c.mode, uint32_t(c.bits), c.width, c.height, grey.data(), darkFrame.data()};
    const size_t parameters = c.mode == TAV_LSC_MODE_PIXEL ? grey.size() : grey.size() / 4;
    std::vector<uint32_t> words(TAV_LSC_TABLE_HEADER_WORDS + parameters);
    EXPECT_EQ(tavGetLSCParameter(&input, words.data()), TAV_OK);
    return writeTableFile(std::string(c.format) + "-" + std::to_string(c.mode) + ".tbl", uint32_t(c.bits), words);
}

// A vignetted frame at 60 % of full scale over the dark level, in the
// format's storage with rows padded to 4 bytes.
std::vector<uint8_t> vignettedFrame(const Case& c, double dark, int stride) {
    const double full = double((1 << c.bits) - 1);
    std::vector<uint8_t> bytes(size_t(stride) * c.height, 0);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const unsigned v = unsigned(std::lround(dark + 0.6 * full * vignette(x, y, c.width, c.height)));
            if (c.bits == 8) {
                bytes[size_t(y) * stride + x] = uint8_t(v);
            } else {
                bytes[size_t(y) * stride + 2 * x] = uint8_t(v);
                bytes[size_t(y) * stride + 2 * x + 1] = uint8_t(v >> 8);
            }
        }
    }
    return bytes;
}

double sample(const uint8_t* bytes, const Case& c, int stride, int x, int y) {
    const uint8_t* p = bytes + size_t(y) * stride + (c.bits == 8 ? x : 2 * x);
    return c.bits == 8 ? p[0] : double(p[0] | p[1] << 8);
}

// (max - min) / mean over the table's units: pixels, or the means of 2x2
// cells for a per-cell table (whose pixels keep the fall-off inside a cell).
double spread(const uint8_t* bytes, const Case& c, int stride) {
    const int unit = c.mode == TAV_LSC_MODE_2X2 ? 2 : 1;
    double lo = 1e9, hi = 0, sum = 0;
    for (int y = 0; y < c.height; y += unit) {
        for (int x = 0; x < c.width; x += unit) {
            double v = 0;
            for (int dy = 0; dy < unit; ++dy) {
                for (int dx = 0; dx < unit; ++dx) v += sample(bytes, c, stride, x + dx, y + dy);
            }
            v /= unit * unit;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            sum += v;
        }
    }
    return (hi - lo) / (sum / (double(c.width) * c.height / (unit * unit)));
}

std::vector<uint8_t> runShading(const Case& c, const std::string& table, const std::vector<uint8_t>& frame,
                                const char* extra = "") {
    Pipeline p(std::string("appsrc name=src caps=video/x-bayer,format=") + c.format + ",width=" +
               std::to_string(c.width) + ",height=" + std::to_string(c.height) +
               ",framerate=30/1 ! tavshading table=" + table + " " + extra + " ! appsink name=sink");
    EXPECT_TRUE(p.play());
    p.pushAndEnd(makeBuffer(frame));
    GstSample* sample = p.pull();
    EXPECT_NE(sample, nullptr) << p.waitForEnd(1);
    if (sample == nullptr) return {};
    GstMapInfo map;
    gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
    std::vector<uint8_t> out(map.data, map.data + map.size);
    gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    gst_sample_unref(sample);
    EXPECT_EQ(p.waitForEnd(), "");
    return out;
}

TEST(Shading, FlattensAVignettedStream) {
    const Case cases[] = {
        {"rggb", 8, 66, 48, TAV_LSC_MODE_2X2},       // rows of 66 bytes padded to 68
        {"bggr", 8, 64, 32, TAV_LSC_MODE_PIXEL},
        {"grbg12le", 12, 64, 48, TAV_LSC_MODE_PIXEL},
        {"gbrg10le", 10, 96, 64, TAV_LSC_MODE_2X2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " mode " + std::to_string(c.mode));
        const double dark = double(1 << (c.bits - 4));  // 16 at 8 bits
        const std::string table = tableFor(c, dark);
        const int stride = ((c.bits == 8 ? c.width : 2 * c.width) + 3) / 4 * 4;
        const std::vector<uint8_t> frame = vignettedFrame(c, dark, stride);
        ASSERT_GT(spread(frame.data(), c, stride), 0.3);
        const std::vector<uint8_t> corrected = runShading(c, table, frame);
        ASSERT_EQ(corrected.size(), frame.size());
        // Flat within rounding.
        EXPECT_LT(spread(corrected.data(), c, stride), c.bits == 8 ? 0.04 : 0.01);
        // Row padding is not touched.
        for (int y = 0; y < c.height; ++y) {
            const size_t row = size_t(c.bits == 8 ? c.width : 2 * c.width);
            const long padding = long(y * stride + row), next = long((y + 1) * stride);
            EXPECT_TRUE(std::equal(corrected.begin() + padding, corrected.begin() + next, frame.begin() + padding));
        }
        // enabled=false passes the frame through.
        EXPECT_EQ(runShading(c, table, frame, "enabled=false"), frame);
        std::remove(table.c_str());
    }
}

}  // namespace

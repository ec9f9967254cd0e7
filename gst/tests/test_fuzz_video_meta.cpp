// A bounded random sweep over video metas: offsets near 0, near the buffer's
// size and near 2^64, strides short, negative, huge or honest, buffers of any
// size, for both elements. Every frame must be processed or refused with
// "does not hold", never read or written outside the buffer (ASan watches).
// TAV_GST_FUZZ_RUNS sets the number of frames per element (CI runs more).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "gst_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

namespace {

int runs() {
    const char* text = std::getenv("TAV_GST_FUZZ_RUNS");
    return text != nullptr ? std::atoi(text) : 40;
}

struct Case {
    size_t bytes;
    size_t offset;
    int stride;
};

Case randomCase(std::mt19937_64& rng, int rowBytes, int height) {
    auto pick = [&rng](std::initializer_list<int64_t> values) {
        return *(values.begin() + rng() % values.size());
    };
    Case c;
    c.bytes = size_t(rowBytes) * height + size_t(pick({-rowBytes, -1, 0, 0, 1, 64, 4096}));
    const size_t near = c.bytes - size_t(rowBytes) * (height - 1);
    const size_t offsets[] = {0, 0, 1, near, near + 1, size_t(-1), size_t(-4096), size_t(-(int64_t(1) << 40)),
                              size_t(INT64_MAX), size_t(1) << 63, size_t(rng())};
    c.offset = offsets[rng() % (sizeof offsets / sizeof offsets[0])];
    c.stride = int(pick({rowBytes, rowBytes, rowBytes + 4, rowBytes - 1, 0, -rowBytes, INT32_MAX, INT32_MIN,
                         int64_t(rng() % 1000000)}));
    return c;
}

void sweep(const std::string& caps, const std::string& element, int rowBytes, int width, int height,
           uint64_t seed) {
    std::mt19937_64 rng(seed);
    for (int i = 0; i < runs(); ++i) {
        const Case c = randomCase(rng, rowBytes, height);
        SCOPED_TRACE(element + " bytes " + std::to_string(c.bytes) + " offset " + std::to_string(c.offset) +
                     " stride " + std::to_string(c.stride));
        Pipeline p("appsrc name=src caps=" + caps + " ! " + element + " ! fakesink");
        GstBuffer* buffer = makeBuffer(std::vector<uint8_t>(c.bytes, uint8_t(i)));
        addPlaneMeta(buffer, width, height, c.offset, c.stride);
        if (p.play()) p.pushAndEnd(buffer);
        const std::string error = p.waitForEnd(10);
        if (!error.empty()) EXPECT_NE(error.find("does not hold"), std::string::npos) << error;
    }
}

TEST(FuzzVideoMeta, DemosaicEightAndSixteenBit) {
    sweep("video/x-bayer,format=rggb,width=32,height=32,framerate=30/1", "tavdemosaic", 32, 32, 32, 1);
    sweep("video/x-bayer,format=grbg12le,width=30,height=20,framerate=30/1", "tavdemosaic method=edge", 60, 30,
          20, 2);
}

TEST(FuzzVideoMeta, ShadingInPlace) {
    std::vector<uint32_t> words = {TAV_LSC_MODE_PIXEL, 32, 32};
    words.resize(3 + 32 * 32, TAV_LSC_GAIN_ONE << TAV_LSC_GAIN_SHIFT);
    const std::string table = writeTableFile("fuzz.tbl", 10, words);
    sweep("video/x-bayer,format=rggb,width=32,height=32,framerate=30/1", "tavshading table=" + table, 32, 32, 32,
          3);
    sweep("video/x-bayer,format=rggb10le,width=32,height=32,framerate=30/1", "tavshading table=" + table, 64, 32,
          32, 4);
    std::remove(table.c_str());
}

}  // namespace

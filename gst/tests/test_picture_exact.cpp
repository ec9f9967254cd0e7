// With picture properties set, tavdemosaic gives exactly the bytes and the
// statistics of tavDemosaicing with the same pipeline: every input storage
// (14-bit samples narrowed to 8 bits with their black levels), several
// outputs and methods, a shading table, and thread counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "picture_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

namespace {

struct Format {
    const char* caps;
    int bits;           // of the stream's samples
    int storage;        // 0 bytes, 1 16-bit words, 2 GigE Vision packing
    int32_t pixelType;  // what the library is called with
    int preShift;       // bits the element drops first
};

const Format kFormats[] = {
    {"video/x-bayer,format=rggb", 8, 0, TAV_PIXEL_BAYER_RG8, 0},
    {"video/x-bayer,format=grbg10le", 10, 1, TAV_PIXEL_BAYER_GR10, 0},
    {"video/x-bayer,format=gbrg12le", 12, 1, TAV_PIXEL_BAYER_GB12, 0},
    {"video/x-bayer,format=bggr14le", 14, 1, TAV_PIXEL_BAYER_BG8, 6},
    {"video/x-bayer,format=rggb16le", 16, 1, TAV_PIXEL_BAYER_RG16, 0},
    {"video/x-bayer,format=gbrg10p", 10, 2, TAV_PIXEL_BAYER_GB10_PACKED, 0},
    {"video/x-bayer,format=bggr12p", 12, 2, TAV_PIXEL_BAYER_BG12_PACKED, 0},
    {"video/x-raw,format=GRAY8", 8, 0, TAV_PIXEL_MONO8, 0},
    {"video/x-raw,format=GRAY16_LE", 16, 1, TAV_PIXEL_MONO16, 0},
};

struct Output {
    const char* format;
    int32_t pixelType;
    int bytes;  // per pixel, all planes
};

const Output kOutputs[] = {{"RGB", TAV_PIXEL_RGB8, 3},
                           {"BGRx", TAV_PIXEL_BGRA8, 4},
                           {"RGBP", TAV_PIXEL_RGB8_PLANAR, 3},
                           {"GRAY8", TAV_PIXEL_MONO8, 1}};

const int kWidth = 32, kHeight = 16;  // rows of every format and output without padding

// The stream's frame and the frame the library sees (14-bit narrowed).
struct Frames {
    std::vector<uint8_t> stream;
    std::vector<uint8_t> library;
    int32_t libraryLineBytes;
};

Frames randomFrames(const Format& f, std::mt19937& random) {
    Frames frames;
    const uint32_t top = (1u << f.bits) - 1;
    std::vector<uint32_t> samples(size_t(kWidth) * kHeight);
    for (uint32_t& s : samples) s = random() % (top + 1);
    samples[5] = top;  // a saturated tile
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t s = samples[size_t(y) * kWidth + x];
            if (f.storage == 0) {
                frames.stream.push_back(uint8_t(s));
            } else if (f.storage == 1) {
                frames.stream.push_back(uint8_t(s));
                frames.stream.push_back(uint8_t(s >> 8));
            } else if (x % 2 == 0) {
                // Two samples in three bytes: high bits, both low nibbles, high bits.
                const uint32_t t = samples[size_t(y) * kWidth + x + 1];
                const int low = f.bits - 8;
                frames.stream.push_back(uint8_t(s >> low));
                frames.stream.push_back(uint8_t((s & ((1u << low) - 1)) | (t & ((1u << low) - 1)) << 4));
                frames.stream.push_back(uint8_t(t >> low));
            }
        }
    }
    if (f.preShift == 0) {
        frames.library = frames.stream;
        frames.libraryLineBytes = int32_t(frames.stream.size() / kHeight);
    } else {
        for (uint32_t s : samples) frames.library.push_back(uint8_t(s >> f.preShift));
        frames.libraryLineBytes = kWidth;
    }
    return frames;
}

// A per-pixel table with gains around 1 and small dark offsets.
std::vector<uint32_t> shadingWords(std::mt19937& random) {
    std::vector<uint32_t> words = {TAV_LSC_MODE_PIXEL, kHeight, kWidth};
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const uint32_t gain = TAV_LSC_GAIN_ONE - 0x2000 + random() % 0x6000;
        words.push_back(gain << TAV_LSC_GAIN_SHIFT | (random() % 40));
    }
    return words;
}

struct Settings {
    std::string properties;
    TavPipeline pipeline;  // black levels as the library sees them
};

Settings settingsFor(const Format& f, const uint32_t* table, const std::string& tablePath, int variant) {
    Settings s;
    tavPipelineInit(&s.pipeline);
    const int scale = f.bits - 8;  // black levels on the stream's scale
    const int32_t blacks[4] = {16 << scale, 12 << scale, 14 << scale, 18 << scale};
    char text[512];
    std::snprintf(text, sizeof text,
                  "black-level=%d,%d,%d,%d white-balance=\"1.9, 1, 1.45\" "
                  "color-matrix=\"1.6,-0.4,-0.2,-0.3,1.5,-0.2,-0.1,-0.5,1.6\" ",
                  blacks[0], blacks[1], blacks[2], blacks[3]);
    s.properties = text;
    for (int i = 0; i < 4; ++i) s.pipeline.blackLevel[i] = blacks[i] >> f.preShift;
    const float gains[3] = {1.9f, 1.0f, 1.45f};
    const float matrix[9] = {1.6f, -0.4f, -0.2f, -0.3f, 1.5f, -0.2f, -0.1f, -0.5f, 1.6f};
    std::memcpy(s.pipeline.whiteBalance, gains, sizeof gains);
    std::memcpy(s.pipeline.colorMatrix, matrix, sizeof matrix);
    if (variant == 0) {
        s.properties += "curve=srgb method=edge threads=1";
        s.pipeline.curve = TAV_CURVE_SRGB;
    } else if (variant == 1) {
        s.properties += "curve=gamma gamma=1.8 method=bilinear threads=2 shading-table=" + tablePath;
        s.pipeline.curve = TAV_CURVE_GAMMA;
        s.pipeline.gamma = 1.8f;
        s.pipeline.shadingTable = table;
    } else if (variant == 3) {
        s.properties += "curve=srgb method=hq threads=2 shading-table=" + tablePath;
        s.pipeline.curve = TAV_CURVE_SRGB;
        s.pipeline.shadingTable = table;
    } else {
        s.properties += "method=nearest threads=0 post-stats=false";
    }
    return s;
}

int methodOf(int variant) {
    const int methods[] = {TAV_METHOD_EDGE, TAV_METHOD_BILINEAR, TAV_METHOD_NEAREST, TAV_METHOD_HQ};
    return methods[variant];
}

std::vector<uint8_t> libraryResult(const Format& f, Frames& frames, const Output& out, const Settings& s,
                                   int variant, TavFrameStats* stats) {
    TavContext* context = nullptr;
    EXPECT_EQ(tavCreate(&context), TAV_OK);
    TavDemosaicConfig config{out.pixelType};
    EXPECT_EQ(tavDemosaicSetConfig(context, &config), TAV_OK);
    EXPECT_EQ(tavDemosaicSetPipeline(context, &s.pipeline), TAV_OK);
    std::vector<uint8_t> result(size_t(kWidth) * kHeight * out.bytes);
    TavImage in{kHeight, kWidth, f.pixelType, frames.library.data(), frames.libraryLineBytes};
    TavImage o{0, 0, 0, result.data(), kWidth * (out.pixelType == TAV_PIXEL_RGB8_PLANAR ? 1 : out.bytes)};
    EXPECT_EQ(tavDemosaicing(context, &in, methodOf(variant), &o), TAV_OK);
    EXPECT_EQ(tavDemosaicGetStats(context, stats), TAV_OK);
    tavRelease(&context);
    return result;
}

class PictureExact : public ::testing::TestWithParam<int> {};

TEST_P(PictureExact, MatchesTheLibraryWithTheSameSettings) {
    const Format& f = kFormats[GetParam()];
    std::mt19937 random(GetParam() + 7);
    const std::vector<uint32_t> table = shadingWords(random);
    const std::string tablePath = writeTableFile("exact" + std::to_string(GetParam()) + ".tbl", 12, table);
    for (int variant = 0; variant < 4; ++variant) {
        const Settings s = settingsFor(f, table.data(), tablePath, variant);
        for (const Output& out : kOutputs) {
            SCOPED_TRACE(std::string(f.caps) + " -> " + out.format + ": " + s.properties);
            PictureStream stream(std::string(f.caps) + ",width=" + std::to_string(kWidth) + ",height=" +
                                     std::to_string(kHeight) + ",framerate=30/1",
                                 s.properties + " post-stats=true", out.format);
            // Two frames: the second runs on the pipeline the first one set.
            for (int frame = 0; frame < 2; ++frame) {
                Frames frames = randomFrames(f, random);
                TavFrameStats expectedStats;
                const std::vector<uint8_t> expected = libraryResult(f, frames, out, s, variant, &expectedStats);
                EXPECT_EQ(stream.convert(frames.stream), expected) << "frame " << frame;
                const std::vector<StatsMessage> messages = stream.takeStats();
                ASSERT_EQ(messages.size(), 1u);
                EXPECT_EQ(std::memcmp(&messages[0].stats, &expectedStats, sizeof expectedStats), 0);
                EXPECT_EQ(messages[0].gains[0], double(1.9f));
                EXPECT_EQ(messages[0].gains[2], double(1.45f));
            }
            EXPECT_EQ(stream.finish(), "");
            EXPECT_TRUE(stream.takeWarnings().empty());
        }
    }
    std::remove(tablePath.c_str());
}

INSTANTIATE_TEST_SUITE_P(AllInputFormats, PictureExact, ::testing::Range(0, int(std::size(kFormats))));

}  // namespace

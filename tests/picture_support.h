// Helpers of the picture pipeline tests: random raw frames of any input
// type, random pipeline settings and shading tables, a context with a thread
// count, and one guarded conversion.
#ifndef TAV_TEST_PICTURE_SUPPORT_H
#define TAV_TEST_PICTURE_SUPPORT_H

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ref_picture.h"
#include "tavcore.h"
#include "tav_pipeline.h"
#include "test_support.h"
#include "threads/workerPool.h"

namespace pictest {

using picref::InputFormat;

// A raw frame in a buffer of its own, garbage in the row padding; the first
// row starts `offset` bytes into the buffer (an odd address for odd offsets).
struct Frame {
    std::vector<uint8_t> bytes;
    TavImage image;
    const InputFormat* format;
    size_t offset;
    Frame(const InputFormat& f, int32_t height, int32_t width, int32_t padding, size_t offset = 0)
        : bytes(offset + static_cast<size_t>(height) * (picref::minimumLineBytes(f.storage, width) + padding)),
          image{height, width, f.code, nullptr, picref::minimumLineBytes(f.storage, width) + padding},
          format(&f),
          offset(offset) {
        image.data = bytes.data() + offset;
    }
    Frame(const Frame& other) : bytes(other.bytes), image(other.image), format(other.format), offset(other.offset) {
        image.data = bytes.data() + offset;
    }
    Frame& operator=(const Frame&) = delete;
    void set(int y, int x, int v) { picref::storeSample(image, *format, y, x, v); }
    int get(int y, int x) const { return picref::rawSample(image, *format, y, x); }
};

// Samples mostly within the depth, some at the white point and, where the
// storage holds them, some above it; random bytes between the rows.
inline Frame randomFrame(const InputFormat& f, int32_t height, int32_t width, int32_t padding, std::mt19937& rng,
                         size_t offset = 0) {
    Frame frame(f, height, width, padding, offset);
    for (auto& b : frame.bytes) b = uint8_t(rng());
    const int white = picref::whitePoint(f);
    const int storageMax = f.storage == picref::Storage::Bits16 ? 65535 : white;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t pick = rng() % 20;
            int v = int(rng() % (uint32_t(white) + 1));
            if (pick == 0) v = white;
            if (pick == 1 && storageMax > white) v = white + 1 + int(rng() % uint32_t(storageMax - white));
            frame.set(y, x, v);
        }
    }
    return frame;
}

// A shading table of either mode for a height x width frame: random gains
// around 1 (some 0 and some at the top of the field), random offsets.
inline std::vector<uint32_t> randomTable(uint32_t mode, int32_t height, int32_t width, std::mt19937& rng) {
    const size_t words = mode == 1 ? size_t(height) * width : size_t(height / 2) * (width / 2);
    std::vector<uint32_t> table = {mode, uint32_t(height), uint32_t(width)};
    for (size_t i = 0; i < words; ++i) {
        uint32_t gain = 0x10000 + rng() % 0x20000;  // 0.5 .. 1.5
        uint32_t offset = rng() % 400;
        switch (rng() % 16) {
            case 0: gain = 0; break;
            case 1: gain = 0xFFFFF; break;
            case 2: offset = 0xFFF; break;
            default: break;
        }
        table.push_back(gain << 12 | offset);
    }
    return table;
}

inline float uniform(std::mt19937& rng, float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
}

// Valid random settings for frames of format f: black up to an eighth of the
// white point per tile position, gains 0.25..4 with the odd extreme, a full
// matrix, any curve (gamma from a few values, the ends of its range too).
// The table pointer is left to the caller.
inline TavPipeline randomPipeline(const InputFormat& f, std::mt19937& rng) {
    TavPipeline p;
    EXPECT_EQ(tavPipelineInit(&p), TAV_OK);
    const int white = picref::whitePoint(f);
    for (int& black : p.blackLevel) black = rng() % 4 == 0 ? 0 : int(rng() % uint32_t(white / 8 + 1));
    for (float& gain : p.whiteBalance) {
        gain = uniform(rng, 0.25f, 4.0f);
        if (rng() % 12 == 0) gain = rng() % 2 ? 64.0f : 0.001f;
    }
    for (int i = 0; i < 9; ++i) {
        p.colorMatrix[i] = i % 4 == 0 ? uniform(rng, 0.5f, 2.0f) : uniform(rng, -1.0f, 1.0f);
        if (rng() % 40 == 0) p.colorMatrix[i] = rng() % 2 ? 16.0f : -16.0f;
    }
    p.curve = int32_t(rng() % 3);
    const float gammas[] = {0.1f, 0.45f, 1.0f, 1.8f, 2.2f, 2.4f, 3.7f, 10.0f};
    p.gamma = gammas[rng() % 8];
    p.shadingTable = nullptr;
    return p;
}

// The realistic settings of a 12-bit camera: black 64, daylight gains, a
// colour matrix with rows summing to 1, sRGB.
inline TavPipeline cameraPipeline() {
    TavPipeline p;
    EXPECT_EQ(tavPipelineInit(&p), TAV_OK);
    for (int& black : p.blackLevel) black = 64;
    p.whiteBalance[0] = 2.0f, p.whiteBalance[1] = 1.0f, p.whiteBalance[2] = 1.6f;
    const float matrix[9] = {1.72f, -0.56f, -0.16f, -0.21f, 1.45f, -0.24f, 0.03f, -0.52f, 1.49f};
    std::memcpy(p.colorMatrix, matrix, sizeof matrix);
    p.curve = TAV_CURVE_SRGB;
    return p;
}

// A context with a thread count; every frame may use the threads (no
// minimum output size), so small test frames are split into bands too.
struct Context {
    TavContext* handle = nullptr;
    explicit Context(int32_t threads = 1) {
        EXPECT_EQ(tavCreate(&handle), TAV_OK);
        EXPECT_EQ(tavDemosaicSetThreads(handle, threads), TAV_OK);
        tav::setMinThreadedOutput(handle, 0);
    }
    ~Context() { tavRelease(&handle); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    void setPipeline(const TavPipeline* p) { ASSERT_EQ(tavDemosaicSetPipeline(handle, p), TAV_OK); }
    void setOutput(int64_t outputType) {
        const TavDemosaicConfig config = {outputType};
        ASSERT_EQ(tavDemosaicSetConfig(handle, &config), TAV_OK);
    }
    TavFrameStats stats() const {
        TavFrameStats s;
        std::memset(&s, 0xEE, sizeof s);
        EXPECT_EQ(tavDemosaicGetStats(handle, &s), TAV_OK);
        return s;
    }
};

// One conversion into a guarded buffer of the output's size.
struct Conversion {
    TavStatus status = TAV_OK;
    std::string printed;
    std::vector<uint8_t> bytes;
    bool guardsIntact = false;
    bool inputUntouched = false;
    TavImage output = {-1, -1, -1, nullptr, -1};
};

inline Conversion convert(Context& context, Frame& frame, int32_t method, int64_t outputType) {
    Conversion c;
    context.setOutput(outputType);
    const size_t size = size_t(frame.image.height) * frame.image.width * picref::bytesPerPixel(outputType);
    tavtest::GuardedBuffer out(size, 0xCD);
    const std::vector<uint8_t> before = frame.bytes;
    c.output.data = out.data();
    c.printed = tavtest::captureStdout([&] { c.status = tavDemosaicing(context.handle, &frame.image, method, &c.output); });
    c.bytes = out.contents();
    c.guardsIntact = out.intact();
    c.inputUntouched = frame.bytes == before;
    return c;
}

inline bool sameStats(const TavFrameStats& a, const TavFrameStats& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline std::string describe(const TavFrameStats& s) {
    std::string text = "sum " + std::to_string(s.sum[0]) + " " + std::to_string(s.sum[1]) + " " +
                       std::to_string(s.sum[2]) + " tiles " + std::to_string(s.tiles) + " saturated " +
                       std::to_string(s.saturated) + " histogram";
    for (uint32_t h : s.histogram) text += " " + std::to_string(h);
    return text;
}

// Where two outputs first differ, as "byte i (pixel y, x, channel c): a vs b".
inline std::string firstDifference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want, int32_t height,
                                   int32_t width, int64_t outputType) {
    if (got.size() != want.size()) return "sizes " + std::to_string(got.size()) + " vs " + std::to_string(want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i] == want[i]) continue;
        const size_t n = size_t(height) * width;
        const bool planar = outputType == TAV_PIXEL_RGB8_PLANAR || outputType == TAV_PIXEL_BGR8_PLANAR;
        const int bpp = picref::bytesPerPixel(outputType);
        const size_t pixel = planar ? i % n : i / bpp;
        const size_t channel = planar ? i / n : i % bpp;
        return "byte " + std::to_string(i) + " (y " + std::to_string(pixel / width) + ", x " +
               std::to_string(pixel % width) + ", channel " + std::to_string(channel) + "): library " +
               std::to_string(got[i]) + ", reference " + std::to_string(want[i]);
    }
    return "none";
}

}  // namespace pictest

#endif

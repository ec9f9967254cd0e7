// Deterministic test frames and shared helpers for the benchmarks.
#ifndef TAV_BENCH_FRAMES_H
#define TAV_BENCH_FRAMES_H

#include <benchmark/benchmark.h>

#include <stdint.h>

#include <vector>

namespace tavbench {

struct FrameSize {
    int width;
    int height;
};

// The frame sizes every family measures: full HD and a 12-megapixel sensor.
static const FrameSize kFrameSizes[] = {{1920, 1080}, {4096, 3000}};

// Small xorshift generator: the same frames on every machine and every run.
class FrameRandom {
public:
    explicit FrameRandom(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

private:
    uint32_t state_;
};

// A sample of a plausible scene at (x, y) with `bits` bits: smooth gradients
// plus a little noise, so that branches and caches see realistic data.
inline uint32_t sceneSample(int x, int y, int width, int height, int bits, FrameRandom& rng) {
    const uint32_t maxValue = (1u << bits) - 1u;
    const uint32_t ramp = (uint32_t)(((uint64_t)x * 3 + (uint64_t)y * 2) * maxValue /
                                     (uint64_t)(3 * width + 2 * height));
    const uint32_t noise = rng.next() & (maxValue >> 4);
    const uint32_t value = ramp + noise;
    return value > maxValue ? maxValue : value;
}

// 8-bit samples, tightly packed rows (stride = width).
inline std::vector<uint8_t> makeFrame8(int width, int height, uint32_t seed = 1) {
    std::vector<uint8_t> frame((size_t)width * height);
    FrameRandom rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame[(size_t)y * width + x] = (uint8_t)sceneSample(x, y, width, height, 8, rng);
    return frame;
}

// 16-bit little-endian words holding `bits`-bit samples, tightly packed rows
// (stride = 2 * width bytes).
inline std::vector<uint8_t> makeFrame16(int width, int height, int bits, uint32_t seed = 1) {
    std::vector<uint8_t> frame((size_t)width * height * 2);
    FrameRandom rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t v = sceneSample(x, y, width, height, bits, rng);
            const size_t at = ((size_t)y * width + x) * 2;
            frame[at] = (uint8_t)v;
            frame[at + 1] = (uint8_t)(v >> 8);
        }
    return frame;
}

// GigE Vision 12-bit packed samples: two samples in three bytes, rows of
// width + width / 2 bytes (width even).
inline std::vector<uint8_t> makeFramePacked12(int width, int height, uint32_t seed = 1) {
    const size_t lineBytes = (size_t)width + width / 2;
    std::vector<uint8_t> frame(lineBytes * height);
    FrameRandom rng(seed);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &frame[y * lineBytes];
        for (int x = 0; x + 1 < width; x += 2) {
            const uint32_t a = sceneSample(x, y, width, height, 12, rng);
            const uint32_t b = sceneSample(x + 1, y, width, height, 12, rng);
            uint8_t* group = row + (x / 2) * 3;
            group[0] = (uint8_t)(a >> 4);
            group[1] = (uint8_t)((a & 0xF) | ((b & 0xF) << 4));
            group[2] = (uint8_t)(b >> 4);
        }
    }
    return frame;
}

// Sets the shared throughput counter; the table in bench_main pairs runs by it.
inline void setPixelRate(benchmark::State& state, int64_t pixelsPerIteration) {
    state.counters["Mpix/s"] = benchmark::Counter(
        double(pixelsPerIteration) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace tavbench

#endif

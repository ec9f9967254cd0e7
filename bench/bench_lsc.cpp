// tavLSCorrection throughput on 8- and 12-bit frames with per-pixel and
// per-2x2 tables, against a memcpy-based reference that moves exactly the
// bytes the correction moves: the frame read and written (memcpy) and the
// table read once, never written (the ceiling of any per-sample pass). The
// ratio to read is tav / memcpy of the same row.
#include "bench_frames.h"

#include "tavcore.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const tavbench::FrameSize kSize = {4096, 3000};

// A plausible table: gains between 1.0 and 1.5 rising towards the corners,
// dark offsets around 64 on the 12-bit scale.
std::vector<uint32_t> makeTable(uint32_t mode, int width, int height) {
    std::vector<uint32_t> table = {mode, (uint32_t)height, (uint32_t)width};
    const int rows = mode == 1 ? height : height / 2;
    const int cols = mode == 1 ? width : width / 2;
    tavbench::FrameRandom rng(7);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            const uint32_t edge = (uint32_t)((abs(2 * x - cols) + abs(2 * y - rows)) * 0x10000LL / (cols + rows));
            const uint32_t gain = 0x20000u + edge;
            table.push_back((gain << 12) | (56u + (rng.next() & 15u)));
        }
    return table;
}

std::vector<uint8_t> makeFrame(int depth) {
    return depth == 8 ? tavbench::makeFrame8(kSize.width, kSize.height)
                      : tavbench::makeFrame16(kSize.width, kSize.height, depth);
}

void benchTav(benchmark::State& state, uint32_t mode, int depth) {
    std::vector<uint8_t> src = makeFrame(depth);
    std::vector<uint8_t> dst(src.size());
    std::vector<uint32_t> table = makeTable(mode, kSize.width, kSize.height);
    const int32_t type = depth == 8 ? TAV_PIXEL_BAYER_RG8 : TAV_PIXEL_BAYER_RG12;
    TavImage input = {kSize.height, kSize.width, type, src.data(), 0};
    TavImage output = {kSize.height, kSize.width, type, dst.data(), 0};
    for (auto _ : state) {
        if (tavLSCorrection(&input, &output, table.data()) != TAV_OK) {
            state.SkipWithError("tavLSCorrection failed");
            break;
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)kSize.width * kSize.height);
}

// Reads every table word once and writes nothing back to memory: the table
// goes through memcpy, 16 KiB at a time, into one scratch block that stays in
// the first-level cache. A read loop of our own would be slower than the
// library's tuned copy and flatter the correction.
constexpr size_t kScratchBytes = 16384;

void readAll(const std::vector<uint32_t>& table, uint8_t* scratch) {
    const uint8_t* at = reinterpret_cast<const uint8_t*>(table.data());
    const size_t bytes = table.size() * sizeof(uint32_t);
    for (size_t i = 0; i < bytes; i += kScratchBytes) {
        memcpy(scratch, at + i, bytes - i < kScratchBytes ? bytes - i : kScratchBytes);
        benchmark::DoNotOptimize(scratch);
        benchmark::ClobberMemory();
    }
}

void benchMemcpy(benchmark::State& state, uint32_t mode, int depth) {
    std::vector<uint8_t> src = makeFrame(depth);
    std::vector<uint8_t> dst(src.size());
    const std::vector<uint32_t> table = makeTable(mode, kSize.width, kSize.height);
    std::vector<uint8_t> scratch(kScratchBytes);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        readAll(table, scratch.data());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)kSize.width * kSize.height);
}

struct Registrar {
    Registrar() {
        for (uint32_t mode : {0u, 1u})
            for (int depth : {8, 12}) {
                char name[64];
                snprintf(name, sizeof name, "lsc/%s/%dbit/%dx%d", mode == 1 ? "pixel" : "2x2", depth,
                         kSize.width, kSize.height);
                benchmark::RegisterBenchmark((std::string(name) + "/tav").c_str(), benchTav, mode, depth)
                    ->Unit(benchmark::kMillisecond);
                benchmark::RegisterBenchmark((std::string(name) + "/memcpy").c_str(), benchMemcpy, mode, depth)
                    ->Unit(benchmark::kMillisecond);
            }
    }
};

const Registrar registrar;

}  // namespace

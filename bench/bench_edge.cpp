// Edge-directed demosaicing (method 2) through tavDemosaicing on BayerRG8
// frames into BGR8, BGRA8, planar and Mono8, against OpenCV's edge-aware
// Bayer conversion on the same frames, single-threaded. OpenCV's edge-aware
// conversion produces only BGR/RGB, so every case is paired with the same
// BayerBG2BGR_EA run (PFNC BayerRG is OpenCV's BayerBG).
#include "bench_frames.h"

#include "tavcore.h"

#if defined(TAV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <stdio.h>

#include <string>
#include <vector>

namespace {

using tavbench::FrameSize;

struct EdgeOutput {
    TavPixelType code;
    int bytesPerPixel;
    const char* name;
};

const EdgeOutput kEdgeOutputs[] = {{TAV_PIXEL_BGR8, 3, "BGR8"},
                                   {TAV_PIXEL_BGRA8, 4, "BGRA8"},
                                   {TAV_PIXEL_BGR8_PLANAR, 3, "BGR8_Planar"},
                                   {TAV_PIXEL_MONO8, 1, "Mono8"}};

void benchEdgeTav(benchmark::State& state, FrameSize size, EdgeOutput output) {
    std::vector<uint8_t> frame = tavbench::makeFrame8(size.width, size.height);
    std::vector<uint8_t> dst((size_t)size.width * size.height * output.bytesPerPixel);
    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) {
        state.SkipWithError("tavCreate failed");
        return;
    }
    const TavDemosaicConfig config = {output.code};
    tavDemosaicSetConfig(context, &config);
    TavImage in = {size.height, size.width, TAV_PIXEL_BAYER_RG8, frame.data(), size.width};
    TavImage out = {0, 0, 0, dst.data(), 0};
    for (auto _ : state) {
        const TavStatus status = tavDemosaicing(context, &in, TAV_METHOD_EDGE, &out);
        if (status != TAV_OK) {
            char message[64];
            snprintf(message, sizeof message, "status %d", (int)status);
            state.SkipWithError(message);
            break;
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    tavRelease(&context);
    tavbench::setPixelRate(state, (int64_t)size.width * size.height);
}

#if defined(TAV_HAVE_OPENCV)
void benchEdgeOpenCv(benchmark::State& state, FrameSize size) {
    std::vector<uint8_t> frame = tavbench::makeFrame8(size.width, size.height);
    const cv::Mat src(size.height, size.width, CV_8UC1, (void*)frame.data());
    cv::Mat dst;
    cv::setNumThreads(1);
    cv::cvtColor(src, dst, cv::COLOR_BayerBG2BGR_EA);  // allocate outside the timed loop
    for (auto _ : state) {
        cv::cvtColor(src, dst, cv::COLOR_BayerBG2BGR_EA);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)size.width * size.height);
}
#endif

struct EdgeRegistrar {
    EdgeRegistrar() {
        for (const FrameSize& size : tavbench::kFrameSizes) {
            for (const EdgeOutput& output : kEdgeOutputs) {
                char name[96];
                snprintf(name, sizeof name, "edge/BayerRG8_to_%s/%dx%d", output.name, size.width,
                         size.height);
                const std::string base(name);
                benchmark::RegisterBenchmark((base + "/tav").c_str(), benchEdgeTav, size, output)
                    ->Unit(benchmark::kMillisecond);
#if defined(TAV_HAVE_OPENCV)
                benchmark::RegisterBenchmark((base + "/opencv").c_str(), benchEdgeOpenCv, size)
                    ->Unit(benchmark::kMillisecond);
#endif
            }
        }
    }
};

const EdgeRegistrar edgeRegistrar;

}  // namespace

// Demosaicing throughput of the 8-bit kernels against OpenCV's bilinear
// cv::cvtColor on the same BayerRG8 frames, single-threaded.
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

enum class Output { Bgr8, Bgra8, Planar, Mono8 };

const int32_t kLumaWeights[3] = {77, 150, 29};

int bytesPerPixel(Output output) {
    return output == Output::Bgra8 ? 4 : output == Output::Mono8 ? 1 : 3;
}

const char* outputName(Output output) {
    switch (output) {
        case Output::Bgr8: return "BGR8";
        case Output::Bgra8: return "BGRA8";
        case Output::Planar: return "RGB8_Planar";
        case Output::Mono8: return "Mono8";
    }
    return "?";
}

// One RG-phase demosaic by the given method into the given layout.
int32_t demosaicRg8(int method, const uint8_t* frame, int h, int w, Output output, uint8_t* dst) {
    const size_t n = (size_t)w * h;
    switch (method) {
        case 0:
            switch (output) {
                case Output::Bgr8: return (int32_t)rg8ToBgr8_nearest(frame, h, w, dst, 0);
                case Output::Bgra8: return (int32_t)rg8ToBgra8_nearest(frame, h, w, dst, 0);
                case Output::Planar: return (int32_t)rg8ToBgr8P_nearest(frame, h, w, dst, dst + n, dst + 2 * n);
                case Output::Mono8: return (int32_t)rg8ToMono8_nearest(frame, h, w, dst, 0);
            }
            break;
        case 1:
            switch (output) {
                case Output::Bgr8: return rg8ToBgr8_bilinear(frame, h, w, dst);
                case Output::Bgra8: return rg8ToBgra8_bilinear(frame, h, w, dst);
                case Output::Planar: return rg8ToBgr8P_bilinear(frame, h, w, dst, dst + n, dst + 2 * n);
                case Output::Mono8: return rg8ToMono8_bilinear(frame, h, w, kLumaWeights, dst);
            }
            break;
        case 2: {
            static std::vector<uint8_t> line;
            line.resize((size_t)w + 64);
            switch (output) {
                case Output::Bgr8: return rg8ToBgr8_edge(frame, h, w, dst, 0);
                case Output::Bgra8: return rg8ToBgra8_edge(frame, h, w, dst, 0);
                case Output::Planar: return rg8ToBgr8P_edge(frame, h, w, dst, dst + n, dst + 2 * n, line.data());
                case Output::Mono8: return rg8ToMono8_edge(frame, h, w, dst, 0, line.data());
            }
            break;
        }
    }
    return TAV_E_UNSUPPORTED;
}

void benchTav(benchmark::State& state, int method, FrameSize size, Output output) {
    const std::vector<uint8_t> frame = tavbench::makeFrame8(size.width, size.height);
    std::vector<uint8_t> dst((size_t)size.width * size.height * bytesPerPixel(output));
    for (auto _ : state) {
        const int32_t status = demosaicRg8(method, frame.data(), size.height, size.width, output, dst.data());
        if (status != 0) {
            char message[64];
            snprintf(message, sizeof message, "status %d", (int)status);
            state.SkipWithError(message);
            break;
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)size.width * size.height);
}

#if defined(TAV_HAVE_OPENCV)
// OpenCV names Bayer patterns by the second row: PFNC BayerRG is its BayerBG.
void benchOpenCv(benchmark::State& state, FrameSize size, int code) {
    const std::vector<uint8_t> frame = tavbench::makeFrame8(size.width, size.height);
    const cv::Mat src(size.height, size.width, CV_8UC1, (void*)frame.data());
    cv::Mat dst;
    cv::cvtColor(src, dst, code);  // allocate once, outside the timed loop
    for (auto _ : state) {
        cv::cvtColor(src, dst, code);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)size.width * size.height);
}
#endif

std::string caseName(int method, Output output, FrameSize size) {
    char name[96];
    snprintf(name, sizeof name, "m%d/BayerRG8_to_%s/%dx%d", method, outputName(output), size.width,
             size.height);
    return name;
}

struct Registrar {
    Registrar() {
        const Output outputs[] = {Output::Bgr8, Output::Bgra8, Output::Planar, Output::Mono8};
        for (const FrameSize& size : tavbench::kFrameSizes) {
            for (int method = 0; method <= 2; ++method) {
                for (Output output : outputs) {
                    const std::string name = caseName(method, output, size);
                    benchmark::RegisterBenchmark((name + "/tav").c_str(), benchTav, method, size, output)
                        ->Unit(benchmark::kMillisecond);
#if defined(TAV_HAVE_OPENCV)
                    if (method != 1 || output == Output::Planar) continue;
                    const int code = output == Output::Bgr8    ? cv::COLOR_BayerBG2BGR
                                     : output == Output::Bgra8 ? cv::COLOR_BayerBG2BGRA
                                                               : cv::COLOR_BayerBG2GRAY;
                    benchmark::RegisterBenchmark((name + "/opencv").c_str(), benchOpenCv, size, code)
                        ->Unit(benchmark::kMillisecond);
#endif
                }
            }
        }
    }
};

const Registrar registrar;

}  // namespace

// tavDemosaicing throughput for each method and output layout on BayerRG
// frames, single-threaded, against OpenCV's cv::cvtColor on the same frames:
// bilinear against its bilinear Bayer conversion, edge-directed against its
// edge-aware one. OpenCV's edge-aware conversion produces only BGR/RGB, so
// every edge-directed 8-bit case is paired with the same BayerBG2BGR_EA run.
// Nearest BGR8 is paired with OpenCV's bilinear conversion.
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

enum class Input { Rg8, Rg12, Rg12Packed };

struct OutputKind {
    TavPixelType code;
    int bytesPerPixel;
    const char* name;
};

const OutputKind kBgr8 = {TAV_PIXEL_BGR8, 3, "BGR8"};
const OutputKind kBgra8 = {TAV_PIXEL_BGRA8, 4, "BGRA8"};
const OutputKind kPlanar = {TAV_PIXEL_RGB8_PLANAR, 3, "RGB8_Planar"};
const OutputKind kMono8 = {TAV_PIXEL_MONO8, 1, "Mono8"};

struct InputFrame {
    std::vector<uint8_t> bytes;
    int32_t pixelType;
    int32_t lineBytes;
    const char* name;
};

InputFrame makeInput(Input input, FrameSize size) {
    switch (input) {
        case Input::Rg12:
            return {tavbench::makeFrame16(size.width, size.height, 12), TAV_PIXEL_BAYER_RG12,
                    size.width * 2, "BayerRG12"};
        case Input::Rg12Packed:
            return {tavbench::makeFramePacked12(size.width, size.height), TAV_PIXEL_BAYER_RG12_PACKED,
                    size.width + size.width / 2, "BayerRG12Packed"};
        case Input::Rg8:
            break;
    }
    return {tavbench::makeFrame8(size.width, size.height), TAV_PIXEL_BAYER_RG8, size.width,
            "BayerRG8"};
}

void benchTav(benchmark::State& state, int method, FrameSize size, Input inputKind,
              OutputKind output) {
    InputFrame frame = makeInput(inputKind, size);
    std::vector<uint8_t> dst((size_t)size.width * size.height * output.bytesPerPixel);
    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) {
        state.SkipWithError("tavCreate failed");
        return;
    }
    const TavDemosaicConfig config = {output.code};
    tavDemosaicSetConfig(context, &config);
    TavImage in = {size.height, size.width, frame.pixelType, frame.bytes.data(), frame.lineBytes};
    TavImage out = {0, 0, 0, dst.data(), 0};
    for (auto _ : state) {
        const TavStatus status = tavDemosaicing(context, &in, method, &out);
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
// OpenCV names Bayer patterns by the second row: PFNC BayerRG is its BayerBG.
// 12-bit input is first scaled to 8 bits, as an OpenCV user would do it.
void benchOpenCv(benchmark::State& state, FrameSize size, Input inputKind, int code) {
    InputFrame frame = makeInput(inputKind, size);
    const bool wide = inputKind == Input::Rg12;
    const cv::Mat src(size.height, size.width, wide ? CV_16UC1 : CV_8UC1, (void*)frame.bytes.data());
    cv::Mat narrow, dst;
    auto once = [&] {
        if (wide) {
            src.convertTo(narrow, CV_8U, 1.0 / 16);
            cv::cvtColor(narrow, dst, code);
        } else {
            cv::cvtColor(src, dst, code);
        }
    };
    once();  // allocate outside the timed loop
    for (auto _ : state) {
        once();
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)size.width * size.height);
}
#endif

std::string caseName(int method, const char* input, const OutputKind& output, FrameSize size) {
    char name[96];
    snprintf(name, sizeof name, "m%d/%s_to_%s/%dx%d", method, input, output.name, size.width,
             size.height);
    return name;
}

void registerCase(int method, Input input, const OutputKind& output, FrameSize size) {
    const std::string name = caseName(method, makeInput(input, {4, 4}).name, output, size);
    benchmark::RegisterBenchmark((name + "/tav").c_str(), benchTav, method, size, input, output)
        ->Unit(benchmark::kMillisecond);
#if defined(TAV_HAVE_OPENCV)
    // Bilinear: Bayer to BGR, BGRA and grey; edge-aware: Bayer to BGR only.
    // Nothing for packed input.
    if (input == Input::Rg12Packed) return;
    int code = -1;
    if (method == 0 && input == Input::Rg8 && output.code == TAV_PIXEL_BGR8) {
        // Nearest has no OpenCV counterpart: its bilinear conversion is the bar.
        code = cv::COLOR_BayerBG2BGR;
    } else if (method == 1) {
        if (output.code == TAV_PIXEL_BGR8) code = cv::COLOR_BayerBG2BGR;
        if (output.code == TAV_PIXEL_BGRA8) code = cv::COLOR_BayerBG2BGRA;
        if (output.code == TAV_PIXEL_MONO8) code = cv::COLOR_BayerBG2GRAY;
    } else if (method == 2 && (input == Input::Rg8 || output.code == TAV_PIXEL_BGR8)) {
        code = cv::COLOR_BayerBG2BGR_EA;
    }
    if (code < 0) return;
    benchmark::RegisterBenchmark((name + "/opencv").c_str(), benchOpenCv, size, input, code)
        ->Unit(benchmark::kMillisecond);
#endif
}

struct Registrar {
    Registrar() {
        for (const FrameSize& size : tavbench::kFrameSizes) {
            for (int method = 0; method <= 2; ++method)
                for (const OutputKind& output : {kBgr8, kBgra8, kPlanar, kMono8})
                    registerCase(method, Input::Rg8, output, size);
            for (int method = 0; method <= 2; ++method) {
                registerCase(method, Input::Rg12, kBgr8, size);
                registerCase(method, Input::Rg12Packed, kBgr8, size);
            }
        }
    }
};

const Registrar registrar;

}  // namespace

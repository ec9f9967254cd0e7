// tavDemosaicing on 1, 2 and all online processors (tavDemosaicSetThreads)
// beside OpenCV's cv::cvtColor with the same number of threads
// (cv::setNumThreads), 4096x3000, measured in wall-clock time. Bilinear is
// paired with OpenCV's bilinear conversion of the same output, nearest with
// OpenCV's bilinear BGR, edge-directed with its edge-aware BGR. BayerRG12 and
// BayerRG12Packed runs show what unpacking costs next to BayerRG8. The
// hq_vs_edge runs put the high-quality method beside the edge-directed one.
#include "bench_frames.h"

#include "tavcore.h"

#if defined(TAV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using tavbench::FrameSize;

const FrameSize kSize = {4096, 3000};

struct Output {
    TavPixelType code;
    int bytesPerPixel;
    const char* name;
};

const Output kBgr8 = {TAV_PIXEL_BGR8, 3, "BGR8"};
const Output kBgra8 = {TAV_PIXEL_BGRA8, 4, "BGRA8"};
const Output kPlanar = {TAV_PIXEL_RGB8_PLANAR, 3, "RGB8_Planar"};
const Output kMono8 = {TAV_PIXEL_MONO8, 1, "Mono8"};

struct Input {
    int32_t pixelType;
    const char* name;
};

const Input kRg8 = {TAV_PIXEL_BAYER_RG8, "BayerRG8"};
const Input kRg12 = {TAV_PIXEL_BAYER_RG12, "BayerRG12"};
const Input kRg12Packed = {TAV_PIXEL_BAYER_RG12_PACKED, "BayerRG12Packed"};

// Threads of a run: 0 stands for every online processor on both sides.
int threadsOf(int threads) {
    if (threads != 0) return threads;
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online < 1 ? 1 : (int)online;
}

std::vector<uint8_t> frameOf(const Input& input, int32_t* lineBytes) {
    if (input.pixelType == TAV_PIXEL_BAYER_RG12) {
        *lineBytes = kSize.width * 2;
        return tavbench::makeFrame16(kSize.width, kSize.height, 12);
    }
    if (input.pixelType == TAV_PIXEL_BAYER_RG12_PACKED) {
        *lineBytes = kSize.width + kSize.width / 2;
        return tavbench::makeFramePacked12(kSize.width, kSize.height);
    }
    *lineBytes = kSize.width;
    return tavbench::makeFrame8(kSize.width, kSize.height);
}

void benchTav(benchmark::State& state, int threads, int method, Input input, Output output) {
    int32_t lineBytes = 0;
    std::vector<uint8_t> frame = frameOf(input, &lineBytes);
    std::vector<uint8_t> dst((size_t)kSize.width * kSize.height * output.bytesPerPixel);
    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) {
        state.SkipWithError("tavCreate failed");
        return;
    }
    const TavDemosaicConfig config = {output.code};
    tavDemosaicSetConfig(context, &config);
    tavDemosaicSetThreads(context, threadsOf(threads));
    TavImage in = {kSize.height, kSize.width, input.pixelType, frame.data(), lineBytes};
    TavImage out = {0, 0, 0, dst.data(), 0};
    tavDemosaicing(context, &in, method, &out);  // workers start outside the timed loop
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
    tavbench::setPixelRate(state, (int64_t)kSize.width * kSize.height);
}

#if defined(TAV_HAVE_OPENCV)
// OpenCV names Bayer patterns by the second row: PFNC BayerRG is its BayerBG.
// 12-bit input is scaled to 8 bits first, as an OpenCV user would do it.
void benchOpenCv(benchmark::State& state, int threads, Input input, int code) {
    int32_t lineBytes = 0;
    std::vector<uint8_t> frame = frameOf(input, &lineBytes);
    const bool wide = input.pixelType == TAV_PIXEL_BAYER_RG12;
    const cv::Mat src(kSize.height, kSize.width, wide ? CV_16UC1 : CV_8UC1, (void*)frame.data());
    cv::Mat narrow, dst;
    cv::setNumThreads(threadsOf(threads));
    auto once = [&] {
        if (wide) {
            src.convertTo(narrow, CV_8U, 1.0 / 16);
            cv::cvtColor(narrow, dst, code);
        } else {
            cv::cvtColor(src, dst, code);
        }
    };
    once();  // allocate and start threads outside the timed loop
    for (auto _ : state) {
        once();
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    cv::setNumThreads(1);  // the other families compare single-threaded
    tavbench::setPixelRate(state, (int64_t)kSize.width * kSize.height);
}

int openCvCode(int method, const Output& output) {
    if (method == 2) return cv::COLOR_BayerBG2BGR_EA;  // every edge output, as in bench_demosaic
    if (output.code == TAV_PIXEL_BGR8) return cv::COLOR_BayerBG2BGR;
    if (output.code == TAV_PIXEL_BGRA8) return cv::COLOR_BayerBG2BGRA;
    if (output.code == TAV_PIXEL_MONO8) return cv::COLOR_BayerBG2GRAY;
    return -1;
}
#endif

void registerCase(int threads, int method, const Input& input, const Output& output) {
    char name[128];
    snprintf(name, sizeof name, "threads/%s/m%d/%s_to_%s/%dx%d", threads == 0 ? "all" : (threads == 1 ? "1" : "2"),
             method, input.name, output.name, kSize.width, kSize.height);
    const std::string base = name;
    benchmark::RegisterBenchmark((base + "/tav").c_str(), benchTav, threads, method, input, output)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
#if defined(TAV_HAVE_OPENCV)
    if (input.pixelType == TAV_PIXEL_BAYER_RG12_PACKED) return;
    const int code = openCvCode(method, output);
    if (code < 0) return;
    benchmark::RegisterBenchmark((base + "/opencv").c_str(), benchOpenCv, threads, input, code)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
#endif
}

// Case by case, the three thread counts one after the other, so that the
// scaling of a case is measured over a short stretch of time on a machine
// whose load changes.
struct Registrar {
    Registrar() {
        for (int method = 0; method <= 2; ++method) {
            for (const Output& output : {kBgr8, kBgra8, kPlanar, kMono8}) {
                for (int threads : {1, 2, 0}) registerCase(threads, method, kRg8, output);
            }
            for (const Input& input : {kRg12, kRg12Packed}) {
                for (int threads : {1, 2, 0}) registerCase(threads, method, input, kBgr8);
            }
        }
        // The high-quality method beside the edge-directed one, same frame,
        // output and threads: the table's ratio is hq's speed over edge's.
        for (int threads : {1, 2}) {
            char name[128];
            snprintf(name, sizeof name, "hq_vs_edge/threads%d/%s_to_%s/%dx%d", threads, kRg8.name, kBgr8.name,
                     kSize.width, kSize.height);
            const std::string base = name;
            benchmark::RegisterBenchmark((base + "/tav").c_str(), benchTav, threads, TAV_METHOD_HQ, kRg8, kBgr8)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark((base + "/edge").c_str(), benchTav, threads, TAV_METHOD_EDGE, kRg8, kBgr8)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
};

const Registrar registrar;

}  // namespace

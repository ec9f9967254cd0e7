// The picture pipeline (black level, white balance, colour matrix, sRGB
// curve fused into tavDemosaicing), 4096x3000, beside what it replaces:
//   pipeline/...         the library against the by-hand OpenCV chain that
//                        gives the same kind of picture (cvtColor on the
//                        16-bit mosaic, convertTo float with the black level,
//                        multiply by the gains, transform with the matrix,
//                        convertTo 8-bit, LUT for the curve), its buffers
//                        reused between frames;
//   pipeline_cost/...    the same conversion with and without a pipeline;
//   pipeline_stats/...   with and without gathering the frame statistics
//                        (the internal hook that leaves them out);
//   pipeline_threads/... two threads against one, in wall-clock time.
// The library reads the packed frame; the OpenCV chain is handed the 16-bit
// mosaic of the same samples, so its unpacking is not timed.
#include "bench_frames.h"

#include "tavcore.h"

#if defined(TAV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <math.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "picture/pictureFrame.h"

namespace {

const tavbench::FrameSize kSize = {4096, 3000};
const int64_t kPixels = (int64_t)kSize.width * kSize.height;

// A camera-like setting: green twice as sensitive as red, every matrix entry
// non-zero (no stage can be skipped), rows summing to 1 so grey stays grey.
const int32_t kBlackLevel12 = 64;
const float kGains[3] = {2.0f, 1.0f, 1.6f};
const float kMatrix[9] = {1.62f, -0.41f, -0.21f, -0.28f, 1.49f, -0.21f, -0.06f, -0.47f, 1.53f};

struct Case {
    bool packed12;  // BayerRG12Packed to BGRA8, else BayerRG8 to BGR8
    int method;
    const char* name;
};

const Case kPacked12Bilinear = {true, TAV_METHOD_BILINEAR, "BayerRG12Packed_to_BGRA8/bilinear"};
const Case kPacked12Edge = {true, TAV_METHOD_EDGE, "BayerRG12Packed_to_BGRA8/edge"};
const Case kRg8Bilinear = {false, TAV_METHOD_BILINEAR, "BayerRG8_to_BGR8/bilinear"};
const Case kPacked12Hq = {true, TAV_METHOD_HQ, "BayerRG12Packed_to_BGRA8/hq"};
// The high-quality method against the edge-directed one with the same full
// pipeline: one case name, two sides, so the table prints hq / edge speed.
const Case kHqSide = {true, TAV_METHOD_HQ, "pipeline/BayerRG12Packed_to_BGRA8"};
const Case kEdgeSide = {true, TAV_METHOD_EDGE, "pipeline/BayerRG12Packed_to_BGRA8"};

int32_t blackLevelOf(const Case& c) { return c.packed12 ? kBlackLevel12 : 0; }

TavPipeline pipelineOf(const Case& c) {
    TavPipeline pipeline;
    tavPipelineInit(&pipeline);
    for (int32_t& black : pipeline.blackLevel) black = blackLevelOf(c);
    for (int i = 0; i < 3; ++i) pipeline.whiteBalance[i] = kGains[i];
    for (int i = 0; i < 9; ++i) pipeline.colorMatrix[i] = kMatrix[i];
    pipeline.curve = TAV_CURVE_SRGB;
    return pipeline;
}

// What a run of the library sets on its context.
struct TavRun {
    bool pipeline;
    int threads;
    bool statistics;
};

void benchTav(benchmark::State& state, Case c, TavRun run) {
    const int bytesPerPixel = c.packed12 ? 4 : 3;
    std::vector<uint8_t> frame = c.packed12 ? tavbench::makeFramePacked12(kSize.width, kSize.height)
                                            : tavbench::makeFrame8(kSize.width, kSize.height);
    std::vector<uint8_t> dst((size_t)kPixels * bytesPerPixel);
    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) {
        state.SkipWithError("tavCreate failed");
        return;
    }
    const TavDemosaicConfig config = {c.packed12 ? TAV_PIXEL_BGRA8 : TAV_PIXEL_BGR8};
    tavDemosaicSetConfig(context, &config);
    tavDemosaicSetThreads(context, run.threads);
    if (run.pipeline) {
        const TavPipeline pipeline = pipelineOf(c);
        if (tavDemosaicSetPipeline(context, &pipeline) != TAV_OK) {
            state.SkipWithError("tavDemosaicSetPipeline refused the setting");
            tavRelease(&context);
            return;
        }
    }
    tav::setPictureStatisticsOff(context, !run.statistics);
    TavImage in = {kSize.height, kSize.width, c.packed12 ? TAV_PIXEL_BAYER_RG12_PACKED : TAV_PIXEL_BAYER_RG8,
                   frame.data(), c.packed12 ? kSize.width + kSize.width / 2 : kSize.width};
    TavImage out = {0, 0, 0, dst.data(), 0};
    // Workers, the curve and the line memory are set up outside the timed loop.
    TavStatus status = tavDemosaicing(context, &in, c.method, &out);
    for (auto _ : state) {
        if (status != TAV_OK) break;
        status = tavDemosaicing(context, &in, c.method, &out);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    if (status != TAV_OK) {
        char message[64];
        snprintf(message, sizeof message, "status %d", (int)status);
        state.SkipWithError(message);
    }
    tavRelease(&context);
    tavbench::setPixelRate(state, kPixels);
}

#if defined(TAV_HAVE_OPENCV)
double srgbEncode(double linear) {
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * pow(linear, 1.0 / 2.4) - 0.055;
}

// The chain a user writes by hand. OpenCV names Bayer patterns by the second
// row (PFNC BayerRG is its BayerBG) and keeps colours in B, G, R order, so
// the gains and the matrix are turned round to match.
void benchOpenCv(benchmark::State& state, Case c) {
    std::vector<uint8_t> frame = c.packed12 ? tavbench::makeFrame16(kSize.width, kSize.height, 12)
                                            : tavbench::makeFrame8(kSize.width, kSize.height);
    const cv::Mat mosaic(kSize.height, kSize.width, c.packed12 ? CV_16UC1 : CV_8UC1, frame.data());
    const double white = c.packed12 ? 4095.0 : 255.0;
    const double scale = 1.0 / (white - blackLevelOf(c));
    const cv::Scalar gainsBgr(kGains[2], kGains[1], kGains[0]);
    cv::Mat matrixBgr(3, 3, CV_32F);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) matrixBgr.at<float>(2 - row, 2 - col) = kMatrix[row * 3 + col];
    cv::Mat curve(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i) curve.at<uint8_t>(i) = (uint8_t)lround(255.0 * srgbEncode(i / 255.0));
    // OpenCV's best conversion stands in for both of our edge-aware methods.
    const int code = c.method == TAV_METHOD_BILINEAR ? cv::COLOR_BayerBG2BGR : cv::COLOR_BayerBG2BGR_EA;

    cv::Mat colour, linear, matrixed, narrow, picture;
    auto once = [&] {
        cv::cvtColor(mosaic, colour, code);
        colour.convertTo(linear, CV_32F, scale, -blackLevelOf(c) * scale);
        cv::multiply(linear, gainsBgr, linear);
        cv::transform(linear, matrixed, matrixBgr);
        matrixed.convertTo(narrow, CV_8U, 255.0);
        cv::LUT(narrow, curve, picture);
    };
    once();  // allocate outside the timed loop
    for (auto _ : state) {
        once();
        benchmark::DoNotOptimize(picture.data);
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, kPixels);
}
#endif

std::string nameOf(const char* family, const Case& c, const char* side) {
    return std::string(family) + "/" + c.name + "/" + std::to_string(kSize.width) + "x" +
           std::to_string(kSize.height) + "/" + side;
}

void registerTav(const char* family, const Case& c, const char* side, TavRun run, bool realTime = false) {
    benchmark::internal::Benchmark* b =
        benchmark::RegisterBenchmark(nameOf(family, c, side).c_str(), benchTav, c, run)->Unit(benchmark::kMillisecond);
    if (realTime) b->UseRealTime();
}

const TavRun kFull = {true, 1, true};

struct Registrar {
    Registrar() {
        for (const Case& c : {kPacked12Bilinear, kPacked12Edge, kPacked12Hq, kRg8Bilinear}) {
            registerTav("pipeline", c, "tav", kFull);
#if defined(TAV_HAVE_OPENCV)
            benchmark::RegisterBenchmark(nameOf("pipeline", c, "opencv").c_str(), benchOpenCv, c)
                ->Unit(benchmark::kMillisecond);
#endif
        }
        for (const Case& c : {kPacked12Bilinear, kPacked12Edge, kPacked12Hq, kRg8Bilinear}) {
            registerTav("pipeline_cost", c, "tav", kFull);
            registerTav("pipeline_cost", c, "no_pipeline", {false, 1, true});
        }
        registerTav("pipeline_stats", kPacked12Bilinear, "tav", kFull);
        registerTav("pipeline_stats", kPacked12Bilinear, "no_stats", {true, 1, false});
        registerTav("pipeline_threads", kPacked12Bilinear, "tav", {true, 2, true}, true);
        registerTav("pipeline_threads", kPacked12Bilinear, "one_thread", kFull, true);
        registerTav("hq_vs_edge", kHqSide, "tav", kFull);
        registerTav("hq_vs_edge", kEdgeSide, "edge", kFull);
    }
};

const Registrar registrar;

}  // namespace

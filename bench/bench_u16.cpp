// 16-bit demosaicing throughput on 12-bit Bayer frames in 16-bit words:
// the bilinear entry point and the edge-directed RG kernel beside OpenCV's
// 16-bit bilinear and edge-aware cv::cvtColor, single-threaded; the bilinear
// path of the GR, GB and BG orders on the same frame, to read beside RG.
#include "bench_frames.h"

#include "tavcore.h"

#if defined(TAV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <string.h>

#include <string>
#include <vector>

namespace {

const tavbench::FrameSize kSize = {4096, 3000};

std::vector<uint16_t> makeSamples(tavbench::FrameSize size) {
    const std::vector<uint8_t> bytes = tavbench::makeFrame16(size.width, size.height, 12);
    std::vector<uint16_t> samples((size_t)size.width * size.height);
    memcpy(samples.data(), bytes.data(), bytes.size());
    return samples;
}

// order: TAV_BAYER_ORDER_RG (the RG entry points themselves) .. _BG.
void benchBilinear(benchmark::State& state, bool planar, int order) {
    const std::vector<uint16_t> src = makeSamples(kSize);
    const size_t plane = (size_t)kSize.width * kSize.height;
    std::vector<uint16_t> dst(3 * plane);
    for (auto _ : state) {
        TavStatus status;
        if (order == TAV_BAYER_ORDER_RG) {
            status = planar ? tavDemosaicingBilinearU16P(src.data(), kSize.height, kSize.width, dst.data(),
                                                         dst.data() + plane, dst.data() + 2 * plane)
                            : tavDemosaicingBilinearU16(src.data(), kSize.height, kSize.width, dst.data());
        } else {
            status = planar ? tavDemosaicingBilinearU16POrder(src.data(), kSize.height, kSize.width, order,
                                                              dst.data(), dst.data() + plane, dst.data() + 2 * plane)
                            : tavDemosaicingBilinearU16Order(src.data(), kSize.height, kSize.width, order, dst.data());
        }
        if (status != TAV_OK) {
            state.SkipWithError("demosaicing failed");
            break;
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)plane);
}

void benchEdge(benchmark::State& state) {
    const std::vector<uint16_t> src = makeSamples(kSize);
    std::vector<uint16_t> dst(3 * (size_t)kSize.width * kSize.height);
    for (auto _ : state) {
        if (demosaicingEdgeRGGBU16(src.data(), kSize.height, kSize.width, dst.data()) != 0) {
            state.SkipWithError("demosaicing failed");
            break;
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)kSize.width * kSize.height);
}

#if defined(TAV_HAVE_OPENCV)
// OpenCV names Bayer patterns by the second row: PFNC BayerRG is its BayerBG.
void benchOpenCv(benchmark::State& state, int code) {
    cv::setNumThreads(1);
    std::vector<uint16_t> samples = makeSamples(kSize);
    const cv::Mat src(kSize.height, kSize.width, CV_16UC1, samples.data());
    cv::Mat dst;
    cv::cvtColor(src, dst, code);  // allocate outside the timed loop
    for (auto _ : state) {
        cv::cvtColor(src, dst, code);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    tavbench::setPixelRate(state, (int64_t)kSize.width * kSize.height);
}
#endif

struct Registrar {
    Registrar() {
        const std::string size = "/4096x3000";
        const std::string bilinear = "u16_bilinear/BayerRG12_to_BGR16" + size;
        const std::string planar = "u16_bilinear/BayerRG12_to_BGR16_Planar" + size;
        const std::string edge = "u16_edge/BayerRG12_to_BGR16" + size;
        benchmark::RegisterBenchmark((bilinear + "/tav").c_str(), benchBilinear, false, TAV_BAYER_ORDER_RG)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((planar + "/tav").c_str(), benchBilinear, true, TAV_BAYER_ORDER_RG)
            ->Unit(benchmark::kMillisecond);
        const char* orders[] = {"GR", "GB", "BG"};
        for (int order = TAV_BAYER_ORDER_GR; order <= TAV_BAYER_ORDER_BG; ++order) {
            const std::string name = std::string("u16_bilinear/Bayer") + orders[order - 1] + "12_to_BGR16";
            benchmark::RegisterBenchmark((name + size + "/tav").c_str(), benchBilinear, false, order)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((name + "_Planar" + size + "/tav").c_str(), benchBilinear, true, order)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark((edge + "/tav").c_str(), benchEdge)->Unit(benchmark::kMillisecond);
#if defined(TAV_HAVE_OPENCV)
        benchmark::RegisterBenchmark((bilinear + "/opencv").c_str(), benchOpenCv, (int)cv::COLOR_BayerBG2BGR)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((edge + "/opencv").c_str(), benchOpenCv, (int)cv::COLOR_BayerBG2BGR_EA)
            ->Unit(benchmark::kMillisecond);
#endif
    }
};

const Registrar registrar;

}  // namespace

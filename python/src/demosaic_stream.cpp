#include "demosaic_stream.h"

#include <cstring>
#include <utility>

#include "library_call.h"
#include "table_words.h"
#include "tav_demosaic.h"

namespace py = pybind11;

namespace tavpy {

DemosaicStream::~DemosaicStream() {
    if (context_ != nullptr) tavRelease(&context_);
}

std::unique_lock<std::mutex> DemosaicStream::claim() {
    std::unique_lock<std::mutex> lock(busy_, std::try_to_lock);
    if (!lock.owns_lock()) {
        throw std::runtime_error(
            "Demosaicer: in use by another thread; a Demosaicer serves one thread at a time");
    }
    return lock;
}

py::tuple DemosaicStream::open() {
    auto lock = claim();
    if (context_ != nullptr) return py::make_tuple(0, "");
    return callLibrary([&]() -> int32_t { return tavCreate(&context_); });
}

py::tuple DemosaicStream::setThreads(int32_t threads) {
    auto lock = claim();
    return callLibrary([&]() -> int32_t { return tavDemosaicSetThreads(context_, threads); });
}

py::tuple DemosaicStream::setOutput(int64_t outputType) {
    auto lock = claim();
    TavDemosaicConfig config = {outputType};
    return callLibrary([&]() -> int32_t { return tavDemosaicSetConfig(context_, &config); });
}

py::tuple DemosaicStream::setPipeline(const std::array<int32_t, 4>& black, const std::array<float, 3>& whiteBalance,
                                      const std::array<float, 9>& colorMatrix, int32_t curve, float gamma,
                                      const py::object& table) {
    auto lock = claim();
    std::vector<uint32_t> words;
    if (!table.is_none()) {
        const py::array array = py::array::ensure(table);
        if (!array) throw py::type_error("shading: expected an array of table words");
        requireWholeTable(array, "shading");
        const uint32_t* first = static_cast<const uint32_t*>(array.data());
        words.assign(first, first + array.shape(0));
    }
    TavPipeline pipeline;
    tavPipelineInit(&pipeline);
    std::memcpy(pipeline.blackLevel, black.data(), sizeof pipeline.blackLevel);
    std::memcpy(pipeline.whiteBalance, whiteBalance.data(), sizeof pipeline.whiteBalance);
    std::memcpy(pipeline.colorMatrix, colorMatrix.data(), sizeof pipeline.colorMatrix);
    pipeline.curve = curve;
    pipeline.gamma = gamma;
    pipeline.shadingTable = words.empty() ? nullptr : words.data();
    py::tuple result = callLibrary([&]() -> int32_t { return tavDemosaicSetPipeline(context_, &pipeline); });
    // Only an accepted setting replaces the table the context reads; a
    // refused one leaves the old setting and its table in place. Moving the
    // vector keeps its buffer where the context points.
    if (result[0].cast<int32_t>() == TAV_OK) table_ = std::move(words);
    return result;
}

py::tuple DemosaicStream::clearPipeline() {
    auto lock = claim();
    py::tuple result = callLibrary([&]() -> int32_t { return tavDemosaicSetPipeline(context_, nullptr); });
    if (result[0].cast<int32_t>() == TAV_OK) table_.clear();
    return result;
}

py::tuple DemosaicStream::demosaic(const py::array& frame, int32_t height, int32_t width, int32_t lineBytes,
                                   int32_t pixelType, int32_t method, py::array out) {
    auto lock = claim();
    TavImage input = {height, width, pixelType, static_cast<uint8_t*>(const_cast<void*>(frame.data())),
                      lineBytes};
    TavImage output = {0, 0, 0, static_cast<uint8_t*>(out.mutable_data()), 0};
    return callLibrary([&]() -> int32_t { return tavDemosaicing(context_, &input, method, &output); });
}

py::tuple DemosaicStream::stats() {
    auto lock = claim();
    TavFrameStats stats;
    std::memset(&stats, 0, sizeof stats);
    py::tuple result = callLibrary([&]() -> int32_t { return tavDemosaicGetStats(context_, &stats); });
    py::array_t<uint32_t> histogram(64);
    std::memcpy(histogram.mutable_data(), stats.histogram, sizeof stats.histogram);
    py::tuple values = py::make_tuple(stats.sum[0], stats.sum[1], stats.sum[2], stats.tiles, stats.saturated,
                                      histogram);
    return py::make_tuple(result[0], result[1], values);
}

void DemosaicStream::close() {
    auto lock = claim();
    if (context_ == nullptr) return;
    py::gil_scoped_release release;  // joining the workers may take a moment
    tavRelease(&context_);
    table_.clear();
}

}  // namespace tavpy

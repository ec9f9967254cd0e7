// One TavContext kept for a stream of frames (tav.Demosaicer): output type,
// threads and picture pipeline are set on it once and changed between
// frames; its worker threads and work buffer live as long as it does.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "tav_pipeline.h"

namespace tavpy {

class DemosaicStream {
public:
    DemosaicStream() = default;
    ~DemosaicStream();
    DemosaicStream(const DemosaicStream&) = delete;
    DemosaicStream& operator=(const DemosaicStream&) = delete;

    // Each returns (status, diagnostics) of the library call.
    pybind11::tuple open();
    pybind11::tuple setThreads(int32_t threads);
    pybind11::tuple setOutput(int64_t outputType);
    // `table` is None or a uint32 array of table words, copied here: the
    // library reads the table at every frame.
    pybind11::tuple setPipeline(const std::array<int32_t, 4>& black, const std::array<float, 3>& whiteBalance,
                                const std::array<float, 9>& colorMatrix, int32_t curve, float gamma,
                                const pybind11::object& table);
    pybind11::tuple clearPipeline();
    pybind11::tuple demosaic(const pybind11::array& frame, int32_t height, int32_t width, int32_t lineBytes,
                             int32_t pixelType, int32_t method, pybind11::array out);
    // (status, diagnostics, (sum R, sum G, sum B, tiles, saturated, histogram)).
    pybind11::tuple stats();
    // Joins the workers and frees the context; later calls see a null context.
    void close();

private:
    // The context belongs to one thread at a time; a second caller is
    // refused instead of racing the first (the GIL is released meanwhile).
    std::unique_lock<std::mutex> claim();

    TavContext* context_ = nullptr;
    std::vector<uint32_t> table_;  // what the context's pipeline points at
    std::mutex busy_;
};

}  // namespace tavpy

// tav._tav: the library calls behind the `tav` package. The Python layer
// checks and shapes every argument (types, sizes, strides, alignment) and
// allocates the results; these functions only hand the buffers to the
// library with the GIL released and return (status, diagnostics).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <string>
#include <utility>

#include "calibration_checks.h"
#include "demosaic_stream.h"
#include "library_call.h"
#include "table_words.h"
#include "tav_demosaic.h"
#include "tav_ffc.h"
#include "tav_kernels16.h"
#include "tav_lsc.h"

namespace py = pybind11;
using tavpy::callLibrary;

namespace {

uint8_t* bytesOf(const py::array& array) { return static_cast<uint8_t*>(const_cast<void*>(array.data())); }

template <typename T>
T* samplesOf(const py::array& array) {
    return static_cast<T*>(const_cast<void*>(array.data()));
}

// One context per call: nothing is shared between Python threads, and a
// forked child never inherits a context that another process set up.
py::tuple demosaic(const py::array& frame, int32_t height, int32_t width, int32_t lineBytes,
                   int32_t pixelType, int32_t method, int64_t outputType, int32_t threads,
                   const py::array& out) {
    TavImage input = {height, width, pixelType, bytesOf(frame), lineBytes};
    TavImage output = {0, 0, 0, bytesOf(out), 0};
    return callLibrary([&]() -> int32_t {
        TavContext* context = nullptr;
        TavStatus status = tavCreate(&context);
        if (status != TAV_OK) return status;
        status = tavDemosaicSetThreads(context, threads);
        if (status == TAV_OK) {
            TavDemosaicConfig config = {outputType};
            status = tavDemosaicSetConfig(context, &config);
        }
        if (status == TAV_OK) status = tavDemosaicing(context, &input, method, &output);
        tavRelease(&context);
        return status;
    });
}

// order: 0 RG, 1 GR, 2 GB, 3 BG; every order is read straight from the frame.
py::tuple bilinear16(const py::array& frame, int32_t height, int32_t width, int order, bool planar,
                     const py::array& out) {
    const uint16_t* source = samplesOf<uint16_t>(frame);
    uint16_t* destination = samplesOf<uint16_t>(out);
    return callLibrary([&]() -> int32_t {
        if (!planar) return tavDemosaicingBilinearU16Order(source, height, width, order, destination);
        const size_t plane = height > 0 && width > 0 ? size_t(height) * size_t(width) : 0;
        return tavDemosaicingBilinearU16POrder(source, height, width, order, destination, destination + plane,
                                               destination + 2 * plane);
    });
}

// order: 0 RG, 1 GR, 2 GB, 3 BG.
py::tuple edge16(const py::array& frame, int32_t height, int32_t width, int order, const py::array& out) {
    using Kernel = uint32_t (*)(const uint16_t*, int32_t, int32_t, uint16_t*);
    static const Kernel kernels[4] = {demosaicingEdgeRGGBU16, demosaicingEdgeGRBGU16, demosaicingEdgeGBRGU16,
                                      demosaicingEdgeBGGRU16};
    if (order < 0 || order > 3) throw py::value_error("order: index out of range");
    const Kernel kernel = kernels[order];
    const uint16_t* source = samplesOf<uint16_t>(frame);
    uint16_t* destination = samplesOf<uint16_t>(out);
    // The kernels return the bit pattern of a negative status.
    return callLibrary([&]() -> int32_t { return static_cast<int32_t>(kernel(source, height, width, destination)); });
}

py::tuple shadingTable(const py::array& grey, const py::array& dark, int32_t height, int32_t width, uint32_t mode,
                       uint32_t bits, const py::array& table) {
    TavLSCInput input = {mode, bits, width, height, samplesOf<float>(grey), samplesOf<float>(dark)};
    TavLSCTable* words = samplesOf<TavLSCTable>(table);
    return callLibrary([&]() -> int32_t { return tavGetLSCParameter(&input, words); });
}

py::tuple correct(const py::array& frame, const py::array& out, int32_t height, int32_t width, int32_t pixelType,
                  const py::array& table) {
    tavpy::requireWholeTable(table);
    TavImage input = {height, width, pixelType, bytesOf(frame), 0};
    TavImage output = {height, width, pixelType, bytesOf(out), 0};
    const TavLSCTable* words = samplesOf<TavLSCTable>(table);
    return callLibrary([&]() -> int32_t { return tavLSCorrection(&input, &output, words); });
}

py::tuple average(const py::array& sums, uint32_t count, const py::array& out, int32_t divisor) {
    unsigned int* source = samplesOf<unsigned int>(sums);
    float* destination = samplesOf<float>(out);
    return callLibrary([&]() -> int32_t { return averageInput(source, count, destination, divisor); });
}

// The calibration checks of tavraw calibrate, on float32 C-contiguous
// averages; "" when they pass.
std::string averagesProblem(const py::array& average, const std::string& what, int bits) {
    return tavcalibration::averagesProblem(what.c_str(), samplesOf<float>(average), int32_t(average.shape(1)),
                                           int32_t(average.shape(0)), bits);
}

std::string brighterGreyProblem(const py::array& grey, const py::array& dark, const py::object& order) {
    const std::string text = order.is_none() ? std::string() : order.cast<std::string>();
    return tavcalibration::brighterGreyProblem(order.is_none() ? nullptr : text.c_str(), int32_t(grey.shape(1)),
                                               int32_t(grey.shape(0)), samplesOf<float>(grey),
                                               samplesOf<float>(dark));
}

std::string zeroGainProblem(const py::array& table) {
    return tavcalibration::zeroGainProblem(samplesOf<uint32_t>(table), size_t(table.shape(0)));
}

}  // namespace

PYBIND11_MODULE(_tav, m) {
    m.doc() = "Library calls behind the tav package (use the tav package, not this module).";
    m.def("demosaic", &demosaic);
    m.def("bilinear16", &bilinear16);
    m.def("edge16", &edge16);
    m.def("shading_table", &shadingTable);
    m.def("correct", &correct);
    m.def("average", &average);
    m.def("averages_problem", &averagesProblem);
    m.def("brighter_grey_problem", &brighterGreyProblem);
    m.def("zero_gain_problem", &zeroGainProblem);
    py::class_<tavpy::DemosaicStream>(m, "DemosaicStream")
        .def(py::init<>())
        .def("open", &tavpy::DemosaicStream::open)
        .def("set_threads", &tavpy::DemosaicStream::setThreads)
        .def("set_output", &tavpy::DemosaicStream::setOutput)
        .def("set_pipeline", &tavpy::DemosaicStream::setPipeline)
        .def("clear_pipeline", &tavpy::DemosaicStream::clearPipeline)
        .def("demosaic", &tavpy::DemosaicStream::demosaic)
        .def("stats", &tavpy::DemosaicStream::stats)
        .def("close", &tavpy::DemosaicStream::close);
}

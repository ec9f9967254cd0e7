// Edge-directed 8-bit demosaicing kernels: size check, placement of the green
// row, and the order flag. The rule itself lives in rowPair.h.
#include <stdint.h>

#include "kernels/edge/band.h"
#include "diagnostics.h"
#include "kernels/bayerPhase.h"
#include "kernels/edge/outputs.h"
#include "kernels/edge/rowPair.h"
#include "kernels/edge/step.h"
#include "kernels/lumaWeights.h"
#include "simd/kernelTable.h"
#include "sizeCheck.h"
#include "tav_kernels.h"

namespace {

using namespace tav::edge;

// Red/green rows are the even rows of RG frames and the odd rows of GB frames.
constexpr int kRedRowsEven = tav::kPhaseRG.redRowParity;
constexpr int kRedRowsOdd = tav::kPhaseGB.redRowParity;

// Frames need 6 rows and 6 columns, and every buffer size (w x h x bytes per
// pixel) must fit in 32 bits.
bool sizeRefused(int32_t height, int32_t width, int64_t bytesPerPixel, tav::DiagnosticLine line) {
    if (width <= 5 || height <= 5 || !tav::countFits(height, width, bytesPerPixel)) {
        tav::printErrorLine(line);
        return true;
    }
    return false;
}

// Null buffers are refused too (after the size check): the kernels are
// exported and may be called without the demosaic entry's checks.
bool nullRefused(bool anyNull, tav::DiagnosticLine line) {
    if (anyNull) tav::printErrorLine(line);
    return anyNull;
}

template <int Bytes>
int32_t interleavedEdge(const uint8_t* source, int32_t height, int32_t width,
                        uint8_t* destination, uint32_t orderFlag, int firstRedRow, tav::DiagnosticLine line) {
    if (sizeRefused(height, width, Bytes, line)) return TAV_E_SIZE;
    if (nullRefused(!source || !destination, line)) return TAV_E_NULL_POINTER;
    // No work buffer: the last width bytes of the output (inside the last
    // row, which is stored last) serve as the green row.
    uint8_t* greenRow = destination + (size_t)Bytes * width * height - width;
    const VectorSteps* vector = tav::simd::kernels().edgeSteps;
    if (tav::channelOrder(orderFlag).redFirst) {
        edgeDemosaic(source, height, width, InterleavedOut<Bytes, true>(destination, width, vector),
                     greenRow, firstRedRow);
    } else {
        edgeDemosaic(source, height, width, InterleavedOut<Bytes, false>(destination, width, vector),
                     greenRow, firstRedRow);
    }
    return TAV_OK;
}

int32_t planarEdge(const uint8_t* source, int32_t height, int32_t width, uint8_t* redPlane,
                   uint8_t* greenPlane, uint8_t* bluePlane, uint8_t* workBuffer, int firstRedRow,
                   tav::DiagnosticLine line) {
    if (sizeRefused(height, width, 3, line)) return TAV_E_SIZE;
    if (nullRefused(!source || !redPlane || !greenPlane || !bluePlane || !workBuffer, line)) {
        return TAV_E_NULL_POINTER;
    }
    edgeDemosaic(source, height, width, PlanarOut(redPlane, greenPlane, bluePlane, width, tav::simd::kernels().edgeSteps),
                 workBuffer, firstRedRow);
    return TAV_OK;
}

int32_t lumaEdge(const uint8_t* source, int32_t height, int32_t width, uint8_t* destination,
                 uint32_t orderFlag, uint8_t* workBuffer, int firstRedRow, tav::DiagnosticLine line) {
    if (sizeRefused(height, width, 1, line)) return TAV_E_SIZE;
    if (nullRefused(!source || !destination || !workBuffer, line)) return TAV_E_NULL_POINTER;
    edgeDemosaic(source, height, width, LumaOut(destination, width, tav::channelOrder(orderFlag), tav::simd::kernels().edgeSteps), workBuffer,
                 firstRedRow);
    return TAV_OK;
}

// A band that is the whole frame, ready in memory, walks the frame's own
// schedule (the same steps, without the per-step band bookkeeping).
template <class Out>
void edgeBandOf(const tav::FrameRows& frame, int32_t height, int32_t width, const Out& out, int firstRedRow,
                const tav::BandRows& rows) {
    if (rows.first == 0 && rows.end == height && rows.feed == nullptr && frame.windowRows == 0) {
        edgeDemosaic(frame.data, height, width, out, rows.greenRow, firstRedRow);
        return;
    }
    edgeBandRows(frame, height, width, out, rows.greenRow, rows.seamRows, firstRedRow, rows.first,
                 rows.end, rows.feed);
}

}  // namespace

void tav::edgeBand(BayerPhase phase, const FrameRows& frame, int32_t height, int32_t width,
                   const BandOutput& out, const BandRows& rows) {
    const int firstRedRow = phase.redRowParity;
    const tav::ChannelOrder order = tav::channelOrder(out.orderFlag);
    const VectorSteps* vector = tav::simd::kernels().edgeSteps;
    switch (out.layout) {
        case BandLayout::Bgr:
            if (order.redFirst) {
                edgeBandOf(frame, height, width, InterleavedOut<3, true>(out.data, width, vector), firstRedRow,
                           rows);
            } else {
                edgeBandOf(frame, height, width, InterleavedOut<3, false>(out.data, width, vector), firstRedRow,
                           rows);
            }
            break;
        case BandLayout::Bgra:
            if (order.redFirst) {
                edgeBandOf(frame, height, width, InterleavedOut<4, true>(out.data, width, vector), firstRedRow,
                           rows);
            } else {
                edgeBandOf(frame, height, width, InterleavedOut<4, false>(out.data, width, vector), firstRedRow,
                           rows);
            }
            break;
        case BandLayout::Planar:
            edgeBandOf(frame, height, width, PlanarOut(out.planes[0], out.planes[1], out.planes[2], width, vector),
                       firstRedRow, rows);
            break;
        case BandLayout::Mono:
            edgeBandOf(frame, height, width, LumaOut(out.data, width, order, vector), firstRedRow, rows);
            break;
    }
}

extern "C" {

int32_t rg8ToBgr8_edge(const uint8_t* source, int32_t height, int32_t width,
                       uint8_t* destination, uint32_t orderFlag) {
    return interleavedEdge<3>(source, height, width, destination, orderFlag, kRedRowsEven, tav::kLineEdgeRgBgr);
}

int32_t gb8ToBgr8_edge(const uint8_t* source, int32_t height, int32_t width,
                       uint8_t* destination, uint32_t orderFlag) {
    return interleavedEdge<3>(source, height, width, destination, orderFlag, kRedRowsOdd, tav::kLineEdgeGbBgr);
}

int32_t rg8ToBgra8_edge(const uint8_t* source, int32_t height, int32_t width,
                        uint8_t* destination, uint32_t orderFlag) {
    return interleavedEdge<4>(source, height, width, destination, orderFlag, kRedRowsEven, tav::kLineEdgeRgBgra);
}

int32_t gb8ToBgra8_edge(const uint8_t* source, int32_t height, int32_t width,
                        uint8_t* destination, uint32_t orderFlag) {
    return interleavedEdge<4>(source, height, width, destination, orderFlag, kRedRowsOdd, tav::kLineEdgeGbBgra);
}

int32_t rg8ToBgr8P_edge(const uint8_t* source, int32_t height, int32_t width, uint8_t* plane0,
                        uint8_t* plane1, uint8_t* plane2, uint8_t* workBuffer) {
    return planarEdge(source, height, width, plane0, plane1, plane2, workBuffer, kRedRowsEven,
                      tav::kLineEdgeRgPlanar);
}

int32_t gb8ToBgr8P_edge(const uint8_t* source, int32_t height, int32_t width, uint8_t* plane0,
                        uint8_t* plane1, uint8_t* plane2, uint8_t* workBuffer) {
    return planarEdge(source, height, width, plane0, plane1, plane2, workBuffer, kRedRowsOdd,
                      tav::kLineEdgeGbPlanar);
}

int32_t rg8ToMono8_edge(const uint8_t* source, int32_t height, int32_t width,
                        uint8_t* destination, uint32_t orderFlag, uint8_t* workBuffer) {
    return lumaEdge(source, height, width, destination, orderFlag, workBuffer, kRedRowsEven,
                    tav::kLineEdgeRgMono);
}

int32_t gb8ToMono8_edge(const uint8_t* source, int32_t height, int32_t width,
                        uint8_t* destination, uint32_t orderFlag, uint8_t* workBuffer) {
    return lumaEdge(source, height, width, destination, orderFlag, workBuffer, kRedRowsOdd,
                    tav::kLineEdgeGbMono);
}

}  // extern "C"

// 16-bit demosaicing entry points: the checked bilinear entries, the
// bilinear assemblers and the edge-directed entries of the four Bayer orders.
// None of them reads or writes anything unless the pointers are present and
// the frame is at least the size the region routines need.
#include "tav_kernels16.h"

#include <stddef.h>

#include "diagnostics.h"
#include "kernels/bilinear16/anyOrder.h"
#include "kernels/samples16.h"
#include "sizeCheck.h"

namespace {

TavStatus bilinearSizeStatus(int32_t height, int32_t width) {
    if (height <= 3 || width <= 3 || !tav::countFits(height, width, 3)) return TAV_E_SIZE;
    return TAV_OK;
}

// Edge-directed orders: o shifts the red rows down one row (GB, BG), the
// phase puts red in even (2) or odd (3) columns of the red rows.
enum EdgeOrder { kOrderRG, kOrderGR, kOrderGB, kOrderBG };

// Edge-directed results are clamped to the full 16-bit range for every order.
const int32_t kEdgeMaximum = 65535;

uint32_t edgeDemosaic(EdgeOrder order, const uint16_t* source, int32_t height, int32_t width,
                      uint16_t* destination) {
    if (!source || !destination) return (uint32_t)TAV_E_NULL_POINTER;
    const int32_t rowShift = (order == kOrderGB || order == kOrderBG) ? 1 : 0;
    if (width < 5 || height < 6 + rowShift || !tav::countFits(height, width, 3)) return (uint32_t)TAV_E_SIZE;

    const int32_t phase = (order == kOrderRG || order == kOrderGB) ? 2 : 3;
    const ptrdiff_t w = width;
    const uint16_t* shiftedSource = source + rowShift * w;
    uint16_t* shiftedDestination = destination + 3 * rowShift * w;
    const int32_t interiorRow = 2 + rowShift;

    if (rowShift == 0)
        edgeFirstRowsRGGBU16(source, destination, width, phase, kEdgeMaximum);
    else
        edgeFirstRowsGBRGU16(source, destination, width, phase, kEdgeMaximum);
    if (phase == 2)
        edgeFirstColsRGGBU16(shiftedSource, shiftedDestination, height - rowShift, width, kEdgeMaximum);
    else
        edgeFirstColsGRBGU16(shiftedSource, shiftedDestination, height - rowShift, width, kEdgeMaximum);
    const TavEdgeExtent extent = edgeSecRGGBU16(source + interiorRow * w, destination + 3 * interiorRow * w,
                                                height - 4 - rowShift, width, phase, kEdgeMaximum);
    edgeLastRowsRGGBU16(source, destination, height, width, interiorRow + extent.rows, phase, kEdgeMaximum);
    edgeLastColsRGGBU16(shiftedSource, shiftedDestination, height - rowShift, width, extent.column,
                        kEdgeMaximum);
    return 0;
}

// The checks of the exported bilinear entries, in their order, each with
// its line: null pointers, then the frame size.
TavStatus bilinearEntryRefusal(bool anyNull, int32_t height, int32_t width, tav::DiagnosticLine nullLine,
                               tav::DiagnosticLine sizeLine) {
    if (anyNull) {
        tav::printErrorLine(nullLine);
        return TAV_E_NULL_POINTER;
    }
    if (bilinearSizeStatus(height, width) != TAV_OK) {
        tav::printErrorLine(sizeLine);
        return TAV_E_SIZE;
    }
    return TAV_OK;
}

TavStatus orderRefusal(int32_t order, tav::DiagnosticLine line) {
    if (order >= TAV_BAYER_ORDER_RG && order <= TAV_BAYER_ORDER_BG) return TAV_OK;
    tav::printErrorLine(line);
    return TAV_E_UNSUPPORTED;
}

}  // namespace

extern "C" {

int32_t demosaicingBilinearRGGBU16(const uint16_t* source, int32_t height, int32_t width, uint16_t* destination) {
    if (!source || !destination) return TAV_E_NULL_POINTER;
    const TavStatus sizeStatus = bilinearSizeStatus(height, width);
    if (sizeStatus != TAV_OK) return sizeStatus;
    bilinearFirstRowsRGGBU16(source, destination, width, 0);
    bilinearFirstColsRGGBU16(source, destination, height, width, 0);
    const TavBodyExtent extent = bilinearBodyRGGBU16(source, destination, height, width, 0);
    bilinearLastRowsRGGBU16(source, destination, height, width, extent.row, 0);
    bilinearLastColsRGGBU16(source, destination, height, width, extent.column, 0);
    return TAV_OK;
}

int32_t demosaicingBilinearRGGBU16P(const uint16_t* source, int32_t height, int32_t width, uint16_t* bPlane,
                                    uint16_t* gPlane, uint16_t* rPlane) {
    if (!source || !bPlane || !gPlane || !rPlane) return TAV_E_NULL_POINTER;
    const TavStatus sizeStatus = bilinearSizeStatus(height, width);
    if (sizeStatus != TAV_OK) return sizeStatus;
    bilinearFirstRowsRGGBU16P(source, bPlane, gPlane, rPlane, width, 0);
    bilinearFirstColsRGGBU16P(source, bPlane, gPlane, rPlane, height, width, 0);
    const TavBodyExtent extent = bilinearBodyRGGBU16P(source, bPlane, gPlane, rPlane, height, width, 0);
    bilinearLastRowsRGGBU16P(source, bPlane, gPlane, rPlane, height, width, extent.row, 0);
    bilinearLastColsRGGBU16P(source, bPlane, gPlane, rPlane, height, width, extent.column, 0);
    return TAV_OK;
}

TavStatus tavDemosaicingBilinearU16(const uint16_t* source, int32_t height, int32_t width, uint16_t* destination) {
    const TavStatus refused = bilinearEntryRefusal(!destination || !source, height, width, tav::kLineBilinear16Null,
                                                   tav::kLineBilinear16Size);
    if (refused != TAV_OK) return refused;
    return demosaicingBilinearRGGBU16(source, height, width, destination);
}

TavStatus tavDemosaicingBilinearU16P(const uint16_t* source, int32_t height, int32_t width, uint16_t* bPlane,
                                     uint16_t* gPlane, uint16_t* rPlane) {
    const TavStatus refused = bilinearEntryRefusal(!source || !bPlane || !gPlane || !rPlane, height, width,
                                                   tav::kLineBilinear16PlanarNull, tav::kLineBilinear16PlanarSize);
    if (refused != TAV_OK) return refused;
    return demosaicingBilinearRGGBU16P(source, height, width, bPlane, gPlane, rPlane);
}

TavStatus tavDemosaicingBilinearU16Order(const uint16_t* source, int32_t height, int32_t width, int32_t order,
                                         uint16_t* destination) {
    if (order == TAV_BAYER_ORDER_RG) return tavDemosaicingBilinearU16(source, height, width, destination);
    TavStatus refused = bilinearEntryRefusal(!destination || !source, height, width, tav::kLineBilinear16Null,
                                             tav::kLineBilinear16Size);
    if (refused == TAV_OK) refused = orderRefusal(order, tav::kLineBilinear16Order);
    if (refused != TAV_OK) return refused;
    tav::bilinear16::anyOrderInterleaved(source, height, width, order, destination);
    return TAV_OK;
}

TavStatus tavDemosaicingBilinearU16POrder(const uint16_t* source, int32_t height, int32_t width, int32_t order,
                                          uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane) {
    if (order == TAV_BAYER_ORDER_RG) return tavDemosaicingBilinearU16P(source, height, width, bPlane, gPlane, rPlane);
    TavStatus refused = bilinearEntryRefusal(!source || !bPlane || !gPlane || !rPlane, height, width,
                                             tav::kLineBilinear16PlanarNull, tav::kLineBilinear16PlanarSize);
    if (refused == TAV_OK) refused = orderRefusal(order, tav::kLineBilinear16PlanarOrder);
    if (refused != TAV_OK) return refused;
    tav::bilinear16::anyOrderPlanar(source, height, width, order, bPlane, gPlane, rPlane);
    return TAV_OK;
}

uint32_t demosaicingEdgeRGGBU16(const uint16_t* source, int32_t height, int32_t width, uint16_t* destination) {
    return edgeDemosaic(kOrderRG, source, height, width, destination);
}

uint32_t demosaicingEdgeGRBGU16(const uint16_t* source, int32_t height, int32_t width, uint16_t* destination) {
    return edgeDemosaic(kOrderGR, source, height, width, destination);
}

uint32_t demosaicingEdgeGBRGU16(const uint16_t* source, int32_t height, int32_t width, uint16_t* destination) {
    return edgeDemosaic(kOrderGB, source, height, width, destination);
}

uint32_t demosaicingEdgeBGGRU16(const uint16_t* source, int32_t height, int32_t width, uint16_t* destination) {
    return edgeDemosaic(kOrderBG, source, height, width, destination);
}

}  // extern "C"

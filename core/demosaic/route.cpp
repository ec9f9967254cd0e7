// Kernels exist for fewer phases than frames come in: nearest and
// edge-directed kernels for the RG and GB phases (RG serves BG frames and GB
// serves GR frames with red and blue exchanged: inverted order flag, swapped
// outer planes); bilinear kernels for every phase for interleaved output
// (the phase with red and blue exchanged gives R, G, B order), and for RG
// and GR for planar and grey output (BG and GB by exchange).
#include "demosaic/route.h"

#include <stddef.h>

#include "kernels/bilinear/band.h"
#include "kernels/edge/band.h"
#include "kernels/grey/band.h"
#include "kernels/hq/band.h"
#include "kernels/lumaWeights.h"
#include "kernels/nearest/band.h"
#include "sizeCheck.h"
#include "tav_demosaic.h"

namespace tav {

namespace {

constexpr int32_t kLumaRedFirst[3] = {kLumaRed, kLumaGreen, kLumaBlue};
constexpr int32_t kLumaBlueFirst[3] = {kLumaBlue, kLumaGreen, kLumaRed};

bool isRedFirst(OutputKind kind) { return kind == OutputKind::Rgb || kind == OutputKind::Rgba; }

BandLayout layoutOf(OutputKind kind) {
    switch (kind) {
        case OutputKind::Bgr:
        case OutputKind::Rgb: return BandLayout::Bgr;
        case OutputKind::Bgra:
        case OutputKind::Rgba: return BandLayout::Bgra;
        case OutputKind::Mono: return BandLayout::Mono;
        default: return BandLayout::Planar;
    }
}

BayerPhase phaseOf(int64_t baseType) {
    switch (baseType) {
        case TAV_PIXEL_BAYER_RG8: return kPhaseRG;
        case TAV_PIXEL_BAYER_GR8: return kPhaseGR;
        case TAV_PIXEL_BAYER_GB8: return kPhaseGB;
        default: return kPhaseBG;
    }
}

// Each edge-directed kernel prints its own line.
DiagnosticLine edgeKernelLine(bool rgKernel, BandLayout layout) {
    switch (layout) {
        case BandLayout::Bgr: return rgKernel ? kLineEdgeRgBgr : kLineEdgeGbBgr;
        case BandLayout::Bgra: return rgKernel ? kLineEdgeRgBgra : kLineEdgeGbBgra;
        case BandLayout::Mono: return rgKernel ? kLineEdgeRgMono : kLineEdgeGbMono;
        default: return rgKernel ? kLineEdgeRgPlanar : kLineEdgeGbPlanar;
    }
}

void routeBilinear(BayerPhase phase, Route& r) {
    const bool exchanged = phase == kPhaseBG || phase == kPhaseGB;
    r.kernelPhase = phase == kPhaseRG || phase == kPhaseBG ? kPhaseRG : kPhaseGR;
    if (r.layout == BandLayout::Bgr || r.layout == BandLayout::Bgra) {
        r.kernelPhase = isRedFirst(r.kind) ? withRedAndBlueExchanged(phase) : phase;
    } else if (r.layout == BandLayout::Mono) {
        r.weights = exchanged ? kLumaBlueFirst : kLumaRedFirst;
    } else {
        r.outerPlanesExchanged = exchanged;
    }
}

void routeFlagged(BayerPhase phase, Route& r) {
    const bool rgKernel = phase == kPhaseRG || phase == kPhaseBG;
    const bool exchanged = phase == kPhaseBG || phase == kPhaseGR;
    r.kernelPhase = rgKernel ? kPhaseRG : kPhaseGB;
    if (r.layout == BandLayout::Mono) {
        r.orderFlag = exchanged ? 1u : 0u;
    } else if (r.layout == BandLayout::Planar) {
        r.outerPlanesExchanged = exchanged;
    } else {
        r.orderFlag = isRedFirst(r.kind) != exchanged ? 1u : 0u;
    }
    if (r.family == KernelFamily::Edge) r.sizeLine = edgeKernelLine(rgKernel, r.layout);
}

}  // namespace

bool routeOf(int64_t baseType, int32_t method, int64_t outputType, Route* route) {
    const OutputKind kind = outputKindOf(outputType);
    if (kind == OutputKind::Unknown) return false;
    Route r = {};
    r.kind = kind;
    r.layout = layoutOf(kind);
    r.kernelPhase = kPhaseRG;
    if (baseType == TAV_PIXEL_MONO8) {
        r.family = KernelFamily::Grey;
        r.traits = &kGreyTraits;
        *route = r;
        return true;
    }
    const BayerPhase phase = phaseOf(baseType);
    switch (method) {
        case TAV_METHOD_NEAREST:
            r.family = KernelFamily::Nearest;
            r.traits = &kNearestTraits;
            routeFlagged(phase, r);
            break;
        case TAV_METHOD_BILINEAR:
            r.family = KernelFamily::Bilinear;
            r.traits = &kBilinearTraits;
            routeBilinear(phase, r);
            break;
        case TAV_METHOD_EDGE:
            r.family = KernelFamily::Edge;
            r.traits = &kEdgeTraits;
            routeFlagged(phase, r);
            break;
        case TAV_METHOD_HQ:
            // Written in the frame's own phase with true colours.
            r.family = KernelFamily::Hq;
            r.traits = &kHqTraits;
            r.kernelPhase = phase;
            r.orderFlag = isRedFirst(kind) ? 1u : 0u;
            r.weights = kLumaRedFirst;
            break;
        default:
            return false;
    }
    *route = r;
    return true;
}

TavStatus sizeRefusal(const Route& route, int32_t height, int32_t width) {
    const int32_t least = route.traits->minSide;
    if (height >= least && width >= least && countFits(height, width, bytesPerPixel(route.kind))) return TAV_OK;
    if (route.family == KernelFamily::Edge) printErrorLine(route.sizeLine);
    return TAV_E_SIZE;
}

BandOutput outputOf(const Route& route, uint8_t* destination, int32_t height, int32_t width) {
    BandOutput out = {};
    out.layout = route.layout;
    out.data = destination;
    out.orderFlag = route.orderFlag;
    out.weights = route.weights;
    if (route.layout == BandLayout::Planar) {
        // The R plane of RGB planar and the B plane of BGR planar lie at
        // offset 0; plane 0 of a kernel gets the colour at its red position.
        const size_t n = (size_t)width * (size_t)height;
        const bool redPositionAtStart = (route.kind == OutputKind::RgbPlanar) != route.outerPlanesExchanged;
        out.planes[0] = redPositionAtStart ? destination : destination + 2 * n;
        out.planes[1] = destination + n;
        out.planes[2] = redPositionAtStart ? destination + 2 * n : destination;
    }
    return out;
}

void runRoute(const Route& route, const FrameRows& source, int32_t height, int32_t width,
              const BandOutput& output, const BandRows& rows) {
    switch (route.family) {
        case KernelFamily::Grey:
            greyBand(source, height, width, output, rows);
            break;
        case KernelFamily::Nearest:
            nearestBand(route.kernelPhase, source, height, width, output, rows);
            break;
        case KernelFamily::Bilinear:
            bilinearBand(route.kernelPhase, source, height, width, output, rows);
            break;
        case KernelFamily::Edge:
            edgeBand(route.kernelPhase, source, height, width, output, rows);
            break;
        case KernelFamily::Hq:
            hqBand(route.kernelPhase, source, height, width, output, rows);
            break;
    }
}

}  // namespace tav

#include "demosaic/refusals.h"

#include "diagnostics.h"
#include "demosaic/outputTypes.h"
#include "sizeCheck.h"
#include "tav_demosaic.h"

namespace tav {
namespace {

// Edge-directed kernels exist for the RG and GB phases; BG frames use the RG
// kernels and GR frames the GB kernels. Each kernel has its own line.
DiagnosticLine edgeKernelLine(int64_t baseType, OutputKind kind) {
    const bool rgKernel = baseType == TAV_PIXEL_BAYER_RG8 || baseType == TAV_PIXEL_BAYER_BG8;
    switch (kind) {
        case OutputKind::Bgr:
        case OutputKind::Rgb:
            return rgKernel ? kLineEdgeRgBgr : kLineEdgeGbBgr;
        case OutputKind::Bgra:
        case OutputKind::Rgba:
            return rgKernel ? kLineEdgeRgBgra : kLineEdgeGbBgra;
        case OutputKind::Mono:
            return rgKernel ? kLineEdgeRgMono : kLineEdgeGbMono;
        default:
            return rgKernel ? kLineEdgeRgPlanar : kLineEdgeGbPlanar;
    }
}

bool isKnownMethod(int32_t method) {
    return method == TAV_METHOD_NEAREST || method == TAV_METHOD_BILINEAR || method == TAV_METHOD_EDGE;
}

}  // namespace

TavStatus refusalBeforeWork(int64_t baseType, int32_t method, int64_t outputType, int32_t height,
                            int32_t width) {
    const OutputKind kind = outputKindOf(outputType);
    if (kind == OutputKind::Unknown) return TAV_E_UNSUPPORTED;
    const bool outputFits = countFits(height, width, bytesPerPixel(kind));
    if (baseType != TAV_PIXEL_MONO8) {
        // Grey input ignores the method; Bayer converters refuse unknown ones.
        if (!isKnownMethod(method)) return TAV_E_UNSUPPORTED;
        // The edge-directed kernels need six rows and columns, and print
        // their own line for any size they refuse.
        if (method == TAV_METHOD_EDGE && (height <= 5 || width <= 5 || !outputFits)) {
            printErrorLine(edgeKernelLine(baseType, kind));
            return TAV_E_SIZE;
        }
    }
    // Output byte counts beyond 32 bits are refused without a line, as the
    // bilinear kernels and the grey converter do.
    return outputFits ? TAV_OK : TAV_E_SIZE;
}

}  // namespace tav

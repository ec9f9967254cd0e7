// The converters' choice of kernel, order flag and plane order, for a band
// of rows: the same choice as the exported converters make for the whole
// frame, feeding the kernels' band routines.
#include <stddef.h>
#include <string.h>

#include "demosaic/bands.h"
#include "kernels/lumaWeights.h"
#include "demosaic/outputTypes.h"

namespace tav {

namespace {

constexpr int32_t kLumaRedFirst[3] = {kLumaRed, kLumaGreen, kLumaBlue};
constexpr int32_t kLumaBlueFirst[3] = {kLumaBlue, kLumaGreen, kLumaRed};

bool isRedFirst(OutputKind kind) { return kind == OutputKind::Rgb || kind == OutputKind::Rgba; }
bool isPlanar(OutputKind kind) { return kind == OutputKind::RgbPlanar || kind == OutputKind::BgrPlanar; }

BayerPhase phaseOf(int64_t baseType) {
    switch (baseType) {
        case TAV_PIXEL_BAYER_RG8: return kPhaseRG;
        case TAV_PIXEL_BAYER_GR8: return kPhaseGR;
        case TAV_PIXEL_BAYER_GB8: return kPhaseGB;
        default: return kPhaseBG;
    }
}

// The R plane of RGB planar and the B plane of BGR planar lie at offset 0;
// plane 0 of a kernel gets the colour at its red position.
void setPlanes(BandOutput& out, uint8_t* destination, size_t n, OutputKind kind, bool exchanged) {
    const bool redPositionAtStart = (kind == OutputKind::RgbPlanar) != exchanged;
    out.planes[0] = redPositionAtStart ? destination : destination + 2 * n;
    out.planes[1] = destination + n;
    out.planes[2] = redPositionAtStart ? destination + 2 * n : destination;
}

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

// Grey input: each row copied or replicated, one plane at a time.
void greyRows(const BandJob& job, const FrameRows& frame, OutputKind kind, const BandRows& rows) {
    const size_t width = (size_t)job.width;
    const size_t n = width * (size_t)job.height;
    const int bytes = kind == OutputKind::Mono || isPlanar(kind) ? 1 : bytesPerPixel(kind);
    for (int32_t y = rows.first; y < rows.end; ++y) {
        needRows(rows.feed, y);
        const uint8_t* source = frame.row(y);
        uint8_t* row = job.destination + (size_t)y * width * bytes;
        if (bytes == 1) {
            memcpy(row, source, width);
            if (isPlanar(kind)) {
                memcpy(row + n, source, width);
                memcpy(row + 2 * n, source, width);
            }
            continue;
        }
        for (size_t x = 0; x < width; ++x) {
            uint8_t* pixel = row + x * bytes;
            pixel[0] = pixel[1] = pixel[2] = source[x];
            if (bytes == 4) pixel[3] = 0;
        }
    }
}

}  // namespace

void convertRows(const BandJob& job, const FrameRows& source, const BandRows& rows) {
    const OutputKind kind = outputKindOf(job.outputType);
    if (job.baseType == TAV_PIXEL_MONO8) {
        greyRows(job, source, kind, rows);
        return;
    }
    const size_t n = (size_t)job.width * (size_t)job.height;
    const BayerPhase phase = phaseOf(job.baseType);
    BandOutput out = {};
    out.layout = layoutOf(kind);
    out.data = job.destination;

    if (job.method == TAV_METHOD_BILINEAR) {
        // Interleaved kernels exist for every phase and write B, G, R: the
        // phase with red and blue exchanged gives R, G, B. Planar and grey
        // kernels exist for RG and GR and serve BG and GB by exchange.
        const bool exchanged = phase == kPhaseBG || phase == kPhaseGB;
        const BayerPhase rgOrGr = phase == kPhaseRG || phase == kPhaseBG ? kPhaseRG : kPhaseGR;
        BayerPhase kernelPhase = rgOrGr;
        if (out.layout == BandLayout::Bgr || out.layout == BandLayout::Bgra) {
            kernelPhase = isRedFirst(kind) ? withRedAndBlueExchanged(phase) : phase;
        } else if (out.layout == BandLayout::Mono) {
            out.weights = exchanged ? kLumaBlueFirst : kLumaRedFirst;
        } else {
            setPlanes(out, job.destination, n, kind, exchanged);
        }
        bilinearBand(kernelPhase, source, job.height, job.width, out, rows);
        return;
    }

    // Nearest and edge-directed: RG kernels serve BG frames and GB kernels GR
    // frames with red and blue exchanged.
    const bool rgKernel = phase == kPhaseRG || phase == kPhaseBG;
    const bool exchanged = phase == kPhaseBG || phase == kPhaseGR;
    if (out.layout == BandLayout::Mono) {
        out.orderFlag = exchanged ? 1u : 0u;
    } else if (out.layout == BandLayout::Planar) {
        setPlanes(out, job.destination, n, kind, exchanged);
    } else {
        out.orderFlag = isRedFirst(kind) != exchanged ? 1u : 0u;
    }
    const BayerPhase kernelPhase = rgKernel ? kPhaseRG : kPhaseGB;
    if (job.method == TAV_METHOD_NEAREST) {
        nearestBand(kernelPhase, source, job.height, job.width, out, rows);
    } else {
        edgeBand(kernelPhase, source, job.height, job.width, out, rows);
    }
}

}  // namespace tav

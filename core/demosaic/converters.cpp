// Bayer converters: choose, from the method and the output type, the kernel
// that demosaics an 8-bit Bayer frame and the arguments that make it produce
// the requested layout.
//
// Nearest and edge-directed kernels exist for the RG and GB phases only: RG
// kernels serve BG frames and GB kernels serve GR frames with red and blue
// exchanged (inverted order flag, swapped outer planes). Bilinear kernels
// exist for every phase for interleaved output, where running the kernel of
// the phase with red and blue exchanged yields R, G, B order; planar and grey
// bilinear kernels exist for RG and GR and serve BG and GB by exchange.
#include <stddef.h>
#include <stdint.h>

#include "kernels/bayerPhase.h"
#include "kernels/lumaWeights.h"
#include "demosaic/outputTypes.h"
#include "sizeCheck.h"
#include "tav_demosaic.h"
#include "tav_kernels.h"

namespace {

using tav::BayerPhase;
using tav::OutputKind;

enum Method : int32_t { kNearest = TAV_METHOD_NEAREST, kBilinear = TAV_METHOD_BILINEAR, kEdge = TAV_METHOD_EDGE };

constexpr int32_t kLumaRedFirst[3] = {tav::kLumaRed, tav::kLumaGreen, tav::kLumaBlue};
constexpr int32_t kLumaBlueFirst[3] = {tav::kLumaBlue, tav::kLumaGreen, tav::kLumaRed};

struct Planes {
    uint8_t* first;  // receives the colour at the kernel's red position
    uint8_t* green;
    uint8_t* last;   // receives the colour at the kernel's blue position
};

// The R plane of RGB planar and the B plane of BGR planar lie at offset 0.
// The kernel's red position holds red unless the frame is used exchanged.
Planes planesFor(uint8_t* destination, size_t n, OutputKind kind, bool exchanged) {
    bool redPositionAtStart = (kind == OutputKind::RgbPlanar) != exchanged;
    if (redPositionAtStart) return {destination, destination + n, destination + 2 * n};
    return {destination + 2 * n, destination + n, destination};
}

bool isRedFirst(OutputKind kind) { return kind == OutputKind::Rgb || kind == OutputKind::Rgba; }

// ---- nearest and edge-directed: two phases, an order flag ----

struct FlaggedFamily {
    TavStatus (*bgr)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t);
    TavStatus (*bgra)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t);
    TavStatus (*mono)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t, uint8_t* scratch);
    TavStatus (*planar)(const uint8_t*, int32_t, int32_t, uint8_t*, uint8_t*, uint8_t*, uint8_t* scratch);
};

// The nearest kernels count in unsigned sizes and need no scratch; sizes are
// positive by the time they are called.
template <uint32_t (*Kernel)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint32_t)>
TavStatus nearestFlagged(const uint8_t* f, int32_t h, int32_t w, uint8_t* d, uint32_t flag) {
    return static_cast<TavStatus>(Kernel(f, static_cast<uint32_t>(h), static_cast<uint32_t>(w), d, flag));
}

template <uint32_t (*Kernel)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint32_t)>
TavStatus nearestMono(const uint8_t* f, int32_t h, int32_t w, uint8_t* d, uint32_t flag, uint8_t*) {
    return static_cast<TavStatus>(Kernel(f, static_cast<uint32_t>(h), static_cast<uint32_t>(w), d, flag));
}

template <uint32_t (*Kernel)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint8_t*, uint8_t*)>
TavStatus nearestPlanar(const uint8_t* f, int32_t h, int32_t w, uint8_t* p0, uint8_t* p1, uint8_t* p2,
                        uint8_t*) {
    return static_cast<TavStatus>(Kernel(f, static_cast<uint32_t>(h), static_cast<uint32_t>(w), p0, p1, p2));
}

constexpr FlaggedFamily kNearestRg = {nearestFlagged<rg8ToBgr8_nearest>, nearestFlagged<rg8ToBgra8_nearest>,
                                      nearestMono<rg8ToMono8_nearest>, nearestPlanar<rg8ToBgr8P_nearest>};
constexpr FlaggedFamily kNearestGb = {nearestFlagged<gb8ToBgr8_nearest>, nearestFlagged<gb8ToBgra8_nearest>,
                                      nearestMono<gb8ToMono8_nearest>, nearestPlanar<gb8ToBgr8P_nearest>};
constexpr FlaggedFamily kEdgeRg = {rg8ToBgr8_edge, rg8ToBgra8_edge, rg8ToMono8_edge, rg8ToBgr8P_edge};
constexpr FlaggedFamily kEdgeGb = {gb8ToBgr8_edge, gb8ToBgra8_edge, gb8ToMono8_edge, gb8ToBgr8P_edge};

TavStatus runFlagged(const FlaggedFamily& family, bool exchanged, const uint8_t* frame, uint8_t* destination,
                     int32_t height, int32_t width, size_t n, OutputKind kind, uint8_t* scratch) {
    const uint32_t redFirstFlag = isRedFirst(kind) != exchanged ? 1u : 0u;
    switch (kind) {
        case OutputKind::Bgr:
        case OutputKind::Rgb:
            return family.bgr(frame, height, width, destination, redFirstFlag);
        case OutputKind::Bgra:
        case OutputKind::Rgba:
            return family.bgra(frame, height, width, destination, redFirstFlag);
        case OutputKind::Mono:
            return family.mono(frame, height, width, destination, exchanged ? 1u : 0u, scratch);
        default: {
            Planes planes = planesFor(destination, n, kind, exchanged);
            return family.planar(frame, height, width, planes.first, planes.green, planes.last, scratch);
        }
    }
}

// ---- bilinear: four phases for interleaved output, two for planar and grey ----

using BilinearInterleaved = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*);

// Indexed by tav::phaseIndex.
constexpr BilinearInterleaved kBilinearBgr[] = {rg8ToBgr8_bilinear, gr8ToBgr8_bilinear, gb8ToBgr8_bilinear,
                                                bg8ToBgr8_bilinear};
constexpr BilinearInterleaved kBilinearBgra[] = {rg8ToBgra8_bilinear, gr8ToBgra8_bilinear, gb8ToBgra8_bilinear,
                                                 bg8ToBgra8_bilinear};

// RG and BG frames go to the red-first kernels, GR and GB to the green-first ones.
bool redFirstKernel(BayerPhase phase) { return phase.redRowParity == phase.redColumnParity; }

TavStatus runBilinear(BayerPhase phase, const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                      size_t n, OutputKind kind) {
    const bool rgKernel = redFirstKernel(phase);  // else the GR kernel
    const bool exchanged = phase.redRowParity == 1;  // BG with the RG kernel, GB with the GR kernel
    const BayerPhase kernelPhase = isRedFirst(kind) ? tav::withRedAndBlueExchanged(phase) : phase;
    switch (kind) {
        case OutputKind::Bgr:
        case OutputKind::Rgb:
            return kBilinearBgr[tav::phaseIndex(kernelPhase)](frame, height, width, destination);
        case OutputKind::Bgra:
        case OutputKind::Rgba:
            return kBilinearBgra[tav::phaseIndex(kernelPhase)](frame, height, width, destination);
        case OutputKind::Mono: {
            // The kernel gets its own copy of the weights.
            const int32_t* source = exchanged ? kLumaBlueFirst : kLumaRedFirst;
            int32_t weights[3] = {source[0], source[1], source[2]};
            return rgKernel ? rg8ToMono8_bilinear(frame, height, width, weights, destination)
                            : gr8ToMono8_bilinear(frame, height, width, weights, destination);
        }
        default: {
            Planes planes = planesFor(destination, n, kind, exchanged);
            return rgKernel ? rg8ToBgr8P_bilinear(frame, height, width, planes.first, planes.green, planes.last)
                            : gr8ToBgr8P_bilinear(frame, height, width, planes.first, planes.green, planes.last);
        }
    }
}

TavStatus convertBayer(BayerPhase phase, const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                       int64_t outputType, int32_t method, uint8_t* scratch) {
    const OutputKind kind = tav::outputKindOf(outputType);
    if (kind == OutputKind::Unknown) return TAV_E_UNSUPPORTED;
    if (method != kNearest && method != kBilinear && method != kEdge) return TAV_E_UNSUPPORTED;
    // No kernel takes an empty or negative side, or a frame whose size overflows 32 bits.
    const int64_t samples = tav::checkedCount(height, width);
    if (samples < 0) return TAV_E_SIZE;
    const bool lineMemoryNeeded = method == kEdge && (kind == OutputKind::Mono || kind == OutputKind::RgbPlanar ||
                                                      kind == OutputKind::BgrPlanar);
    if (frame == nullptr || destination == nullptr || (lineMemoryNeeded && scratch == nullptr)) {
        return TAV_E_NULL_POINTER;
    }

    const size_t n = static_cast<size_t>(samples);
    if (method == kBilinear) return runBilinear(phase, frame, destination, height, width, n, kind);
    const bool rgKernel = redFirstKernel(phase);  // else the GB kernel
    const bool exchanged = phase.redColumnParity == 1;  // BG with the RG kernel, GR with the GB kernel
    const FlaggedFamily& family = method == kNearest ? (rgKernel ? kNearestRg : kNearestGb)
                                                     : (rgKernel ? kEdgeRg : kEdgeGb);
    return runFlagged(family, exchanged, frame, destination, height, width, n, kind, scratch);
}

}  // namespace

extern "C" TavStatus rg8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertBayer(tav::kPhaseRG, frame, destination, height, width, outputType, method, scratch);
}

extern "C" TavStatus gr8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertBayer(tav::kPhaseGR, frame, destination, height, width, outputType, method, scratch);
}

extern "C" TavStatus gb8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertBayer(tav::kPhaseGB, frame, destination, height, width, outputType, method, scratch);
}

extern "C" TavStatus bg8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertBayer(tav::kPhaseBG, frame, destination, height, width, outputType, method, scratch);
}

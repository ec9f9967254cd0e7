// The exported converters: a whole 8-bit frame along the route (route.h) as
// one band, for callers that bring their own normalised frame. They check
// their arguments without printing; a frame the serving kernel refuses gets
// that kernel's status and line.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "demosaic/route.h"
#include "kernels/hq/band.h"
#include "sizeCheck.h"
#include "tav_demosaic.h"
#include "tav_kernels.h"

namespace {

using tav::OutputKind;

TavStatus convertWholeFrame(int64_t baseType, const uint8_t* frame, uint8_t* destination, int32_t height,
                            int32_t width, int64_t outputType, int32_t method, uint8_t* scratch) {
    tav::Route route;
    if (!tav::routeOf(baseType, method, outputType, &route)) return TAV_E_UNSUPPORTED;
    // No kernel takes an empty or negative side, or a frame whose size overflows 32 bits.
    if (tav::checkedCount(height, width) < 0) return TAV_E_SIZE;
    // Edge-directed grey and planar output keep their green row in the
    // scratch region; interleaved output keeps it in the last output row.
    const bool interleaved = route.layout == tav::BandLayout::Bgr || route.layout == tav::BandLayout::Bgra;
    const bool lineMemoryNeeded = route.family == tav::KernelFamily::Edge && !interleaved;
    if (frame == nullptr || destination == nullptr || (lineMemoryNeeded && scratch == nullptr)) {
        return TAV_E_NULL_POINTER;
    }
    const TavStatus refused = tav::sizeRefusal(route, height, width);
    if (refused != TAV_OK) return refused;

    tav::BandRows rows = {};
    rows.first = 0;
    rows.end = height;
    rows.greenRow = scratch;
    if (route.family == tav::KernelFamily::Edge && interleaved) {
        const size_t outputBytes = (size_t)height * (size_t)width * (size_t)tav::bytesPerPixel(route.kind);
        rows.greenRow = destination + outputBytes - (size_t)width;
    }
    // The high-quality method's rings do not fit a caller's scratch region:
    // they get a block of their own for the call.
    void* hqMemory = nullptr;
    if (route.family == tav::KernelFamily::Hq) {
        const uint64_t bytes = tav::hqLineMemoryBytes(width);
        hqMemory = bytes <= SIZE_MAX ? malloc((size_t)bytes) : nullptr;
        if (hqMemory == nullptr) return TAV_E_NO_MEMORY;
        rows.greenRow = static_cast<uint8_t*>(hqMemory);
    }
    tav::runRoute(route, tav::wholeFrameRows(frame, width), height, width,
                  tav::outputOf(route, destination, height, width), rows);
    free(hqMemory);
    return TAV_OK;
}

}  // namespace

extern "C" TavStatus rg8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertWholeFrame(TAV_PIXEL_BAYER_RG8, frame, destination, height, width, outputType, method, scratch);
}

extern "C" TavStatus gr8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertWholeFrame(TAV_PIXEL_BAYER_GR8, frame, destination, height, width, outputType, method, scratch);
}

extern "C" TavStatus gb8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertWholeFrame(TAV_PIXEL_BAYER_GB8, frame, destination, height, width, outputType, method, scratch);
}

extern "C" TavStatus bg8Convert(const uint8_t* frame, uint8_t* destination, int32_t height, int32_t width,
                                int64_t outputType, int32_t method, uint8_t* scratch) {
    return convertWholeFrame(TAV_PIXEL_BAYER_BG8, frame, destination, height, width, outputType, method, scratch);
}

// Grey input ignores the method; an empty frame has nothing to write.
extern "C" TavStatus mono8Convert(const uint8_t* source, uint8_t* destination, int32_t height,
                                  int32_t width, int64_t outputType) {
    const OutputKind kind = tav::outputKindOf(outputType);
    if (kind == OutputKind::Unknown) return TAV_E_UNSUPPORTED;
    if (height == 0 || width == 0) return TAV_OK;
    // Every output byte must be countable before the pointers are looked at.
    if (tav::checkedCount(height, width) < 0 || !tav::countFits(height, width, tav::bytesPerPixel(kind))) {
        return TAV_E_SIZE;
    }
    return convertWholeFrame(TAV_PIXEL_MONO8, source, destination, height, width, outputType, 0, nullptr);
}

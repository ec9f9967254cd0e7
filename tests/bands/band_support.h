// Helpers of the band and thread tests: the whole-frame result of the
// converters on a normalised frame, a band's line memory, and which output
// bytes belong to a row.
#ifndef TAV_TESTS_BAND_SUPPORT_H
#define TAV_TESTS_BAND_SUPPORT_H

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "demosaic/bands.h"
#include "demosaic/route.h"
#include "ref_normalise.h"
#include "tavcore.h"

namespace tavband {

// The converter of the base type over the whole normalised frame, as the
// single-threaded entry has always run it.
inline std::vector<uint8_t> wholeFrame(const std::vector<uint8_t>& frame, int32_t baseType, int32_t height,
                                       int32_t width, int64_t outputType, int32_t method) {
    const size_t n = (size_t)height * width;
    if (baseType == TAV_PIXEL_MONO8) return tavref::referenceMono8Convert(frame, height, width, outputType);
    std::vector<uint8_t> out(n * tavref::outputBytesPerPixel(outputType), 0x5A);
    std::vector<uint8_t> scratch((size_t)width + 64);
    auto convert = baseType == TAV_PIXEL_BAYER_RG8   ? rg8Convert
                   : baseType == TAV_PIXEL_BAYER_GR8 ? gr8Convert
                   : baseType == TAV_PIXEL_BAYER_GB8 ? gb8Convert
                                                     : bg8Convert;
    EXPECT_EQ(convert(frame.data(), out.data(), height, width, outputType, method, scratch.data()), TAV_OK);
    return out;
}

// The line memory one band of a job needs (the high-quality family's rings;
// none for most families), placed in `rows` by the family's own rule.
struct LineMemory {
    std::vector<uint8_t> bytes;
    const tav::FamilyTraits* traits = nullptr;
    explicit LineMemory(const tav::BandJob& job) {
        tav::Route route;
        if (!tav::routeOf(job.baseType, job.method, job.outputType, &route)) return;
        traits = route.traits;
        bytes.resize(traits->lineMemoryBytes(job.width));
    }
    void place(int32_t width, tav::BandRows* rows) {
        if (!bytes.empty()) traits->placeLineMemory(bytes.data(), width, rows);
    }
};

// Whether byte i of a height x width output lies in rows [first, end).
inline bool inRows(size_t i, int64_t outputType, int32_t height, int32_t width, int32_t first, int32_t end) {
    const bool planar = outputType == TAV_PIXEL_RGB8_PLANAR || outputType == TAV_PIXEL_BGR8_PLANAR;
    const size_t rowBytes = planar ? (size_t)width : (size_t)width * tavref::outputBytesPerPixel(outputType);
    const size_t row = (i % (planar ? (size_t)width * height : rowBytes * height)) / rowBytes;
    return (int32_t)row >= first && (int32_t)row < end;
}

}  // namespace tavband

#endif

// One raw frame through the library's demosaicing paths, and the PNG images
// that show the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixel_formats.h"
#include "png_writer.h"
#include "raw_io.h"
#include "tav_pipeline.h"

namespace tavraw {

struct DemosaicResult {
    std::vector<uint8_t> libraryOutput;  // the output buffer exactly as the library wrote it
    std::vector<PngImage> images;        // one, or three grey planes for planar output
    std::vector<std::string> planeNames; // "R", "G", "B" for planar output, else empty
};

// 8-bit output through the demosaic entry. `raw` may be rewritten (padded
// 8-bit rows are compacted in place). `what` names the frame in errors.
// `threads` goes to the context (1: the caller's thread, 0: all processors).
// With a `pipeline` the frame goes through the picture pipeline and, when
// `stats` is given, its statistics are stored there.
DemosaicResult demosaic8(const std::string& what, std::vector<uint8_t>& raw,
                         const FrameGeometry& geometry, const Method& method,
                         const OutputType& outputType, int32_t threads = 1,
                         const TavPipeline* pipeline = nullptr, TavFrameStats* stats = nullptr);

// 16-bit output for 16-bit Bayer input: the bilinear or edge-directed 16-bit
// path. Interleaved output types give one 16-bit RGB image, planar types three
// 16-bit grey images; libraryOutput holds B, G, R samples (little-endian),
// interleaved or as three planes.
DemosaicResult demosaic16(const std::string& what, const std::vector<uint8_t>& raw,
                          const FrameGeometry& geometry, const Method& method,
                          const OutputType& outputType);

bool have16BitBilinear();
bool have16BitEdge();

}  // namespace tavraw

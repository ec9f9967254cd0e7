// The picture pipeline options of convert (--black, --wb, --ccm, --curve,
// --shading) and info (--black): parsing with the tool's messages, and the
// TavPipeline they make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli.h"
#include "raw_io.h"
#include "shading_table.h"
#include "tav_pipeline.h"

namespace tavraw {

struct PictureOptions {
    bool enabled = false;           // any pipeline option given
    TavPipeline pipeline;           // shadingTable is set by pipelineFor
    bool autoWhiteBalance = false;  // --wb auto: grey world from a statistics pass
    std::string ccmFile;            // --ccm named a file (an input)
    std::string shadingFile;        // --shading (an input)
    ShadingTable shading;           // read by loadShading
};

// The options as given; usage errors (exit 2) for values out of range or of
// the wrong form, file errors (exit 1) for a --ccm file that holds no matrix.
PictureOptions parsePictureOptions(const Options& options, const PixelFormat& format);

// Reads the --shading table and checks it against the frames: a file whose
// words do not match its header, a table made for another sample depth, or
// one for another frame size is refused (exit 1) before any work.
void loadShading(PictureOptions& picture, const FrameGeometry& geometry);

// The pipeline to set, pointing at the loaded table.
TavPipeline pipelineFor(const PictureOptions& picture);

// Files the options read, for the overwrite checks.
std::vector<std::string> pictureInputs(const PictureOptions& picture);

// One black level or four in tile order, each below the format's white point.
void parseBlackLevels(const std::string& text, const PixelFormat& format, int32_t black[4]);

}  // namespace tavraw

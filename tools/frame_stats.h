// The frame statistics of the picture pipeline as tavraw shows and uses
// them: per-channel means, the saturated share and grey-world gains.
#pragma once

#include <string>

#include "pixel_formats.h"
#include "tav_pipeline.h"

namespace tavraw {

struct GreyWorldGains {
    double red = 1.0;
    double green = 1.0;
    double blue = 1.0;
};

// Gains (G/R, 1, G/B) from the sums, G holding both greens. A gain with no
// finite value (no light summed in that channel or in green) is 1.0; gains
// are capped at 64, the largest the pipeline takes.
GreyWorldGains greyWorld(const TavFrameStats& stats);

// "1.9912,1,1.7003": the form --wb takes.
std::string describeGains(const GreyWorldGains& gains);

// The lines `info` prints for a frame's statistics after black level `black`
// (tile order): tiles summed and saturated, means, and grey-world gains for
// Bayer formats.
std::string describeStats(const TavFrameStats& stats, const PixelFormat& format, const int32_t black[4]);

}  // namespace tavraw

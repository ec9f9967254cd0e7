// Checks that grey and dark frames can make a usable shading table: the grey
// frames must be brighter than the dark ones in every colour channel, and
// no pixel or cell of the finished table may have gain 0.
#pragma once

#include <cstdint>
#include <vector>

#include "pixel_formats.h"

namespace tavraw {

// Fails (exit 1) naming the first colour channel whose mean grey level is not
// above its mean dark level. Averages are row-major, width x height.
void requireBrighterGrey(const PixelFormat& format, int32_t width, int32_t height,
                         const std::vector<float>& grey, const std::vector<float>& dark);

// Fails (exit 1) when parameter words of a finished table have gain 0.
void requireNonZeroGains(const std::vector<uint32_t>& table);

}  // namespace tavraw

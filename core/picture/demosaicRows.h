// Stage 5: the three demosaicing methods on linear samples (0..16383), one
// output row at a time, with the rules of the 8-bit methods: borders read
// by mirror reflection without repeating the edge row or column, every
// mean floored, the edge-directed method clamped to the linear scale.
// Written in the kernel's own phase: the colour at the even columns of its
// rows ("first colour") is red for RG and GB frames and blue for BG and GR
// frames, whose red and blue are exchanged at the end. Internal.
#ifndef TAV_CORE_PICTURE_DEMOSAIC_ROWS_H
#define TAV_CORE_PICTURE_DEMOSAIC_ROWS_H

#include <stdint.h>

#include "picture/frameRule.h"

namespace tav {

// Linear rows of the frame; row(y) takes -3 <= y < height + 3 and reflects.
struct LinearRows {
    uint16_t* ring;  // ringRows rows of width samples, row y at slot y mod ringRows
    int32_t ringRows;
    int32_t height;
    int32_t width;

    static int32_t reflect(int32_t i, int32_t n) { return i < 0 ? -i : (i >= n ? 2 * (n - 1) - i : i); }
    const uint16_t* row(int32_t y) const {
        return ring + (size_t)(reflect(y, height) % ringRows) * (size_t)width;
    }
};

// Greens of the edge-directed method for the rows one step reads: four
// slots, each tagged with the (reflected) row it holds.
struct GreenRows {
    uint16_t* slots;  // 4 rows of width samples
    int32_t tags[4];
};

// Red, green and blue of output row y (true colours).
void demosaicRow(const FrameRule& f, const LinearRows& rows, GreenRows& greens, int32_t y, uint16_t* red,
                 uint16_t* green, uint16_t* blue);

}  // namespace tav

#endif

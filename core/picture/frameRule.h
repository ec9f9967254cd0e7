// One frame's integer form of the pipeline: where its samples lie, how deep
// they are, and the black levels, gains and scale of its four tile
// positions. Internal.
#ifndef TAV_CORE_PICTURE_FRAME_RULE_H
#define TAV_CORE_PICTURE_FRAME_RULE_H

#include <stddef.h>
#include <stdint.h>

#include "picture/pictureState.h"
#include "tav_types.h"

namespace tav {

enum class SampleStorage { Bytes, Words, Packed10, Packed12 };

struct FrameRule {
    // The raw frame.
    const uint8_t* data;
    size_t rowBytes;  // 16-bit storage: lineBytes rounded down to even
    SampleStorage storage;
    int32_t height;
    int32_t width;
    int32_t depth;   // 8, 10, 12, 14 or 16
    uint32_t white;  // 2^depth - 1
    // Shading (null words: none).
    const uint32_t* tableWords;
    bool perPixelTable;
    // Stages 2 to 4, by tile position: top-left, top-right, bottom-left, bottom-right.
    uint32_t black[4];
    uint32_t factor[4];  // M, below 2^15
    int32_t shift;       // k
    uint8_t colourAt[4]; // 0 red, 1 green, 2 blue (Mono: by position)
    // Demosaicing.
    bool mono;
    int32_t method;
    int32_t firstColourRowParity;  // rows whose even columns hold a colour site
    bool firstColourIsBlue;        // that colour is blue (BG and GR frames)
    // Stages 6 to 8.
    const PictureState* state;
    int64_t outputType;
    uint8_t* destination;
    bool gatherStats;  // off only through the test and benchmark hook
};

// The position of sample (y, x) in its 2x2 tile.
inline int tilePosition(int32_t y, int32_t x) { return ((y & 1) << 1) | (x & 1); }

}  // namespace tav

#endif

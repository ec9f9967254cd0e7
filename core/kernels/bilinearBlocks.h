// Sixteen interior pixels of a row at a time, in 16-bit lanes.
//
// A pair of neighbouring pixels (colour site at x, green site at x + 1) is one
// 16-bit little-endian word of the row: the low byte is the colour-column
// sample, the high byte the green-column sample. Loading a row as words
// therefore splits the two columns for free, and every value of the pair is a
// few additions and shifts away:
//   colour site  own = C,              G = (Gleft + G + Cup + Cdown) >> 2,
//                other = (Oup_left + Odown_left + Oup + Odown) >> 2
//   green site   own = (C + Cright) >> 1, G = G, other = (Oup + Odown) >> 1
// (in the rows above and below, the colour column holds green and the green
// column holds the row's other colour).
#ifndef TAV_KERNELS_BILINEAR_BLOCKS_H
#define TAV_KERNELS_BILINEAR_BLOCKS_H

#include <stdint.h>
#include <string.h>

#include "../simd/lanes.h"

#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define TAV_BILINEAR_BLOCKS 1
#else
#define TAV_BILINEAR_BLOCKS 0
#endif

#if TAV_BILINEAR_BLOCKS

namespace tav {
namespace bilinear {

using lanes::U16x8;
using lanes::U32x4;
using lanes::U64x2;
using lanes::interleaveHigh;
using lanes::interleaveLow;

// Pixels per block: eight pairs.
constexpr int kBlockPixels = 16;

inline U16x8 loadWords(const uint8_t* at) { return lanes::load<U16x8>(at); }
inline void storeBytes(uint8_t* at, U16x8 v) { lanes::store(at, v); }

// The three colours of eight pairs: lane k holds pair k, whose colour site is
// at x + 2k. "Red" and "blue" are already resolved from the row's colour.
struct PairColours {
    U16x8 redColour, greenColour, blueColour;  // at the colour sites
    U16x8 redGreen, greenGreen, blueGreen;     // at the green sites
};

// Block of 16 pixels from x (a colour site); reads up/mid/down[x - 1 .. x + 17],
// so the caller keeps 2 <= x and x + 18 <= width.
inline PairColours bilinearBlock(const uint8_t* up, const uint8_t* mid, const uint8_t* down, int x,
                                 bool redRow) {
    const U16x8 lowByte = (U16x8){} + 0xFF;
    const U16x8 m = loadWords(mid + x);
    const U16x8 mLeft = loadWords(mid + x - 2);
    const U16x8 mRight = loadWords(mid + x + 2);
    const U16x8 u = loadWords(up + x), d = loadWords(down + x);
    const U16x8 uLeft = loadWords(up + x - 2), dLeft = loadWords(down + x - 2);

    const U16x8 colour = m & lowByte;
    const U16x8 green = m >> 8;
    const U16x8 verticalGreen = (u & lowByte) + (d & lowByte);
    const U16x8 verticalOther = (u >> 8) + (d >> 8);
    const U16x8 verticalOtherLeft = (uLeft >> 8) + (dLeft >> 8);

    const U16x8 greenAtColour = ((mLeft >> 8) + green + verticalGreen) >> 2;
    const U16x8 otherAtColour = (verticalOtherLeft + verticalOther) >> 2;
    const U16x8 ownAtGreen = (colour + (mRight & lowByte)) >> 1;
    const U16x8 otherAtGreen = verticalOther >> 1;

    PairColours c;
    c.greenColour = greenAtColour;
    c.greenGreen = green;
    if (redRow) {
        c.redColour = colour, c.blueColour = otherAtColour;
        c.redGreen = ownAtGreen, c.blueGreen = otherAtGreen;
    } else {
        c.blueColour = colour, c.redColour = otherAtColour;
        c.blueGreen = ownAtGreen, c.redGreen = otherAtGreen;
    }
    return c;
}

// Two bytes per lane in memory order: the colour site's value, then the green site's.
inline U16x8 pairBytes(U16x8 atColour, U16x8 atGreen) { return atColour | (atGreen << 8); }

// The 16 pixels as B, G, R, 0 words in memory order.
struct PixelWords {
    U32x4 words[4];
};

inline PixelWords pixelWords(const PairColours& c) {
    const U16x8 bgColour = c.blueColour | (c.greenColour << 8);
    const U16x8 bgGreen = c.blueGreen | (c.greenGreen << 8);
    // Pixel words of the colour sites and of the green sites, then merged.
    const U32x4 colourLow = (U32x4)interleaveLow(bgColour, c.redColour);
    const U32x4 colourHigh = (U32x4)interleaveHigh(bgColour, c.redColour);
    const U32x4 greenLow = (U32x4)interleaveLow(bgGreen, c.redGreen);
    const U32x4 greenHigh = (U32x4)interleaveHigh(bgGreen, c.redGreen);
    PixelWords p;
    p.words[0] = interleaveLow(colourLow, greenLow);
    p.words[1] = interleaveHigh(colourLow, greenLow);
    p.words[2] = interleaveLow(colourHigh, greenHigh);
    p.words[3] = interleaveHigh(colourHigh, greenHigh);
    return p;
}

// Writes the 16 pixels as 3-byte B, G, R. Each pair of pixels is squeezed into
// the low 6 bytes of a 64-bit lane and stored with an 8-byte write; the 2 extra
// bytes land on the next pixel, which is written afterwards, so the caller
// keeps at least one pixel of the row after the block.
inline void storeBgr(uint8_t* at, const PixelWords& p) {
    const U64x2 lowPixel = (U64x2){} + 0xFFFFFFull;
    const U64x2 highPixel = (U64x2){} + 0xFFFFFF000000ull;
    for (int i = 0; i < 4; ++i) {
        const U64x2 q = (U64x2)p.words[i];
        const U64x2 packed = (q & lowPixel) | ((q >> 8) & highPixel);
        const uint64_t first = packed[0], second = packed[1];
        memcpy(at + 12 * i, &first, 8);
        memcpy(at + 12 * i + 6, &second, 8);
    }
}

}  // namespace bilinear
}  // namespace tav

#endif  // TAV_BILINEAR_BLOCKS
#endif

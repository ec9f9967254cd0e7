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

#include "bilinearVariants.h"
#include "../simd/interleave.h"
#include "../simd/lanes.h"

namespace tav {
namespace bilinear {
TAV_ISA_BEGIN

using lanes::U16x8;
using lanes::U8x16;

// Pixels per block: eight pairs.
constexpr int kBlockPixels = 16;

inline U16x8 loadWords(const uint8_t* at) { return lanes::load<U16x8>(at); }

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

// ---- output kinds: where one block goes ----

struct InterleavedBlockOut {
    uint8_t* row;
    int bytes;  // 3 or 4
    void put(int x, const PairColours& c) const {
        const U8x16 b = lanes::pixelBytes(c.blueColour, c.blueGreen);
        const U8x16 g = lanes::pixelBytes(c.greenColour, c.greenGreen);
        const U8x16 r = lanes::pixelBytes(c.redColour, c.redGreen);
        if (bytes == 4)
            lanes::storeInterleaved4(row + (size_t)x * 4, b, g, r, (U8x16){});
        else
            lanes::storeInterleaved3(row + (size_t)x * 3, b, g, r);
    }
    InterleavedBlockOut local(uint8_t* buffer) const { return {buffer, bytes}; }
    void copyOut(const InterleavedBlockOut& from, int fromX, int x, int count) const {
        memcpy(row + (size_t)x * bytes, from.row + (size_t)fromX * bytes, (size_t)count * bytes);
    }
};

struct PlanarBlockOut {
    uint8_t* planes[3];
    void put(int x, const PairColours& c) const {
        lanes::store(planes[0] + x, lanes::pixelBytes(c.redColour, c.redGreen));
        lanes::store(planes[1] + x, lanes::pixelBytes(c.greenColour, c.greenGreen));
        lanes::store(planes[2] + x, lanes::pixelBytes(c.blueColour, c.blueGreen));
    }
    PlanarBlockOut local(uint8_t* buffer) const {
        return {{buffer, buffer + kLocalPixels, buffer + 2 * kLocalPixels}};
    }
    void copyOut(const PlanarBlockOut& from, int fromX, int x, int count) const {
        for (int p = 0; p < 3; ++p) memcpy(planes[p] + x, from.planes[p] + fromX, (size_t)count);
    }
    static constexpr int kLocalPixels = 48;
};

// Grey = (wR*R + wG*G + wB*B + 128) >> 8 in 16-bit lanes: with non-negative
// weights summing to at most 256 the sum stays below 2^16.
struct GreyBlockOut {
    uint8_t* row;
    uint16_t weightR, weightG, weightB;
    void put(int x, const PairColours& c) const {
        const U16x8 atColour =
            (c.redColour * weightR + c.greenColour * weightG + c.blueColour * weightB + 128) >> 8;
        const U16x8 atGreen =
            (c.redGreen * weightR + c.greenGreen * weightG + c.blueGreen * weightB + 128) >> 8;
        lanes::store(row + x, lanes::pixelBytes(atColour, atGreen));
    }
    GreyBlockOut local(uint8_t* buffer) const { return {buffer, weightR, weightG, weightB}; }
    void copyOut(const GreyBlockOut& from, int fromX, int x, int count) const {
        memcpy(row + x, from.row + fromX, (size_t)count);
    }
};

// ---- a row ----

// The body stops with at most kBlockPixels + 1 columns left; two blocks over
// a local copy of the row end finish them.
constexpr int kTailBlocks = 2;
constexpr int kTailColumns = 2 + kTailBlocks * kBlockPixels + 2;  // from column x - 2

template <class Out>
inline void bilinearVectorRow(const RowContext& row, const Out& out) {
    // Blocks start on a colour site with two columns to their left, and read
    // two columns past their last pixel; a store may overrun into the next
    // pixel, which the next block or the tail rewrites.
    int x = row.colourParity + 2;
    for (; x + kBlockPixels + 2 <= row.width; x += kBlockPixels)
        out.put(x, bilinearBlock(row.up, row.mid, row.down, x, row.redRow));

    // Last columns: the three rows from column x - 2 on, mirrored past the
    // last column (width reads width - 2, width + 1 reads width - 3); what
    // lies further reaches only pixels past the row.
    const int count = row.width - x;
    uint8_t local[3][kTailColumns] = {};
    const uint8_t* const sources[3] = {row.up, row.mid, row.down};
    for (int k = 0; k < 3; ++k) {
        memcpy(local[k], sources[k] + x - 2, (size_t)count + 2);
        local[k][count + 2] = local[k][count];
        local[k][count + 3] = local[k][count - 1];
    }
    uint8_t pixels[4 * PlanarBlockOut::kLocalPixels];
    const Out localOut = out.local(pixels);
    for (int lx = 2; lx < count + 2; lx += kBlockPixels)
        localOut.put(lx, bilinearBlock(local[0], local[1], local[2], lx, row.redRow));
    out.copyOut(localOut, 2, x, count);
}

inline void bgrRow(const RowContext& row, uint8_t* out) {
    bilinearVectorRow(row, InterleavedBlockOut{out, 3});
}
inline void bgraRow(const RowContext& row, uint8_t* out) {
    bilinearVectorRow(row, InterleavedBlockOut{out, 4});
}
inline void planarRow(const RowContext& row, uint8_t* const planes[3]) {
    bilinearVectorRow(row, PlanarBlockOut{{planes[0], planes[1], planes[2]}});
}
inline void greyRow(const RowContext& row, uint8_t* out, const uint16_t weights[3]) {
    bilinearVectorRow(row, GreyBlockOut{out, weights[0], weights[1], weights[2]});
}

constexpr VectorRows kVectorRows = {bgrRow, bgraRow, planarRow, greyRow};

TAV_ISA_END
}  // namespace bilinear
}  // namespace tav

#endif

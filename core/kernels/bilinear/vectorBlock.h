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

#include "kernels/bilinear/vectorRows.h"
#include "simd/interleave.h"
#include "simd/lanes.h"

namespace tav {
namespace bilinear {
TAV_ISA_BEGIN

using lanes::U8x16;

// One 16-bit lane per pair of pixels: 128-bit vectors, or 256-bit ones with
// AVX2. Pixels per block: two per lane.
#if defined(__AVX2__)
typedef uint16_t Words __attribute__((vector_size(32)));
#else
typedef lanes::U16x8 Words;
#endif
constexpr int kBlockPixels = (int)sizeof(Words);

TAV_LANES_INLINE Words loadWords(const uint8_t* at) { return lanes::load<Words>(at); }

// The pixel-ordered bytes of one channel (colour sites low, green sites high)
// and their stores in 16-pixel pieces.
TAV_LANES_INLINE Words pixelWords(Words atColour, Words atGreen) { return atColour | (atGreen << 8); }
TAV_LANES_INLINE U8x16 piece(const Words& w, int k) {
    U8x16 v;
    memcpy(&v, (const uint8_t*)&w + 16 * k, 16);
    return v;
}

// The three colours of eight pairs: lane k holds pair k, whose colour site is
// at x + 2k. "Red" and "blue" are already resolved from the row's colour.
struct PairColours {
    Words redColour, greenColour, blueColour;  // at the colour sites
    Words redGreen, greenGreen, blueGreen;     // at the green sites
};

// Block of 16 pixels from x (a colour site); reads up/mid/down[x - 1 .. x + 17],
// so the caller keeps 2 <= x and x + 18 <= width.
template <bool RedRow>
TAV_LANES_INLINE PairColours bilinearBlock(const uint8_t* up, const uint8_t* mid,
                                           const uint8_t* down, int x) {
    const Words lowByte = (Words){} + 0xFF;
    const Words m = loadWords(mid + x);
    const Words mLeft = loadWords(mid + x - 2);
    const Words mRight = loadWords(mid + x + 2);
    const Words u = loadWords(up + x), d = loadWords(down + x);
    const Words uLeft = loadWords(up + x - 2), dLeft = loadWords(down + x - 2);

    const Words colour = m & lowByte;
    const Words green = m >> 8;
    const Words verticalGreen = (u & lowByte) + (d & lowByte);
    const Words verticalOther = (u >> 8) + (d >> 8);
    const Words verticalOtherLeft = (uLeft >> 8) + (dLeft >> 8);

    const Words greenAtColour = ((mLeft >> 8) + green + verticalGreen) >> 2;
    const Words otherAtColour = (verticalOtherLeft + verticalOther) >> 2;
    const Words ownAtGreen = (colour + (mRight & lowByte)) >> 1;
    const Words otherAtGreen = verticalOther >> 1;

    PairColours c;
    c.greenColour = greenAtColour;
    c.greenGreen = green;
    if (RedRow) {
        c.redColour = colour, c.blueColour = otherAtColour;
        c.redGreen = ownAtGreen, c.blueGreen = otherAtGreen;
    } else {
        c.blueColour = colour, c.redColour = otherAtColour;
        c.blueGreen = ownAtGreen, c.redGreen = otherAtGreen;
    }
    return c;
}


// ---- output kinds: where one block goes ----

template <int Bytes>
struct InterleavedBlockOut {
    uint8_t* row;
    static constexpr bool kWide = true;
    void put(int x, const PairColours& c) const {
        const Words b = pixelWords(c.blueColour, c.blueGreen);
        const Words g = pixelWords(c.greenColour, c.greenGreen);
        const Words r = pixelWords(c.redColour, c.redGreen);
#if defined(__AVX2__)
        uint8_t* at = row + (size_t)x * Bytes;
        if (Bytes == 4)
            lanes::storeInterleaved4x32(at, (lanes::U8x32)b, (lanes::U8x32)g, (lanes::U8x32)r,
                                        (lanes::U8x32){});
        else
            lanes::storeInterleaved3x32(at, (lanes::U8x32)b, (lanes::U8x32)g, (lanes::U8x32)r);
#else
        for (int k = 0; k < kBlockPixels / 16; ++k) {
            uint8_t* at = row + (size_t)(x + 16 * k) * Bytes;
            if (Bytes == 4)
                lanes::storeInterleaved4(at, piece(b, k), piece(g, k), piece(r, k), (U8x16){});
            else
                lanes::storeInterleaved3(at, piece(b, k), piece(g, k), piece(r, k));
        }
#endif
    }
    InterleavedBlockOut local(uint8_t* buffer) const { return {buffer}; }
    void copyOut(const InterleavedBlockOut& from, int fromX, int x, int count) const {
        memcpy(row + (size_t)x * Bytes, from.row + (size_t)fromX * Bytes, (size_t)count * Bytes);
    }
};

// Local output area of the row ends: two blocks from local column 2, plus
// a 3-byte overrun; 4 bytes per pixel or three planes.
constexpr int kLocalPixels = 2 + 2 * kBlockPixels + 2;

struct PlanarBlockOut {
    uint8_t* planes[3];
    static constexpr bool kWide = true;
    void put(int x, const PairColours& c) const {
        lanes::store(planes[0] + x, pixelWords(c.redColour, c.redGreen));
        lanes::store(planes[1] + x, pixelWords(c.greenColour, c.greenGreen));
        lanes::store(planes[2] + x, pixelWords(c.blueColour, c.blueGreen));
    }
    PlanarBlockOut local(uint8_t* buffer) const {
        return {{buffer, buffer + kLocalPixels, buffer + 2 * kLocalPixels}};
    }
    void copyOut(const PlanarBlockOut& from, int fromX, int x, int count) const {
        for (int p = 0; p < 3; ++p) memcpy(planes[p] + x, from.planes[p] + fromX, (size_t)count);
    }
};

// Grey = (wR*R + wG*G + wB*B + 128) >> 8 in 16-bit lanes: with non-negative
// weights summing to at most 256 the sum stays below 2^16. ByteWeights: every
// weight is below 256 (a weight of 256 leaves the others 0), which the wide
// NEON form needs.
template <bool ByteWeights>
struct GreyBlockOut {
    uint8_t* row;
    uint16_t weightR, weightG, weightB;
    static constexpr bool kWide = ByteWeights;
    void put(int x, const PairColours& c) const {
        const Words atColour =
            (c.redColour * weightR + c.greenColour * weightG + c.blueColour * weightB + 128) >> 8;
        const Words atGreen =
            (c.redGreen * weightR + c.greenGreen * weightG + c.blueGreen * weightB + 128) >> 8;
        lanes::store(row + x, pixelWords(atColour, atGreen));
    }
    GreyBlockOut local(uint8_t* buffer) const { return {buffer, weightR, weightG, weightB}; }
    void copyOut(const GreyBlockOut& from, int fromX, int x, int count) const {
        memcpy(row + x, from.row + fromX, (size_t)count);
    }
};

TAV_ISA_END
}  // namespace bilinear
}  // namespace tav

#if defined(__ARM_NEON)
#include "kernels/bilinear/neonBlock.h"  // 32-pixel blocks in byte lanes
#endif

namespace tav {
namespace bilinear {
TAV_ISA_BEGIN

// ---- a row ----

// The body stops with at most kBlockPixels + 1 columns left; two blocks over
// a local copy of the row end finish them.
constexpr int kTailBlocks = 2;
constexpr int kTailColumns = 2 + kTailBlocks * kBlockPixels + 2;  // from column x - 2

template <bool RedRow, class Out>
inline void bilinearVectorRow(const RowContext& row, const Out out) {
    // Blocks start on a colour site with two columns to their left, and read
    // two columns past their last pixel; a store may overrun into the next
    // pixel, which the next block or the tail rewrites.
    int x = row.colourParity + 2;
#if defined(__ARM_NEON)
    if (Out::kWide) x = wideBlocks<RedRow>(row, out, x);
#endif
    for (; x + kBlockPixels + 2 <= row.width; x += kBlockPixels)
        out.put(x, bilinearBlock<RedRow>(row.up, row.mid, row.down, x));

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
    uint8_t pixels[4 * kLocalPixels];  // one row of 4-byte pixels, or three planes
    const Out localOut = out.local(pixels);
    for (int lx = 2; lx < count + 2; lx += kBlockPixels)
        localOut.put(lx, bilinearBlock<RedRow>(local[0], local[1], local[2], lx));
    out.copyOut(localOut, 2, x, count);
}

template <class Out>
inline void bilinearVectorRow(const RowContext& row, const Out& out) {
    if (row.redRow)
        bilinearVectorRow<true>(row, out);
    else
        bilinearVectorRow<false>(row, out);
}

inline void bgrRow(const RowContext& row, uint8_t* out) {
    bilinearVectorRow(row, InterleavedBlockOut<3>{out});
}
inline void bgraRow(const RowContext& row, uint8_t* out) {
    bilinearVectorRow(row, InterleavedBlockOut<4>{out});
}
inline void planarRow(const RowContext& row, uint8_t* const planes[3]) {
    bilinearVectorRow(row, PlanarBlockOut{{planes[0], planes[1], planes[2]}});
}
inline void greyRow(const RowContext& row, uint8_t* out, const uint16_t weights[3]) {
    if (weights[0] < 256 && weights[1] < 256 && weights[2] < 256)
        bilinearVectorRow(row, GreyBlockOut<true>{out, weights[0], weights[1], weights[2]});
    else
        bilinearVectorRow(row, GreyBlockOut<false>{out, weights[0], weights[1], weights[2]});
}

constexpr VectorRows kVectorRows = {bgrRow, bgraRow, planarRow, greyRow};

TAV_ISA_END
}  // namespace bilinear
}  // namespace tav

#endif

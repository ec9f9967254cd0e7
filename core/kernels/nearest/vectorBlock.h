// Nearest neighbour in vector lanes: 16 (AVX2: 32) pixels of a row pair per block,
// by byte moves only. Every pixel from column 1 on reads its own column and
// the one to its left, so an even column p0 and the 16-bit words of a row
// starting there give the samples directly:
//   red/green row above, even-rounded:  R(p) = above[p & ~1]
//   green/blue row: R as above, G(p) = current[p & ~1], B(p) = current[odd at or left of p]
//   red/green row below: R(p) = below[p & ~1], G(p) = below[odd at or left of p], B as above
// A word of the row holds an even column low and the next odd column high,
// so "even-rounded" copies the low byte up and "odd at or left" takes the
// high byte of the word before and the high byte of this one. Same bytes as
// the per-pixel rows of nearest.cpp.
#ifndef TAV_KERNELS_NEAREST_BLOCKS_H
#define TAV_KERNELS_NEAREST_BLOCKS_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/nearest/vectorRows.h"
#include "simd/interleave.h"
#include "simd/lanes.h"

namespace tav {
namespace nearest {
TAV_ISA_BEGIN

using lanes::U8x16;

// One 16-bit lane per pair of pixels: 128-bit vectors, or 256-bit ones with
// AVX2. Pixels per block: two per lane.
#if defined(__AVX2__)
typedef uint16_t U16x8 __attribute__((vector_size(32)));  // sixteen lanes here
#else
using lanes::U16x8;
#endif
constexpr size_t kBlockPixels = sizeof(U16x8);

// Sixteen pixels of a channel row.
TAV_LANES_INLINE U8x16 piece(const U16x8& w, size_t k) {
    U8x16 v;
    memcpy(&v, (const uint8_t*)&w + 16 * k, 16);
    return v;
}

// Channel words of one block: pixel 2k in the low byte of lane k, pixel
// 2k+1 in the high byte, i.e. the output bytes in memory order.
struct NearestBlock {
    U16x8 gbRed, gbGreen, blue;  // blue is the same for both rows
    U16x8 rgRed, rgGreen;
};

#if defined(__ARM_NEON)
}  // namespace TAV_ISA_TAG
}  // namespace nearest
}  // namespace tav
#include "kernels/nearest/neonBlock.h"  // the same two moves, one shift-and-insert each
namespace tav {
namespace nearest {
TAV_ISA_BEGIN
#else
TAV_LANES_INLINE U16x8 evenRounded(U16x8 w) { return (w & 0xFF) | (w << 8); }
TAV_LANES_INLINE U16x8 oddAtOrLeft(U16x8 before, U16x8 w) { return (before >> 8) | (w & 0xFF00); }
#endif

// Columns p0 .. p0 + kBlockPixels - 1 (p0 even, at least 2); reads columns
// p0-2 .. p0 + kBlockPixels - 1.
TAV_LANES_INLINE NearestBlock nearestBlock(const uint8_t* above, const uint8_t* current,
                                           const uint8_t* below, size_t p0) {
    const U16x8 up = lanes::load<U16x8>(above + p0);
    const U16x8 mid = lanes::load<U16x8>(current + p0);
    const U16x8 midBefore = lanes::load<U16x8>(current + p0 - 2);
    const U16x8 down = lanes::load<U16x8>(below + p0);
    const U16x8 downBefore = lanes::load<U16x8>(below + p0 - 2);
    NearestBlock b;
    b.gbRed = evenRounded(up);
    b.gbGreen = evenRounded(mid);
    b.blue = oddAtOrLeft(midBefore, mid);
    b.rgRed = evenRounded(down);
    b.rgGreen = oddAtOrLeft(downBefore, down);
    return b;
}

// ---- output kinds: where one block goes ----

template <int Bytes, bool RedFirst>
struct InterleavedBlockOut {
    uint8_t* gb;
    uint8_t* rg;
    static constexpr size_t kOverrunBytes = Bytes == 3 ? lanes::kInterleaved3Overrun : 0;
    static void row(uint8_t* at, U16x8 r, U16x8 g, U16x8 b) {
        const U16x8 first = RedFirst ? r : b, last = RedFirst ? b : r;
#if defined(__AVX2__)
        if (Bytes == 4)
            lanes::storeInterleaved4x32(at, (lanes::U8x32)first, (lanes::U8x32)g, (lanes::U8x32)last,
                                        (lanes::U8x32){});
        else
            lanes::storeInterleaved3x32(at, (lanes::U8x32)first, (lanes::U8x32)g, (lanes::U8x32)last);
#else
        for (size_t k = 0; k < kBlockPixels / 16; ++k) {
            uint8_t* to = at + 16 * Bytes * k;
            if (Bytes == 4)
                lanes::storeInterleaved4(to, piece(first, k), piece(g, k), piece(last, k), (U8x16){});
            else
                lanes::storeInterleaved3(to, piece(first, k), piece(g, k), piece(last, k));
        }
#endif
    }
    void put(size_t p0, const NearestBlock& b) const {
        row(gb + p0 * Bytes, b.gbRed, b.gbGreen, b.blue);
        row(rg + p0 * Bytes, b.rgRed, b.rgGreen, b.blue);
    }
    InterleavedBlockOut local(uint8_t* buffer, size_t columns) const {
        return {buffer, buffer + columns * Bytes};
    }
    void copyOut(const InterleavedBlockOut& from, size_t p0, size_t count) const {
        memcpy(gb + p0 * Bytes, from.gb, count * Bytes);
        memcpy(rg + p0 * Bytes, from.rg, count * Bytes);
    }
};

struct PlanarBlockOut {
    uint8_t* gb[3];
    uint8_t* rg[3];
    static constexpr size_t kOverrunBytes = 0;
    void put(size_t p0, const NearestBlock& b) const {
        lanes::store(gb[0] + p0, b.gbRed);
        lanes::store(gb[1] + p0, b.gbGreen);
        lanes::store(gb[2] + p0, b.blue);
        lanes::store(rg[0] + p0, b.rgRed);
        lanes::store(rg[1] + p0, b.rgGreen);
        lanes::store(rg[2] + p0, b.blue);
    }
    PlanarBlockOut local(uint8_t* buffer, size_t columns) const {
        PlanarBlockOut o;
        for (int k = 0; k < 3; ++k) {
            o.gb[k] = buffer + (size_t)k * columns;
            o.rg[k] = buffer + (size_t)(k + 3) * columns;
        }
        return o;
    }
    void copyOut(const PlanarBlockOut& from, size_t p0, size_t count) const {
        for (int k = 0; k < 3; ++k) {
            memcpy(gb[k] + p0, from.gb[k], count);
            memcpy(rg[k] + p0, from.rg[k], count);
        }
    }
};

// (wR*R + 150*G + wB*B + 128) >> 8 per byte of the words; the weights sum
// to 256, so the sum fits 16 bits.
TAV_LANES_INLINE U16x8 lumaWords(U16x8 r, U16x8 g, U16x8 b, uint16_t wRed, uint16_t wBlue) {
    const U16x8 low = ((r & 0xFF) * wRed + (g & 0xFF) * 150 + (b & 0xFF) * wBlue + 128) >> 8;
    const U16x8 high = ((r >> 8) * wRed + (g >> 8) * 150 + (b >> 8) * wBlue + 128) >> 8;
    return low | (high << 8);
}

struct GreyBlockOut {
    uint8_t* gb;
    uint8_t* rg;
    uint16_t redWeight, blueWeight;
    static constexpr size_t kOverrunBytes = 0;
    void put(size_t p0, const NearestBlock& b) const {
        lanes::store(gb + p0, lumaWords(b.gbRed, b.gbGreen, b.blue, redWeight, blueWeight));
        lanes::store(rg + p0, lumaWords(b.rgRed, b.rgGreen, b.blue, redWeight, blueWeight));
    }
    GreyBlockOut local(uint8_t* buffer, size_t columns) const {
        return {buffer, buffer + columns, redWeight, blueWeight};
    }
    void copyOut(const GreyBlockOut& from, size_t p0, size_t count) const {
        memcpy(gb + p0, from.gb, count);
        memcpy(rg + p0, from.rg, count);
    }
};

// ---- a row pair ----

// Largest tail: the body stops with at most kBlockPixels + 1 columns left,
// which two blocks over a local copy finish.
constexpr size_t kTailBlocks = 2;
constexpr size_t kTailColumns = 2 + kTailBlocks * kBlockPixels;  // from column p0 - 2
// Output columns of the local area: the tail blocks plus a 3-byte overrun.
constexpr size_t kLocalColumns = kTailBlocks * kBlockPixels + 1;

template <class Out>
inline void nearestRowPair(const uint8_t* above, const uint8_t* current, const uint8_t* below,
                           size_t width, const Out out) {
    // Blocks keep the bytes a store may overrun inside the row (the next
    // block or the tail rewrites them).
    const size_t overrunPixels = (Out::kOverrunBytes + 2) / 3;
    size_t p0 = 2;
    for (; p0 + kBlockPixels + overrunPixels <= width; p0 += kBlockPixels)
        out.put(p0, nearestBlock(above, current, below, p0));

    // The last columns through the same blocks over local copies; columns
    // past the row are zero and reach only pixels past the row.
    const size_t count = width - p0;
    uint8_t rows[3][kTailColumns] = {};
    memcpy(rows[0], above + p0 - 2, count + 2);
    memcpy(rows[1], current + p0 - 2, count + 2);
    memcpy(rows[2], below + p0 - 2, count + 2);
    uint8_t pixels[8 * kLocalColumns];  // two rows of up to 4 bytes, or six planes
    const Out local = out.local(pixels, kLocalColumns);
    for (size_t x = 0; x < count; x += kBlockPixels)
        local.put(x, nearestBlock(rows[0] + 2, rows[1] + 2, rows[2] + 2, x));
    out.copyOut(local, p0, count);
}

template <int Bytes, bool RedFirst>
void interleavedRows(const uint8_t* above, const uint8_t* current, const uint8_t* below,
                     size_t width, uint8_t* gb, uint8_t* rg) {
    nearestRowPair(above, current, below, width, InterleavedBlockOut<Bytes, RedFirst>{gb, rg});
}

inline void planarRows(const uint8_t* above, const uint8_t* current, const uint8_t* below,
                       size_t width, uint8_t* const gb[3], uint8_t* const rg[3]) {
    nearestRowPair(above, current, below, width,
                   PlanarBlockOut{{gb[0], gb[1], gb[2]}, {rg[0], rg[1], rg[2]}});
}

inline void greyRows(const uint8_t* above, const uint8_t* current, const uint8_t* below,
                     size_t width, uint8_t* gb, uint8_t* rg, uint16_t redWeight,
                     uint16_t blueWeight) {
    nearestRowPair(above, current, below, width, GreyBlockOut{gb, rg, redWeight, blueWeight});
}

constexpr VectorRows kVectorRows = {
    interleavedRows<3, false>, interleavedRows<3, true>, interleavedRows<4, false>,
    interleavedRows<4, true>,  planarRows,               greyRows,
};

TAV_ISA_END
}  // namespace nearest
}  // namespace tav

#endif

// The high-quality method one output row at a time, for any sample depth.
// Each plane of the rule (the samples, the two colour differences and their
// gradients, green, and sample minus green) keeps its last rows in a ring
// of its own, each row tagged with the frame row it holds and padded with
// three mirrored columns on each side, so every inner loop runs without
// border tests. A row is made when it is first asked for; asking for rows
// in order makes each row of each plane once.
//
// Red and blue are made from green and sample minus green at the red and
// blue sites only, so those two planes keep just those sites, packed: in
// row y, entry j holds column 2j + s, s being the parity of the row's red or
// blue columns (its "sites"); a third packed row holds the samples of the
// row's green sites, 2j + 1 - s at j. Column x is entry x >> 1 of the
// packed row of its kind. Internal.
#ifndef TAV_KERNELS_HQ_ROWS_H
#define TAV_KERNELS_HQ_ROWS_H

#include <stddef.h>
#include <stdint.h>

#include "kernels/bayerPhase.h"

namespace tav {
namespace hq {

// Rows a step reads beyond an output row, above or below: green three rows
// away, which reads gradients two rows further, which read differences one
// row further, which read samples three rows further.
constexpr int32_t kRowsReadAcross = 9;

// Reads frame row y (0 <= y < height) as width values into `out`
// (int16_t values for a narrow engine, int32_t otherwise).
struct SampleSource {
    const void* rows;
    void (*read)(const void* rows, int32_t y, void* out);
};

constexpr int32_t kRingRows = 8;  // each plane's widest window is 7 rows
constexpr int kPlanes = 8;

struct Ring {
    void* rows;  // kRingRows rows of `stride` values; row y at slot y mod kRingRows
    int32_t tags[kRingRows];
};

struct VectorRows;  // vectorRows.h

struct RowEngine {
    const VectorRows* vector;  // null: every column through the plain rule
    // 8-bit samples: every plane but the gradient sums fits 16 bits, so the
    // rings hold 16-bit values (twice the lanes per vector).
    bool narrow;
    int32_t width, height, maxValue;
    BayerPhase phase;
    size_t stride;  // values per padded row
    SampleSource source;
    // gradH and gradV hold each gradient row's sums over five columns
    // (unsigned 16-bit for a narrow engine: up to 51000). siteGreen,
    // siteColour (sample minus green) and greenSamples are packed rows,
    // made together.
    Ring samples, diffH, gradH, diffV, gradV, siteGreen, siteColour, greenSamples;
    void* gradients;  // one padded row of gradients on their way to gradH or gradV
};

// Memory of one engine for rows of `width` samples with this maxValue,
// 64-byte aligned parts included (the block itself may lie at any address).
uint64_t engineBytes(int32_t width, int32_t maxValue);

// A maxValue of 255 makes a narrow engine.
void initEngine(RowEngine& e, uint8_t* memory, int32_t width, int32_t height, BayerPhase phase,
                int32_t maxValue, const SampleSource& source);

// Red, green and blue of output row y. Rows are read from the source on
// demand, none more than kRowsReadAcross beyond y (mirrored at the edges).
void outputRow(RowEngine& e, int32_t y, uint16_t* red, uint16_t* green, uint16_t* blue);

}  // namespace hq
}  // namespace tav

#endif

// Bilinear demosaicing of one output row of an 8-bit Bayer frame.
//
// Rule, per site (S = source sample, borders read by mirror reflection
// without repeating the edge, so the Bayer phase is kept):
//   colour site  own = S,                 G = 4-neighbour mean, other = diagonal mean
//   green site   own = horizontal mean,   G = S,                other = vertical mean
// where "own" is the colour that the row holds (red in a red row, blue in a
// blue row) and every mean is truncated.
//
// Rows are mirrored by the caller choosing the rows above and below (row -1
// is row 1, row h is row h - 2); columns 0 and width - 1 mirror their outer
// neighbour here. The interior of a row is one contiguous, branch-free loop in
// 16-bit lanes that the compiler vectorises: every term is computed at every
// pixel and an alternating lane mask picks the terms of the site type.
#ifndef TAV_KERNELS_BILINEAR_ROWS_H
#define TAV_KERNELS_BILINEAR_ROWS_H

#include <stddef.h>
#include <stdint.h>

namespace tav {
namespace bilinear {

// Pixels per interior chunk; the lane-mask table covers one chunk at any phase.
constexpr int kChunk = 256;

struct AlternatingMask {
    uint16_t lanes[kChunk + 1];
};

constexpr AlternatingMask makeAlternatingMask() {
    AlternatingMask mask{};
    for (int i = 0; i <= kChunk; ++i) mask.lanes[i] = (i & 1) ? 0x0000 : 0xFFFF;
    return mask;
}

// lanes + 0 selects colour sites at even offsets, lanes + 1 at odd offsets.
inline constexpr AlternatingMask kAlternatingMask = makeAlternatingMask();

// The three source rows around an output row (already mirrored at the top
// and bottom) and where its colour sites lie.
struct RowContext {
    const uint8_t* up;
    const uint8_t* mid;
    const uint8_t* down;
    int width;
    int colourParity;  // x & 1 of the row's red or blue sites
    bool redRow;       // the row holds red samples (else blue)
};

// One pixel through the mirror rule; used for the first and last columns and
// as the plain form of the rule.
template <class Sink>
inline void bilinearPixel(const RowContext& row, int x, Sink& sink) {
    const int left = x == 0 ? 1 : x - 1;
    const int right = x == row.width - 1 ? row.width - 2 : x + 1;
    const unsigned centre = row.mid[x];
    unsigned own, green, other;
    if ((x & 1) == row.colourParity) {
        own = centre;
        green = (row.up[x] + row.down[x] + row.mid[left] + row.mid[right]) >> 2;
        other = (row.up[left] + row.up[right] + row.down[left] + row.down[right]) >> 2;
    } else {
        own = (row.mid[left] + row.mid[right]) >> 1;
        green = centre;
        other = (row.up[x] + row.down[x]) >> 1;
    }
    if (row.redRow)
        sink.put(x, own, green, other);
    else
        sink.put(x, other, green, own);
}

// Interior pixels x in [begin, end), 1 <= begin, end <= width - 1, at most
// kChunk of them. RedRow fixes where "own" goes so the loop has no branch.
template <bool RedRow, class Sink>
inline void bilinearChunk(const RowContext& row, int begin, int end, Sink& sink) {
    const uint8_t* __restrict up = row.up;
    const uint8_t* __restrict mid = row.mid;
    const uint8_t* __restrict down = row.down;
    const uint16_t* __restrict mask =
        kAlternatingMask.lanes + (((begin & 1) == row.colourParity) ? 0 : 1) - begin;
    for (int x = begin; x < end; ++x) {
        const uint16_t l = mid[x - 1], c = mid[x], r = mid[x + 1];
        const uint16_t u = up[x], d = down[x];
        const uint16_t horizontal = (uint16_t)((l + r) >> 1);
        const uint16_t vertical = (uint16_t)((u + d) >> 1);
        const uint16_t cross = (uint16_t)((u + d + l + r) >> 2);
        const uint16_t diagonal =
            (uint16_t)((up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1]) >> 2);
        const uint16_t colourSite = mask[x];
        const uint16_t own = (uint16_t)((c & colourSite) | (horizontal & ~colourSite));
        const uint16_t green = (uint16_t)((cross & colourSite) | (c & ~colourSite));
        const uint16_t other = (uint16_t)((diagonal & colourSite) | (vertical & ~colourSite));
        if (RedRow)
            sink.put(x, own, green, other);
        else
            sink.put(x, other, green, own);
    }
}

// A whole output row: mirrored first and last columns, chunked interior.
template <class Sink>
inline void bilinearRow(const RowContext& row, Sink& sink) {
    const int last = row.width - 1;
    bilinearPixel(row, 0, sink);
    for (int begin = 1; begin < last; begin += kChunk) {
        const int end = last - begin > kChunk ? begin + kChunk : last;
        if (row.redRow)
            bilinearChunk<true>(row, begin, end, sink);
        else
            bilinearChunk<false>(row, begin, end, sink);
    }
    bilinearPixel(row, last, sink);
}

// Where the red sites of a phase lie: row parity and column parity.
struct Phase {
    int redRowParity;
    int redColumnParity;
};

constexpr Phase kPhaseRG = {0, 0};  // R G / G B
constexpr Phase kPhaseGR = {0, 1};  // G R / B G
constexpr Phase kPhaseGB = {1, 0};  // G B / R G
constexpr Phase kPhaseBG = {1, 1};  // B G / G R

// Runs the rule over every row of a height x width frame (stride width).
// The sink's beginRow(y) points it at output row y.
template <class Sink>
inline void bilinearFrame(const uint8_t* frame, int height, int width, Phase phase, Sink& sink) {
    const size_t stride = (size_t)width;
    for (int y = 0; y < height; ++y) {
        const uint8_t* mid = frame + (size_t)y * stride;
        RowContext row;
        row.up = y == 0 ? frame + stride : mid - stride;
        row.mid = mid;
        row.down = y == height - 1 ? mid - stride : mid + stride;
        row.width = width;
        row.redRow = (y & 1) == phase.redRowParity;
        // Blue sites sit in the other rows and the other columns.
        row.colourParity = row.redRow ? phase.redColumnParity : 1 - phase.redColumnParity;
        sink.beginRow(y);
        bilinearRow(row, sink);
    }
}

}  // namespace bilinear
}  // namespace tav

#endif

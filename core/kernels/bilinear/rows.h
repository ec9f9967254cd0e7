// Bilinear demosaicing of one output row of an 8-bit Bayer frame.
//
// Rule, per site (S = source sample, borders read by mirror reflection
// without repeating the edge, so the Bayer phase is kept):
//   colour site  own = S,                 G = 4-neighbour mean, other = diagonal mean
//   green site   own = horizontal mean,   G = S,                other = vertical mean
// where "own" is the colour that the row holds (red in a red row, blue in a
// blue row) and every mean is truncated.
//
// Rows are mirrored by choosing the rows above and below (row -1 is row 1,
// row h is row h - 2); columns 0 and width - 1 mirror their outer neighbour in
// bilinearPixel. Where the sink carries a vector table, the row from its
// third column on goes through the blocks of vectorBlock.h compiled for
// the active instruction set, which give the same values.
#ifndef TAV_KERNELS_BILINEAR_ROWS_H
#define TAV_KERNELS_BILINEAR_ROWS_H

#include <stddef.h>
#include <stdint.h>

#include "kernels/bandKernels.h"
#include "kernels/bayerPhase.h"
#include "kernels/bilinear/vectorRows.h"

namespace tav {
namespace bilinear {

using tav::FrameRows;
using tav::RowFeed;
using tav::needRows;

// One pixel through the mirror rule: the plain form of the rule, used for the
// whole row on the plain path and for the first columns otherwise.
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

// A whole output row: the rule pixel by pixel, or its first two or three
// columns (up to the second colour site) and then the sink's vector row.
template <class Sink>
inline void bilinearRow(const RowContext& row, Sink& sink) {
    int x = 0;
    if (sink.vector) {
        const int firstBlock = row.colourParity + 2;
        for (; x < firstBlock; ++x) bilinearPixel(row, x, sink);
        sink.vectorRow(row);
        return;
    }
    for (; x < row.width; ++x) bilinearPixel(row, x, sink);
}

// Runs the rule over output rows [first, end) of a height x width frame
// (stride width); rows outside the frame are mirrored only at the frame's
// own edges, so any split of the rows gives the same bytes. The sink's
// beginRow(y) points it at output row y.
template <class Sink>
inline void bilinearFrame(const FrameRows& source, int height, int width, BayerPhase phase, Sink& sink,
                          int first, int end, RowFeed* feed) {
    for (int y = first; y < end; ++y) {
        needRows(feed, y + 1 < height ? y + 1 : height - 1);
        RowContext row;
        row.up = source.row(y == 0 ? 1 : y - 1);
        row.mid = source.row(y);
        row.down = source.row(y == height - 1 ? height - 2 : y + 1);
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

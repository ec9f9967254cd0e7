// The row-pair engine of the edge-directed demosaicing and the frame schedule
// built on it. Frames are seen in the RG phase: the pair (y, y+1) is a
// red/green row (red at even columns) over a green/blue row (blue at odd
// columns).
//
// One step of the engine interpolates the greens of the pair's non-green
// sites ("new": G(y, even x) and G(y+1, odd x)), finishes rows y-1 and y, and
// leaves the new greens in the green row, which on entry holds the greens of
// the previous pair ("old": G(y-2, even x) and G(y-1, odd x)). That one row is
// the only state between steps. Column x finishes one column behind the
// greens it needs, and old entries are overwritten only after their last
// reader, so the row can be updated in place.
#ifndef TAV_KERNELS_EDGE_ROW_PAIR_H
#define TAV_KERNELS_EDGE_ROW_PAIR_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/bandKernels.h"
#include "kernels/edge/formulas.h"
#include "kernels/edge/step.h"
#include "kernels/mirrorIndex.h"
#include "simd/isaNamespace.h"

namespace tav {
namespace edge {
TAV_ISA_BEGIN

using tav::FrameRows;
using tav::RowFeed;
using tav::needRows;

inline RowSet rowSetAt(const uint8_t* frame, int height, int width, int y) {
    RowSet s;
    for (int k = 0; k < 6; ++k) {
        s.row[k] = frame + (size_t)reflectIndex(y - 2 + k, height) * (size_t)width;
    }
    return s;
}

// Column addressing: the interior needs no reflection, the borders do.
struct InteriorColumns {
    static int at(int c, int) { return c; }
};
struct BorderColumns {
    static int at(int c, int width) { return reflectIndex(c, width); }
};

// Greens (interpolated or old) at columns x-1, x, x+1, x+2 of a column pair.
struct GreenWindow {
    int left, even, odd, right;
};

// Green at a non-green site of the pair: SiteRow 2 is the red site (row y,
// even c), 3 the blue site (row y+1, odd c), as indices into the row set.
template <int SiteRow, class Columns>
inline int siteGreen(const RowSet& s, int width, int c) {
    const uint8_t* own = s.row[SiteRow];
    return steeredGreen(own[c], own[Columns::at(c - 1, width)], own[Columns::at(c + 1, width)],
                        own[Columns::at(c - 2, width)], own[Columns::at(c + 2, width)],
                        s.row[SiteRow - 1][c], s.row[SiteRow + 1][c], s.row[SiteRow - 2][c],
                        s.row[SiteRow + 2][c]);
}

// Sample columns of one column pair (x even): x-1, x, x+1, x+2, reflected at
// the borders.
struct Columns4 {
    int left, even, odd, right;
};

// Finishes columns x and x+1 of a red/green row `own` whose greens at red
// sites are ownG, between green/blue rows `above` and `below`.
template <class Out>
inline void finishRedRow(const Out& out, int dy, int x, bool secondColumn, const Columns4& c,
                         const uint8_t* own, const GreenWindow& ownG, const uint8_t* above,
                         const GreenWindow& aboveG, const uint8_t* below,
                         const GreenWindow& belowG) {
    // Blue-site colour differences around the pair.
    const int dbAboveLeft = above[c.left] - aboveG.left;
    const int dbAboveOdd = above[c.odd] - aboveG.odd;
    const int dbBelowLeft = below[c.left] - belowG.left;
    const int dbBelowOdd = below[c.odd] - belowG.odd;

    // Red site at x.
    const int gRed = ownG.even;
    out.pixel(dy, x, own[c.even], gRed,
              fromFourDifferences(gRed, dbAboveLeft, dbAboveOdd, dbBelowLeft, dbBelowOdd));
    if (!secondColumn) return;
    // Green site at x+1.
    const int gGreen = own[c.odd];
    const int r = fromTwoDifferences(gGreen, own[c.even] - ownG.even, own[c.right] - ownG.right);
    out.pixel(dy, x + 1, r, gGreen, fromTwoDifferences(gGreen, dbAboveOdd, dbBelowOdd));
}

// Finishes columns x and x+1 of a green/blue row `own` whose greens at blue
// sites are ownG, between red/green rows `above` and `below`.
template <class Out>
inline void finishBlueRow(const Out& out, int dy, int x, bool secondColumn, const Columns4& c,
                          const uint8_t* own, const GreenWindow& ownG, const uint8_t* above,
                          const GreenWindow& aboveG, const uint8_t* below,
                          const GreenWindow& belowG) {
    // Red-site colour differences around the pair.
    const int drAboveEven = above[c.even] - aboveG.even;
    const int drBelowEven = below[c.even] - belowG.even;

    // Green site at x.
    const int gGreen = own[c.even];
    const int b = fromTwoDifferences(gGreen, own[c.left] - ownG.left, own[c.odd] - ownG.odd);
    out.pixel(dy, x, fromTwoDifferences(gGreen, drAboveEven, drBelowEven), gGreen, b);
    if (!secondColumn) return;
    // Blue site at x+1.
    const int gBlue = ownG.odd;
    const int r = fromFourDifferences(gBlue, drAboveEven, above[c.right] - aboveG.right,
                                      drBelowEven, below[c.right] - belowG.right);
    out.pixel(dy, x + 1, r, gBlue, own[c.odd]);
}



template <class Mode, class Columns, class Out>
inline void stepColumnPair(const RowSet& s, int width, uint8_t* greenRow, const Out& out,
                           StepState& st, int x) {
    Columns4 c;
    c.left = Columns::at(x - 1, width);
    c.even = x;
    c.odd = Columns::at(x + 1, width);
    c.right = Columns::at(x + 2, width);

    // New greens two columns ahead: the red site at x+2, the blue site at x+3.
    const int newRight = siteGreen<2, Columns>(s, width, c.right);
    const int newNext = siteGreen<3, Columns>(s, width, Columns::at(x + 3, width));

    int oldOdd = 0;
    int oldRight = 0;
    if (Mode::finishRows) {
        oldOdd = greenRow[c.odd];
        oldRight = greenRow[c.right];
        const GreenWindow oldG = {st.oldLeft, st.oldEven, oldOdd, oldRight};
        const GreenWindow newG = {st.newLeft, st.newEven, st.newOdd, newRight};
        const bool second = x + 1 < width;
        if (Mode::finishAbove) {
            finishBlueRow(out, -1, x, second, c, s.row[1], oldG, s.row[0], oldG, s.row[2], newG);
        }
        finishRedRow(out, 0, x, second, c, s.row[2], newG, s.row[1], oldG, s.row[3], newG);
        if (Mode::finishBelow) {
            // Row y+2 reflects onto row y, greens included.
            finishBlueRow(out, 1, x, second, c, s.row[3], newG, s.row[2], newG, s.row[4], newG);
        }
    }
    if (Mode::storeGreens) {
        // Old entries x-1 and x have had their last reader.
        if (x >= 1) greenRow[x - 1] = (uint8_t)st.newLeft;
        greenRow[x] = (uint8_t)st.newEven;
    }
    st.oldLeft = oldOdd;
    st.oldEven = oldRight;
    st.newLeft = st.newOdd;
    st.newEven = newRight;
    st.newOdd = newNext;
}


// One row-pair step; `out` is positioned at row y (unused by PrimeStep).
template <class Mode, class Out>
inline uint32_t rowPairStep(const RowSet& s, int width, uint8_t* greenRow, const Out& out) {
    StepState st;
    st.newEven = siteGreen<2, BorderColumns>(s, width, 0);
    st.newOdd = siteGreen<3, BorderColumns>(s, width, 1);
    st.newLeft = st.newOdd;  // column -1 reflects onto column 1
    st.oldLeft = 0;
    st.oldEven = 0;
    if (Mode::finishRows) {
        st.oldLeft = greenRow[1];
        st.oldEven = greenRow[0];
    }
    int x = 0;
    stepColumnPair<Mode, BorderColumns>(s, width, greenRow, out, st, x);
    x = 2;
    if (out.vector) {
        // The other columns in vector blocks of the active instruction set.
        interiorStep<Mode>(*out.vector, out)(s, width, greenRow, out, st, x);
        return 0;
    }
    for (; x + 5 < width; x += 2) {
        stepColumnPair<Mode, InteriorColumns>(s, width, greenRow, out, st, x);
    }
    for (; x < width; x += 2) {
        stepColumnPair<Mode, BorderColumns>(s, width, greenRow, out, st, x);
    }
    // With an even width the last new green (column width-1) is still carried.
    if (Mode::storeGreens && (width & 1) == 0) greenRow[width - 1] = (uint8_t)st.newLeft;
    return 0;
}

// ---- frame schedule ----

// First rows: greens of the reflected pair above, then the first pair.
// firstRedRow is 0 for frames starting with a red/green row, 1 otherwise
// (row 0 is then the row above the first pair).
template <class Out>
inline uint32_t edgeFirstRows(const uint8_t* frame, int height, int width, const Out& out,
                              uint8_t* greenRow, int firstRedRow) {
    rowPairStep<PrimeStep>(rowSetAt(frame, height, width, firstRedRow - 2), width, greenRow, out);
    const RowSet first = rowSetAt(frame, height, width, firstRedRow);
    if (firstRedRow == 0) return rowPairStep<TopStep>(first, width, greenRow, out);
    return rowPairStep<InnerStep>(first, width, greenRow, out.atRow(firstRedRow));
}

template <class Out>
inline uint32_t edgeBody(const uint8_t* frame, int height, int width, const Out& out,
                         uint8_t* greenRow, int y) {
    return rowPairStep<InnerStep>(rowSetAt(frame, height, width, y), width, greenRow,
                                  out.atRow(y));
}

// y = height-2: rows y-1 .. height-1.
template <class Out>
inline uint32_t edgeLast2Rows(const uint8_t* frame, int height, int width, const Out& out,
                              uint8_t* greenRow, int y) {
    return rowPairStep<ClosingStep>(rowSetAt(frame, height, width, y), width, greenRow,
                                    out.atRow(y));
}

// y = height-3: rows y-1 .. height-1.
template <class Out>
inline uint32_t edgeLast3Rows(const uint8_t* frame, int height, int width, const Out& out,
                              uint8_t* greenRow, int y) {
    rowPairStep<InnerStep>(rowSetAt(frame, height, width, y), width, greenRow, out.atRow(y));
    return rowPairStep<FinalStep>(rowSetAt(frame, height, width, y + 2), width, greenRow,
                                  out.atRow(y + 2));
}

// The whole frame (height and width at least 6). When the green row lies in
// the last output row, only the final-rows step writes that row, and it reads
// each green entry before the pixel bytes sharing its storage are stored.
template <class Out>
inline void edgeDemosaic(const uint8_t* frame, int height, int width, const Out& out,
                         uint8_t* greenRow, int firstRedRow) {
    edgeFirstRows(frame, height, width, out, greenRow, firstRedRow);
    int y = firstRedRow + 2;
    for (; y < height - 3; y += 2) edgeBody(frame, height, width, out, greenRow, y);
    if (y == height - 2) {
        edgeLast2Rows(frame, height, width, out, greenRow, y);
    } else {
        edgeLast3Rows(frame, height, width, out, greenRow, y);
    }
}

// ---- bands of rows ----
// The step of red row y finishes rows y-1 and y; the first (y = 0) finishes
// row 0 only, the one at height-2 also the last row, the one at height-1
// rows height-2 and height-1. Every row is finished by exactly one step, so a
// band runs the steps that finish its rows, after priming the green row with
// the greens of the pair before the first of them (greens depend on the
// source alone). A step whose rows cross the band's edges is written to
// `seamRows` and only the band's rows are copied out.

// Source rows y-2 .. y+3 of a pair from wherever the band's rows lie.
inline RowSet rowSetAt(const FrameRows& source, int height, int y) {
    RowSet s;
    for (int k = 0; k < 6; ++k) s.row[k] = source.row(reflectIndex(y - 2 + k, height));
    return s;
}

template <class Out>
inline void edgeStepAt(const FrameRows& source, int height, int width, const Out& out,
                       uint8_t* greenRow, int y) {
    const RowSet s = rowSetAt(source, height, y);
    if (y == 0) {
        rowPairStep<TopStep>(s, width, greenRow, out);
    } else if (y == height - 2) {
        rowPairStep<ClosingStep>(s, width, greenRow, out);
    } else if (y == height - 1) {
        rowPairStep<FinalStep>(s, width, greenRow, out);
    } else {
        rowPairStep<InnerStep>(s, width, greenRow, out);
    }
}

// Output rows [first, end) of the frame; `greenRow` is this band's own line
// memory, `seamRows` 3 x width x kMaxBytesPerPixel bytes of its own.
template <class Out>
inline void edgeBandRows(const FrameRows& source, int height, int width, const Out& out,
                         uint8_t* greenRow, uint8_t* seamRows, int firstRedRow, int first, int end,
                         RowFeed* feed) {
    auto stepFinishing = [&](int row) {
        if (((row - firstRedRow) & 1) == 0) return row;
        return row + 1 < height ? row + 1 : height - 2;
    };
    auto lastRowRead = [&](int row) { return row < height ? row : height - 1; };
    const int firstStep = stepFinishing(first);
    const int lastStep = stepFinishing(end - 1);
    // The priming pair reads rows firstStep-4 .. firstStep+1; near the top
    // they mirror down to row 4 at most.
    needRows(feed, lastRowRead(firstStep + 1 > 4 ? firstStep + 1 : 4));
    rowPairStep<PrimeStep>(rowSetAt(source, height, firstStep - 2), width, greenRow, out);
    for (int y = firstStep; y <= lastStep; y += 2) {
        needRows(feed, lastRowRead(y + 3));
        const int top = y == 0 ? 0 : y - 1;
        const int bottom = y == height - 2 ? height - 1 : y;
        if (top >= first && bottom < end) {
            edgeStepAt(source, height, width, out.atRow(y), greenRow, y);
            continue;
        }
        const Out seam = out.redirected(seamRows, width);
        edgeStepAt(source, height, width, seam, greenRow, y);
        const Out rowY = out.atRow(y);
        for (int row = top > first ? top : first; row <= bottom && row < end; ++row) {
            rowY.copyPixels(seam, row - y, 0, 0, width);
        }
    }
}

TAV_ISA_END
}  // namespace edge
}  // namespace tav

#endif

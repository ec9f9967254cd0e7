// The 16-bit edge-directed interior: pass 1 as colour differences kept a
// row pair at a time, and whole output rows from them (rows.h). Kernel
// units build it with their vector blocks, the baseline with the plain rule.
#ifndef TAV_KERNELS_EDGE16_INTERIOR_H
#define TAV_KERNELS_EDGE16_INTERIOR_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "kernels/edge16/rows.h"

namespace tav {
namespace edge16 {
TAV_ISA_BEGIN

// Green estimate of pass 1 from the site's sample X, its green edge
// neighbours and the samples of its own colour two sites away. Ties go
// vertical; the correction is an arithmetic shift (toward minus infinity).
inline int32_t estimateGreen(int32_t x, int32_t n, int32_t s, int32_t w, int32_t e, int32_t nn, int32_t ss,
                             int32_t ww, int32_t ee, int correctionShift) {
    const int32_t dV = 2 * x - nn - ss;
    const int32_t dH = 2 * x - ww - ee;
    const int32_t gH = abs(w - e) + abs(dH);
    const int32_t gV = abs(n - s) + abs(dV);
    const int32_t vertical = (int32_t)((uint32_t)(n + s) >> 1) + (dV >> correctionShift);
    const int32_t horizontal = (int32_t)((uint32_t)(w + e) >> 1) + (dH >> correctionShift);
    return gH >= gV ? vertical : horizontal;
}

// The same estimate with fixed offsets, for interior sites.
inline int32_t estimateGreenAt(const uint16_t* s, ptrdiff_t w) {
    return estimateGreen(s[0], s[-w], s[w], s[-1], s[1], s[-2 * w], s[2 * w], s[-2], s[2], 2);
}

// The interior keeps the colour differences of its rows in short arrays on
// the stack; rows with more column pairs than this go in several runs.
const int32_t kMaxRunPairs = 2048;

// Colour differences of one row: index j is the site at column phase - 2 + 2j
// (red rows) or phase - 1 + 2j (blue rows), counted from the run's first
// pair, one pair beyond the run included.
struct DifferenceRows {
    int32_t redAbove[kMaxRunPairs + 2];
    int32_t redHere[kMaxRunPairs + 2];
    int32_t blueAbove[kMaxRunPairs + 2];
    int32_t blueBelow[kMaxRunPairs + 2];
};

// Pass 1 of the row pair, kept as colour differences only: the red
// differences of row r and the blue differences of row r + 1.
inline void interiorDifferences(const uint16_t* __restrict s, const uint16_t* __restrict d, ptrdiff_t w,
                                int32_t pairs, int32_t top, int32_t* __restrict redHere,
                                int32_t* __restrict blueBelow) {
    const ptrdiff_t w3 = 3 * w;
    redHere[0] = s[-2] - d[-6 + 1];
    blueBelow[0] = s[w - 1] - d[w3 - 3 + 1];
    int32_t k = 0;
#if defined(TAV_KERNEL_UNIT)
    // The red sites, then the blue ones: one block in flight at a time keeps
    // its vectors in registers.
    k = differenceBlocks(s, w, pairs, top, redHere, blueBelow);
#endif
    for (; k < pairs; ++k) {
        const uint16_t* sk = s + 2 * k;
        redHere[k + 1] = sk[0] - clampSample(estimateGreenAt(sk, w), top);
        sk += w + 1;
        blueBelow[k + 1] = sk[0] - clampSample(estimateGreenAt(sk, w), top);
    }
}

// The interior over a run of column pairs, all row pairs; s and d point at
// the run's first block in the first row pair. Each blue row is written
// whole once the red differences of the rows on both sides are known, i.e.
// one row pair late; the first blue row gets only its red (the first rows
// routine wrote the rest) and the last only blue and green (the last rows
// routine adds red). Runs go left to right: a run reads the greens that the
// run before it stored in the column just left of it.
inline void interiorRun(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top,
                 RunEnds ends) {
    DifferenceRows rowsKept;
    int32_t* redAbove = rowsKept.redAbove;
    int32_t* redHere = rowsKept.redHere;
    int32_t* blueAbove = rowsKept.blueAbove;
    int32_t* blueBelow = rowsKept.blueBelow;
    // A run that does not close the row needs the differences one pair on.
    const int32_t differencePairs = ends.closesRow ? pairs : pairs + 1;
    // The rows above the first pair were finished by earlier routines.
    const ptrdiff_t w3 = 3 * w;
    for (int32_t j = 0; j <= differencePairs; ++j) {
        redAbove[j] = s[-2 * w - 2 + 2 * j] - d[-2 * w3 - 6 + 6 * j + 1];
        blueAbove[j] = s[-w - 1 + 2 * j] - d[-w3 - 3 + 6 * j + 1];
    }
    for (int32_t r = 0; r < rows; r += 2) {
        const uint16_t* sr = s + r * w;
        uint16_t* dr = d + 3 * r * w;
        interiorDifferences(sr, dr, w, differencePairs, top, redHere, blueBelow);
        blueRow(sr - w, dr - w3, pairs, top, redAbove, redHere, blueAbove,
                r == 0 ? kBlueRowRedOnly : kBlueRowWhole, ends);
        redRow(sr, dr, pairs, top, redHere, blueAbove, blueBelow, ends);
        int32_t* t = redAbove;
        redAbove = redHere;
        redHere = t;
        t = blueAbove;
        blueAbove = blueBelow;
        blueBelow = t;
    }
    blueRow(s + (rows - 1) * w, d + (rows - 1) * w3, pairs, top, redAbove, redHere, blueAbove,
            kBlueRowBlueGreenOnly, ends);
}

// The interior over all its runs of column pairs: s and d point at the
// first block (row 2 + o, column phase).
inline void interiorRuns(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top) {
    for (int32_t first = 0; first < pairs; first += kMaxRunPairs) {
        const int32_t runPairs = pairs - first < kMaxRunPairs ? pairs - first : kMaxRunPairs;
        const RunEnds ends = {first == 0, first + runPairs == pairs};
        interiorRun(s + 2 * first, d + 3 * 2 * first, w, rows, runPairs, top, ends);
    }
}

TAV_ISA_END
}  // namespace edge16
}  // namespace tav

#endif

// The vector blocks of one edge-directed row-pair step, compiled once per
// instruction set (its kernel unit): a block of column pairs in vector lanes
// (vectorLanes.h on x86, neonBlock.h on NEON), the last columns of a row over
// mirrored local copies.
#ifndef TAV_KERNELS_EDGE_BLOCKS_H
#define TAV_KERNELS_EDGE_BLOCKS_H

#include <stdint.h>
#include <string.h>

#include "kernels/edge/step.h"
#if defined(__ARM_NEON)
#include "kernels/edge/neonBlock.h"  // stepBlock in byte lanes
#else
#include "kernels/edge/vectorLanes.h"
#endif

namespace tav {
namespace edge {
TAV_ISA_BEGIN

// Interior columns in blocks of kBlockPairs column pairs, in vector lanes:
// the greens of a block are interpolated first, then its columns are
// finished, then its green-row entries are replaced; the last columns of a
// row take the same blocks over mirrored local copies (stepTail). Same rule
// and bytes as stepColumnPair of rowPair.h over the same columns, which
// is the plain path.
#if !defined(__ARM_NEON)
constexpr int kBlockPairs = kLanes;

// Columns a block starting at x0 reads: up to x0 + 2 * kBlockPairs + 4.
inline bool blockFits(int x0, int width) { return x0 + 2 * kBlockPairs + 5 <= width; }

// The greens a block carries to the next: lane kLanes-1 of `red` is the
// green of the red site x0, lanes kLanes-2 and kLanes-1 of `blue` those of
// the blue sites x0-1 and x0+1 (x0 the next block's first column).
struct GreenCarry {
    Lanes16 red, blue;
};

TAV_LANES_INLINE GreenCarry carryFrom(const StepState& st) {
    GreenCarry c;
    c.red = (Lanes16){};
    c.blue = (Lanes16){};
    c.red[kLanes - 1] = (int16_t)st.newEven;
    c.blue[kLanes - 2] = (int16_t)st.newLeft;
    c.blue[kLanes - 1] = (int16_t)st.newOdd;
    return c;
}

TAV_LANES_INLINE void carryTo(const GreenCarry& c, StepState& st) {
    st.newLeft = c.blue[kLanes - 2];
    st.newEven = c.red[kLanes - 1];
    st.newOdd = c.blue[kLanes - 1];
}

template <class Mode, class Out>
TAV_LANES_INLINE void blockBody(const RowSet& s, uint8_t* greenRow, const Out& out, GreenCarry& carry,
                                int x0) {
    // New greens at the red sites x0+2, x0+4, ... and the blue sites x0+3, x0+5, ...
    // (kBlockPairs of each);
    // the carried ones fill the lanes before them.
    const Lanes16 redAhead = steeredGreen8(s.row[2], s.row[1], s.row[3], s.row[0], s.row[4], x0 + 2);
    const Lanes16 blueAhead =
        steeredGreen8(s.row[3], s.row[2], s.row[4], s.row[1], s.row[5], x0 + 3);
    GreenLanes newG;
    newG.left = lastTwoThen(carry.blue, blueAhead);
    newG.even = lastOneThen(carry.red, redAhead);
    newG.odd = lastOneThen(carry.blue, blueAhead);
    newG.right = redAhead;

    if (Mode::finishRows) {
        // The green row is read before this block's pixels are stored; they
        // cover no entry from column x0 + 2 * kBlockPairs - 1 on.
        const GreenLanes oldG = greenRowLanes(greenRow, x0);
        PixelLanes above, row, below;
        if (Mode::finishAbove) {
            above = finishBlueRow8(out, x0, s.row[1], oldG, s.row[0], oldG, s.row[2], newG);
        }
        row = finishRedRow8(out, x0, s.row[2], newG, s.row[1], oldG, s.row[3], newG);
        if (Mode::finishBelow) {
            below = finishBlueRow8(out, x0, s.row[3], newG, s.row[2], newG, s.row[4], newG);
        }
        if (Mode::finishAbove) storePixelLanes(out, -1, x0, above);
        storePixelLanes(out, 0, x0, row);
        if (Mode::finishBelow) storePixelLanes(out, 1, x0, below);
    }
    // Entries x0-1 .. x0 + 2 * kBlockPairs - 2 have had their last reader.
    if (Mode::storeGreens) storeBytes16(greenRow + x0 - 1, newG.left, newG.even);
    carry.red = redAhead;
    carry.blue = blueAhead;
}

#endif

// One block, or a run of them, with the greens carried between blocks
// (GreenCarry and blockBody above, or in neonBlock.h) and between calls in
// the step state.
template <class Mode, class Out>
TAV_LANES_INLINE void stepBlock(const RowSet& s, uint8_t* greenRow, const Out& out, StepState& st,
                                int x0) {
    GreenCarry carry = carryFrom(st);
    blockBody<Mode>(s, greenRow, out, carry, x0);
    carryTo(carry, st);
    if (Mode::finishRows) {
        const int next = x0 + 2 * kBlockPairs;
        st.oldLeft = greenRow[next - 1];
        st.oldEven = greenRow[next];
    }
}

// The run of whole blocks from x; returns where it stopped.
template <class Mode, class Out>
inline int stepBlocks(const RowSet& rows, int width, uint8_t* greenRow, const Out& out, StepState& st,
                      int x) {
    // Copies kept in registers: the byte stores could change the originals.
    // The output's fields too on x86 (without the copy they are reloaded
    // every block); on ARM the copy costs more than it saves.
    const RowSet s = rows;
#if defined(__ARM_NEON)
    const Out& o = out;
#else
    const Out o = out;
#endif
    GreenCarry carry = carryFrom(st);
    for (; blockFits(x, width); x += 2 * kBlockPairs) blockBody<Mode>(s, greenRow, o, carry, x);
    carryTo(carry, st);
    if (Mode::finishRows) {
        st.oldLeft = greenRow[x - 1];
        st.oldEven = greenRow[x];
    }
    return x;
}

// The columns from x0 to the end of the row (fewer than a block's reach), as
// blocks over small local copies: the source rows and the green row mirrored
// past the last column, and the pixels written to a local area of which
// only the columns inside the row are copied out. Greens and samples beyond
// column width+3 never reach a column inside the row, so they are zero.
constexpr int kTailBlocks = 2;  // a tail is at most 2 * kBlockPairs + 4 columns
constexpr int kTailColumns = 2 * kBlockPairs * kTailBlocks + 16;

template <class Mode, class Out>
inline void stepTail(const RowSet& s, int width, uint8_t* greenRow, const Out& out,
                     StepState& st, int x0) {
    // Local column 0 is column x0 - 2.
    const int base = x0 - 2;
    const int inside = width - base;  // local columns inside the row
    uint8_t rows[6][kTailColumns];
    uint8_t greens[kTailColumns];
    RowSet local;
    for (int k = 0; k < 6; ++k) {
        uint8_t* copy = rows[k];
        memcpy(copy, s.row[k] + base, (size_t)inside);
        // Columns width .. width+3 mirror onto width-2 .. width-5.
        for (int i = 0; i < 4; ++i) copy[inside + i] = copy[inside - 2 - i];
        memset(copy + inside + 4, 0, (size_t)(kTailColumns - inside - 4));
        local.row[k] = copy;
    }
    // Entries from x0-1 on are still unread (even entries before x0 are
    // never read); columns width and width+1 mirror onto width-2 and width-3.
    memcpy(greens, greenRow + base, (size_t)inside);
    greens[inside] = greens[inside - 2];
    greens[inside + 1] = greens[inside - 3];
    memset(greens + inside + 2, 0, (size_t)(kTailColumns - inside - 2));
    uint8_t pixels[3 * kTailColumns * kMaxBytesPerPixel];
    const Out localOut = out.redirected(pixels, kTailColumns);

    int x = 2;
    for (; base + x < width; x += 2 * kBlockPairs) stepBlock<Mode>(local, greens, localOut, st, x);

    const int count = width - x0;
    if (Mode::finishRows) {
        if (Mode::finishAbove) out.copyPixels(localOut, -1, 2, x0, count);
        out.copyPixels(localOut, 0, 2, x0, count);
        if (Mode::finishBelow) out.copyPixels(localOut, 1, 2, x0, count);
    }
    if (Mode::storeGreens) {
        // The blocks stored entries x0-1 .. base + x - 2; with an even width
        // the last one (column width-1) may still be carried.
        const int stored = base + x - 2 < width - 1 ? base + x - 2 : width - 1;
        memcpy(greenRow + x0 - 1, greens + 1, (size_t)(stored - x0 + 2));
        if (stored < width - 1) greenRow[width - 1] = (uint8_t)st.newLeft;
    }
}

template <class Mode, class Out>
void stepInterior(const RowSet& s, int width, uint8_t* greenRow, const Out& out, StepState& st,
                  int x) {
    x = stepBlocks<Mode>(s, width, greenRow, out, st, x);
    stepTail<Mode>(s, width, greenRow, out, st, x);
}

template <class Out>
constexpr ModeSteps<Out> modeSteps() {
    ModeSteps<Out> m = {};
    m.byMode[PrimeStep::index] = stepInterior<PrimeStep, Out>;
    m.byMode[TopStep::index] = stepInterior<TopStep, Out>;
    m.byMode[InnerStep::index] = stepInterior<InnerStep, Out>;
    m.byMode[ClosingStep::index] = stepInterior<ClosingStep, Out>;
    m.byMode[FinalStep::index] = stepInterior<FinalStep, Out>;
    return m;
}

constexpr VectorSteps kVectorSteps = {
    modeSteps<InterleavedOut<3, false>>(), modeSteps<InterleavedOut<3, true>>(),
    modeSteps<InterleavedOut<4, false>>(), modeSteps<InterleavedOut<4, true>>(),
    modeSteps<PlanarOut>(),                modeSteps<LumaOut>(),
};

TAV_ISA_END
}  // namespace edge
}  // namespace tav

#endif

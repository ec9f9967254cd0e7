// The state one row-pair step of the edge-directed kernels hands between
// its plain columns and the vector blocks of an instruction set
// (an entry of the kernel table), and the table of those blocks. Data and compile-time
// types only: the same in every unit.
#ifndef TAV_KERNELS_EDGE_STEP_H
#define TAV_KERNELS_EDGE_STEP_H

#include <stdint.h>

#include "kernels/edge/outputs.h"

namespace tav {
namespace edge {

// Source rows y-2 .. y+3 of a pair, reflected at the top and bottom.
struct RowSet {
    const uint8_t* row[6];
};

// What one step does besides interpolating the pair's greens.
template <bool FinishRows, bool FinishAbove, bool FinishBelow, bool StoreGreens>
struct StepMode {
    // 0 .. 4 over the five modes below, for tables of variants.
    static constexpr int index = (int)FinishRows + (int)FinishAbove + (int)FinishBelow + (int)!StoreGreens;
    static constexpr bool finishRows = FinishRows;    // rows y (and y-1 if FinishAbove)
    static constexpr bool finishAbove = FinishAbove;  // row y-1 exists
    static constexpr bool finishBelow = FinishBelow;  // row y+1 is the last row
    static constexpr bool storeGreens = StoreGreens;  // a later step reads them
};
// Greens of the reflected pair above the frame only.
using PrimeStep = StepMode<false, false, false, true>;
// Pair (0, 1): row -1 does not exist.
using TopStep = StepMode<true, false, false, true>;
// Any pair with rows below it.
using InnerStep = StepMode<true, true, false, true>;
// Pair (h-2, h-1): row h reflects onto h-2, so row h-1 finishes here too.
using ClosingStep = StepMode<true, true, true, false>;
// Single last red/green row h-1 (the row below it reflects onto h-2).
using FinalStep = StepMode<true, true, false, false>;
constexpr int kStepModes = 5;

// Column pair x, x+1 of one step. The carried greens and old entries slide
// right by two columns per call.
struct StepState {
    int newLeft, newEven, newOdd;  // new greens at x-1, x, x+1
    int oldLeft, oldEven;          // old greens at x-1, x
};

// The columns from x on of one step (x = 2: columns 0 and 1 are done), for
// one output kind.
template <class Out>
using InteriorStep = void (*)(const RowSet& s, int width, uint8_t* greenRow, const Out& out,
                              StepState& st, int x);

template <class Out>
struct ModeSteps {
    InteriorStep<Out> byMode[kStepModes];  // indexed by StepMode::index
};

struct VectorSteps {
    ModeSteps<InterleavedOut<3, false>> bgr;
    ModeSteps<InterleavedOut<3, true>> rgb;
    ModeSteps<InterleavedOut<4, false>> bgra;
    ModeSteps<InterleavedOut<4, true>> rgba;
    ModeSteps<PlanarOut> planar;
    ModeSteps<LumaOut> luma;
};

inline const ModeSteps<InterleavedOut<3, false>>& stepsOf(const VectorSteps& v, const InterleavedOut<3, false>&) { return v.bgr; }
inline const ModeSteps<InterleavedOut<3, true>>& stepsOf(const VectorSteps& v, const InterleavedOut<3, true>&) { return v.rgb; }
inline const ModeSteps<InterleavedOut<4, false>>& stepsOf(const VectorSteps& v, const InterleavedOut<4, false>&) { return v.bgra; }
inline const ModeSteps<InterleavedOut<4, true>>& stepsOf(const VectorSteps& v, const InterleavedOut<4, true>&) { return v.rgba; }
inline const ModeSteps<PlanarOut>& stepsOf(const VectorSteps& v, const PlanarOut&) { return v.planar; }
inline const ModeSteps<LumaOut>& stepsOf(const VectorSteps& v, const LumaOut&) { return v.luma; }

template <class Mode, class Out>
inline InteriorStep<Out> interiorStep(const VectorSteps& v, const Out& out) {
    return stepsOf(v, out).byMode[Mode::index];
}

}  // namespace edge
}  // namespace tav

#endif

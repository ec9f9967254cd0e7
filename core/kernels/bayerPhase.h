// The Bayer phase of a frame: where its red sites lie, as the parity of
// their rows and of their columns. Blue sites take the other row and column
// parity, greens the two remaining sites of each 2x2 cell.
#ifndef TAV_KERNELS_BAYER_PHASE_H
#define TAV_KERNELS_BAYER_PHASE_H

namespace tav {

struct BayerPhase {
    int redRowParity;
    int redColumnParity;
};

constexpr BayerPhase kPhaseRG = {0, 0};  // R G / G B
constexpr BayerPhase kPhaseGR = {0, 1};  // G R / B G
constexpr BayerPhase kPhaseGB = {1, 0};  // G B / R G
constexpr BayerPhase kPhaseBG = {1, 1};  // B G / G R

constexpr bool operator==(BayerPhase a, BayerPhase b) {
    return a.redRowParity == b.redRowParity && a.redColumnParity == b.redColumnParity;
}

// 0 .. 3 in the order RG, GR, GB, BG, for tables of kernels.
constexpr int phaseIndex(BayerPhase p) { return 2 * p.redRowParity + p.redColumnParity; }

// The phase that names the same sites with red and blue exchanged.
constexpr BayerPhase withRedAndBlueExchanged(BayerPhase p) {
    return {1 - p.redRowParity, 1 - p.redColumnParity};
}

}  // namespace tav

#endif

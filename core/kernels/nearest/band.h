// Nearest-neighbour rows of a band: RG and GB kernels (BG and GR frames by
// exchange), row pairs of a green/blue row and the red/green row below it.
// Internal: nothing here is exported.
#ifndef TAV_KERNELS_NEAREST_BAND_H
#define TAV_KERNELS_NEAREST_BAND_H

#include <stdint.h>

#include "kernels/bandKernels.h"

namespace tav {

// A pair reads the row above it (one row beyond a band); frames of at least 4 rows and columns.
constexpr FamilyTraits kNearestTraits = {4, 1, 3, true, noLineMemory, placeNoLineMemory};

void nearestBand(BayerPhase phase, const FrameRows& source, int32_t height, int32_t width,
                 const BandOutput& output, const BandRows& rows);

}  // namespace tav

#endif

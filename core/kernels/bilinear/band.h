// Bilinear rows of a band: every Bayer phase for interleaved output, RG and GR
// for planar and grey (GB and BG by exchange); each row reads its neighbours.
// Internal: nothing here is exported.
#ifndef TAV_KERNELS_BILINEAR_BAND_H
#define TAV_KERNELS_BILINEAR_BAND_H

#include <stdint.h>

#include "kernels/bandKernels.h"

namespace tav {

// Rows stand alone (no pairs) and read the rows beside them; frames of at least 4 rows and columns.
constexpr FamilyTraits kBilinearTraits = {4, 1, 3, false, noLineMemory, placeNoLineMemory};

void bilinearBand(BayerPhase phase, const FrameRows& source, int32_t height, int32_t width,
                  const BandOutput& output, const BandRows& rows);

}  // namespace tav

#endif

// Grey input rows of a band: each sample copied to every channel (a zero
// fourth byte for 4-byte outputs, the same plane three times for planar ones).
// Internal: nothing here is exported.
#ifndef TAV_KERNELS_GREY_BAND_H
#define TAV_KERNELS_GREY_BAND_H

#include <stdint.h>

#include "kernels/bandKernels.h"

namespace tav {

// Each row stands alone; any size.
constexpr FamilyTraits kGreyTraits = {1, 0, 1, false, noLineMemory, placeNoLineMemory};

void greyBand(const FrameRows& source, int32_t height, int32_t width, const BandOutput& output,
              const BandRows& rows);

}  // namespace tav

#endif

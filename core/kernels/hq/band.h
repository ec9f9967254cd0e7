// High-quality rows of a band, in the frame's own Bayer phase: each band
// makes the planes of the rule for its rows and up to nine rows beyond
// them, mirrored only at the frame's edges. Internal: nothing here is exported.
#ifndef TAV_KERNELS_HQ_BAND_H
#define TAV_KERNELS_HQ_BAND_H

#include <stdint.h>

#include "kernels/bandKernels.h"
#include "kernels/hq/rows.h"

namespace tav {

// A band's line memory: the engine's rings, then one row each of red, green and blue.
inline uint64_t hqLineMemoryBytes(int32_t width) {
    return hq::engineBytes(width, 255) + 3 * (((uint64_t)width * sizeof(uint16_t) + 63) & ~(uint64_t)63) + 64;
}
inline void placeHqLineMemory(uint8_t* memory, int32_t, BandRows* rows) { rows->greenRow = memory; }

// An output row reads samples up to nine rows away (the first row of a band
// all of them at once); frames of at least 4 rows and columns.
constexpr FamilyTraits kHqTraits = {4, hq::kRowsReadAcross, 2 * hq::kRowsReadAcross + 1, false,
                                    hqLineMemoryBytes, placeHqLineMemory};

// Rows [rows.first, rows.end) with the line memory at rows.greenRow.
void hqBand(BayerPhase phase, const FrameRows& source, int32_t height, int32_t width, const BandOutput& output,
            const BandRows& rows);

}  // namespace tav

#endif

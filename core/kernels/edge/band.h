// Edge-directed rows of a band: RG and GB kernels (BG and GR frames by
// exchange). A step reads rows y-2 .. y+3 of its pair and carries a green row.
// Internal: nothing here is exported.
#ifndef TAV_KERNELS_EDGE_BAND_H
#define TAV_KERNELS_EDGE_BAND_H

#include <stdint.h>

#include "kernels/bandKernels.h"

namespace tav {

// A band's line memory: its green row, then room for the three output rows
// of a step that a band edge cuts (4 bytes per pixel at most).
inline size_t edgeGreenRowBytes(int32_t width) { return ((size_t)width + 63) & ~(size_t)63; }
inline uint64_t edgeLineMemoryBytes(int32_t width) { return (((uint64_t)width + 63) & ~(uint64_t)63) * (1 + 3 * 4) + 64; }
inline void placeEdgeLineMemory(uint8_t* memory, int32_t width, BandRows* rows) {
    rows->greenRow = memory;
    rows->seamRows = memory + edgeGreenRowBytes(width);
}

// The first step primes its green row from the pair two rows above (its row
// set reaches four rows above the band, though the output depends on three)
// and steps read three rows below their pair; frames of at least 6 rows and
// columns (smaller ones are refused with the kernel's own line).
constexpr FamilyTraits kEdgeTraits = {6, 4, 6, true, edgeLineMemoryBytes, placeEdgeLineMemory};

void edgeBand(BayerPhase phase, const FrameRows& source, int32_t height, int32_t width,
              const BandOutput& output, const BandRows& rows);

}  // namespace tav

#endif

// Bands of output rows: every 8-bit kernel family can produce rows
// [first, end) of a whole frame. A band reads the neighbour rows it needs
// from the frame and mirrors only at the frame's own edges, so the bytes it
// writes are those of the whole-frame call whatever the banding. Bands write
// nothing outside their rows; several bands of one frame may run at once.
// Internal: nothing here is exported.
#ifndef TAV_CORE_KERNELS_BAND_KERNELS_H
#define TAV_CORE_KERNELS_BAND_KERNELS_H

#include <stddef.h>
#include <stdint.h>

#include "bayerPhase.h"
#include "tav_types.h"

namespace tav {

// Where the 8-bit source rows lie: the whole frame (row y at y x width), or
// a window of `windowRows` rows that fused unpacking refills in turn (row y
// at (y mod windowRows) x width) and that always holds the rows a band is
// about to read.
struct FrameRows {
    const uint8_t* data;
    size_t width;
    int32_t windowRows;  // 0: the whole frame

    const uint8_t* row(int32_t y) const {
        return data + (size_t)(windowRows > 0 ? y % windowRows : y) * width;
    }
};

inline FrameRows wholeFrameRows(const uint8_t* frame, int32_t width) { return {frame, (size_t)width, 0}; }

// Makes source rows ready just before a band reads them (fused unpacking).
// Rows below readyEnd are ready; prepare() makes at least rows up to `row`
// ready and raises readyEnd.
struct RowFeed {
    void (*prepare)(RowFeed* feed, int32_t row);
    int32_t readyEnd;
};

// Called by the row drivers with the highest frame row (after mirroring)
// that the next step reads; that step reads no row more than 5 below it.
inline void needRows(RowFeed* feed, int32_t row) {
    if (feed != nullptr && row >= feed->readyEnd) feed->prepare(feed, row);
}

struct BandRows {
    int32_t first;  // output rows [first, end)
    int32_t end;
    // Edge-directed: line memory of `width` bytes that only this band uses,
    // and room for the three rows of a step that a band edge cuts
    // (3 x width x 4 bytes). Unused by the other families.
    uint8_t* greenRow;
    uint8_t* seamRows;
    RowFeed* feed;  // null when the whole frame is ready
};

// Kernel-level layouts, as the exported kernels name them.
enum class BandLayout { Bgr, Bgra, Planar, Mono };

struct BandOutput {
    BandLayout layout;
    uint8_t* data;       // interleaved or grey output
    uint8_t* planes[3];  // planar output, in the kernel's plane order
    uint32_t orderFlag;  // as the exported kernels' order flag
    const int32_t* weights;  // bilinear grey: red-position, green, blue-position weights
};

// What the band planner needs to know of a kernel family; each family's
// band header (kernels/<family>/band.h) states its own.
struct FamilyTraits {
    int32_t minSide;          // smallest height and width the kernels take
    int32_t rowsReadAcross;   // most rows a band reads above its first or below its last row
    int32_t stepRowSpan;      // rows a step reads, from the highest row it asks for down
    bool pairsOpenOnBlueRows; // row pairs start on the kernel's first row without red
    // Line memory of one band among several (0: none), and where its parts go.
    // Counted in 64 bits: a 32-bit core cannot address every count.
    uint64_t (*lineMemoryBytes)(int32_t width);
    void (*placeLineMemory)(uint8_t* memory, int32_t width, BandRows* rows);
};

// The first row of every row pair of a kernel of this phase: band edges lie
// there, so no band edge cuts a step.
inline int32_t firstPairRow(const FamilyTraits& traits, BayerPhase kernelPhase) {
    return traits.pairsOpenOnBlueRows ? 1 - kernelPhase.redRowParity : 0;
}

inline uint64_t noLineMemory(int32_t) { return 0; }
inline void placeNoLineMemory(uint8_t*, int32_t, BandRows*) {}

}  // namespace tav

#endif

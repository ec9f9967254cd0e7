// Whole output rows of the 16-bit edge-directed interior, formed from the
// colour differences (sample minus green) of the row and its neighbours.
//
// Columns are taken in pairs from the interior's first column p: pair k
// covers columns a = p + 2k and b = a + 1. On a red row a is an R site and
// b a G site; on a blue row a is a G site and b a B site. Difference arrays
// are indexed j for column p - 2 + 2j (red rows) or p - 1 + 2j (blue rows),
// so the four differences around pair k are entries k .. k + 2.
//
// Each row writes red over columns p - 1 .. Ec - 2 and blue and green over
// p .. Ec - 1 (Ec = p + 2 * pairs): whole pixels p .. Ec - 2, red alone at
// p - 1 and blue and green alone at Ec - 1. Long rows go in runs of pairs,
// each needing the differences one pair beyond its end. In kernel units the
// whole pixels go a block of column pairs at a time (vectorBlock.h, or
// neonBlock.h on NEON); the per-pair rule (pairRule.h) handles the rest and
// is the definition the blocks match.
#ifndef TAV_KERNELS_EDGE16_ROWS_H
#define TAV_KERNELS_EDGE16_ROWS_H

#include <stdint.h>

#include "kernels/edge16/pairRule.h"
#if defined(TAV_KERNEL_UNIT) && defined(__ARM_NEON) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#include "kernels/edge16/neonBlock.h"
#elif defined(TAV_KERNEL_UNIT)
#include "kernels/edge16/vectorBlock.h"
#endif

namespace tav {
namespace edge16 {
TAV_ISA_BEGIN

// Where a run of column pairs lies in its row: a run that opens the row
// also writes the red of the column before it; one that closes the row
// leaves the red of its last column to the last columns routine.
struct RunEnds {
    bool opensRow;
    bool closesRow;
};

// Whole pixels of the run's pairs (but for what the row's last column
// lacks). Blocks stop while a pixel of the row is still to follow, which
// the interleaved store may touch before it is written.
inline void redRow(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                   const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow, RunEnds ends) {
    if (ends.opensRow) d[-3 + 2] = clamped(s[-1] + ((redHere[0] + redHere[1]) >> 1), top);
    int32_t k = 0;
#if defined(TAV_KERNEL_UNIT)
    k = redRowBlocks(s, d, pairs, top, redHere, blueAbove, blueBelow);
#endif
    for (; k < pairs - 1; ++k) redRowPair(s, d, k, top, redHere, blueAbove, blueBelow);
    if (ends.closesRow) {
        redRowPair<false>(s, d, k, top, redHere, blueAbove, blueBelow);
    } else {
        redRowPair(s, d, k, top, redHere, blueAbove, blueBelow);
    }
}

inline void blueRow(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t pairs, int32_t top,
                    const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere, BlueRowPart part,
                    RunEnds ends) {
    const bool withRed = part != kBlueRowBlueGreenOnly, withBlueGreen = part != kBlueRowRedOnly;
    if (withRed && ends.opensRow)
        d[-3 + 2] = clamped(s[-1] - blueHere[0] + ((redAbove[0] + redAbove[1] + redBelow[0] + redBelow[1]) >> 2), top);
    // Pairs written whole where the part allows it.
    const int32_t fullPairs = ends.closesRow ? pairs - 1 : pairs;
    int32_t k = 0;
    if (part == kBlueRowWhole) {
#if defined(TAV_KERNEL_UNIT)
        k = blueRowBlocks(s, d, pairs, top, redAbove, redBelow, blueHere);
#endif
        for (; k < fullPairs; ++k) blueRowPair(s, d, k, top, redAbove, redBelow, blueHere);
    } else {
        for (; k < fullPairs; ++k) {
            const int32_t a = 2 * k, b = a + 1;
            if (withRed) {
                d[3 * a + 2] = clamped(s[a] + ((redAbove[k + 1] + redBelow[k + 1]) >> 1), top);
                d[3 * b + 2] = clamped(
                    s[b] - blueHere[k + 1] + ((redAbove[k + 1] + redAbove[k + 2] + redBelow[k + 1] + redBelow[k + 2]) >> 2),
                    top);
            } else {
                d[3 * a + 0] = clamped(s[a] + ((blueHere[k] + blueHere[k + 1]) >> 1), top);
                d[3 * a + 1] = s[a];
                d[3 * b + 0] = s[b];
                d[3 * b + 1] = (uint16_t)(s[b] - blueHere[k + 1]);
            }
        }
    }
    if (!ends.closesRow) return;
    // Last pair of the row: the G site whole, the B site blue and green only.
    const int32_t a = 2 * k, b = a + 1;
    if (withBlueGreen) {
        d[3 * a + 0] = clamped(s[a] + ((blueHere[k] + blueHere[k + 1]) >> 1), top);
        d[3 * a + 1] = s[a];
        d[3 * b + 0] = s[b];
        d[3 * b + 1] = (uint16_t)(s[b] - blueHere[k + 1]);
    }
    if (withRed) d[3 * a + 2] = clamped(s[a] + ((redAbove[k + 1] + redBelow[k + 1]) >> 1), top);
}

TAV_ISA_END
}  // namespace edge16
}  // namespace tav

#endif

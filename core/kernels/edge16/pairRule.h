// The per-pair rule of the 16-bit edge-directed interior rows: whole
// pixels of one column pair from the colour differences around it (rows.h
// says how pairs and difference arrays are laid out). The vector blocks
// match it.
#ifndef TAV_KERNELS_EDGE16_PAIR_RULE_H
#define TAV_KERNELS_EDGE16_PAIR_RULE_H

#include <stdint.h>

#include "simd/isaNamespace.h"

namespace tav {
namespace edge16 {
TAV_ISA_BEGIN

// Which channels a blue row receives: its first interior row lacks blue and
// green (finished by the first rows routine), its last lacks red (finished by
// the last rows routine).
enum BlueRowPart { kBlueRowRedOnly, kBlueRowWhole, kBlueRowBlueGreenOnly };

inline int32_t clampSample(int32_t v, int32_t top) { return v < 0 ? 0 : (v > top ? top : v); }
inline uint16_t clamped(int32_t v, int32_t top) { return (uint16_t)clampSample(v, top); }

// Red row, pair k: s and d point at column p of the row. The G site's red
// needs the next pair's red difference, which the row's last pair lacks:
// there WithGreenSiteRed is false and that sample is left to the caller.
template <bool WithGreenSiteRed = true>
inline void redRowPair(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                       const int32_t* redHere, const int32_t* blueAbove, const int32_t* blueBelow) {
    const int32_t a = 2 * k, b = a + 1;
    const int32_t greenA = s[a] - redHere[k + 1];
    d[3 * a + 0] = clamped(greenA + ((blueAbove[k] + blueAbove[k + 1] + blueBelow[k] + blueBelow[k + 1]) >> 2), top);
    d[3 * a + 1] = (uint16_t)greenA;
    d[3 * a + 2] = s[a];
    d[3 * b + 0] = clamped(s[b] + ((blueAbove[k + 1] + blueBelow[k + 1]) >> 1), top);
    d[3 * b + 1] = s[b];
    if (WithGreenSiteRed) d[3 * b + 2] = clamped(s[b] + ((redHere[k + 1] + redHere[k + 2]) >> 1), top);
}

// Blue row, pair k: s and d point at column p of the row.
inline void blueRowPair(const uint16_t* __restrict s, uint16_t* __restrict d, int32_t k, int32_t top,
                        const int32_t* redAbove, const int32_t* redBelow, const int32_t* blueHere) {
    const int32_t a = 2 * k, b = a + 1;
    const int32_t greenB = s[b] - blueHere[k + 1];
    d[3 * a + 0] = clamped(s[a] + ((blueHere[k] + blueHere[k + 1]) >> 1), top);
    d[3 * a + 1] = s[a];
    d[3 * a + 2] = clamped(s[a] + ((redAbove[k + 1] + redBelow[k + 1]) >> 1), top);
    d[3 * b + 0] = s[b];
    d[3 * b + 1] = (uint16_t)greenB;
    d[3 * b + 2] =
        clamped(greenB + ((redAbove[k + 1] + redAbove[k + 2] + redBelow[k + 1] + redBelow[k + 2]) >> 2), top);
}

TAV_ISA_END
}  // namespace edge16
}  // namespace tav

#endif

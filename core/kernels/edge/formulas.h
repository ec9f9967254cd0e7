// Per-site rules of the edge-directed (gradient-steered) demosaicing: the
// missing green at a red or blue site, and red/blue from colour differences.
// All shifts are arithmetic (they floor); nothing adds a rounding constant.
#ifndef TAV_KERNELS_EDGE_FORMULAS_H
#define TAV_KERNELS_EDGE_FORMULAS_H

#include <stdint.h>

#include "simd/isaNamespace.h"

namespace tav {
namespace edge {
TAV_ISA_BEGIN

inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline int absInt(int v) { return v < 0 ? -v : v; }

// Green at a red or blue site with own sample `own`: interpolate along the
// direction with the smaller gradient (ties go vertical), corrected by a
// quarter of the site's own second difference. The halved neighbour sum and
// the quartered difference are shifted separately, then added.
inline int steeredGreen(int own, int left1, int right1, int left2, int right2, int up1, int down1,
                        int up2, int down2) {
    const int dh = 2 * own - left2 - right2;
    const int dv = 2 * own - up2 - down2;
    const int gradH = absInt(left1 - right1) + absInt(dh);
    const int gradV = absInt(up1 - down1) + absInt(dv);
    const int g = gradH < gradV ? ((left1 + right1) >> 1) + (dh >> 2)
                                : ((up1 + down1) >> 1) + (dv >> 2);
    return clampByte(g);
}

// Green plus the floored mean of two or four colour differences.
inline int fromTwoDifferences(int green, int d0, int d1) {
    return clampByte(green + ((d0 + d1) >> 1));
}
inline int fromFourDifferences(int green, int d0, int d1, int d2, int d3) {
    return clampByte(green + ((d0 + d1 + d2 + d3) >> 2));
}

TAV_ISA_END
}  // namespace edge
}  // namespace tav

#endif

// The one route from a frame to a kernel: which kernel family, Bayer phase,
// order flag or plane order and luma weights serve an 8-bit base type, a
// method and an output type, and the family's traits. The demosaic entry,
// its refusal check, the band planner and the exported converters all ask
// routeOf; a whole frame is one band of the same route. Internal.
#ifndef TAV_DEMOSAIC_ROUTE_H
#define TAV_DEMOSAIC_ROUTE_H

#include <stdint.h>

#include "demosaic/outputTypes.h"
#include "diagnostics.h"
#include "kernels/bandKernels.h"
#include "tav_types.h"

namespace tav {

enum class KernelFamily { Grey, Nearest, Bilinear, Edge, Hq };

struct Route {
    KernelFamily family;
    const FamilyTraits* traits;
    BayerPhase kernelPhase;    // the phase of the kernel that serves the frame
    OutputKind kind;
    BandLayout layout;
    uint32_t orderFlag;        // as the exported kernels' order flag
    bool outerPlanesExchanged; // planar: the kernel's red position goes to the blue plane
    const int32_t* weights;    // bilinear grey: red-position, green, blue-position weights
    DiagnosticLine sizeLine;   // the edge kernel's own line for a size it refuses
};

// False, leaving `route` as it was, for an unknown output type, or a Bayer
// base type with an unknown method (grey input ignores the method).
bool routeOf(int64_t baseType, int32_t method, int64_t outputType, Route* route);

// The status (and line, if the serving kernel prints one) for a frame of
// this size that the route's kernel refuses: sides below its minimum, or
// more output bytes than 32 bits count. TAV_OK otherwise.
TavStatus sizeRefusal(const Route& route, int32_t height, int32_t width);

// Where a frame's output goes, for the route's layout and plane order.
BandOutput outputOf(const Route& route, uint8_t* destination, int32_t height, int32_t width);

// Demosaics output rows [rows.first, rows.end) along the route.
void runRoute(const Route& route, const FrameRows& source, int32_t height, int32_t width,
              const BandOutput& output, const BandRows& rows);

// Row of the first band edge: the first row of the kernel's row pairs.
inline int32_t firstPairRow(const Route& route) { return firstPairRow(*route.traits, route.kernelPhase); }

}  // namespace tav

#endif

#include "demosaic/refusals.h"

#include "demosaic/route.h"

namespace tav {

TavStatus refusalBeforeWork(int64_t baseType, int32_t method, int64_t outputType, int32_t height,
                            int32_t width) {
    // Unknown output types, and unknown methods for Bayer input, are refused
    // without a line; sizes as the kernel serving the frame refuses them.
    Route route;
    if (!routeOf(baseType, method, outputType, &route)) return TAV_E_UNSUPPORTED;
    return sizeRefusal(route, height, width);
}

}  // namespace tav

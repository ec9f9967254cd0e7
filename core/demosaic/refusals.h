// Refusals of tavDemosaicing that are known before any work: a call that the
// converter or kernel would refuse leaves the caller's input and the context's
// work buffer as they were.
#ifndef TAV_CORE_DEMOSAIC_REFUSALS_H
#define TAV_CORE_DEMOSAIC_REFUSALS_H

#include <stdint.h>

#include "tav_types.h"

namespace tav {

// TAV_OK when the route of `baseType` can serve the call; otherwise the
// status, and the diagnostic line if any, that the refusing converter or
// kernel gives for it. Sizes have passed the entry's checks (both sides
// above 3, at most INT32_MAX samples).
TavStatus refusalBeforeWork(int64_t baseType, int32_t method, int64_t outputType, int32_t height,
                            int32_t width);

}  // namespace tav

#endif

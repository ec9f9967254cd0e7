// Nearest-neighbour row pairs built for this unit's instruction set.
#include "nearestBlocks.h"

namespace tav {
namespace nearest {

const VectorRows* vectorRowsSse2() {
#if defined(__SSE2__)
    return &kVectorRows;
#else
    return nullptr;
#endif
}

}  // namespace nearest
}  // namespace tav

// Nearest-neighbour row pairs built for this unit's instruction set.
#include "nearestBlocks.h"

namespace tav {
namespace nearest {

const VectorRows* vectorRowsNeon() {
#if defined(__ARM_NEON)
    return &kVectorRows;
#else
    return nullptr;
#endif
}

}  // namespace nearest
}  // namespace tav

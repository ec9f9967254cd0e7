// Nearest-neighbour row pairs built for this unit's instruction set.
#include "nearestBlocks.h"

namespace tav {
namespace nearest {

const VectorRows* vectorRowsAvx2() {
#if defined(__AVX2__)
    return &kVectorRows;
#else
    return nullptr;
#endif
}

}  // namespace nearest
}  // namespace tav

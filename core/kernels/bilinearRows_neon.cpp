// Bilinear rows built for this unit's instruction set.
#include "bilinearBlocks.h"

namespace tav {
namespace bilinear {

const VectorRows* vectorRowsNeon() {
#if defined(__ARM_NEON)
    return &kVectorRows;
#else
    return nullptr;
#endif
}

}  // namespace bilinear
}  // namespace tav

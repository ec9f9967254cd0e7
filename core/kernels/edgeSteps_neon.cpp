// Edge-directed row-pair blocks built for this unit's instruction set.
#include "edgeBlocks.h"

namespace tav {
namespace edge {

const VectorSteps* vectorStepsNeon() {
#if defined(__ARM_NEON)
    return &kVectorSteps;
#else
    return nullptr;
#endif
}

}  // namespace edge
}  // namespace tav

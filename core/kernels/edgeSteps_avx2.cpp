// Edge-directed row-pair blocks built for this unit's instruction set.
#include "edgeBlocks.h"

namespace tav {
namespace edge {

const VectorSteps* vectorStepsAvx2() {
#if defined(__AVX2__)
    return &kVectorSteps;
#else
    return nullptr;
#endif
}

}  // namespace edge
}  // namespace tav

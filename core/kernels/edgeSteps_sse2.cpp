// Edge-directed row-pair blocks built for this unit's instruction set.
#include "edgeBlocks.h"

namespace tav {
namespace edge {

const VectorSteps* vectorStepsSse2() {
#if defined(__SSE2__)
    return &kVectorSteps;
#else
    return nullptr;
#endif
}

}  // namespace edge
}  // namespace tav

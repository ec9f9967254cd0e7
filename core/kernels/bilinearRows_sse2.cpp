// Bilinear rows built for this unit's instruction set.
#include "bilinearBlocks.h"

namespace tav {
namespace bilinear {

const VectorRows* vectorRowsSse2() {
#if defined(__SSE2__)
    return &kVectorRows;
#else
    return nullptr;
#endif
}

}  // namespace bilinear
}  // namespace tav

// The two float work buffers (block grey and block dark means) that both
// parameter fits of the 2x2 and block kinds take for the length of a call.
#ifndef TAV_CORE_LSC_WORK_BUFFERS_H
#define TAV_CORE_LSC_WORK_BUFFERS_H

#include <stdint.h>

#include "tav_types.h"

namespace tav {
namespace lsc {

struct BlockBuffers {
    float* grey;
    float* dark;
};

// Takes both buffers of count floats. On failure prints the allocation
// message, holds nothing and returns TAV_E_NO_MEMORY.
TavStatus acquireBlockBuffers(int32_t count, BlockBuffers* buffers);
void releaseBlockBuffers(BlockBuffers* buffers);

}  // namespace lsc
}  // namespace tav

#endif

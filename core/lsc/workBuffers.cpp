#include "lsc/workBuffers.h"

#include <stdlib.h>

#include "diagnostics.h"

namespace tav {
namespace lsc {
namespace {

// "创建blockGrey内存空间失败" (creating the blockGrey memory failed), GBK-encoded.
const char kBlockGreyAllocFailed[] = "\xB4\xB4\xBD\xA8" "blockGrey" "\xC4\xDA\xB4\xE6\xBF\xD5\xBC\xE4\xCA\xA7\xB0\xDC";
// "创建blockDark内存空间失败" (creating the blockDark memory failed), GBK-encoded.
const char kBlockDarkAllocFailed[] = "\xB4\xB4\xBD\xA8" "blockDark" "\xC4\xDA\xB4\xE6\xBF\xD5\xBC\xE4\xCA\xA7\xB0\xDC";

}  // namespace

TavStatus acquireBlockBuffers(int32_t count, BlockBuffers* buffers) {
    size_t bytes = size_t(count > 0 ? count : 0) * sizeof(float);
    buffers->grey = nullptr;
    buffers->dark = nullptr;
    float* grey = static_cast<float*>(malloc(bytes));
    if (grey == nullptr) {
        printDiagnosticMessage(kBlockGreyAllocFailed);
        return TAV_E_NO_MEMORY;
    }
    float* dark = static_cast<float*>(malloc(bytes));
    if (dark == nullptr) {
        printDiagnosticMessage(kBlockDarkAllocFailed);
        free(grey);
        return TAV_E_NO_MEMORY;
    }
    buffers->grey = grey;
    buffers->dark = dark;
    return TAV_OK;
}

void releaseBlockBuffers(BlockBuffers* buffers) {
    free(buffers->grey);
    free(buffers->dark);
    buffers->grey = nullptr;
    buffers->dark = nullptr;
}

}  // namespace lsc
}  // namespace tav

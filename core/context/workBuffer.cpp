// Growing a context's work buffer.
#include <stdlib.h>

#include "diagnostics.h"
#include "tav_demosaic.h"

// Grows by release-then-allocate: the old contents carry no meaning between
// frames, and an exact-size block keeps steady-state frames allocation-free.
extern "C" TavStatus tavMemRealloc(TavWorkBuffer* workBuffer, int32_t size) {
    if (workBuffer == nullptr) return TAV_E_NULL_POINTER;
    if (workBuffer->capacity >= size) return TAV_OK;
    free(workBuffer->buffer);
    workBuffer->capacity = 0;
    workBuffer->buffer = static_cast<uint8_t*>(malloc(static_cast<size_t>(size)));
    if (workBuffer->buffer == nullptr) {
        tav::printErrorLine(tav::kLineWorkBufferNoMemory);
        return TAV_E_NO_MEMORY;
    }
    workBuffer->capacity = size;
    return TAV_OK;
}

// Creating, initialising and releasing a demosaicing context.
#include <stdlib.h>
#include <string.h>

#include "context/context.h"
#include "diagnostics.h"
#include "threads/workerPool.h"

extern "C" TavStatus tavCreate(TavContext** handle) {
    if (handle == nullptr) {
        tav::printErrorLine(tav::kLineCreateNullHandle);
        return TAV_E_NULL_POINTER;
    }
    *handle = static_cast<TavContext*>(malloc(sizeof(TavContext)));
    if (*handle == nullptr) {
        tav::printErrorLine(tav::kLineCreateNoMemory);
        return TAV_E_NO_MEMORY;
    }
    tavInit(*handle);
    return TAV_OK;
}

// Meant for a fresh context: a buffer the context may already hold is not
// released here.
extern "C" void tavInit(TavContext* context) {
    if (context == nullptr) return;
    context->outputType = TAV_PIXEL_BGR8;
    context->workBuffer.buffer = nullptr;
    context->workBuffer.capacity = 0;
    context->threads = 1;
    context->workers = nullptr;
    context->allocationsAllowed = -1;
    context->workerStartsAllowed = -1;
    context->minThreadedOutputBytes = tav::kMinThreadedOutputBytes;
    context->picture = nullptr;
    context->pictureStatsOff = false;
    memset(&context->stats, 0, sizeof context->stats);
}

extern "C" TavStatus tavRelease(TavContext** handle) {
    if (handle == nullptr) {
        tav::printErrorLine(tav::kLineReleaseNullHandle);
        return TAV_E_NULL_POINTER;
    }
    TavContext* context = *handle;
    if (context == nullptr) return TAV_OK;  // already released, or never created
    tav::releaseWorkers(context);  // joins the workers before their memory goes
    free(context->workBuffer.buffer);
    free(context->picture);
    context->workBuffer.buffer = nullptr;
    context->workBuffer.capacity = 0;
    free(context);
    *handle = nullptr;
    return TAV_OK;
}

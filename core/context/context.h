// The demosaicing context behind the opaque TavContext handle.
#ifndef TAV_CORE_CONTEXT_H
#define TAV_CORE_CONTEXT_H

#include "tav_demosaic.h"
#include "tav_pipeline.h"

namespace tav {
struct WorkerPool;
struct PictureState;
}

struct TavContext {
    TavPixelType outputType;   // always one of the seven output codes
    TavWorkBuffer workBuffer;  // grown on demand, never shrunk
    int32_t threads;           // most threads tavDemosaicing may use; 0 = online processors
    tav::WorkerPool* workers;  // started on first use, joined by tavRelease; null until then
    // Test hooks: how many more pool allocations and worker starts may
    // succeed before they fail as if the system refused them (-1: no limit).
    int32_t allocationsAllowed;
    int32_t workerStartsAllowed;
    int32_t minThreadedOutputBytes;  // smaller frames stay on the caller's thread
    tav::PictureState* picture;      // the pipeline, or null when none is set
    TavFrameStats stats;             // of the last frame converted with a pipeline
    bool pictureStatsOff;            // test and benchmark hook: skip gathering them
};

#endif

// Worker threads of one context. The caller's thread and up to
// threads - 1 workers take the bands of a task until none is left; the
// caller returns when every band has finished. Workers are started on first
// use, kept for later frames and joined by releaseWorkers. No state outside
// the context.
#ifndef TAV_CORE_THREADS_WORKER_POOL_H
#define TAV_CORE_THREADS_WORKER_POOL_H

#include <stddef.h>
#include <stdint.h>

struct TavContext;

namespace tav {

// Most threads one frame uses, the caller's included.
constexpr int32_t kMaxThreads = 64;

// Below this much output a frame stays on one thread: starting the other
// threads costs more than they save.
constexpr int32_t kMinThreadedOutputBytes = 256 * 1024;

struct BandTask {
    void (*run)(void* task, int32_t band);
    void* task;
    int32_t bands;
};

// Starts workers until `threads` threads (the caller's included) can take
// part, and returns how many can: fewer when memory or a thread could not be
// had, 1 when there are no workers at all.
int32_t readyWorkers(TavContext* context, int32_t threads);

// Runs task.run(task.task, b) for every band b on the caller's thread and
// up to threads - 1 started workers; returns when all bands are done.
void runBands(TavContext* context, const BandTask& task, int32_t threads);

// Per-band memory of the context's workers, at least `bytes` long and kept
// between frames; null when it cannot be had (or there are no workers).
uint8_t* bandMemory(TavContext* context, size_t bytes);

// Stops and joins the workers and frees their memory.
void releaseWorkers(TavContext* context);

// Test hook: after `allocations` more pool allocations and `starts` more
// worker starts, each fails as if the system refused it (-1: no limit).
void limitWorkerResources(TavContext* context, int32_t allocations, int32_t starts);

// Test hook: frames with less output than this stay on one thread.
void setMinThreadedOutput(TavContext* context, int32_t bytes);

// Workers started so far (for tests).
int32_t startedWorkers(const TavContext* context);

}  // namespace tav

#endif

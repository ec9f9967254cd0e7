// A small pool of pthreads per context: one mutex, a condition the workers
// wait on for a new round, and one the caller waits on for the last band.
#include "workerPool.h"

#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

#include "context/context.h"

namespace tav {

struct Worker {
    WorkerPool* pool;
    int32_t index;       // takes part in rounds that allow more workers than this
    uint32_t roundSeen;  // last round this worker looked at
    pthread_t thread;
};

struct WorkerPool {
    pthread_mutex_t lock;
    pthread_cond_t wake;      // a new round, or stop
    pthread_cond_t finished;  // the last band of a round is done
    Worker workers[kMaxThreads - 1];
    int32_t started;
    uint32_t round;
    bool stopping;
    // The current round, copied here so that a worker waking late reads
    // nothing from the caller's stack.
    BandTask task;
    int32_t participants;  // workers allowed in this round
    int32_t nextBand;
    int32_t unfinished;
    uint8_t* memory;
    size_t memoryBytes;
    pid_t owner;  // the process whose threads these are
};

namespace {

// Decrements a test budget; false when it is used up.
bool allowed(int32_t* budget) {
    if (*budget < 0) return true;
    if (*budget == 0) return false;
    --*budget;
    return true;
}

// Takes bands of the current round until none is left. Called and returns
// with the lock held.
void takeBands(WorkerPool* pool) {
    while (pool->nextBand < pool->task.bands) {
        const int32_t band = pool->nextBand++;
        const BandTask task = pool->task;
        pthread_mutex_unlock(&pool->lock);
        task.run(task.task, band);
        pthread_mutex_lock(&pool->lock);
        if (--pool->unfinished == 0) pthread_cond_signal(&pool->finished);
    }
}

void* workerMain(void* argument) {
    Worker* self = static_cast<Worker*>(argument);
    WorkerPool* pool = self->pool;
    pthread_mutex_lock(&pool->lock);
    for (;;) {
        while (!pool->stopping && pool->round == self->roundSeen) pthread_cond_wait(&pool->wake, &pool->lock);
        if (pool->stopping) break;
        self->roundSeen = pool->round;
        if (self->index < pool->participants) takeBands(pool);
    }
    pthread_mutex_unlock(&pool->lock);
    return nullptr;
}

// The kernels keep little on the stack; a small stack keeps many workers
// cheap in a 32-bit address space.
constexpr size_t kWorkerStackBytes = 1024 * 1024;

bool startThread(Worker* worker) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setstacksize(&attributes, kWorkerStackBytes);  // the default stays if refused
    const bool started = pthread_create(&worker->thread, &attributes, workerMain, worker) == 0;
    pthread_attr_destroy(&attributes);
    return started;
}

WorkerPool* createPool(TavContext* context) {
    if (!allowed(&context->allocationsAllowed)) return nullptr;
    WorkerPool* pool = static_cast<WorkerPool*>(calloc(1, sizeof(WorkerPool)));
    if (pool == nullptr) return nullptr;
    if (pthread_mutex_init(&pool->lock, nullptr) != 0) {
        free(pool);
        return nullptr;
    }
    if (pthread_cond_init(&pool->wake, nullptr) != 0) {
        pthread_mutex_destroy(&pool->lock);
        free(pool);
        return nullptr;
    }
    if (pthread_cond_init(&pool->finished, nullptr) != 0) {
        pthread_cond_destroy(&pool->wake);
        pthread_mutex_destroy(&pool->lock);
        free(pool);
        return nullptr;
    }
    pool->owner = getpid();
    return pool;
}

// A child process made by fork() inherits the pool but not its threads
// (and maybe a lock a worker held at that moment): it leaves the pool alone
// and starts its own.
void dropInheritedPool(TavContext* context) {
    WorkerPool* pool = context->workers;
    if (pool == nullptr || pool->owner == getpid()) return;
    free(pool->memory);
    free(pool);
    context->workers = nullptr;
}

}  // namespace

int32_t readyWorkers(TavContext* context, int32_t threads) {
    if (threads > kMaxThreads) threads = kMaxThreads;
    if (threads <= 1) return 1;
    dropInheritedPool(context);
    if (context->workers == nullptr) context->workers = createPool(context);
    WorkerPool* pool = context->workers;
    if (pool == nullptr) return 1;
    // Only the caller's thread touches `started`, workers and round
    // numbers are handed over under the lock.
    while (pool->started < threads - 1) {
        if (!allowed(&context->workerStartsAllowed)) break;
        Worker* worker = &pool->workers[pool->started];
        pthread_mutex_lock(&pool->lock);
        worker->pool = pool;
        worker->index = pool->started;
        worker->roundSeen = pool->round;
        pthread_mutex_unlock(&pool->lock);
        if (!startThread(worker)) break;
        ++pool->started;
    }
    return 1 + (pool->started < threads - 1 ? pool->started : threads - 1);
}

void runBands(TavContext* context, const BandTask& task, int32_t threads) {
    WorkerPool* pool = context->workers;
    if (pool == nullptr || threads <= 1) {
        for (int32_t band = 0; band < task.bands; ++band) task.run(task.task, band);
        return;
    }
    pthread_mutex_lock(&pool->lock);
    pool->task = task;
    pool->participants = threads - 1;
    pool->nextBand = 0;
    pool->unfinished = task.bands;
    ++pool->round;
    pthread_cond_broadcast(&pool->wake);
    takeBands(pool);
    while (pool->unfinished > 0) pthread_cond_wait(&pool->finished, &pool->lock);
    pool->task.bands = 0;  // a worker waking late finds nothing to take
    pthread_mutex_unlock(&pool->lock);
}

uint8_t* bandMemory(TavContext* context, size_t bytes) {
    WorkerPool* pool = context->workers;
    if (pool == nullptr) return nullptr;
    if (pool->memoryBytes >= bytes) return pool->memory;
    free(pool->memory);
    pool->memory = nullptr;
    pool->memoryBytes = 0;
    if (!allowed(&context->allocationsAllowed)) return nullptr;
    pool->memory = static_cast<uint8_t*>(malloc(bytes));
    if (pool->memory != nullptr) pool->memoryBytes = bytes;
    return pool->memory;
}

void releaseWorkers(TavContext* context) {
    dropInheritedPool(context);
    WorkerPool* pool = context->workers;
    if (pool == nullptr) return;
    pthread_mutex_lock(&pool->lock);
    pool->stopping = true;
    pthread_cond_broadcast(&pool->wake);
    pthread_mutex_unlock(&pool->lock);
    for (int32_t i = 0; i < pool->started; ++i) pthread_join(pool->workers[i].thread, nullptr);
    pthread_cond_destroy(&pool->finished);
    pthread_cond_destroy(&pool->wake);
    pthread_mutex_destroy(&pool->lock);
    free(pool->memory);
    free(pool);
    context->workers = nullptr;
}

void limitWorkerResources(TavContext* context, int32_t allocations, int32_t starts) {
    context->allocationsAllowed = allocations;
    context->workerStartsAllowed = starts;
}

void setMinThreadedOutput(TavContext* context, int32_t bytes) { context->minThreadedOutputBytes = bytes; }

int32_t startedWorkers(const TavContext* context) {
    return context->workers == nullptr ? 0 : context->workers->started;
}

}  // namespace tav

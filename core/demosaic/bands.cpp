// Cutting a frame into bands and running them on the context's threads.
//
// Bands are whole row pairs of the kernel (the pairs its row schedule walks),
// so no band edge cuts a step of a kernel. Input that needs conversion is
// unpacked band by band just before it is demosaiced: each band unpacks its
// rows and the neighbour rows its kernel reads, a small chunk at a time just
// ahead of the kernel, into a window of a few rows of its own in the work
// buffer. The window stays in cache, so the unpacked frame never goes to
// memory; the work buffer keeps the size it always had.
#include "demosaic/bands.h"

#include <stddef.h>
#include <unistd.h>

#include "context/context.h"
#include "demosaic/outputTypes.h"
#include "demosaic/route.h"
#include "sizeCheck.h"
#include "threads/workerPool.h"

namespace tav {

namespace {

constexpr int32_t kUnpack = -1;
// Each thread gets a few bands, taken in turn, so that a thread slowed down
// by the rest of the machine holds up the frame by a small band only.
constexpr int32_t kBandsPerThread = 4;
constexpr int32_t kMaxBands = kMaxThreads * kBandsPerThread;
// About this many unpacked bytes per chunk (2 to 8 rows): they are still in
// the first cache levels when the kernel reads them.
constexpr int32_t kChunkBytes = 32 * 1024;

struct BandPlan {
    const BandJob* job;
    Route route;
    BandOutput output;
    int32_t bands;
    int32_t edges[kMaxBands + 1];  // band b is rows [edges[b], edges[b + 1])
    uint8_t* memory;               // per-band line memory, or null for one band
    // Fused unpacking: each band's window of windowRows rows in the work
    // buffer, one after the other from job.frame; 0 when the frame is whole.
    int32_t windowRows;
    int32_t chunkRows;
};

void plan(BandPlan& p, const BandJob& job, const Route& route, int32_t bands) {
    const int32_t start = firstPairRow(route);
    p.route = route;
    p.output = outputOf(route, job.destination, job.height, job.width);
    const int32_t pairs = (job.height - start) / 2;
    p.job = &job;
    p.bands = bands;
    p.edges[0] = 0;
    for (int32_t b = 1; b < bands; ++b) p.edges[b] = start + 2 * (int32_t)((int64_t)pairs * b / bands);
    p.edges[bands] = job.height;
}

// Unpacks a band's rows into its window a chunk at a time, as the kernel
// asks for them. The window holds a chunk and the rows a step reads with it:
// a chunk overwrites only rows that lie below every row a step reads from
// then on.
struct WindowFeed {
    RowFeed feed;  // first member: the kernels see only this
    const BandJob* job;
    uint8_t* window;
    int32_t windowRows;
    int32_t chunkRows;
    int32_t end;  // rows from here on are never read by this band
};

void unpackAhead(RowFeed* feed, int32_t row) {
    WindowFeed* w = reinterpret_cast<WindowFeed*>(feed);
    int32_t to = feed->readyEnd + w->chunkRows;
    if (to <= row) to = row + 1;
    if (to > w->end) to = w->end;
    for (int32_t r = feed->readyEnd; r < to;) {
        // Runs of rows that do not wrap around the window.
        const int32_t slot = r % w->windowRows;
        const int32_t run = to - r < w->windowRows - slot ? to - r : w->windowRows - slot;
        normaliseRows(*w->job->input, w->job->conversion, r, r + run, w->window + (size_t)slot * w->job->width);
        r += run;
    }
    feed->readyEnd = to >= w->end ? INT32_MAX : to;
}

void runBand(void* task, int32_t band) {
    const BandPlan& p = *static_cast<const BandPlan*>(task);
    const BandJob& job = *p.job;
    const FamilyTraits& traits = *p.route.traits;
    const int32_t across = traits.rowsReadAcross;
    BandRows rows = {};
    rows.first = p.edges[band];
    rows.end = p.edges[band + 1];
    FrameRows source = wholeFrameRows(job.frame, job.width);
    WindowFeed window;
    if (p.windowRows > 0) {
        window.job = &job;
        window.window = job.frame + (size_t)band * p.windowRows * job.width;
        window.windowRows = p.windowRows;
        window.chunkRows = p.chunkRows;
        window.end = rows.end + across < job.height ? rows.end + across : job.height;
        window.feed.prepare = unpackAhead;
        window.feed.readyEnd = rows.first > across ? rows.first - across : 0;
        source = {window.window, (size_t)job.width, p.windowRows};
        rows.feed = &window.feed;
    }
    if (p.memory != nullptr) {
        traits.placeLineMemory(p.memory + (size_t)band * (size_t)traits.lineMemoryBytes(job.width), job.width, &rows);
    } else {
        // One band: the whole frame, whose steps no band edge cuts; its line
        // memory follows the frame or the window in the work buffer.
        rows.greenRow = p.windowRows > 0 ? job.frame + (size_t)p.windowRows * job.width : job.scratch;
    }
    runRoute(p.route, source, job.height, job.width, p.output, rows);
}

}  // namespace

int32_t bandThreads(const TavContext* context) {
    int32_t threads = context->threads;
    if (threads == 0) {
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        threads = online < 1 ? 1 : (online > kMaxThreads ? kMaxThreads : (int32_t)online);
    }
    return threads > kMaxThreads ? kMaxThreads : threads;
}

bool bandsAccepted(const BandJob& job) {
    Route route;
    if (!routeOf(job.baseType, job.method, job.outputType, &route)) return false;
    const int32_t least = route.traits->minSide;
    return job.height >= least && job.width >= least &&
           countFits(job.height, job.width, bytesPerPixel(route.kind));
}

void convertRows(const BandJob& job, const FrameRows& source, const BandRows& rows) {
    Route route;
    if (!routeOf(job.baseType, job.method, job.outputType, &route)) return;
    runRoute(route, source, job.height, job.width, outputOf(route, job.destination, job.height, job.width), rows);
}

int32_t plannedBands(const BandJob& job, int32_t threads, int32_t minOutputBytes) {
    Route route;
    if (!routeOf(job.baseType, job.method, job.outputType, &route)) return 1;
    const int64_t outputBytes = (int64_t)job.width * job.height * bytesPerPixel(route.kind);
    if (threads <= 1 || outputBytes < minOutputBytes) return 1;
    const int32_t pairs = (job.height - firstPairRow(route)) / 2;
    const int32_t bands = (threads > kMaxThreads ? kMaxThreads : threads) * kBandsPerThread;
    return pairs < bands ? (pairs < 1 ? 1 : pairs) : bands;
}

void normaliseRows(const TavImage& input, int32_t conversion, int32_t first, int32_t end, uint8_t* destination) {
    const int32_t rows = end - first;
    if (rows <= 0) return;
    const int32_t width = input.width;
    if (conversion == kUnpack) {
        // Packed rows of the run form hold whole 3-byte groups (the width is even).
        const uint8_t* source = input.data + (size_t)first * input.lineBytes;
        if (input.lineBytes == width + width / 2) {
            unpacked_old(source, rows, width, destination);
        } else {
            unpacked(source, rows, width, input.lineBytes, destination);
        }
    } else if (input.lineBytes == 2 * width) {
        u16Tou8_old(input.data + (size_t)first * input.lineBytes, rows, width, conversion, destination);
    } else {
        const size_t stride = (size_t)(input.lineBytes & ~1);
        u16Tou8(input.data + (size_t)first * stride, rows, width, input.lineBytes, conversion, destination);
    }
}

void demosaicFrame(TavContext* context, const BandJob& job) {
    Route route;
    if (!routeOf(job.baseType, job.method, job.outputType, &route)) return;
    const FamilyTraits& traits = *route.traits;
    const int32_t wanted = bandThreads(context);
    int32_t bands = plannedBands(job, wanted, context->minThreadedOutputBytes);
    // Converted input: one window per band in the work buffer, which holds
    // height + 1 rows (the last for one band's line memory), so at most
    // height / windowRows bands; a frame shorter than a window is unpacked
    // whole first.
    int32_t chunkRows = kChunkBytes / job.width;
    chunkRows = chunkRows < 2 ? 2 : (chunkRows > 8 ? 8 : chunkRows);
    const int32_t windowRows = chunkRows + traits.stepRowSpan + 2;
    const bool windowed = job.conversion != 0 && job.height >= windowRows;
    if (windowed && (int64_t)bands * windowRows > job.height) bands = job.height / windowRows;

    int32_t threads = 1;
    uint8_t* memory = nullptr;
    if (bands > 1) {
        threads = readyWorkers(context, wanted < bands ? wanted : bands);
        // Counted in 64 bits; more than 32 bits count stays on one thread.
        const uint64_t lineMemory = (uint64_t)bands * traits.lineMemoryBytes(job.width);
        if (threads > 1 && lineMemory > kMaxCount) threads = 1;
        if (threads > 1 && lineMemory > 0) {
            memory = bandMemory(context, (size_t)lineMemory);
            if (memory == nullptr) threads = 1;
        }
        // Without workers or their memory the frame runs as one band on the
        // caller's thread.
        if (threads <= 1) threads = 1, bands = 1;
    }

    BandPlan p;
    plan(p, job, route, bands);
    p.memory = bands > 1 ? memory : nullptr;
    p.windowRows = windowed ? windowRows : 0;
    p.chunkRows = chunkRows;
    if (job.conversion != 0 && !windowed) normaliseRows(*job.input, job.conversion, 0, job.height, job.frame);
    runBands(context, {runBand, &p, bands}, threads);
}

}  // namespace tav

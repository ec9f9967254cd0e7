// The demosaic entry's band path: an accepted frame is cut into bands of
// whole row pairs, each unpacked just before it is demosaiced, on up to the
// context's number of threads. Internal.
#ifndef TAV_CORE_DEMOSAIC_BANDS_H
#define TAV_CORE_DEMOSAIC_BANDS_H

#include <stdint.h>

#include "kernels/bandKernels.h"
#include "tav_demosaic.h"

namespace tav {

// A frame the entry has checked, with where its 8-bit rows lie.
struct BandJob {
    const TavImage* input;  // the caller's descriptor
    int32_t conversion;     // 0: `frame` already holds the 8-bit rows
    int64_t baseType;
    int64_t outputType;
    int32_t method;
    uint8_t* frame;  // 8-bit rows, stride width (work buffer or caller's buffer)
    uint8_t* scratch;      // line memory of width bytes for the single-band path
    uint8_t* destination;
    int32_t height;
    int32_t width;
};

// Whether the route takes the job without refusing it (the entry refuses
// every other job before any work, with the kernel's status and line).
bool bandsAccepted(const BandJob& job);

// Demosaics rows [rows.first, rows.end) of an accepted job along its route,
// reading the 8-bit rows from `source`.
void convertRows(const BandJob& job, const FrameRows& source, const BandRows& rows);

// Normalises input rows [first, end) to tightly packed 8-bit rows from
// `destination` on (row `first` at its start) with the library's
// normalisation routines.
void normaliseRows(const TavImage& input, int32_t conversion, int32_t first, int32_t end,
                   uint8_t* destination);

// Threads a frame of this context may use: its setting, 0 meaning the
// online processors, at most kMaxThreads.
int32_t bandThreads(const TavContext* context);

// Demosaics an accepted job: in bands on up to the context's threads, each
// band unpacking its rows just before it demosaics them, or as one band on
// the caller's thread.
void demosaicFrame(TavContext* context, const BandJob& job);

// How many bands a job is cut into with `threads` threads (a few per thread,
// at least one row pair each) when frames with less output than
// minOutputBytes stay on one thread.
int32_t plannedBands(const BandJob& job, int32_t threads, int32_t minOutputBytes);

}  // namespace tav

#endif

// One shading correction job, as the plain rule (correction.cpp) and the
// vector blocks of each instruction set (the kernel table's lscCorrect)
// take it. All write the same samples. Frames are passed as bytes: 16-bit samples may sit at odd
// addresses and are read and written as 16-bit little-endian words through
// unaligned accesses. `words` points at the first parameter word; height and
// width are the table's, already checked against the frame.
#ifndef TAV_LSC_CORRECTION_VARIANTS_H
#define TAV_LSC_CORRECTION_VARIANTS_H

#include <stddef.h>
#include <stdint.h>

namespace tav {
namespace lsc {

struct CorrectionJob {
    const uint8_t* source;
    uint8_t* destination;  // may equal source (in place)
    const uint32_t* words;
    int32_t height;
    int32_t width;
    int32_t bits;  // 8, 10 or 12
    bool perPixel; // one word per pixel, else one per 2x2 cell
    // A hint: the output need not stay in the cache (out of place, and more
    // bytes than the last-level cache holds), so stores may bypass it. The
    // result is the same either way.
    bool streamStores;
};

}  // namespace lsc
}  // namespace tav

#endif

// Shading correction loops, one variant per instruction set: the plain rule
// (TAVLSCCorrection.cpp, built in every build) and vector ones in
// translation units of their own (lscCorrection_<set>.cpp). All write the
// same samples. Frames are passed as bytes: 16-bit samples may sit at odd
// addresses and are read and written as 16-bit little-endian words through
// unaligned accesses. `words` points at the first parameter word; height and
// width are the table's, already checked against the frame.
#ifndef TAV_LSC_CORRECTION_VARIANTS_H
#define TAV_LSC_CORRECTION_VARIANTS_H

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
};

// Each returns false, writing nothing, for a job it leaves to the plain loops.
namespace sse2 {
bool correct(const CorrectionJob& job);
}
namespace avx2 {
bool correct(const CorrectionJob& job);
}
namespace neon {
bool correct(const CorrectionJob& job);
}

}  // namespace lsc
}  // namespace tav

#endif

// The vector kernels of one instruction set, in one table. Each kernel unit
// (kernels_<set>.cpp, compiled with that set's flags) fills its table once;
// kernels() hands out the table of the set the library runs, resolved from
// the CPU (isa.h). A null entry runs the family's plain rule, which every
// build compiles and which every entry writes byte for byte the same as.
//
// Adding an instruction set: a kernel unit that fills a table, its Isa value,
// and its line in kernelTableOf (kernelTable.cpp).
#ifndef TAV_CORE_SIMD_KERNEL_TABLE_H
#define TAV_CORE_SIMD_KERNEL_TABLE_H

#include <stddef.h>
#include <stdint.h>

#include "simd/isa.h"

namespace tav {
namespace nearest {
struct VectorRows;
}
namespace bilinear {
struct VectorRows;
}
namespace edge {
struct VectorSteps;
}
namespace bilinear16 {
struct BodyOutput;
}
namespace lsc {
struct CorrectionJob;
}
namespace picture {
struct VectorRows;
}
namespace hq {
struct VectorRows;
}

namespace simd {

struct KernelTable {
    Isa isa;
    // 8-bit demosaicing: row routines of each family (kernels/<family>/).
    const nearest::VectorRows* nearestRows;
    const bilinear::VectorRows* bilinearRows;
    const edge::VectorSteps* edgeSteps;
    // 16-bit bilinear body (kernels/bilinear16/vectorBody.h); false leaves
    // the layout to the plain body, having written nothing.
    bool (*bilinear16Body)(const uint16_t* source, int32_t height, int32_t width, ptrdiff_t stride,
                           const bilinear16::BodyOutput& output);
    // 16-bit edge-directed interior (kernels/edge16/interior.h).
    void (*edge16Interior)(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs,
                           int32_t top);
    // Shading correction (lsc/correctionJob.h); false leaves the job to the
    // plain loops, having written nothing.
    bool (*lscCorrect)(const lsc::CorrectionJob& job);
    // Input normalisation (unpack/normalise.cpp): `count` 16-bit samples at
    // any address to the low byte of sample >> shift; `count` samples of
    // 10/12-bit packed groups to their high byte (bytes 0 and 2 of each
    // group; an odd count reads only the first byte of its last group).
    bool (*shiftRun)(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination);
    bool (*unpackRun)(const uint8_t* source, size_t count, uint8_t* destination);
    // The picture pipeline's rows (picture/vectorRows.h).
    const picture::VectorRows* pictureRows;
    // The high-quality method's rows (kernels/hq/vectorRows.h).
    const hq::VectorRows* hqRows;
};

// The table of the active instruction set: the highest set at or below it
// that this build holds a table for (AVX2, then SSE2, then the plain rule).
const KernelTable& kernels();

// The table of one set; null when the build holds none for it. Tests walk
// every set the machine runs.
const KernelTable* kernelTableOf(Isa isa);

// Filled by the kernel units; null when a unit was built without its set.
const KernelTable* sse2Kernels();
const KernelTable* avx2Kernels();
const KernelTable* neonKernels();

}  // namespace simd
}  // namespace tav

#endif

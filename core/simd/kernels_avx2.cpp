// The kernel table of AVX2 (x86-64, 256-bit lanes), chosen at run time: every family's vector
// block compiled with this set's flags, nothing else.
#define TAV_KERNEL_UNIT 1

#include "simd/kernelTable.h"

#if defined(__AVX2__)

#include "kernels/bilinear/vectorBlock.h"
#include "kernels/bilinear16/vectorBlock.h"
#include "kernels/edge/vectorBlock.h"
#include "kernels/edge16/interior.h"
#include "kernels/nearest/vectorBlock.h"
#include "kernels/hq/vectorRows.h"
#include "picture/vectorRows.h"
#include "lsc/correctionAvx2Block.h"
#include "unpack/avx2Block.h"

namespace tav {
namespace simd {

const KernelTable* avx2Kernels() {
    static constexpr KernelTable table = {
        Isa::Avx2,
        &nearest::kVectorRows,
        &bilinear::kVectorRows,
        &edge::kVectorSteps,
        bilinear16::body,
        edge16::interiorRuns,
        lsc::correct,
        normalise::shiftRun, normalise::unpackRun,
        &picture::kVectorRows,
        &hq::kVectorRows,
    };
    return &table;
}

}  // namespace simd
}  // namespace tav

#else  // built without __AVX2__ (a build whose flags fix another set)

const tav::simd::KernelTable* tav::simd::avx2Kernels() { return nullptr; }

#endif

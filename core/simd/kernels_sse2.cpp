// The kernel table of SSE2, the x86-64 baseline's 128-bit lanes: every family's vector
// block compiled with this set's flags, nothing else.
#define TAV_KERNEL_UNIT 1

#include "simd/kernelTable.h"

#if defined(__SSE2__)

#include "kernels/bilinear/vectorBlock.h"
#include "kernels/bilinear16/vectorBlock.h"
#include "kernels/edge/vectorBlock.h"
#include "kernels/edge16/interior.h"
#include "kernels/nearest/vectorBlock.h"
#include "kernels/hq/vectorRows.h"
#include "picture/vectorRows.h"
#include "lsc/correctionVectorBlock.h"
#include "unpack/sse2Block.h"

namespace tav {
namespace simd {

const KernelTable* sse2Kernels() {
    static constexpr KernelTable table = {
        Isa::Sse2,
        &nearest::kVectorRows,
        &bilinear::kVectorRows,
        &edge::kVectorSteps,
        bilinear16::body,
        edge16::interiorRuns,
        lsc::correctInLanes,
        normalise::shiftRun, nullptr,
        &picture::kVectorRows,
        &hq::kVectorRows,
    };
    return &table;
}

}  // namespace simd
}  // namespace tav

#else  // built without __SSE2__ (a build whose flags fix another set)

const tav::simd::KernelTable* tav::simd::sse2Kernels() { return nullptr; }

#endif

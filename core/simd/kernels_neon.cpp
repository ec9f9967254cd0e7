// The kernel table of NEON (32-bit ARM, chosen at run time; always on AArch64): every family's vector
// block compiled with this set's flags, nothing else.
#define TAV_KERNEL_UNIT 1

#include "simd/kernelTable.h"

#if defined(__ARM_NEON)

#include "kernels/bilinear/vectorBlock.h"
#include "kernels/bilinear16/neonBlock.h"
#include "kernels/edge/vectorBlock.h"
#include "kernels/edge16/interior.h"
#include "kernels/nearest/vectorBlock.h"
#include "kernels/hq/vectorRows.h"
#include "picture/vectorRows.h"
#include "lsc/correctionNeonBlock.h"
#include "unpack/neonBlock.h"

namespace tav {
namespace simd {

const KernelTable* neonKernels() {
    static constexpr KernelTable table = {
        Isa::Neon,
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

#else  // built without __ARM_NEON (a build whose flags fix another set)

const tav::simd::KernelTable* tav::simd::neonKernels() { return nullptr; }

#endif

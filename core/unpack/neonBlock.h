// Input normalisation loops in NEON: 16 shifted samples per step from two
// 16-bit loads, 32 unpacked samples per step from one de-interleaving load
// of 3-byte groups and one interleaving store. The last step runs over a
// small copy, so there is no scalar tail.
#ifndef TAV_UNPACK_NEON_BLOCK_H
#define TAV_UNPACK_NEON_BLOCK_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"
#include "unpack/runSteps.h"

#include <arm_neon.h>

namespace tav {
namespace normalise {
TAV_ISA_BEGIN
namespace {

constexpr size_t kShiftStep = 16;
constexpr size_t kUnpackStep = 32;

inline void shiftStep(const uint8_t* source, int16x8_t right, uint8_t* destination) {
    const uint16x8_t lower = vshlq_u16(vreinterpretq_u16_u8(vld1q_u8(source)), right);
    const uint16x8_t upper = vshlq_u16(vreinterpretq_u16_u8(vld1q_u8(source + 16)), right);
    vst1q_u8(destination, vcombine_u8(vmovn_u16(lower), vmovn_u16(upper)));
}

inline void unpackStep(const uint8_t* source, uint8_t* destination) {
    const uint8x16x3_t groups = vld3q_u8(source);
    const uint8x16x2_t samples = {{groups.val[0], groups.val[2]}};
    vst2q_u8(destination, samples);
}

}  // namespace


inline bool shiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination) {
    const int16x8_t right = vdupq_n_s16((int16_t)-shift);
    shiftSteps<kShiftStep, int16x8_t, shiftStep>(source, count, right, destination);
    return true;
}

inline bool unpackRun(const uint8_t* source, size_t count, uint8_t* destination) {
    unpackSteps<kUnpackStep, unpackStep>(source, count, destination);
    return true;
}

TAV_ISA_END
}  // namespace normalise
}  // namespace tav

#endif

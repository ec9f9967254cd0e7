// The shading rule for one sample, as the plain loops (correction.cpp) apply
// it to every sample and the vector blocks to the few samples around their
// vector steps.
#ifndef TAV_LSC_SAMPLE_RULE_H
#define TAV_LSC_SAMPLE_RULE_H

#include <stddef.h>
#include <stdint.h>

#include "simd/isaNamespace.h"
#include "tav_lsc.h"

namespace tav {
namespace lsc {
TAV_ISA_BEGIN

// v = ((s - B) * K + 2^16) >> 17 (flooring), clamped to the depth. K = w >> 12;
// the offset is the 12-bit one scaled to the frame's depth,
// (w AND 0xFFF) >> (12 - depth), which at 8 bits is (w >> 4) AND 255.
// Samples of 10/12-bit frames are not masked to their depth. Formed in 32
// bits (cores without a 64-bit multiply run this path): a sample at or below
// its offset gives v <= floor(2^16 / 2^17) = 0, and above it, with
// d = s - B < 2^16 and K = high * 2^16 + low,
// v = (d * high + ((d * low) >> 16) + 1) >> 1, every term below 2^32.
inline uint32_t correctedSample(uint32_t sample, uint32_t word, int32_t bits) {
    const uint32_t offset = (word & TAV_LSC_OFFSET_MASK) >> (12 - bits);
    if (sample <= offset) return 0;
    const uint32_t d = sample - offset;
    const uint32_t gain = word >> TAV_LSC_GAIN_SHIFT;
    const uint32_t v = (d * (gain >> 16) + ((d * (gain & 0xFFFFu)) >> 16) + 1) >> 1;
    const uint32_t top = (1u << bits) - 1;
    return v > top ? top : v;
}

// Sample i of a frame of 8-bit bytes or 16-bit little-endian words at any address.
inline uint32_t readSample(const uint8_t* frame, size_t i, int32_t bits) {
    if (bits == 8) return frame[i];
    return uint32_t(frame[2 * i]) | (uint32_t(frame[2 * i + 1]) << 8);
}

inline void writeSample(uint8_t* frame, size_t i, int32_t bits, uint32_t value) {
    if (bits == 8) {
        frame[i] = uint8_t(value);
        return;
    }
    frame[2 * i] = uint8_t(value);
    frame[2 * i + 1] = uint8_t(value >> 8);
}

TAV_ISA_END
}  // namespace lsc
}  // namespace tav

#endif

// The run loops shared by the vector normalisation blocks: whole steps over
// the run, and the last partial step over a small zero-padded copy, so that
// no step reads or writes past the run and no scalar tail is needed. Each
// block hands in its own step routine and step length.
#ifndef TAV_UNPACK_SHIFT_STEPS_H
#define TAV_UNPACK_SHIFT_STEPS_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"

namespace tav {
namespace normalise {
TAV_ISA_BEGIN

// `count` 16-bit samples, each shifted right and cut to its low byte;
// Step(source, right, destination) does kStep samples.
template <size_t kStep, class Shift, void (*Step)(const uint8_t*, Shift, uint8_t*)>
inline void shiftSteps(const uint8_t* source, size_t count, Shift right, uint8_t* destination) {
    size_t i = 0;
    for (; i + kStep <= count; i += kStep) Step(source + 2 * i, right, destination + i);
    const size_t rest = count - i;
    if (rest != 0) {
        uint8_t samples[2 * kStep] = {};
        uint8_t out[kStep];
        memcpy(samples, source + 2 * i, 2 * rest);
        Step(samples, right, out);
        memcpy(destination + i, out, rest);
    }
}

// `count` samples from 3-byte groups, the high byte of each sample;
// Step(source, destination) does kStep samples (kStep / 2 groups).
template <size_t kStep, void (*Step)(const uint8_t*, uint8_t*)>
inline void unpackSteps(const uint8_t* source, size_t count, uint8_t* destination) {
    size_t i = 0;
    for (; i + kStep <= count; i += kStep) Step(source + 3 * (i / 2), destination + i);
    const size_t rest = count - i;
    if (rest != 0) {
        // Whole groups of the rest, and the first byte of a half one.
        uint8_t groups[3 * kStep / 2] = {};
        uint8_t out[kStep];
        memcpy(groups, source + 3 * (i / 2), 3 * (rest / 2) + (rest & 1));
        Step(groups, out);
        memcpy(destination + i, out, rest);
    }
}

TAV_ISA_END
}  // namespace normalise
}  // namespace tav

#endif

// The run loops shared by the vector normalisation units: whole steps over
// the run, and the last partial step over a small zero-padded copy, so that
// no step reads or writes past the run and no scalar tail is needed.
//
// Included inside the namespace of one instruction set, after that set's
// kShiftStep / shiftStep (and, where it unpacks, kUnpackStep / unpackStep),
// so every set compiles its own copy. The includer brings <stddef.h>,
// <stdint.h> and <string.h>.
#ifndef TAV_CORE_NORMALISE_STEPS_H
#define TAV_CORE_NORMALISE_STEPS_H

// `count` 16-bit samples, each shifted right and cut to its low byte.
template <class Shift>
inline void shiftSteps(const uint8_t* source, size_t count, Shift right, uint8_t* destination) {
    size_t i = 0;
    for (; i + kShiftStep <= count; i += kShiftStep) shiftStep(source + 2 * i, right, destination + i);
    const size_t rest = count - i;
    if (rest != 0) {
        uint8_t samples[2 * kShiftStep] = {};
        uint8_t out[kShiftStep];
        memcpy(samples, source + 2 * i, 2 * rest);
        shiftStep(samples, right, out);
        memcpy(destination + i, out, rest);
    }
}

#endif

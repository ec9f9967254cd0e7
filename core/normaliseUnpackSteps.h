// The unpacking run loop shared by the vector normalisation units (see
// normaliseSteps.h): whole steps of packed 3-byte groups, then the last
// partial step over a small zero-padded copy. Included inside the namespace
// of one instruction set, after its kUnpackStep / unpackStep.
#ifndef TAV_CORE_NORMALISE_UNPACK_STEPS_H
#define TAV_CORE_NORMALISE_UNPACK_STEPS_H

// `count` samples from 3-byte groups, the high byte of each sample.
inline void unpackSteps(const uint8_t* source, size_t count, uint8_t* destination) {
    size_t i = 0;
    for (; i + kUnpackStep <= count; i += kUnpackStep) unpackStep(source + 3 * (i / 2), destination + i);
    const size_t rest = count - i;
    if (rest != 0) {
        // Whole groups of the rest, and the first byte of a half one.
        uint8_t groups[3 * kUnpackStep / 2] = {};
        uint8_t out[kUnpackStep];
        memcpy(groups, source + 3 * (i / 2), 3 * (rest / 2) + (rest & 1));
        unpackStep(groups, out);
        memcpy(destination + i, out, rest);
    }
}

#endif

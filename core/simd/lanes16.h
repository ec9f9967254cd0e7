// The lane layer as the 16-bit demosaicing blocks use it, plus their
// three-channel store.
#ifndef TAV_CORE_SIMD_LANES16_H
#define TAV_CORE_SIMD_LANES16_H

#include <stdint.h>
#include <string.h>

#if defined(__ARM_NEON)
#include <arm_neon.h>
#endif

#include "simd/lanes.h"

namespace tav {
namespace lanes {
TAV_ISA_BEGIN

#define TAV_LANES16_INLINE inline __attribute__((always_inline))

template <class Vector>
TAV_LANES16_INLINE Vector loadLanes(const void* at) {
    return load<Vector>(at);
}

template <class Vector>
TAV_LANES16_INLINE void storeLanes(void* at, Vector v) {
    store(at, v);
}

// Eight pixels of three 16-bit channels, 48 bytes from `at`. Without NEON
// each pixel goes out as one 8-byte write whose fourth word lands on the next
// pixel: the caller writes that pixel afterwards (or provides room for the
// word).
TAV_LANES16_INLINE void storeThreeChannels(uint16_t* at, U16x8 channel0, U16x8 channel1, U16x8 channel2) {
#if defined(__ARM_NEON)
    const uint16x8x3_t pixels = {{channel0, channel1, channel2}};
    vst3q_u16(at, pixels);
#else
    const U32x4 lowPairs = (U32x4)interleaveLow(channel0, channel1);
    const U32x4 highPairs = (U32x4)interleaveHigh(channel0, channel1);
    const U32x4 lowLast = (U32x4)interleaveLow(channel2, channel2);
    const U32x4 highLast = (U32x4)interleaveHigh(channel2, channel2);
    // Two pixels per vector, four words each.
    const U32x4 pixelPairs[4] = {interleaveLow(lowPairs, lowLast), interleaveHigh(lowPairs, lowLast),
                                 interleaveLow(highPairs, highLast), interleaveHigh(highPairs, highLast)};
    for (int i = 0; i < 4; ++i) {
        const unsigned char* bytes = (const unsigned char*)&pixelPairs[i];
        memcpy(at + 6 * i, bytes, 8);
        memcpy(at + 6 * i + 3, bytes + 8, 8);
    }
#endif
}

TAV_ISA_END
}  // namespace lanes
}  // namespace tav

#endif

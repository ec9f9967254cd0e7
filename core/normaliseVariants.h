// The hot loops of input normalisation, one variant per instruction set:
// the plain loops (TAVDemosaicingFuncs.cpp, built in every build) and vector
// ones in translation units of their own (normalise_<set>.cpp).
//   shiftRun:  count 16-bit little-endian samples (at any address) to the low
//              8 bits of sample >> shift, shift 0..15.
//   unpackRun: count samples of GigE Vision 10/12-bit packed groups to their
//              most significant byte (bytes 0 and 2 of every 3-byte group);
//              an odd count reads only the first byte of the last group and
//              writes exactly count bytes.
#ifndef TAV_CORE_NORMALISE_VARIANTS_H
#define TAV_CORE_NORMALISE_VARIANTS_H

#include <stddef.h>
#include <stdint.h>

namespace tav {
namespace normalise {

// Each returns false, writing nothing, for work it leaves to the plain loop.
namespace sse2 {
bool shiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination);
bool unpackRun(const uint8_t* source, size_t count, uint8_t* destination);
}  // namespace sse2
namespace avx2 {
bool shiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination);
bool unpackRun(const uint8_t* source, size_t count, uint8_t* destination);
}  // namespace avx2
namespace neon {
bool shiftRun(const uint8_t* source, size_t count, int32_t shift, uint8_t* destination);
bool unpackRun(const uint8_t* source, size_t count, uint8_t* destination);
}  // namespace neon

}  // namespace normalise
}  // namespace tav

#endif

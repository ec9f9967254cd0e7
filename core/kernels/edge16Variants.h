// The interior of the 16-bit edge-directed kernels, one variant per
// instruction set: the plain one (built in every build) and the vector ones
// in translation units of their own (demosaicingEdge16_<set>.cpp). Each
// writes the same samples: s and d point at the interior's first block (row
// 2 + o, column phase), `rows` rows in pairs, `pairs` column pairs, values
// clamped to 0..top.
#ifndef TAV_KERNELS_EDGE16_VARIANTS_H
#define TAV_KERNELS_EDGE16_VARIANTS_H

#include <stddef.h>
#include <stdint.h>

namespace tav {
namespace edge16 {

namespace sse2 {
void interior(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top);
}
namespace avx2 {
void interior(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top);
}
namespace neon {
void interior(const uint16_t* s, uint16_t* d, ptrdiff_t w, int32_t rows, int32_t pairs, int32_t top);
}

}  // namespace edge16
}  // namespace tav

#endif

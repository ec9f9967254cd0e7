// The vector rows of the bilinear 8-bit kernels, one table per instruction
// set (an entry of the kernel table). The per-pixel rule of rows.h stays the
// plain path; a null table selects it.
#ifndef TAV_KERNELS_BILINEAR_VARIANTS_H
#define TAV_KERNELS_BILINEAR_VARIANTS_H

#include <stdint.h>

namespace tav {
namespace bilinear {

// The three source rows around an output row (already mirrored at the top
// and bottom) and where its colour sites lie.
struct RowContext {
    const uint8_t* up;
    const uint8_t* mid;
    const uint8_t* down;
    int width;
    int colourParity;  // x & 1 of the row's red or blue sites
    bool redRow;       // the row holds red samples (else blue)
};

// Each routine writes columns colourParity + 2 .. width-1 of one output row
// (the columns before are the plain rule's); output pointers are at column 0.
typedef void (*InterleavedRow)(const RowContext& row, uint8_t* out);
typedef void (*PlanarRow)(const RowContext& row, uint8_t* const planes[3]);
typedef void (*GreyRow)(const RowContext& row, uint8_t* out, const uint16_t weights[3]);

struct VectorRows {
    InterleavedRow bgr, bgra;
    PlanarRow planar;  // red, green, blue planes
    GreyRow grey;      // weights non-negative, summing to at most 256
};

}  // namespace bilinear
}  // namespace tav

#endif

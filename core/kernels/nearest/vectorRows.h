// The vector row-pair routines of the nearest-neighbour kernels, one table
// per instruction set (an entry of the kernel table). The per-pixel rows in
// nearest.cpp stay the plain path; a null entry selects it.
#ifndef TAV_KERNELS_NEAREST_VARIANTS_H
#define TAV_KERNELS_NEAREST_VARIANTS_H

#include <stddef.h>
#include <stdint.h>

namespace tav {
namespace nearest {

// Each routine writes columns 2 .. width-1 of two output rows: the
// green/blue row `current` (below the red/green row `above`) into `gb`, and
// the red/green row `below` into `rg`. Interleaved and grey pointers are at
// column 0 of their rows; width is at least 4.
typedef void (*InterleavedRows)(const uint8_t* above, const uint8_t* current, const uint8_t* below,
                                size_t width, uint8_t* gb, uint8_t* rg);
typedef void (*PlanarRows)(const uint8_t* above, const uint8_t* current, const uint8_t* below,
                           size_t width, uint8_t* const gb[3], uint8_t* const rg[3]);
typedef void (*GreyRows)(const uint8_t* above, const uint8_t* current, const uint8_t* below,
                         size_t width, uint8_t* gb, uint8_t* rg, uint16_t redWeight,
                         uint16_t blueWeight);

struct VectorRows {
    InterleavedRows bgr, rgb, bgra, rgba;  // named by byte order: "bgr" puts red in byte 2
    PlanarRows planar;                     // planes: red position, green, blue position
    GreyRows grey;
};

}  // namespace nearest
}  // namespace tav

#endif

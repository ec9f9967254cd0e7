// The 16-bit bilinear rule for any Bayer order, straight from the frame: no
// mirrored copy. Unchecked: the caller has checked the pointers, the order
// (0 RG, 1 GR, 2 GB, 3 BG) and a frame of at least 4x4 whose 3 x samples
// count fits.
#ifndef TAV_KERNELS_BILINEAR16_ANY_ORDER_H
#define TAV_KERNELS_BILINEAR16_ANY_ORDER_H

#include <stdint.h>

namespace tav {
namespace bilinear16 {

// B, G, R interleaved.
void anyOrderInterleaved(const uint16_t* source, int32_t height, int32_t width, int32_t order,
                         uint16_t* destination);
void anyOrderPlanar(const uint16_t* source, int32_t height, int32_t width, int32_t order, uint16_t* bPlane,
                    uint16_t* gPlane, uint16_t* rPlane);

}  // namespace bilinear16
}  // namespace tav

#endif

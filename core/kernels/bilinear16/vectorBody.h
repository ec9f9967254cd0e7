// The vector variants of the 16-bit bilinear body, one per instruction set,
// entries of the kernel tables (vectorBlock.h, neonBlock.h).
// A variant writes exactly what the plain body writes: row pairs from row 1
// while the pair's first row is below height - 2, columns 1 to
// ((width - 4) with its lowest bit cleared) + 2; it reads the source rows
// and columns next to that region only. Source rows are `stride` samples
// apart and output rows `stride` pixels apart (stride >= width: a window of
// a wider frame). The caller checks the frame size.
#ifndef TAV_KERNELS_BILINEAR16_VARIANTS_H
#define TAV_KERNELS_BILINEAR16_VARIANTS_H

#include <stdint.h>

namespace tav {
namespace bilinear16 {

// Where the three colours go: interleaved B,G,R or R,G,B, or three planes.
enum class Layout { Bgr, Rgb, Planar };

struct BodyOutput {
    Layout layout;
    uint16_t* interleaved;
    uint16_t* bPlane;
    uint16_t* gPlane;
    uint16_t* rPlane;
};

}  // namespace bilinear16
}  // namespace tav

#endif

// Grey from colour: (77*R + 150*G + 29*B + 128) >> 8. The weights sum to
// 256, so the rounded sum always fits a byte.
#ifndef TAV_KERNELS_LUMA_WEIGHTS_H
#define TAV_KERNELS_LUMA_WEIGHTS_H

#include <stdint.h>

namespace tav {

constexpr int kLumaRed = 77;
constexpr int kLumaGreen = 150;
constexpr int kLumaBlue = 29;

// The order flag of the nearest and edge-directed kernels (any nonzero value
// counts as set). Clear: the colour at the kernel's red position goes to byte
// 2 (B, G, R) and is weighted as red in grey. Set: it goes to byte 0 (R, G, B)
// and is weighted as blue, since it is the blue of a frame used exchanged.
struct ChannelOrder {
    bool redFirst;   // red-position colour in byte 0
    int redWeight;   // grey weight of the red-position colour
    int blueWeight;  // grey weight of the blue-position colour
};

constexpr ChannelOrder channelOrder(uint32_t orderFlag) {
    return orderFlag != 0 ? ChannelOrder{true, kLumaBlue, kLumaRed}
                          : ChannelOrder{false, kLumaRed, kLumaBlue};
}

}  // namespace tav

#endif

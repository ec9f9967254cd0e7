// Output kinds of the edge-directed kernels. Each is positioned at one output
// row and stores finished pixels of that row and its two neighbours (dy = -1,
// 0, +1). "Red" is the colour at the red position of the kernel's phase.
#ifndef TAV_KERNELS_EDGE_OUTPUTS_H
#define TAV_KERNELS_EDGE_OUTPUTS_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "kernels/lumaWeights.h"

namespace tav {
namespace edge {

struct VectorSteps;  // step.h

// The output kinds are shared by the baseline and the instruction-set units,
// so their members are always inlined: no out-of-line copy compiled with
// another unit's flags can be picked by the linker.
#define TAV_EDGE_OUT_INLINE inline __attribute__((always_inline))

// Largest storage of one pixel over all kinds and planes (4-byte pixels, or
// three planes of one byte each).
constexpr int kMaxBytesPerPixel = 4;

// 3 or 4 bytes per pixel; RedFirst puts red in byte 0 (else byte 2). The
// fourth byte, when present, is always 0.
template <int Bytes, bool RedFirst>
struct InterleavedOut {
    uint8_t* row;
    ptrdiff_t stride;
    const VectorSteps* vector;  // null: every column through the per-column rule

    TAV_EDGE_OUT_INLINE InterleavedOut(uint8_t* frame, int width, const VectorSteps* steps)
        : row(frame), stride((ptrdiff_t)Bytes * width), vector(steps) {}
    TAV_EDGE_OUT_INLINE InterleavedOut atRow(int y) const {
        InterleavedOut o = *this;
        o.row += (ptrdiff_t)y * stride;
        return o;
    }
    // The same kind writing rows -1 .. 1 of `columns` pixels into `buffer`
    // (3 * columns * kMaxBytesPerPixel bytes).
    TAV_EDGE_OUT_INLINE InterleavedOut redirected(uint8_t* buffer, int columns) const {
        InterleavedOut o = *this;
        o.stride = (ptrdiff_t)Bytes * columns;
        o.row = buffer + o.stride;
        return o;
    }
    // Pixels from .. from+count-1 of row dy of `local` into columns x .. of row dy.
    TAV_EDGE_OUT_INLINE void copyPixels(const InterleavedOut& local, int dy, int from, int x, int count) const {
        memcpy(row + dy * stride + (ptrdiff_t)x * Bytes, local.row + dy * local.stride + from * Bytes,
               (size_t)count * Bytes);
    }
    TAV_EDGE_OUT_INLINE void pixel(int dy, int x, int r, int g, int b) const {
        uint8_t* p = row + dy * stride + (ptrdiff_t)x * Bytes;
        p[0] = (uint8_t)(RedFirst ? r : b);
        p[1] = (uint8_t)g;
        p[2] = (uint8_t)(RedFirst ? b : r);
        if (Bytes == 4) p[3] = 0;
    }
};

// Three planes of one byte per pixel: red, green, blue.
struct PlanarOut {
    uint8_t* red;
    uint8_t* green;
    uint8_t* blue;
    ptrdiff_t stride;
    const VectorSteps* vector;

    TAV_EDGE_OUT_INLINE PlanarOut(uint8_t* r, uint8_t* g, uint8_t* b, int width,
                                  const VectorSteps* steps)
        : red(r), green(g), blue(b), stride(width), vector(steps) {}
    TAV_EDGE_OUT_INLINE PlanarOut atRow(int y) const {
        PlanarOut o = *this;
        const ptrdiff_t offset = (ptrdiff_t)y * stride;
        o.red += offset;
        o.green += offset;
        o.blue += offset;
        return o;
    }
    TAV_EDGE_OUT_INLINE PlanarOut redirected(uint8_t* buffer, int columns) const {
        PlanarOut o = *this;
        o.stride = columns;
        o.red = buffer + columns;
        o.green = o.red + 3 * columns;
        o.blue = o.green + 3 * columns;
        return o;
    }
    TAV_EDGE_OUT_INLINE void copyPixels(const PlanarOut& local, int dy, int from, int x, int count) const {
        const ptrdiff_t at = dy * stride + x;
        const ptrdiff_t localAt = dy * local.stride + from;
        memcpy(red + at, local.red + localAt, (size_t)count);
        memcpy(green + at, local.green + localAt, (size_t)count);
        memcpy(blue + at, local.blue + localAt, (size_t)count);
    }
    TAV_EDGE_OUT_INLINE void pixel(int dy, int x, int r, int g, int b) const {
        const ptrdiff_t i = dy * stride + x;
        red[i] = (uint8_t)r;
        green[i] = (uint8_t)g;
        blue[i] = (uint8_t)b;
    }
};

// Grey: (wRed*R + 150*G + wBlue*B + 128) >> 8 with (wRed, wBlue) from the
// order flag; the weights sum to 256. The weights are run-time
// values so that the vector path multiplies instead of unrolling constant
// multiplications into long shift-and-add chains.
struct LumaOut {
    uint8_t* row;
    ptrdiff_t stride;
    int redWeight;
    int blueWeight;
    const VectorSteps* vector;

    TAV_EDGE_OUT_INLINE LumaOut(uint8_t* frame, int width, const ChannelOrder& order,
                                const VectorSteps* steps)
        : row(frame), stride(width), redWeight(order.redWeight), blueWeight(order.blueWeight),
          vector(steps) {}
    TAV_EDGE_OUT_INLINE LumaOut atRow(int y) const {
        LumaOut o = *this;
        o.row += (ptrdiff_t)y * stride;
        return o;
    }
    TAV_EDGE_OUT_INLINE LumaOut redirected(uint8_t* buffer, int columns) const {
        LumaOut o = *this;
        o.stride = columns;
        o.row = buffer + columns;
        return o;
    }
    TAV_EDGE_OUT_INLINE void copyPixels(const LumaOut& local, int dy, int from, int x, int count) const {
        memcpy(row + dy * stride + x, local.row + dy * local.stride + from, (size_t)count);
    }
    TAV_EDGE_OUT_INLINE void pixel(int dy, int x, int r, int g, int b) const {
        row[dy * stride + x] = (uint8_t)((redWeight * r + kLumaGreen * g + blueWeight * b + 128) >> 8);
    }
};

}  // namespace edge
}  // namespace tav

#endif

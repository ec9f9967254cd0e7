// Output kinds of the edge-directed kernels. Each is positioned at one output
// row and stores finished pixels of that row and its two neighbours (dy = -1,
// 0, +1). "Red" is the colour at the red position of the kernel's phase.
#ifndef TAV_KERNELS_EDGE_OUTPUTS_H
#define TAV_KERNELS_EDGE_OUTPUTS_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace tav {
namespace edge {

// Largest storage of one pixel over all kinds and planes (4-byte pixels, or
// three planes of one byte each).
constexpr int kMaxBytesPerPixel = 4;

// 3 or 4 bytes per pixel; RedFirst puts red in byte 0 (else byte 2). The
// fourth byte, when present, is always 0.
template <int Bytes, bool RedFirst>
struct InterleavedOut {
    uint8_t* row;
    ptrdiff_t stride;

    InterleavedOut(uint8_t* frame, int width) : row(frame), stride((ptrdiff_t)Bytes * width) {}
    InterleavedOut atRow(int y) const {
        InterleavedOut o = *this;
        o.row += (ptrdiff_t)y * stride;
        return o;
    }
    // The same kind writing rows -1 .. 1 of `columns` pixels into `buffer`
    // (3 * columns * kMaxBytesPerPixel bytes).
    InterleavedOut redirected(uint8_t* buffer, int columns) const {
        InterleavedOut o = *this;
        o.stride = (ptrdiff_t)Bytes * columns;
        o.row = buffer + o.stride;
        return o;
    }
    // Pixels from .. from+count-1 of row dy of `local` into columns x .. of row dy.
    void copyPixels(const InterleavedOut& local, int dy, int from, int x, int count) const {
        memcpy(row + dy * stride + (ptrdiff_t)x * Bytes, local.row + dy * local.stride + from * Bytes,
               (size_t)count * Bytes);
    }
    void pixel(int dy, int x, int r, int g, int b) const {
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

    PlanarOut(uint8_t* r, uint8_t* g, uint8_t* b, int width)
        : red(r), green(g), blue(b), stride(width) {}
    PlanarOut atRow(int y) const {
        PlanarOut o = *this;
        const ptrdiff_t offset = (ptrdiff_t)y * stride;
        o.red += offset;
        o.green += offset;
        o.blue += offset;
        return o;
    }
    PlanarOut redirected(uint8_t* buffer, int columns) const {
        PlanarOut o = *this;
        o.stride = columns;
        o.red = buffer + columns;
        o.green = o.red + 3 * columns;
        o.blue = o.green + 3 * columns;
        return o;
    }
    void copyPixels(const PlanarOut& local, int dy, int from, int x, int count) const {
        const ptrdiff_t at = dy * stride + x;
        const ptrdiff_t localAt = dy * local.stride + from;
        memcpy(red + at, local.red + localAt, (size_t)count);
        memcpy(green + at, local.green + localAt, (size_t)count);
        memcpy(blue + at, local.blue + localAt, (size_t)count);
    }
    void pixel(int dy, int x, int r, int g, int b) const {
        const ptrdiff_t i = dy * stride + x;
        red[i] = (uint8_t)r;
        green[i] = (uint8_t)g;
        blue[i] = (uint8_t)b;
    }
};

// Grey: (wRed*R + 150*G + wBlue*B + 128) >> 8 with (wRed, wBlue) either
// (77, 29) or (29, 77); the weights sum to 256. The weights are run-time
// values so that the vector path multiplies instead of unrolling constant
// multiplications into long shift-and-add chains.
struct LumaOut {
    uint8_t* row;
    ptrdiff_t stride;
    int redWeight;
    int blueWeight;

    LumaOut(uint8_t* frame, int width, bool redWeightedLow)
        : row(frame), stride(width), redWeight(redWeightedLow ? 29 : 77),
          blueWeight(redWeightedLow ? 77 : 29) {}
    LumaOut atRow(int y) const {
        LumaOut o = *this;
        o.row += (ptrdiff_t)y * stride;
        return o;
    }
    LumaOut redirected(uint8_t* buffer, int columns) const {
        LumaOut o = *this;
        o.stride = columns;
        o.row = buffer + columns;
        return o;
    }
    void copyPixels(const LumaOut& local, int dy, int from, int x, int count) const {
        memcpy(row + dy * stride + x, local.row + dy * local.stride + from, (size_t)count);
    }
    void pixel(int dy, int x, int r, int g, int b) const {
        row[dy * stride + x] = (uint8_t)((redWeight * r + 150 * g + blueWeight * b + 128) >> 8);
    }
};

}  // namespace edge
}  // namespace tav

#endif

// Stages 6 to 8 of the picture pipeline.
#include "picture/colourRows.h"

#include <stddef.h>

#include "kernels/lumaWeights.h"

namespace tav {

namespace {

inline int32_t matrixRow(const int32_t* q, int32_t r, int32_t g, int32_t b) {
    const int32_t v = (q[0] * r + q[1] * g + q[2] * b + (1 << (kMatrixShift - 1))) >> kMatrixShift;
    return v < 0 ? 0 : (v > kLinearMax ? kLinearMax : v);
}

inline uint32_t lumaOf(uint32_t r, uint32_t g, uint32_t b) {
    return (kLumaRed * r + kLumaGreen * g + kLumaBlue * b + 128) >> 8;
}

}  // namespace

void colourRow(const FrameRule& f, int32_t y, const uint16_t* red, const uint16_t* green, const uint16_t* blue,
               uint32_t* histogram) {
    const int32_t* q = f.state->matrix;
    const uint8_t* curve = f.state->curve;
    const int32_t w = f.width;
    const size_t pixels = (size_t)f.height * (size_t)w;
    const size_t at = (size_t)y * (size_t)w;
    if (f.outputType == TAV_PIXEL_MONO8) {
        uint8_t* out = f.destination + at;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t luma = lumaOf(matrixRow(q, red[x], green[x], blue[x]), matrixRow(q + 3, red[x], green[x], blue[x]),
                                         matrixRow(q + 6, red[x], green[x], blue[x]));
            out[x] = curve[luma];
            ++histogram[out[x] >> 2];
        }
        return;
    }
    const bool planar = f.outputType == TAV_PIXEL_RGB8_PLANAR || f.outputType == TAV_PIXEL_BGR8_PLANAR;
    const bool redFirst = f.outputType == TAV_PIXEL_RGB8 || f.outputType == TAV_PIXEL_RGBA8 ||
                          f.outputType == TAV_PIXEL_RGB8_PLANAR;
    const int bytes = f.outputType == TAV_PIXEL_RGBA8 || f.outputType == TAV_PIXEL_BGRA8 ? 4 : 3;
    uint8_t* row = f.destination + at * (planar ? 1 : bytes);
    for (int32_t x = 0; x < w; ++x) {
        const uint8_t r = curve[matrixRow(q, red[x], green[x], blue[x])];
        const uint8_t g = curve[matrixRow(q + 3, red[x], green[x], blue[x])];
        const uint8_t b = curve[matrixRow(q + 6, red[x], green[x], blue[x])];
        const uint8_t c0 = redFirst ? r : b, c2 = redFirst ? b : r;
        if (planar) {
            row[x] = c0;
            row[pixels + x] = g;
            row[2 * pixels + x] = c2;
        } else {
            uint8_t* p = row + (size_t)x * bytes;
            p[0] = c0;
            p[1] = g;
            p[2] = c2;
            if (bytes == 4) p[3] = 0;
        }
        ++histogram[lumaOf(r, g, b) >> 2];
    }
}

}  // namespace tav

// Stages 6 to 8 of the picture pipeline: the matrix in place on the row's
// linear colours (vector rows where the instruction set has them), then
// the curve and the layout, one loop per layout.
#include "picture/colourRows.h"

#include <stddef.h>
#include <string.h>

#include "kernels/lumaWeights.h"
#include "picture/vectorRows.h"
#include "simd/kernelTable.h"

namespace tav {

namespace {

inline uint16_t matrixRow(const int32_t* q, int32_t r, int32_t g, int32_t b) {
    const int32_t v = (q[0] * r + q[1] * g + q[2] * b + (1 << (kMatrixShift - 1))) >> kMatrixShift;
    return (uint16_t)(v < 0 ? 0 : (v > kLinearMax ? kLinearMax : v));
}

inline uint32_t lumaOf(uint32_t r, uint32_t g, uint32_t b) {
    return (kLumaRed * r + kLumaGreen * g + kLumaBlue * b + 128) >> 8;
}

void applyMatrix(const int32_t* q, uint16_t* red, uint16_t* green, uint16_t* blue, int32_t width) {
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    int32_t x = vector != nullptr ? vector->matrix(red, green, blue, q, width) : 0;
    for (; x < width; ++x) {
        const int32_t r = red[x], g = green[x], b = blue[x];
        red[x] = matrixRow(q, r, g, b);
        green[x] = matrixRow(q + 3, r, g, b);
        blue[x] = matrixRow(q + 6, r, g, b);
    }
}

// Counts of a row in four histograms taken in turn, so that neighbouring
// pixels of one level do not wait on each other's increment.
struct RowHistogram {
    uint32_t bins[4][64];
    RowHistogram() { memset(bins, 0, sizeof bins); }
    void count(int32_t x, uint32_t luma) { ++bins[x & 3][luma >> 2]; }
    void addTo(uint32_t* histogram) const {
        for (int i = 0; i < 64; ++i) histogram[i] += bins[0][i] + bins[1][i] + bins[2][i] + bins[3][i];
    }
};

// Statistics switched off (a test and benchmark hook): nothing counted.
struct NoHistogram {
    void count(int32_t, uint32_t) {}
    void addTo(uint32_t*) const {}
};

inline int32_t vectorPart(const uint8_t* curve, const uint16_t* red, const uint16_t* green, const uint16_t* blue,
                          int32_t width, int32_t bytes, bool redFirst, uint8_t* out, RowHistogram& histogram) {
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    if (vector == nullptr || vector->curveInterleaved == nullptr) return 0;
    return vector->curveInterleaved(curve, red, green, blue, width, bytes, redFirst, out, histogram.bins);
}
inline int32_t vectorPart(const uint8_t* curve, const uint16_t* red, const uint16_t* green, const uint16_t* blue,
                          int32_t width, int32_t bytes, bool redFirst, uint8_t* out, NoHistogram&) {
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    if (vector == nullptr || vector->curveInterleaved == nullptr) return 0;
    return vector->curveInterleaved(curve, red, green, blue, width, bytes, redFirst, out, nullptr);
}

template <int Bytes, bool RedFirst, class Histogram>
void interleavedRow(const uint8_t* curve, const uint16_t* red, const uint16_t* green, const uint16_t* blue,
                    int32_t width, uint8_t* out, Histogram& histogram) {
    int32_t x = vectorPart(curve, red, green, blue, width, Bytes, RedFirst, out, histogram);
    for (out += (size_t)x * Bytes; x < width; ++x, out += Bytes) {
        const uint32_t r = curve[red[x]], g = curve[green[x]], b = curve[blue[x]];
        const uint32_t c0 = RedFirst ? r : b, c2 = RedFirst ? b : r;
        if (Bytes == 4) {
            const uint32_t pixel = c0 | (g << 8) | (c2 << 16);  // little-endian: bytes c0, g, c2, 0
            memcpy(out, &pixel, 4);
        } else {
            out[0] = (uint8_t)c0;
            out[1] = (uint8_t)g;
            out[2] = (uint8_t)c2;
        }
        histogram.count(x, lumaOf(r, g, b));
    }
}

template <class Histogram>
void planarRow(const uint8_t* curve, const uint16_t* first, const uint16_t* green, const uint16_t* third,
               int32_t width, size_t planeBytes, uint8_t* out, Histogram& histogram, bool redFirst) {
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t c0 = curve[first[x]], g = curve[green[x]], c2 = curve[third[x]];
        out[x] = c0;
        out[planeBytes + x] = g;
        out[2 * planeBytes + x] = c2;
        histogram.count(x, redFirst ? lumaOf(c0, g, c2) : lumaOf(c2, g, c0));
    }
}

template <class Histogram>
void layoutRow(const FrameRule& f, int32_t y, const uint16_t* red, const uint16_t* green, const uint16_t* blue,
               uint32_t* histogram) {
    const int32_t w = f.width;
    const uint8_t* curve = f.state->curve;
    const size_t at = (size_t)y * (size_t)w;
    Histogram counts;
    switch (f.outputType) {

        case TAV_PIXEL_MONO8: {
            uint8_t* out = f.destination + at;
            for (int32_t x = 0; x < w; ++x) {
                out[x] = curve[lumaOf(red[x], green[x], blue[x])];
                counts.count(x, out[x]);
            }
            break;
        }
        case TAV_PIXEL_RGB8: interleavedRow<3, true, Histogram>(curve, red, green, blue, w, f.destination + 3 * at, counts); break;
        case TAV_PIXEL_BGR8: interleavedRow<3, false, Histogram>(curve, red, green, blue, w, f.destination + 3 * at, counts); break;
        case TAV_PIXEL_RGBA8: interleavedRow<4, true, Histogram>(curve, red, green, blue, w, f.destination + 4 * at, counts); break;
        case TAV_PIXEL_BGRA8: interleavedRow<4, false, Histogram>(curve, red, green, blue, w, f.destination + 4 * at, counts); break;
        default: {
            const size_t planeBytes = (size_t)f.height * (size_t)w;
            const bool redFirst = f.outputType == TAV_PIXEL_RGB8_PLANAR;
            planarRow<Histogram>(curve, redFirst ? red : blue, green, redFirst ? blue : red, w, planeBytes, f.destination + at,
                      counts, redFirst);
            break;
        }
    }
    counts.addTo(histogram);
}

}  // namespace

void colourRow(const FrameRule& f, int32_t y, uint16_t* red, uint16_t* green, uint16_t* blue,
               uint32_t* histogram) {
    applyMatrix(f.state->matrix, red, green, blue, f.width);
    if (f.gatherStats) {
        layoutRow<RowHistogram>(f, y, red, green, blue, histogram);
    } else {
        layoutRow<NoHistogram>(f, y, red, green, blue, histogram);
    }
}

}  // namespace tav

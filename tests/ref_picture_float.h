// Floating-point model of the picture pipeline: the stages of ref_picture.h
// in real arithmetic with no rounding between them (real gains, real matrix
// entries, the demosaicing rule dividing exactly, the curve itself rather
// than its table). It says what the integer rule approximates: 8-bit
// outputs should stay within one level of it almost everywhere.
#ifndef TAV_TEST_REF_PICTURE_FLOAT_H
#define TAV_TEST_REF_PICTURE_FLOAT_H

#include "ref_picture.h"

namespace picref {

// Real 8-bit value (0..255) of each output colour; for Mono8 output all three
// hold the grey.
inline Planes<double> modelPicture(const TavImage& image, int method, int64_t outputType, const TavPipeline& p) {
    const InputFormat& f = *findFormat(image.pixelType);
    const int h = image.height, w = image.width;
    const double white = whitePoint(f);
    std::vector<double> L(static_cast<size_t>(h) * w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double s = rawSample(image, f, y, x);
            uint32_t word = 0;
            double s1 = s < white ? s : white;
            if (tableWord(p.shadingTable, h, w, y, x, &word)) {
                const double offset = (word & 0xFFF) * std::ldexp(1.0, f.depth - 12);
                s1 = (s - offset) * (word >> 12) / 131072.0;
                s1 = s1 < 0 ? 0 : s1 > white ? white : s1;
            }
            const int pos = tilePosition(y, x);
            const double black = positionBlack(p, f.cfa, pos);
            const double s2 = s1 > black ? s1 - black : 0.0;
            const double v = s2 * static_cast<double>(p.whiteBalance[positionGain(f.cfa, pos)]) * 16383.0 /
                             (white - black);
            L[static_cast<size_t>(y) * w + x] = v < kLinearMax ? v : kLinearMax;
        }
    }
    const Planes<double> cam = demosaic(L, h, w, f.cfa, method);
    Planes<double> out;
    const size_t n = L.size();
    out.r.resize(n), out.g.resize(n), out.b.resize(n);
    auto encode = [&](double v) { return 255.0 * curveOf(p, v / 16383.0); };
    for (size_t i = 0; i < n; ++i) {
        double v[3];
        for (int row = 0; row < 3; ++row) {
            const float* m = p.colorMatrix + 3 * row;
            v[row] = clampLinear(double(m[0]) * cam.r[i] + double(m[1]) * cam.g[i] + double(m[2]) * cam.b[i]);
        }
        if (outputType == TAV_PIXEL_MONO8) {
            out.r[i] = out.g[i] = out.b[i] = encode((77 * v[0] + 150 * v[1] + 29 * v[2]) / 256.0);
        } else {
            out.r[i] = encode(v[0]), out.g[i] = encode(v[1]), out.b[i] = encode(v[2]);
        }
    }
    return out;
}

}  // namespace picref

#endif

// Bilinear 8-bit demosaicing kernels: four Bayer phases into interleaved
// B,G,R and B,G,R,0 pixels, and the red-first and green-first phases into
// three planes or grey. One rule (rows.h) feeds one sink per layout.
#include "tav_kernels.h"

#include "kernels/bilinear/band.h"
#include "kernels/bilinear/rows.h"
#include "simd/kernelTable.h"
#include "sizeCheck.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace tav {
namespace bilinear {
namespace {

// Interleaved pixels of BytesPerPixel bytes: B, G, R and, for 4 bytes, 0.
template <int BytesPerPixel>
struct InterleavedSink {
    uint8_t* destination;
    size_t rowBytes;
    uint8_t* row;
    const VectorRows* vector;  // null: the per-pixel rule for whole rows

    void beginRow(int y) { row = destination + (size_t)y * rowBytes; }
    void put(int x, unsigned r, unsigned g, unsigned b) {
        uint8_t* __restrict pixel = row + (size_t)x * BytesPerPixel;
        pixel[0] = (uint8_t)b;
        pixel[1] = (uint8_t)g;
        pixel[2] = (uint8_t)r;
        if (BytesPerPixel == 4) pixel[3] = 0;
    }
    void vectorRow(const RowContext& r) const { (BytesPerPixel == 4 ? vector->bgra : vector->bgr)(r, row); }
};

// Three planes: plane 0 red, plane 1 green, plane 2 blue (of the kernel's phase).
struct PlanarSink {
    uint8_t* planes[3];
    size_t width;
    uint8_t* rows[3];
    const VectorRows* vector;

    void beginRow(int y) {
        for (int p = 0; p < 3; ++p) rows[p] = planes[p] + (size_t)y * width;
    }
    void put(int x, unsigned r, unsigned g, unsigned b) {
        rows[0][x] = (uint8_t)r;
        rows[1][x] = (uint8_t)g;
        rows[2][x] = (uint8_t)b;
    }
    void vectorRow(const RowContext& r) const { vector->planar(r, rows); }
};

// Grey = (wR*R + wG*G + wB*B + 128) >> 8. With non-negative weights summing to
// at most 256 the sum stays below 2^16, so it runs in 16-bit lanes.
struct GreySink16 {
    uint8_t* destination;
    size_t width;
    uint16_t weights[3];  // R, G, B
    uint8_t* row;
    const VectorRows* vector;

    void beginRow(int y) { row = destination + (size_t)y * width; }
    void put(int x, unsigned r, unsigned g, unsigned b) {
        const uint16_t sum = (uint16_t)((uint16_t)(weights[0] * r) + (uint16_t)(weights[1] * g) +
                                        (uint16_t)(weights[2] * b) + 128);
        row[x] = (uint8_t)(sum >> 8);
    }
    void vectorRow(const RowContext& r) const { vector->grey(r, row, weights); }
};

// Any other weights: 64-bit sum, so no weight can overflow it.
struct GreySinkWide {
    uint8_t* destination;
    size_t width;
    int64_t weightR, weightG, weightB;
    uint8_t* row;
    const VectorRows* vector;  // always null: no vector form of the wide sum
    void vectorRow(const RowContext&) const {}

    void beginRow(int y) { row = destination + (size_t)y * width; }
    void put(int x, unsigned r, unsigned g, unsigned b) {
        const int64_t sum = weightR * r + weightG * g + weightB * b + 128;
        row[x] = (uint8_t)(sum >> 8);
    }
};

// Frames below 4 x 4 have no interior to mirror into; sizes whose output
// byte count does not fit in 32 bits are refused before anything is written.
bool acceptableSize(int32_t height, int32_t width, int bytesPerPixel) {
    return height >= 4 && width >= 4 && countFits(height, width, bytesPerPixel);
}

template <int BytesPerPixel>
int32_t interleaved(const uint8_t* frame, int32_t height, int32_t width, uint8_t* destination,
                    BayerPhase phase) {
    if (!acceptableSize(height, width, BytesPerPixel)) return TAV_E_SIZE;
    if (!frame || !destination) return TAV_E_NULL_POINTER;
    InterleavedSink<BytesPerPixel> sink{destination, (size_t)width * BytesPerPixel, destination,
                                        tav::simd::kernels().bilinearRows};
    bilinearFrame(wholeFrameRows(frame, width), height, width, phase, sink, 0, height, nullptr);
    return TAV_OK;
}

int32_t planar(const uint8_t* frame, int32_t height, int32_t width, uint8_t* plane0,
               uint8_t* plane1, uint8_t* plane2, BayerPhase phase) {
    if (!acceptableSize(height, width, 1)) return TAV_E_SIZE;
    if (!frame || !plane0 || !plane1 || !plane2) return TAV_E_NULL_POINTER;
    PlanarSink sink{{plane0, plane1, plane2}, (size_t)width, {plane0, plane1, plane2},
                    tav::simd::kernels().bilinearRows};
    bilinearFrame(wholeFrameRows(frame, width), height, width, phase, sink, 0, height, nullptr);
    return TAV_OK;
}

bool fitsSixteenBits(const int32_t* w) {
    return w[0] >= 0 && w[1] >= 0 && w[2] >= 0 && w[0] <= 256 && w[1] <= 256 && w[2] <= 256 &&
           w[0] + w[1] + w[2] <= 256;
}

int32_t grey(const uint8_t* frame, int32_t height, int32_t width, const int32_t* weights,
             uint8_t* destination, BayerPhase phase) {
    if (!acceptableSize(height, width, 1)) return TAV_E_SIZE;
    if (!frame || !weights || !destination) return TAV_E_NULL_POINTER;
    if (fitsSixteenBits(weights)) {
        GreySink16 sink{destination,
                        (size_t)width,
                        {(uint16_t)weights[0], (uint16_t)weights[1], (uint16_t)weights[2]},
                        destination,
                        tav::simd::kernels().bilinearRows};
        bilinearFrame(wholeFrameRows(frame, width), height, width, phase, sink, 0, height, nullptr);
    } else {
        GreySinkWide sink{destination, (size_t)width, weights[0], weights[1], weights[2],
                          destination, nullptr};
        bilinearFrame(wholeFrameRows(frame, width), height, width, phase, sink, 0, height, nullptr);
    }
    return TAV_OK;
}

}  // namespace
}  // namespace bilinear

void bilinearBand(BayerPhase phase, const FrameRows& source, int32_t height, int32_t width,
                  const BandOutput& out, const BandRows& rows) {
    using namespace bilinear;
    const VectorRows* vector = tav::simd::kernels().bilinearRows;
    switch (out.layout) {
        case BandLayout::Bgr: {
            InterleavedSink<3> sink{out.data, (size_t)width * 3, out.data, vector};
            bilinearFrame(source, height, width, phase, sink, rows.first, rows.end, rows.feed);
            break;
        }
        case BandLayout::Bgra: {
            InterleavedSink<4> sink{out.data, (size_t)width * 4, out.data, vector};
            bilinearFrame(source, height, width, phase, sink, rows.first, rows.end, rows.feed);
            break;
        }
        case BandLayout::Planar: {
            PlanarSink sink{{out.planes[0], out.planes[1], out.planes[2]}, (size_t)width,
                            {out.planes[0], out.planes[1], out.planes[2]}, vector};
            bilinearFrame(source, height, width, phase, sink, rows.first, rows.end, rows.feed);
            break;
        }
        case BandLayout::Mono: {
            const int32_t* w = out.weights;
            if (fitsSixteenBits(w)) {
                GreySink16 sink{out.data, (size_t)width, {(uint16_t)w[0], (uint16_t)w[1], (uint16_t)w[2]},
                                out.data, vector};
                bilinearFrame(source, height, width, phase, sink, rows.first, rows.end, rows.feed);
            } else {
                GreySinkWide sink{out.data, (size_t)width, w[0], w[1], w[2], out.data, nullptr};
                bilinearFrame(source, height, width, phase, sink, rows.first, rows.end, rows.feed);
            }
            break;
        }
    }
}

}  // namespace tav

using tav::kPhaseBG;
using tav::kPhaseGB;
using tav::kPhaseGR;
using tav::kPhaseRG;

extern "C" {

int32_t rg8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                           uint8_t* destination) {
    return tav::bilinear::interleaved<3>(frame, height, width, destination, kPhaseRG);
}

int32_t bg8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                           uint8_t* destination) {
    return tav::bilinear::interleaved<3>(frame, height, width, destination, kPhaseBG);
}

int32_t gr8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                           uint8_t* destination) {
    return tav::bilinear::interleaved<3>(frame, height, width, destination, kPhaseGR);
}

int32_t gb8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                           uint8_t* destination) {
    return tav::bilinear::interleaved<3>(frame, height, width, destination, kPhaseGB);
}

int32_t rg8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                            uint8_t* destination) {
    return tav::bilinear::interleaved<4>(frame, height, width, destination, kPhaseRG);
}

int32_t bg8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                            uint8_t* destination) {
    return tav::bilinear::interleaved<4>(frame, height, width, destination, kPhaseBG);
}

int32_t gr8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                            uint8_t* destination) {
    return tav::bilinear::interleaved<4>(frame, height, width, destination, kPhaseGR);
}

int32_t gb8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                            uint8_t* destination) {
    return tav::bilinear::interleaved<4>(frame, height, width, destination, kPhaseGB);
}

int32_t rg8ToBgr8P_bilinear(const uint8_t* frame, int32_t height, int32_t width, uint8_t* plane0,
                            uint8_t* plane1, uint8_t* plane2) {
    return tav::bilinear::planar(frame, height, width, plane0, plane1, plane2, kPhaseRG);
}

int32_t gr8ToBgr8P_bilinear(const uint8_t* frame, int32_t height, int32_t width, uint8_t* plane0,
                            uint8_t* plane1, uint8_t* plane2) {
    return tav::bilinear::planar(frame, height, width, plane0, plane1, plane2, kPhaseGR);
}

int32_t rg8ToMono8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                            const int32_t* weights, uint8_t* destination) {
    return tav::bilinear::grey(frame, height, width, weights, destination, kPhaseRG);
}

int32_t gr8ToMono8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                            const int32_t* weights, uint8_t* destination) {
    return tav::bilinear::grey(frame, height, width, weights, destination, kPhaseGR);
}

}  // extern "C"

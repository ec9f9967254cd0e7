// The high-quality method on 8-bit rows into the four output kinds.
#include "kernels/hq/band.h"

#include "kernels/hq/vectorRows.h"
#include "kernels/lumaWeights.h"
#include "simd/kernelTable.h"

namespace tav {

namespace {

// 8-bit samples go to a narrow engine: 16-bit values.
void readBytes(const void* rows, int32_t y, void* out) {
    const FrameRows& source = *static_cast<const FrameRows*>(rows);
    const uint8_t* row = source.row(y);
    int16_t* values = static_cast<int16_t*>(out);
    const hq::VectorRows* vector = simd::kernels().hqRows;
    const int32_t width = (int32_t)source.width;
    for (int32_t x = vector ? vector->narrow.widenBytes(row, values, width) : 0; x < width; ++x) values[x] = row[x];
}

uint8_t* alignUp(uint8_t* p) { return p + ((64 - ((uintptr_t)p & 63)) & 63); }

// One row of red, green and blue into the layout; the order flag puts red first.
void storeRow(const hq::VectorRows* vector, const BandOutput& out, int32_t y, size_t width, const uint16_t* r,
              const uint16_t* g, const uint16_t* b) {
    const size_t offset = (size_t)y * width;
    const int32_t w = (int32_t)width;
    switch (out.layout) {
        case BandLayout::Bgr:
        case BandLayout::Bgra: {
            const size_t bytes = out.layout == BandLayout::Bgra ? 4 : 3;
            const uint16_t* first = out.orderFlag != 0 ? r : b;
            const uint16_t* third = out.orderFlag != 0 ? b : r;
            uint8_t* row = out.data + offset * bytes;
            const size_t from = vector ? (size_t)vector->interleave(first, g, third, row, w, (int32_t)bytes) : 0;
            uint8_t* pixel = row + from * bytes;
            for (size_t x = from; x < width; ++x, pixel += bytes) {
                pixel[0] = (uint8_t)first[x];
                pixel[1] = (uint8_t)g[x];
                pixel[2] = (uint8_t)third[x];
                if (bytes == 4) pixel[3] = 0;
            }
            break;
        }
        case BandLayout::Planar: {
            uint8_t* const planes[3] = {out.planes[0] + offset, out.planes[1] + offset, out.planes[2] + offset};
            for (size_t x = vector ? (size_t)vector->planes(r, g, b, planes, w) : 0; x < width; ++x) {
                out.planes[0][offset + x] = (uint8_t)r[x];
                out.planes[1][offset + x] = (uint8_t)g[x];
                out.planes[2][offset + x] = (uint8_t)b[x];
            }
            break;
        }
        case BandLayout::Mono:
            for (size_t x = vector ? (size_t)vector->grey(r, g, b, out.data + offset, w) : 0; x < width; ++x)
                out.data[offset + x] = (uint8_t)((kLumaRed * r[x] + kLumaGreen * g[x] + kLumaBlue * b[x] + 128) >> 8);
            break;
    }
}

}  // namespace

void hqBand(BayerPhase phase, const FrameRows& source, int32_t height, int32_t width, const BandOutput& output,
            const BandRows& rows) {
    uint8_t* memory = alignUp(rows.greenRow);
    const size_t rowBytes = ((size_t)width * sizeof(uint16_t) + 63) & ~(size_t)63;
    uint16_t* red = reinterpret_cast<uint16_t*>(memory);
    uint16_t* green = reinterpret_cast<uint16_t*>(memory + rowBytes);
    uint16_t* blue = reinterpret_cast<uint16_t*>(memory + 2 * rowBytes);
    hq::RowEngine engine;
    hq::initEngine(engine, memory + 3 * rowBytes, width, height, phase, 255, {&source, readBytes});
    for (int32_t y = rows.first; y < rows.end; ++y) {
        needRows(rows.feed, y + hq::kRowsReadAcross < height ? y + hq::kRowsReadAcross : height - 1);
        hq::outputRow(engine, y, red, green, blue);
        storeRow(engine.vector, output, y, (size_t)width, red, green, blue);
    }
}

}  // namespace tav

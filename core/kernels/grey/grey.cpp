// Grey input: every output channel takes the sample; 4-byte outputs get a
// zero fourth byte and planar outputs the same plane three times.
#include <string.h>

#include "kernels/grey/band.h"

void tav::greyBand(const FrameRows& source, int32_t height, int32_t width, const BandOutput& output,
                   const BandRows& rows) {
    (void)height;
    const size_t w = (size_t)width;
    for (int32_t y = rows.first; y < rows.end; ++y) {
        needRows(rows.feed, y);
        const uint8_t* sample = source.row(y);
        switch (output.layout) {
            case BandLayout::Mono:
                memcpy(output.data + (size_t)y * w, sample, w);
                break;
            case BandLayout::Planar:
                for (int p = 0; p < 3; ++p) memcpy(output.planes[p] + (size_t)y * w, sample, w);
                break;
            case BandLayout::Bgr:
            case BandLayout::Bgra: {
                const int bytes = output.layout == BandLayout::Bgra ? 4 : 3;
                uint8_t* pixel = output.data + (size_t)y * w * bytes;
                for (size_t x = 0; x < w; ++x, pixel += bytes) {
                    pixel[0] = pixel[1] = pixel[2] = sample[x];
                    if (bytes == 4) pixel[3] = 0;
                }
                break;
            }
        }
    }
}

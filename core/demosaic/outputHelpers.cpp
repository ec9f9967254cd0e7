// Re-layouts of 3-byte-per-pixel output: BMP row alignment in place and
// expansion to 4 bytes per pixel.
#include <stdint.h>
#include <string.h>

#include "diagnostics.h"
#include "sizeCheck.h"
#include "tav_demosaic.h"

extern "C" TavStatus tavBMPAdjust(TavContext* context, TavImage* image) {
    if (context == nullptr || image == nullptr) {
        tav::printErrorLine(tav::kLineBmpNull);
        return TAV_E_NULL_POINTER;
    }
    if (image->data == nullptr) {
        tav::printErrorLine(tav::kLineBmpNullData);
        return TAV_E_NULL_POINTER;
    }
    const int32_t height = image->height;
    const int32_t width = image->width;
    const int64_t rowBytes = 3 * static_cast<int64_t>(width);
    const int64_t stride = (rowBytes + 3) & ~INT64_C(3);
    if (height <= 3 || width <= 3 || !tav::countFits(height, stride)) {
        tav::printErrorLine(tav::kLineBmpSize);
        return TAV_E_SIZE;
    }
    const size_t pad = static_cast<size_t>(stride - rowBytes);
    if (pad == 0) return TAV_OK;
    // From the last row up, so that no row is overwritten before it has moved.
    uint8_t* data = image->data;
    for (size_t r = static_cast<size_t>(height); r-- > 0;) {
        uint8_t* target = data + r * static_cast<size_t>(stride);
        memmove(target, data + r * static_cast<size_t>(rowBytes), static_cast<size_t>(rowBytes));
        memset(target + rowBytes, 0, pad);
    }
    return TAV_OK;
}

extern "C" void bgrToBgra(const uint8_t* source, int32_t height, int32_t width, uint8_t* destination) {
    // Nothing is written unless every output byte can be counted in 32 bits.
    if (source == nullptr || destination == nullptr || !tav::countFits(height, width, 4)) return;
    const int64_t pixels = static_cast<int64_t>(height) * width;
    for (size_t k = 0; k < static_cast<size_t>(pixels); ++k) {
        const uint8_t* in = source + 3 * k;
        uint8_t* out = destination + 4 * k;
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 0;
    }
}

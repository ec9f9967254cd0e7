// Stages 1 to 4 of the picture pipeline, row by row.
#include "picture/linearRows.h"

#include <stddef.h>

#include "picture/vectorRows.h"
#include "simd/kernelTable.h"
#include "tav_lsc.h"

namespace tav {

namespace {

// Packed samples from the vector rows where the instruction set has them.
int32_t vectorUnpacked(const uint8_t* row, uint16_t* out, int32_t width, int32_t depth) {
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    return vector != nullptr && vector->unpackPacked != nullptr ? vector->unpackPacked(row, out, width, depth) : 0;
}

void readRow(const FrameRule& f, int32_t y, uint16_t* out) {
    const uint8_t* row = f.data + (size_t)y * f.rowBytes;
    const int32_t w = f.width;
    switch (f.storage) {
        case SampleStorage::Bytes: {
            const picture::VectorRows* vector = simd::kernels().pictureRows;
            int32_t x = vector != nullptr ? vector->widenBytes(row, out, w) : 0;
            for (; x < w; ++x) out[x] = row[x];
            break;
        }
        case SampleStorage::Words: {
            // Without a table the white point limits the samples here (bits
            // above the depth); the shading rule reads them as they are.
            const uint32_t limit = f.tableWords == nullptr ? f.white : 0xFFFFu;
            const picture::VectorRows* vector = simd::kernels().pictureRows;
            int32_t x = vector != nullptr ? vector->limitWords(row, out, w, (uint16_t)limit) : 0;
            for (; x < w; ++x) {
                const uint32_t v = (uint32_t)(row[2 * x] | (row[2 * x + 1] << 8));
                out[x] = (uint16_t)(v > limit ? limit : v);
            }
            break;
        }
        case SampleStorage::Packed12: {
            // Two samples in three bytes: high bytes 0 and 2, low nibbles in byte 1.
            int32_t x = vectorUnpacked(row, out, w, 12);
            row += 3 * (x / 2);
            for (; x + 1 < w; x += 2, row += 3) {
                out[x] = (uint16_t)((row[0] << 4) | (row[1] & 15));
                out[x + 1] = (uint16_t)((row[2] << 4) | (row[1] >> 4));
            }
            if (x < w) out[x] = (uint16_t)((row[0] << 4) | (row[1] & 15));
            break;
        }
        case SampleStorage::Packed10: {
            // Low bit pairs in bits 0-1 and 4-5 of byte 1.
            int32_t x = vectorUnpacked(row, out, w, 10);
            row += 3 * (x / 2);
            for (; x + 1 < w; x += 2, row += 3) {
                out[x] = (uint16_t)((row[0] << 2) | (row[1] & 3));
                out[x + 1] = (uint16_t)((row[2] << 2) | ((row[1] >> 4) & 3));
            }
            if (x < w) out[x] = (uint16_t)((row[0] << 2) | (row[1] & 3));
            break;
        }
    }
}

// The shading rule with the table's 12-bit offset scaled to the depth.
inline uint32_t shadedSample(uint32_t sample, uint32_t word, int32_t depth, uint32_t white) {
    const uint32_t offset12 = word & TAV_LSC_OFFSET_MASK;
    const uint32_t offset = depth <= 12 ? offset12 >> (12 - depth) : offset12 << (depth - 12);
    if (sample <= offset) return 0;
    const uint32_t d = sample - offset;
    const uint32_t gain = word >> TAV_LSC_GAIN_SHIFT;
    const uint32_t v = (d * (gain >> 16) + ((d * (gain & 0xFFFFu)) >> 16) + 1) >> 1;
    return v > white ? white : v;
}

void shadeRow(const FrameRule& f, int32_t y, uint16_t* s) {
    const int32_t w = f.width;
    // Without a table s1 = min(s, W): bytes and packed samples cannot pass
    // their white point, and 16-bit words were limited as they were read.
    if (f.tableWords == nullptr) return;
    if (f.perPixelTable) {
        const uint32_t* words = f.tableWords + (size_t)y * w;
        for (int32_t x = 0; x < w; ++x) s[x] = (uint16_t)shadedSample(s[x], words[x], f.depth, f.white);
        return;
    }
    // A 2x2 table covers whole cells only: an odd frame's last row and
    // column stay as read, as the correction leaves them.
    const int32_t cells = w / 2;
    const bool covered = y / 2 < f.height / 2;
    const uint32_t* words = f.tableWords + (size_t)(y / 2) * cells;
    for (int32_t x = 0; x < w; ++x) {
        if (covered && x / 2 < cells) {
            s[x] = (uint16_t)shadedSample(s[x], words[x / 2], f.depth, f.white);
        } else {
            s[x] = (uint16_t)(s[x] > f.white ? f.white : s[x]);
        }
    }
}

}  // namespace

void linearRow(const FrameRule& f, int32_t y, uint16_t* shaded, uint16_t* linear) {
    readRow(f, y, shaded);
    shadeRow(f, y, shaded);
    const int row = (y & 1) << 1;
    const picture::ScaleRow rule = {{f.black[row], f.black[row + 1]}, {f.factor[row], f.factor[row + 1]}, f.shift};
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    int32_t x = vector != nullptr ? vector->scale(shaded, linear, f.width, rule) : 0;
    const uint32_t half = f.shift > 0 ? 1u << (f.shift - 1) : 0;
    for (; x < f.width; ++x) {
        const uint32_t s = shaded[x], black = rule.black[x & 1];
        const uint32_t s2 = s > black ? s - black : 0;
        const uint32_t v = (s2 * rule.factor[x & 1] + half) >> f.shift;
        linear[x] = (uint16_t)(v > (uint32_t)kLinearMax ? kLinearMax : v);
    }
}

void addTileRow(const FrameRule& f, const uint16_t* top, const uint16_t* bottom, TavFrameStats* stats) {
    // Sums by tile position, without a branch per tile: a saturated tile
    // adds zeros.
    uint64_t byPosition[4] = {0, 0, 0, 0};
    uint32_t tiles = 0;
    const int32_t pairs = f.width / 2;
    const uint32_t white = f.white;
    const picture::VectorRows* vector = simd::kernels().pictureRows;
    const int32_t done = vector != nullptr ? vector->tileSums(top, bottom, 2 * pairs, white, f.black, byPosition, &tiles) : 0;
    for (int32_t j = done / 2; j < pairs; ++j) {
        const uint32_t s0 = top[2 * j], s1 = top[2 * j + 1], s2 = bottom[2 * j], s3 = bottom[2 * j + 1];
        const uint32_t keep = (s0 < white) & (s1 < white) & (s2 < white) & (s3 < white);
        const uint32_t mask = 0u - keep;
        tiles += keep;
        byPosition[0] += (s0 > f.black[0] ? s0 - f.black[0] : 0) & mask;
        byPosition[1] += (s1 > f.black[1] ? s1 - f.black[1] : 0) & mask;
        byPosition[2] += (s2 > f.black[2] ? s2 - f.black[2] : 0) & mask;
        byPosition[3] += (s3 > f.black[3] ? s3 - f.black[3] : 0) & mask;
    }
    for (int p = 0; p < 4; ++p) stats->sum[f.colourAt[p]] += byPosition[p];
    stats->tiles += tiles;
    stats->saturated += (uint32_t)pairs - tiles;
}

}  // namespace tav

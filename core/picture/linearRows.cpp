// Stages 1 to 4 of the picture pipeline, row by row.
#include "picture/linearRows.h"

#include <stddef.h>

#include "tav_lsc.h"

namespace tav {

namespace {

void readRow(const FrameRule& f, int32_t y, uint16_t* out) {
    const uint8_t* row = f.data + (size_t)y * f.rowBytes;
    const int32_t w = f.width;
    switch (f.storage) {
        case SampleStorage::Bytes:
            for (int32_t x = 0; x < w; ++x) out[x] = row[x];
            break;
        case SampleStorage::Words:
            for (int32_t x = 0; x < w; ++x) out[x] = (uint16_t)(row[2 * x] | (row[2 * x + 1] << 8));
            break;
        case SampleStorage::Packed12:
            // Two samples in three bytes: high bytes 0 and 2, low nibbles in byte 1.
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t* g = row + 3 * (x >> 1);
                out[x] = (x & 1) ? (uint16_t)((g[2] << 4) | (g[1] >> 4)) : (uint16_t)((g[0] << 4) | (g[1] & 15));
            }
            break;
        case SampleStorage::Packed10:
            // Low bit pairs in bits 0-1 and 4-5 of byte 1.
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t* g = row + 3 * (x >> 1);
                out[x] = (x & 1) ? (uint16_t)((g[2] << 2) | ((g[1] >> 4) & 3)) : (uint16_t)((g[0] << 2) | (g[1] & 3));
            }
            break;
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
    if (f.tableWords == nullptr) {
        for (int32_t x = 0; x < w; ++x) s[x] = (uint16_t)(s[x] > f.white ? f.white : s[x]);
        return;
    }
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
    const int32_t row = (y & 1) << 1;
    const uint32_t half = f.shift > 0 ? 1u << (f.shift - 1) : 0;
    for (int32_t x = 0; x < f.width; ++x) {
        const int p = row | (x & 1);
        const uint32_t s = shaded[x];
        const uint32_t s2 = s > f.black[p] ? s - f.black[p] : 0;
        const uint32_t v = (s2 * f.factor[p] + half) >> f.shift;
        linear[x] = (uint16_t)(v > (uint32_t)kLinearMax ? kLinearMax : v);
    }
}

void addTileRow(const FrameRule& f, const uint16_t* top, const uint16_t* bottom, TavFrameStats* stats) {
    uint64_t sum[3] = {stats->sum[0], stats->sum[1], stats->sum[2]};
    uint32_t tiles = 0, saturated = 0;
    for (int32_t x = 0; x + 1 < f.width; x += 2) {
        const uint32_t s[4] = {top[x], top[x + 1], bottom[x], bottom[x + 1]};
        if (s[0] >= f.white || s[1] >= f.white || s[2] >= f.white || s[3] >= f.white) {
            ++saturated;
            continue;
        }
        ++tiles;
        for (int p = 0; p < 4; ++p) sum[f.colourAt[p]] += s[p] > f.black[p] ? s[p] - f.black[p] : 0;
    }
    for (int c = 0; c < 3; ++c) stats->sum[c] = sum[c];
    stats->tiles += tiles;
    stats->saturated += saturated;
}

}  // namespace tav

// Plain reference of the shading rules: parameter words, block records and
// the correction, one element at a time with no shortcuts.
#ifndef TAV_TEST_REF_LSC_H
#define TAV_TEST_REF_LSC_H

#include <cstdint>
#include <random>
#include <vector>

namespace tavref {

// Parameter word of one pixel or cell.
inline uint32_t lscWord(float d, float g, double target, unsigned bits) {
    uint32_t gain = 0;
    if (d < g) {
        float diff = g - d;
        double k = target / (double)diff;
        if (k < 0) {
            gain = 0;
        } else if (k > 8.0) {
            gain = 0xFFFFF;
        } else {
            gain = (uint32_t)(k * 131072.0 + 0.5);
            if (gain > 0xFFFFF) gain = 0xFFFFF;
        }
    }
    double factor = bits == 8 ? 16.0 : bits == 10 ? 4.0 : bits == 12 ? 1.0 : bits > 12 ? 0.0 : double(1u << (12 - bits));
    double b = d * factor;
    uint32_t offset = b < 0 ? 0 : b > 4095 ? 4095 : (uint32_t)(b + 0.5);
    return (gain << 12) | offset;
}

inline double target(const std::vector<float>& dark, const std::vector<float>& grey) {
    double g = 0, d = 0;
    for (size_t i = 0; i < grey.size(); ++i) {
        g += grey[i];
        d += dark[i];
    }
    return (g - d) / (double)grey.size();
}

// 2x2 cell means, summed in float in row order.
inline std::vector<float> cellMeans(const std::vector<float>& f, int h, int w) {
    std::vector<float> out;
    for (int i = 0; i < h / 2; ++i)
        for (int j = 0; j < w / 2; ++j) {
            float s = f[(2 * i) * w + 2 * j] + f[(2 * i) * w + 2 * j + 1];
            s = s + f[(2 * i + 1) * w + 2 * j];
            s = s + f[(2 * i + 1) * w + 2 * j + 1];
            out.push_back(s * 0.25f);
        }
    return out;
}

// Whole table: header then words.
inline std::vector<uint32_t> lscTable(unsigned mode, unsigned bits, int h, int w, const std::vector<float>& grey,
                                      const std::vector<float>& dark) {
    std::vector<float> g = grey, d = dark;
    if (mode == 0) {
        g = cellMeans(grey, h, w);
        d = cellMeans(dark, h, w);
    }
    double t = target(d, g);
    std::vector<uint32_t> table = {mode, (uint32_t)h, (uint32_t)w};
    for (size_t i = 0; i < g.size(); ++i) table.push_back(lscWord(d[i], g[i], t, bits));
    return table;
}

// Corrected sample at any depth, in 64-bit arithmetic.
inline uint32_t correctSample(uint32_t s, uint32_t word, int depth) {
    int64_t k = word >> 12;
    int64_t b = depth == 8 ? (word >> 4) & 255 : (word & 0xFFF) >> (12 - depth);
    int64_t v = (int64_t)s - b;
    v = v * k + 65536;
    v = v >> 17;
    int64_t max = (1 << depth) - 1;
    if (v < 0) v = 0;
    if (v > max) v = max;
    return (uint32_t)v;
}

inline std::vector<uint32_t> correct(const std::vector<uint32_t>& table, const std::vector<uint32_t>& samples,
                                     int depth) {
    int h = (int)table[1], w = (int)table[2];
    std::vector<uint32_t> out(samples.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t word = table[0] == 1 ? table[3 + y * w + x] : table[3 + (y / 2) * (w / 2) + x / 2];
            out[y * w + x] = correctSample(samples[y * w + x], word, depth);
        }
    return out;
}

// Block records: blocks of 16 rows by bw columns, whole blocks only.
inline std::vector<uint8_t> blockRecords(unsigned bits, int h, int w, int bw, const std::vector<float>& grey,
                                         float darkLevel) {
    int rows = h / 16, cols = w / bw;
    std::vector<float> means;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            float sum = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < bw; ++x) sum += grey[(r * 16 + y) * w + c * bw + x];
            means.push_back(sum / (float)(bw * 16));
        }
    std::vector<float> darks(means.size(), darkLevel);
    double t = target(darks, means);
    std::vector<uint8_t> out;
    for (float g : means) {
        float d = darkLevel;
        double k;
        int code;
        if (d < g) {
            float diff = g - d;
            k = t / (double)diff;
            if (k < 0) {
                k = 0;
                code = 0;
            } else if (k > 2.0) {
                k = 2.0;
                code = 8191;
            } else {
                code = (int)(k * 4096 + 0.5);
                if (code > 8191) code = 8191;
            }
        } else {
            k = 1.0;
            code = 4096;
        }
        float o = (float)((double)darkLevel - k * (double)d);
        if (bits == 8) o = o * 8;
        if (bits == 10) o = o * 2;
        if (bits == 12) o = o / 2;
        int off = o >= 0 ? (int)(o + 0.5) : (int)(o - 0.5);
        if (off < -1024) off = -1024;
        if (off > 1023) off = 1023;
        uint32_t record = ((uint32_t)code << 11) | ((uint32_t)off & 0x7FF);
        out.push_back((uint8_t)(record >> 16));
        out.push_back((uint8_t)(record >> 8));
        out.push_back((uint8_t)record);
    }
    return out;
}

// Grey and dark frames of a random shading on the scale of `bits`, with the
// awkward pixels sprinkled in: dark not below grey, a tiny light response
// (gain above 8), negative and above-range dark levels.
struct ShadingFrames {
    std::vector<float> grey, dark;
};
inline ShadingFrames randomShading(int h, int w, unsigned bits, uint32_t seed) {
    std::mt19937 rng(seed);
    float max = (float)((1u << bits) - 1);
    std::uniform_real_distribution<float> greyDist(0.3f * max, max), darkDist(0.0f, 0.08f * max);
    ShadingFrames f;
    for (int i = 0; i < h * w; ++i) {
        float g = greyDist(rng), d = darkDist(rng);
        switch (rng() % 41) {
            case 0: d = g + 1.0f; break;             // no light response
            case 1: d = g; break;
            case 2: g = d + 0.01f; break;            // gain far above 8
            case 3: d = -3.25f; break;               // offset below 0
            case 4: d = max + 40.0f; g = d + 500; break;  // offset above range
            default: break;
        }
        f.grey.push_back(g);
        f.dark.push_back(d);
    }
    return f;
}

}  // namespace tavref

#endif

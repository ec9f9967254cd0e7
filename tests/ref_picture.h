// Plain per-pixel reference of the picture pipeline of tavDemosaicing:
// raw samples of every input type, shading, black level, white balance and
// scaling to 0..16383, the four demosaicing rules on those linear values,
// colour matrix, curve, the seven output layouts and the frame statistics.
// Deliberately slow and direct: every pixel straight from the rule, every
// neighbour read through mirror reflection.
//
// The demosaicing rules are those of ref_nearest.h, ref_bilinear.h and
// ref_edge.h written once over a sample type, and ref_hq.h, itself written
// over one, so the floating-point model (ref_picture_float.h) runs the same
// rule on real numbers: integer halving and quartering floor, real ones
// divide exactly; the edge and high-quality rules clamp to 0..16383 where
// the 8-bit rules clamp to 255.
#ifndef TAV_TEST_REF_PICTURE_H
#define TAV_TEST_REF_PICTURE_H

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "ref_hq.h"
#include "tav_pipeline.h"
#include "tav_types.h"
#include "test_support.h"

namespace picref {

constexpr int kLinearMax = 16383;

// ---- input types ----

enum class Storage { Bits8, Bits16, Packed10, Packed12 };
// The colour filter layout: Mono, or the Bayer order by its first two rows.
enum class Cfa { Mono, RG, GR, GB, BG };

struct InputFormat {
    int32_t code;
    Cfa cfa;
    Storage storage;
    int depth;  // D: the white point is 2^D - 1
};

inline const std::vector<InputFormat>& inputFormats() {
    static const std::vector<InputFormat> formats = {
        {TAV_PIXEL_MONO8, Cfa::Mono, Storage::Bits8, 8},
        {TAV_PIXEL_MONO10, Cfa::Mono, Storage::Bits16, 10},
        {TAV_PIXEL_MONO12, Cfa::Mono, Storage::Bits16, 12},
        {TAV_PIXEL_MONO14, Cfa::Mono, Storage::Bits16, 14},
        {TAV_PIXEL_MONO16, Cfa::Mono, Storage::Bits16, 16},
        {TAV_PIXEL_MONO10_PACKED, Cfa::Mono, Storage::Packed10, 10},
        {TAV_PIXEL_MONO12_PACKED, Cfa::Mono, Storage::Packed12, 12},
        {TAV_PIXEL_BAYER_GR8, Cfa::GR, Storage::Bits8, 8},
        {TAV_PIXEL_BAYER_RG8, Cfa::RG, Storage::Bits8, 8},
        {TAV_PIXEL_BAYER_GB8, Cfa::GB, Storage::Bits8, 8},
        {TAV_PIXEL_BAYER_BG8, Cfa::BG, Storage::Bits8, 8},
        {TAV_PIXEL_BAYER_GR10, Cfa::GR, Storage::Bits16, 10},
        {TAV_PIXEL_BAYER_RG10, Cfa::RG, Storage::Bits16, 10},
        {TAV_PIXEL_BAYER_GB10, Cfa::GB, Storage::Bits16, 10},
        {TAV_PIXEL_BAYER_BG10, Cfa::BG, Storage::Bits16, 10},
        {TAV_PIXEL_BAYER_GR12, Cfa::GR, Storage::Bits16, 12},
        {TAV_PIXEL_BAYER_RG12, Cfa::RG, Storage::Bits16, 12},
        {TAV_PIXEL_BAYER_GB12, Cfa::GB, Storage::Bits16, 12},
        {TAV_PIXEL_BAYER_BG12, Cfa::BG, Storage::Bits16, 12},
        {TAV_PIXEL_BAYER_GR16, Cfa::GR, Storage::Bits16, 16},
        {TAV_PIXEL_BAYER_RG16, Cfa::RG, Storage::Bits16, 16},
        {TAV_PIXEL_BAYER_GB16, Cfa::GB, Storage::Bits16, 16},
        {TAV_PIXEL_BAYER_BG16, Cfa::BG, Storage::Bits16, 16},
        {TAV_PIXEL_BAYER_GR10_PACKED, Cfa::GR, Storage::Packed10, 10},
        {TAV_PIXEL_BAYER_RG10_PACKED, Cfa::RG, Storage::Packed10, 10},
        {TAV_PIXEL_BAYER_GB10_PACKED, Cfa::GB, Storage::Packed10, 10},
        {TAV_PIXEL_BAYER_BG10_PACKED, Cfa::BG, Storage::Packed10, 10},
        {TAV_PIXEL_BAYER_GR12_PACKED, Cfa::GR, Storage::Packed12, 12},
        {TAV_PIXEL_BAYER_RG12_PACKED, Cfa::RG, Storage::Packed12, 12},
        {TAV_PIXEL_BAYER_GB12_PACKED, Cfa::GB, Storage::Packed12, 12},
        {TAV_PIXEL_BAYER_BG12_PACKED, Cfa::BG, Storage::Packed12, 12},
    };
    return formats;
}

inline const InputFormat* findFormat(int32_t code) {
    for (const InputFormat& f : inputFormats()) {
        if (f.code == code) return &f;
    }
    return nullptr;
}

inline int whitePoint(const InputFormat& f) { return (1 << f.depth) - 1; }

inline int32_t minimumLineBytes(Storage storage, int32_t width) {
    if (storage == Storage::Bits8) return width;
    if (storage == Storage::Bits16) return 2 * width;
    return 3 * ((width + 1) / 2);
}

// Sample (y, x) as stored: 16-bit words whole (not masked to the depth), rows
// at lineBytes rounded down to even; packed groups of two samples in three
// bytes, the low bits of both in the middle byte.
inline int rawSample(const TavImage& image, const InputFormat& f, int y, int x) {
    const uint8_t* row = image.data + static_cast<size_t>(y) * image.lineBytes;
    switch (f.storage) {
        case Storage::Bits8: return row[x];
        case Storage::Bits16: {
            const uint8_t* p = image.data + static_cast<size_t>(y) * (image.lineBytes & ~1) + 2 * x;
            return p[0] | (p[1] << 8);
        }
        case Storage::Packed12: {
            const uint8_t* g = row + 3 * (x / 2);
            return x % 2 == 0 ? (g[0] << 4) | (g[1] & 15) : (g[2] << 4) | (g[1] >> 4);
        }
        case Storage::Packed10: {
            const uint8_t* g = row + 3 * (x / 2);
            return x % 2 == 0 ? (g[0] << 2) | (g[1] & 3) : (g[2] << 2) | ((g[1] >> 4) & 3);
        }
    }
    return 0;
}

// Writes sample v at (y, x) in the layout rawSample reads (v within the
// storage's range; a packed group's other sample is kept).
inline void storeSample(const TavImage& image, const InputFormat& f, int y, int x, int v) {
    uint8_t* row = image.data + static_cast<size_t>(y) * image.lineBytes;
    switch (f.storage) {
        case Storage::Bits8: row[x] = uint8_t(v); return;
        case Storage::Bits16: {
            uint8_t* p = image.data + static_cast<size_t>(y) * (image.lineBytes & ~1) + 2 * x;
            p[0] = uint8_t(v), p[1] = uint8_t(v >> 8);
            return;
        }
        case Storage::Packed12: {
            uint8_t* g = row + 3 * (x / 2);
            if (x % 2 == 0) g[0] = uint8_t(v >> 4), g[1] = uint8_t((g[1] & 0xF0) | (v & 15));
            else g[2] = uint8_t(v >> 4), g[1] = uint8_t((g[1] & 0x0F) | ((v & 15) << 4));
            return;
        }
        case Storage::Packed10: {
            uint8_t* g = row + 3 * (x / 2);
            if (x % 2 == 0) g[0] = uint8_t(v >> 2), g[1] = uint8_t((g[1] & ~3) | (v & 3));
            else g[2] = uint8_t(v >> 2), g[1] = uint8_t((g[1] & ~0x30) | ((v & 3) << 4));
            return;
        }
    }
}

// ---- colour sites ----

enum Colour { kRed = 0, kGreen = 1, kBlue = 2 };

// Position of (y, x) in its 2x2 tile: 0 top-left, 1 top-right, 2 bottom-left,
// 3 bottom-right.
inline int tilePosition(int y, int x) { return (y % 2) * 2 + (x % 2); }

// True colour of a tile position (Mono: the stats' grouping by position).
inline Colour positionColour(Cfa cfa, int position) {
    static const Colour table[5][4] = {
        {kRed, kGreen, kGreen, kBlue},  // Mono: top-left, the pair, bottom-right
        {kRed, kGreen, kGreen, kBlue},  // RG
        {kGreen, kRed, kBlue, kGreen},  // GR
        {kGreen, kBlue, kRed, kGreen},  // GB
        {kBlue, kGreen, kGreen, kRed},  // BG
    };
    return table[static_cast<int>(cfa)][position];
}

// ---- stages 1 to 4: shading, black level, gains, linear scale ----

// The table word of (y, x), or false where the table does not cover it.
inline bool tableWord(const uint32_t* table, int height, int width, int y, int x, uint32_t* word) {
    if (table == nullptr) return false;
    if (table[0] == 1) {
        *word = table[3 + static_cast<size_t>(y) * width + x];
        return true;
    }
    if (y >= height / 2 * 2 || x >= width / 2 * 2) return false;
    *word = table[3 + static_cast<size_t>(y / 2) * (width / 2) + x / 2];
    return true;
}

// The 12-bit offset of a table word on the scale of depth D.
inline int64_t scaledOffset(uint32_t word, int depth) {
    const int64_t offset = word & 0xFFF;
    return depth <= 12 ? offset >> (12 - depth) : offset << (depth - 12);
}

inline int shadedSample(int s, uint32_t word, int depth) {
    const int64_t k = word >> 12;
    int64_t v = ((s - scaledOffset(word, depth)) * k + 65536);
    v = v >= 0 ? v >> 17 : -((-v + (1 << 17) - 1) >> 17);  // floor, whatever >> does on negatives
    const int64_t white = (int64_t(1) << depth) - 1;
    return int(v < 0 ? 0 : v > white ? white : v);
}

// Black level and gain index of each tile position.
inline int positionBlack(const TavPipeline& p, Cfa cfa, int position) {
    return p.blackLevel[cfa == Cfa::Mono ? 0 : position];
}
inline int positionGain(Cfa cfa, int position) {
    return cfa == Cfa::Mono ? kGreen : positionColour(cfa, position);
}

// Fixed-point gains: M per tile position and the frame's shift k.
struct Scale {
    int64_t m[4];
    int k;
};

inline int64_t multiplierFor(const TavPipeline& p, const InputFormat& f, int position, int k) {
    const double gain = p.whiteBalance[positionGain(f.cfa, position)];
    const double span = whitePoint(f) - positionBlack(p, f.cfa, position);
    return std::llround(gain * 16383.0 / span * std::ldexp(1.0, k));
}

// k is the largest shift up to 31 that keeps all four M below 2^15; when even
// k = 0 does not, k = 0 and M is capped at 2^15 - 1 (any s2 above 0 is then
// full scale anyway).
inline Scale scaleOf(const TavPipeline& p, const InputFormat& f) {
    Scale s{};
    for (s.k = 31; s.k > 0; --s.k) {
        bool fits = true;
        for (int pos = 0; pos < 4; ++pos) fits = fits && multiplierFor(p, f, pos, s.k) < (1 << 15);
        if (fits) break;
    }
    for (int pos = 0; pos < 4; ++pos) {
        const int64_t m = multiplierFor(p, f, pos, s.k);
        s.m[pos] = m < (1 << 15) ? m : (1 << 15) - 1;
    }
    return s;
}

// Per sample: s1 (after shading), s2 (after black) and L (linear 0..16383).
struct Linear {
    int height = 0, width = 0;
    std::vector<int> s1, s2, L;
};

inline Linear linearise(const TavImage& image, const InputFormat& f, const TavPipeline& p) {
    Linear out;
    out.height = image.height, out.width = image.width;
    const size_t n = static_cast<size_t>(image.height) * image.width;
    out.s1.resize(n), out.s2.resize(n), out.L.resize(n);
    const Scale scale = scaleOf(p, f);
    const int white = whitePoint(f);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const size_t i = static_cast<size_t>(y) * image.width + x;
            const int s = rawSample(image, f, y, x);
            uint32_t word = 0;
            const int s1 = tableWord(p.shadingTable, image.height, image.width, y, x, &word)
                               ? shadedSample(s, word, f.depth)
                               : (s < white ? s : white);
            const int pos = tilePosition(y, x);
            const int s2 = s1 - positionBlack(p, f.cfa, pos) > 0 ? s1 - positionBlack(p, f.cfa, pos) : 0;
            const int64_t round = scale.k > 0 ? int64_t(1) << (scale.k - 1) : 0;
            const int64_t L = (s2 * scale.m[pos] + round) >> scale.k;
            out.s1[i] = s1, out.s2[i] = s2, out.L[i] = int(L < kLinearMax ? L : kLinearMax);
        }
    }
    return out;
}

// ---- stage 5: demosaicing on linear values ----

// Integer arithmetic of the 8-bit rules (flooring shifts), and real
// arithmetic of the model.
inline int divide(int a, int d) { return a >= 0 ? a / d : -((-a + d - 1) / d); }
inline double divide(double a, double d) { return a / d; }
template <class T>
T clampLinear(T v) {
    return v < T(0) ? T(0) : v > T(kLinearMax) ? T(kLinearMax) : v;
}

template <class T>
struct Planes {
    std::vector<T> r, g, b;  // true colours
};

template <class T>
struct Mosaic {
    const std::vector<T>& v;
    int h, w;
    T at(int y, int x) const { return v[static_cast<size_t>(tavtest::mirror(y, h)) * w + tavtest::mirror(x, w)]; }
};

// Nearest and edge run in the kernel's phase: the colour at even columns of
// its rows is the kernel's red, so BG frames are the RG rule and GR frames
// the GB rule with red and blue exchanged.
inline bool kernelRedRowsOdd(Cfa cfa) { return cfa == Cfa::GB || cfa == Cfa::GR; }
inline bool kernelExchanged(Cfa cfa) { return cfa == Cfa::BG || cfa == Cfa::GR; }

// Kernel colour of (y, x), y and x inside the frame.
inline Colour kernelSite(bool redRowsOdd, int y, int x) {
    const bool redRow = (y % 2 == 1) == redRowsOdd;
    if (redRow) return x % 2 == 0 ? kRed : kGreen;
    return x % 2 == 0 ? kGreen : kBlue;
}

// Nearest: own 2x2 window of this and the row above, this and the column to
// the left (mirrored at row 0 and column 0), own row's green first; a red
// site in column 0 below row 0 takes the green above it.
template <class T>
void nearestPixel(const Mosaic<T>& m, bool redRowsOdd, int y, int x, T rgb[3]) {
    const int up = tavtest::mirror(y - 1, m.h), left = tavtest::mirror(x - 1, m.w);
    const int rows[4] = {y, y, up, up}, cols[4] = {x, left, x, left};
    bool found[3] = {false, false, false};
    for (int i = 0; i < 4; ++i) {
        const Colour c = kernelSite(redRowsOdd, rows[i], cols[i]);
        if (!found[c]) rgb[c] = m.at(rows[i], cols[i]), found[c] = true;
    }
    if (kernelSite(redRowsOdd, y, x) == kRed && x == 0 && y > 0) rgb[kGreen] = m.at(y - 1, 0);
}

// Bilinear in the frame's own phase (the rule is the same for every order).
template <class T>
void bilinearPixel(const Mosaic<T>& m, Cfa cfa, int y, int x, T rgb[3]) {
    auto S = [&](int yy, int xx) { return m.at(yy, xx); };
    const T cross = divide(S(y - 1, x) + S(y + 1, x) + S(y, x - 1) + S(y, x + 1), T(4));
    const T diag = divide(S(y - 1, x - 1) + S(y - 1, x + 1) + S(y + 1, x - 1) + S(y + 1, x + 1), T(4));
    const T horiz = divide(S(y, x - 1) + S(y, x + 1), T(2));
    const T vert = divide(S(y - 1, x) + S(y + 1, x), T(2));
    const Colour site = positionColour(cfa, tilePosition(y, x));
    const bool redRow = positionColour(cfa, tilePosition(y, 0)) == kRed ||
                        positionColour(cfa, tilePosition(y, 1)) == kRed;
    if (site == kRed) {
        rgb[kRed] = S(y, x), rgb[kGreen] = cross, rgb[kBlue] = diag;
    } else if (site == kBlue) {
        rgb[kBlue] = S(y, x), rgb[kGreen] = cross, rgb[kRed] = diag;
    } else if (redRow) {
        rgb[kGreen] = S(y, x), rgb[kRed] = horiz, rgb[kBlue] = vert;
    } else {
        rgb[kGreen] = S(y, x), rgb[kBlue] = horiz, rgb[kRed] = vert;
    }
}

// Edge-directed: the whole green plane first (the direction of the smaller
// gradient, vertical on a tie), then red and blue from colour differences.
template <class T>
Planes<T> edgePlanes(const Mosaic<T>& m, bool redRowsOdd) {
    const int h = m.h, w = m.w;
    auto S = [&](int y, int x) { return m.at(y, x); };
    auto redSite = [&](int y, int x) { return kernelSite(redRowsOdd, tavtest::mirror(y, h), tavtest::mirror(x, w)) == kRed; };
    auto blueSite = [&](int y, int x) { return kernelSite(redRowsOdd, tavtest::mirror(y, h), tavtest::mirror(x, w)) == kBlue; };
    auto redRow = [&](int y) { return (tavtest::mirror(y, h) % 2 == 1) == redRowsOdd; };
    std::vector<T> green(static_cast<size_t>(h) * w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            T g = S(y, x);
            if (redSite(y, x) || blueSite(y, x)) {
                const T X = S(y, x);
                const T dh = T(2) * X - S(y, x - 2) - S(y, x + 2);
                const T dv = T(2) * X - S(y - 2, x) - S(y + 2, x);
                const T gH = std::abs(S(y, x - 1) - S(y, x + 1)) + std::abs(dh);
                const T gV = std::abs(S(y - 1, x) - S(y + 1, x)) + std::abs(dv);
                g = gH < gV ? divide(S(y, x - 1) + S(y, x + 1), T(2)) + divide(dh, T(4))
                            : divide(S(y - 1, x) + S(y + 1, x), T(2)) + divide(dv, T(4));
                g = clampLinear(g);
            }
            green[static_cast<size_t>(y) * w + x] = g;
        }
    }
    const Mosaic<T> G{green, h, w};
    auto D = [&](int y, int x) { return S(y, x) - G.at(y, x); };
    Planes<T> out;
    out.r.resize(green.size()), out.g = green, out.b.resize(green.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const T g = G.at(y, x);
            const T diag = D(y - 1, x - 1) + D(y - 1, x + 1) + D(y + 1, x - 1) + D(y + 1, x + 1);
            T r, b;
            if (redSite(y, x)) {
                r = S(y, x), b = clampLinear(g + divide(diag, T(4)));
            } else if (blueSite(y, x)) {
                b = S(y, x), r = clampLinear(g + divide(diag, T(4)));
            } else {
                const T side = clampLinear(g + divide(D(y, x - 1) + D(y, x + 1), T(2)));
                const T vert = clampLinear(g + divide(D(y - 1, x) + D(y + 1, x), T(2)));
                r = redRow(y) ? side : vert;
                b = redRow(y) ? vert : side;
            }
            out.r[static_cast<size_t>(y) * w + x] = r;
            out.b[static_cast<size_t>(y) * w + x] = b;
        }
    }
    return out;
}

// The high-quality rule in the frame's own phase, with M = 16383.
inline tavtest::BayerPhase bayerPhase(Cfa cfa) {
    return cfa == Cfa::RG ? tavtest::kPhaseRG : cfa == Cfa::GR ? tavtest::kPhaseGR
                          : cfa == Cfa::GB ? tavtest::kPhaseGB : tavtest::kPhaseBG;
}

template <class T>
Planes<T> demosaic(const std::vector<T>& L, int h, int w, Cfa cfa, int method) {
    Planes<T> out;
    if (cfa == Cfa::Mono) {
        out.r = out.g = out.b = L;
        return out;
    }
    if (method == TAV_METHOD_HQ) {
        tavtest::HqPlanes<T> hq = tavtest::hqReference<T>(L.data(), h, w, bayerPhase(cfa), T(kLinearMax));
        out.r = std::move(hq.red), out.g = std::move(hq.green), out.b = std::move(hq.blue);
        return out;
    }
    const Mosaic<T> m{L, h, w};
    const bool redRowsOdd = kernelRedRowsOdd(cfa);
    if (method == TAV_METHOD_EDGE) {
        out = edgePlanes(m, redRowsOdd);
    } else {
        const size_t n = static_cast<size_t>(h) * w;
        out.r.resize(n), out.g.resize(n), out.b.resize(n);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                T rgb[3] = {};
                if (method == TAV_METHOD_NEAREST) nearestPixel(m, redRowsOdd, y, x, rgb);
                else bilinearPixel(m, cfa, y, x, rgb);
                const size_t i = static_cast<size_t>(y) * w + x;
                out.r[i] = rgb[kRed], out.g[i] = rgb[kGreen], out.b[i] = rgb[kBlue];
            }
        }
    }
    if (method != TAV_METHOD_BILINEAR && kernelExchanged(cfa)) std::swap(out.r, out.b);
    return out;
}

// ---- stages 6 to 8: matrix, curve, layout ----

// sRGB encoding, gamma or identity of x in [0, 1].
inline double curveOf(const TavPipeline& p, double x) {
    if (p.curve == TAV_CURVE_SRGB) return x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1.0 / 2.4) - 0.055;
    if (p.curve == TAV_CURVE_GAMMA) return std::pow(x, 1.0 / static_cast<double>(p.gamma));
    return x;
}

// The table of the curve; tables made are kept, as a sweep asks for the same
// few curves again and again (the reference is not called from several
// threads).
inline const std::vector<uint8_t>& curveTable(const TavPipeline& p) {
    static std::map<std::pair<int32_t, float>, std::vector<uint8_t>> tables;
    std::vector<uint8_t>& table = tables[{p.curve, p.curve == TAV_CURVE_GAMMA ? p.gamma : 0.0f}];
    if (table.empty()) {
        table.resize(kLinearMax + 1);
        for (int v = 0; v <= kLinearMax; ++v) table[v] = uint8_t(std::lround(255.0 * curveOf(p, v / 16383.0)));
    }
    return table;
}

inline int matrixQ(float entry) { return int(std::lround(1024.0 * static_cast<double>(entry))); }

inline int lumaOf(int r, int g, int b) { return (77 * r + 150 * g + 29 * b + 128) >> 8; }

inline bool isOutputType(int64_t type) {
    return type == TAV_PIXEL_RGB8 || type == TAV_PIXEL_BGR8 || type == TAV_PIXEL_RGBA8 || type == TAV_PIXEL_BGRA8 ||
           type == TAV_PIXEL_RGB8_PLANAR || type == TAV_PIXEL_BGR8_PLANAR || type == TAV_PIXEL_MONO8;
}

// The seven output types.
inline const std::vector<int64_t>& outputTypes() {
    static const std::vector<int64_t> types = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8,
                                               TAV_PIXEL_BGRA8,       TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR,
                                               TAV_PIXEL_MONO8};
    return types;
}

inline int bytesPerPixel(int64_t type) {
    if (type == TAV_PIXEL_MONO8) return 1;
    return type == TAV_PIXEL_RGBA8 || type == TAV_PIXEL_BGRA8 ? 4 : 3;
}

// 8-bit colours of every pixel in the requested layout.
inline std::vector<uint8_t> layout(const Planes<int>& c, int h, int w, int64_t outputType) {
    const size_t n = static_cast<size_t>(h) * w;
    std::vector<uint8_t> out(n * bytesPerPixel(outputType));
    for (size_t i = 0; i < n; ++i) {
        const uint8_t r = uint8_t(c.r[i]), g = uint8_t(c.g[i]), b = uint8_t(c.b[i]);
        switch (outputType) {
            case TAV_PIXEL_RGB8: out[3 * i] = r, out[3 * i + 1] = g, out[3 * i + 2] = b; break;
            case TAV_PIXEL_BGR8: out[3 * i] = b, out[3 * i + 1] = g, out[3 * i + 2] = r; break;
            case TAV_PIXEL_RGBA8: out[4 * i] = r, out[4 * i + 1] = g, out[4 * i + 2] = b, out[4 * i + 3] = 0; break;
            case TAV_PIXEL_BGRA8: out[4 * i] = b, out[4 * i + 1] = g, out[4 * i + 2] = r, out[4 * i + 3] = 0; break;
            case TAV_PIXEL_RGB8_PLANAR: out[i] = r, out[n + i] = g, out[2 * n + i] = b; break;
            case TAV_PIXEL_BGR8_PLANAR: out[i] = b, out[n + i] = g, out[2 * n + i] = r; break;
            case TAV_PIXEL_MONO8: out[i] = r; break;  // grey already in r
        }
    }
    return out;
}

struct Picture {
    std::vector<uint8_t> bytes;
    TavFrameStats stats;
};

// Sums over whole tiles from the top-left corner; saturated tiles add nothing.
inline void tileStats(const Linear& lin, const InputFormat& f, TavFrameStats& stats) {
    const int white = whitePoint(f);
    for (int ty = 0; ty < lin.height / 2; ++ty) {
        for (int tx = 0; tx < lin.width / 2; ++tx) {
            bool saturated = false;
            for (int pos = 0; pos < 4; ++pos) {
                saturated = saturated || lin.s1[static_cast<size_t>(2 * ty + pos / 2) * lin.width + 2 * tx + pos % 2] >= white;
            }
            if (saturated) {
                ++stats.saturated;
                continue;
            }
            ++stats.tiles;
            for (int pos = 0; pos < 4; ++pos) {
                stats.sum[positionColour(f.cfa, pos)] +=
                    lin.s2[static_cast<size_t>(2 * ty + pos / 2) * lin.width + 2 * tx + pos % 2];
            }
        }
    }
}

// What tavDemosaicing with pipeline p writes for `image` (a type of
// inputFormats(), a method 0..3, one of the seven output types), and the
// statistics it leaves.
inline Picture picture(const TavImage& image, int method, int64_t outputType, const TavPipeline& p) {
    const InputFormat& f = *findFormat(image.pixelType);
    const int h = image.height, w = image.width;
    const Linear lin = linearise(image, f, p);
    const Planes<int> cam = demosaic(lin.L, h, w, f.cfa, method);
    int q[9];
    for (int i = 0; i < 9; ++i) q[i] = matrixQ(p.colorMatrix[i]);
    const std::vector<uint8_t>& T = curveTable(p);
    Picture result{};
    Planes<int> out;
    const size_t n = static_cast<size_t>(h) * w;
    out.r.resize(n), out.g.resize(n), out.b.resize(n);
    for (size_t i = 0; i < n; ++i) {
        int v[3];
        for (int row = 0; row < 3; ++row) {
            const int64_t sum = int64_t(q[3 * row]) * cam.r[i] + int64_t(q[3 * row + 1]) * cam.g[i] +
                                int64_t(q[3 * row + 2]) * cam.b[i] + 512;
            const int64_t shifted = sum >= 0 ? sum / 1024 : -((-sum + 1023) / 1024);
            v[row] = int(shifted < 0 ? 0 : shifted > kLinearMax ? kLinearMax : shifted);
        }
        int luma;
        if (outputType == TAV_PIXEL_MONO8) {
            out.r[i] = out.g[i] = out.b[i] = T[lumaOf(v[0], v[1], v[2])];
            luma = out.r[i];
        } else {
            out.r[i] = T[v[0]], out.g[i] = T[v[1]], out.b[i] = T[v[2]];
            luma = lumaOf(out.r[i], out.g[i], out.b[i]);
        }
        ++result.stats.histogram[luma >> 2];
    }
    result.bytes = layout(out, h, w, outputType);
    tileStats(lin, f, result.stats);
    return result;
}

}  // namespace picref

#endif

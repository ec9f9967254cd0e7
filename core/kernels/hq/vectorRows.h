// The high-quality method's vector rows: the rule of rows.cpp for whole
// vectors of 32-bit lanes from column 0 on, reading the rows' mirrored pads
// for the neighbours; each routine returns the column where the plain loop
// goes on. Sites of the two parities alternate lane by lane, so both sides
// of every choice are computed and lanes pick theirs by mask.
#ifndef TAV_KERNELS_HQ_VECTOR_ROWS_H
#define TAV_KERNELS_HQ_VECTOR_ROWS_H

#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"

namespace tav {
namespace hq {

struct VectorRows {
    // out[x] = 16(G - C) from the rows (or shifted rows) one, two and three
    // sites away on either side, negated where x & 1 == greenParity.
    int32_t (*differences)(const int32_t* const* taps, int32_t* out, int32_t width, int32_t greenParity);
    // out[x] = |a[x] - b[x]|.
    int32_t (*absoluteDifferences)(const int32_t* a, const int32_t* b, int32_t* out, int32_t width);
    // out[x] = the sum of the five rows at x, for x from -2 on.
    int32_t (*columnSums)(const int32_t* const* rows, int32_t* out, int32_t width);
    // Green of a row (rows.cpp, makeGreen) from its samples, the gradient
    // column sums, the row's horizontal differences and three rows of
    // vertical differences.
    int32_t (*greens)(const int32_t* samples, const int32_t* sumH, const int32_t* sumV, const int32_t* dh,
                      const int32_t* const* dv, int32_t* out, int32_t width, int32_t greenParity, int32_t maxValue);
    // Sample minus green, from column -3 on.
    int32_t (*colourDifferences)(const int32_t* samples, const int32_t* greens, int32_t* out, int32_t width);
    // Output row (rows.cpp, outputRow): `first` is red on red rows, blue on
    // blue rows; `second` the other colour.
    int32_t (*outputs)(const int32_t* const* d, const int32_t* const* g, uint16_t* first, uint16_t* green,
                       uint16_t* second, int32_t width, int32_t greenParity, int32_t maxValue);
    // Samples widened to 32 bits.
    int32_t (*widenBytes)(const uint8_t* row, int32_t* out, int32_t width);
    int32_t (*widenWords)(const uint16_t* row, int32_t* out, int32_t width);
    // Pixels of 3 or 4 bytes (first, green, third; a zero fourth byte); the
    // last pixel of a row is left to the plain loop, so no store reaches
    // past the row.
    int32_t (*interleave)(const uint16_t* first, const uint16_t* green, const uint16_t* third, uint8_t* out,
                          int32_t width, int32_t bytes);
    // Three planes, and grey (77R + 150G + 29B + 128) >> 8.
    int32_t (*planes)(const uint16_t* red, const uint16_t* green, const uint16_t* blue, uint8_t* const* out,
                      int32_t width);
    int32_t (*grey)(const uint16_t* red, const uint16_t* green, const uint16_t* blue, uint8_t* out, int32_t width);
};

#if defined(TAV_KERNEL_UNIT)
TAV_ISA_BEGIN

#if defined(__AVX2__)
constexpr int kHqBytes = 32;
#else
constexpr int kHqBytes = 16;
#endif
constexpr int kHqLanes = kHqBytes / 4;
typedef int32_t HqI32 __attribute__((vector_size(kHqBytes)));
typedef uint16_t HqU16 __attribute__((vector_size(kHqBytes / 2)));

#define TAV_HQ_INLINE inline __attribute__((always_inline))

TAV_HQ_INLINE HqI32 at(const int32_t* p) {
    HqI32 v;
    memcpy(&v, p, sizeof v);
    return v;
}
TAV_HQ_INLINE void put(int32_t* p, HqI32 v) { memcpy(p, &v, sizeof v); }
TAV_HQ_INLINE HqI32 splat(int32_t v) { return HqI32{} + v; }
TAV_HQ_INLINE HqI32 pick(HqI32 mask, HqI32 a, HqI32 b) { return (a & mask) | (b & ~mask); }
TAV_HQ_INLINE HqI32 absolute(HqI32 v) {
    const HqI32 sign = v >> 31;
    return (v ^ sign) - sign;
}
TAV_HQ_INLINE HqI32 clamp(HqI32 v, HqI32 top) {
    v = pick(v > top, top, v);
    return v & ~(v >> 31);
}
// -1 in the lanes whose column x + lane has x & 1 == parity (x even).
TAV_HQ_INLINE HqI32 parityMask(int32_t parity) {
    HqI32 m;
    for (int i = 0; i < kHqLanes; ++i) m[i] = (i & 1) == parity ? -1 : 0;
    return m;
}
TAV_HQ_INLINE void putU16(uint16_t* p, HqI32 v) {
    HqU16 narrow = __builtin_convertvector(v, HqU16);
    memcpy(p, &narrow, sizeof narrow);
}

inline int32_t differencesVector(const int32_t* const* t, int32_t* out, int32_t width, int32_t greenParity) {
    // taps: -3, -2, -1, 0, +1, +2, +3
    const HqI32 mask = parityMask(greenParity);
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes) {
        const HqI32 own = at(t[3] + x);
        const HqI32 v = 9 * (at(t[2] + x) + at(t[4] + x)) - at(t[0] + x) - at(t[6] + x) - 14 * own -
                        at(t[1] + x) - at(t[5] + x);
        put(out + x, (v ^ mask) - mask);
    }
    return x;
}

inline int32_t absoluteDifferencesVector(const int32_t* a, const int32_t* b, int32_t* out, int32_t width) {
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes) put(out + x, absolute(at(a + x) - at(b + x)));
    return x;
}

inline int32_t columnSumsVector(const int32_t* const* r, int32_t* out, int32_t width) {
    int32_t x = -2;
    for (; x + kHqLanes <= width + 2; x += kHqLanes)
        put(out + x, at(r[0] + x) + at(r[1] + x) + at(r[2] + x) + at(r[3] + x) + at(r[4] + x));
    return x;
}

inline int32_t greensVector(const int32_t* p, const int32_t* sumH, const int32_t* sumV, const int32_t* dh,
                            const int32_t* const* dv, int32_t* out, int32_t width, int32_t greenParity,
                            int32_t maxValue) {
    const HqI32 greenSite = parityMask(greenParity);
    const HqI32 top = splat(maxValue);
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes) {
        const HqI32 windowH = at(sumH + x - 2) + at(sumH + x - 1) + at(sumH + x) + at(sumH + x + 1) + at(sumH + x + 2);
        const HqI32 windowV = at(sumV + x - 2) + at(sumV + x - 1) + at(sumV + x) + at(sumV + x + 1) + at(sumV + x + 2);
        const HqI32 sH = at(dh + x - 1) + 2 * at(dh + x) + at(dh + x + 1);
        const HqI32 sV = at(dv[0] + x) + 2 * at(dv[1] + x) + at(dv[2] + x);
        const HqI32 alongH = 9 * windowH < 8 * windowV;
        const HqI32 alongV = ~alongH & (9 * windowV < 8 * windowH);
        const HqI32 s = pick(alongH, sH + sH, pick(alongV, sV + sV, sH + sV));
        const HqI32 own = at(p + x);
        put(out + x, pick(greenSite, own, clamp(own + ((s + 64) >> 7), top)));
    }
    return x;
}

inline int32_t colourDifferencesVector(const int32_t* p, const int32_t* g, int32_t* out, int32_t width) {
    int32_t x = -3;
    for (; x + kHqLanes <= width + 3; x += kHqLanes) put(out + x, at(p + x) - at(g + x));
    return x;
}

inline int32_t outputsVector(const int32_t* const* d, const int32_t* const* g, uint16_t* first, uint16_t* green,
                             uint16_t* second, int32_t width, int32_t greenParity, int32_t maxValue) {
    const HqI32 greenSite = parityMask(greenParity);
    const HqI32 top = splat(maxValue);
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes) {
        const HqI32 gx = at(g[2] + x);
        const HqI32 d0l = at(d[3] + x - 1), d0r = at(d[3] + x + 1);
        // Green sites: the row's colour along the row, the other along the column.
        const HqI32 alongRow = 9 * (d0l + d0r) - at(d[3] + x - 3) - at(d[3] + x + 3);
        const HqI32 alongColumn = 9 * (at(d[2] + x) + at(d[4] + x)) - at(d[0] + x) - at(d[6] + x);
        // Red and blue sites: their own sample, the other colour across the diagonals.
        const HqI32 nw = at(d[2] + x - 1), se = at(d[4] + x + 1), ne = at(d[2] + x + 1), sw = at(d[4] + x - 1);
        const HqI32 twice = gx + gx;
        const HqI32 g1 = absolute(at(g[1] + x - 1) - at(g[3] + x + 1)) + absolute(nw - se) +
                         absolute(twice - at(g[0] + x - 2) - at(g[4] + x + 2));
        const HqI32 g2 = absolute(at(g[1] + x + 1) - at(g[3] + x - 1)) + absolute(ne - sw) +
                         absolute(twice - at(g[0] + x + 2) - at(g[4] + x - 2));
        const HqI32 first1 = (g1 + g1) < g2;
        const HqI32 first2 = ~first1 & ((g2 + g2) < g1);
        const HqI32 c1 = 4 * (9 * (nw + se) - at(d[0] + x - 3) - at(d[6] + x + 3));
        const HqI32 c2 = 4 * (9 * (ne + sw) - at(d[0] + x + 3) - at(d[6] + x - 3));
        const HqI32 s8 = at(d[0] + x - 1) + at(d[0] + x + 1) + at(d[6] + x - 1) + at(d[6] + x + 1) +
                         at(d[2] + x - 3) + at(d[2] + x + 3) + at(d[4] + x - 3) + at(d[4] + x + 3);
        const HqI32 c3 = 22 * (nw + se + ne + sw) - 3 * s8;
        const HqI32 c = pick(first1, c1, pick(first2, c2, c3));
        const HqI32 rowColour = pick(greenSite, clamp(gx + ((alongRow + 8) >> 4), top), at(d[3] + x) + gx);
        const HqI32 otherColour =
            pick(greenSite, clamp(gx + ((alongColumn + 8) >> 4), top), clamp(gx + ((c + 32) >> 6), top));
        putU16(first + x, rowColour);
        putU16(green + x, gx);
        putU16(second + x, otherColour);
    }
    return x;
}

typedef uint8_t HqU8 __attribute__((vector_size(kHqLanes)));

TAV_HQ_INLINE HqI32 wordsAt(const uint16_t* p) {
    HqU16 v;
    memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, HqI32);
}
TAV_HQ_INLINE void putBytes(uint8_t* p, HqI32 v) {
    const HqU8 narrow = __builtin_convertvector(v, HqU8);
    memcpy(p, &narrow, sizeof narrow);
}

inline int32_t widenBytesVector(const uint8_t* row, int32_t* out, int32_t width) {
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes) {
        HqU8 v;
        memcpy(&v, row + x, sizeof v);
        put(out + x, __builtin_convertvector(v, HqI32));
    }
    return x;
}

inline int32_t widenWordsVector(const uint16_t* row, int32_t* out, int32_t width) {
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes) put(out + x, wordsAt(row + x));
    return x;
}

inline int32_t interleaveVector(const uint16_t* first, const uint16_t* green, const uint16_t* third, uint8_t* out,
                                int32_t width, int32_t bytes) {
    int32_t x = 0;
    for (; x + kHqLanes < width; x += kHqLanes) {
        const HqI32 pixels = wordsAt(first + x) | (wordsAt(green + x) << 8) | (wordsAt(third + x) << 16);
        uint8_t* at = out + (size_t)x * (size_t)bytes;
        // Whole words: a 3-byte pixel's fourth byte is the next pixel's first,
        // written again by the next store.
        for (int i = 0; i < kHqLanes; ++i) {
            const int32_t word = pixels[i];
            memcpy(at + i * bytes, &word, 4);
        }
    }
    return x;
}

inline int32_t planesVector(const uint16_t* red, const uint16_t* green, const uint16_t* blue, uint8_t* const* out,
                            int32_t width) {
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes) {
        putBytes(out[0] + x, wordsAt(red + x));
        putBytes(out[1] + x, wordsAt(green + x));
        putBytes(out[2] + x, wordsAt(blue + x));
    }
    return x;
}

inline int32_t greyVector(const uint16_t* red, const uint16_t* green, const uint16_t* blue, uint8_t* out,
                          int32_t width) {
    int32_t x = 0;
    for (; x + kHqLanes <= width; x += kHqLanes)
        putBytes(out + x, (77 * wordsAt(red + x) + 150 * wordsAt(green + x) + 29 * wordsAt(blue + x) + 128) >> 8);
    return x;
}

constexpr VectorRows kVectorRows = {differencesVector, absoluteDifferencesVector, columnSumsVector, greensVector,
                                    colourDifferencesVector, outputsVector, widenBytesVector, widenWordsVector,
                                    interleaveVector, planesVector, greyVector};

TAV_ISA_END
#endif

}  // namespace hq
}  // namespace tav

#endif

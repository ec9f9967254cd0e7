// The high-quality method's vector rows: the rule of rows.cpp for whole
// vectors from column 0 on, reading the rows' mirrored pads for the
// neighbours; each routine returns the column where the plain loop goes on.
// Up to green, sites of the two parities alternate lane by lane, so both
// sides of every choice are computed and lanes pick theirs by mask; red and
// blue read the packed rows of rows.h, one kind of site per register, and
// interleave the two kinds back into columns. The same source serves
// 32-bit lanes and, for 8-bit samples, 16-bit lanes: every plane then fits
// 16 bits but the 5x5 gradient sums, which are taken in 32-bit lanes.
#ifndef TAV_KERNELS_HQ_VECTOR_ROWS_H
#define TAV_KERNELS_HQ_VECTOR_ROWS_H

#include <stdint.h>
#include <string.h>

#include "simd/isaNamespace.h"

#if defined(TAV_KERNEL_UNIT)
#include "simd/interleave.h"
#endif
#if defined(TAV_KERNEL_UNIT) && defined(__AVX2__)
#include <immintrin.h>
#elif defined(TAV_KERNEL_UNIT) && defined(__ARM_NEON)
#include <arm_neon.h>
#endif

namespace tav {
namespace hq {

// Gradient sums of T planes: up to 51000 for 8-bit samples, so unsigned
// 16 bits in a narrow engine.
template <class T>
struct GradientOf {
    typedef int32_t type;
};
template <>
struct GradientOf<int16_t> {
    typedef uint16_t type;
};

// Rows of T values (int32_t, or int16_t for 8-bit samples).
template <class T>
struct VectorRowsOf {
    // out[x] = 16(G - C) from taps one, two and three sites away on either
    // side (taps[3] is the row itself), negated where x & 1 == greenParity.
    int32_t (*differences)(const T* const* taps, T* out, int32_t width, int32_t greenParity);
    // out[x] = |a[x] - b[x]|.
    int32_t (*absoluteDifferences)(const T* a, const T* b, T* out, int32_t width);
    // Gradient sums over five columns: out[x] = g[x - 2] + ... + g[x + 2]
    // (G: uint16_t for 8-bit samples, whose gradients are at most 10200).
    int32_t (*fiveSums)(const typename GradientOf<T>::type* g, typename GradientOf<T>::type* out, int32_t width);
    // The packed rows of a row (rows.h; rows.cpp, makeSites) from its
    // samples, the five rows of five-column gradient sums around it of each
    // direction, the row's horizontal differences and three rows of
    // vertical differences; returns an even column.
    int32_t (*greens)(const T* samples, const typename GradientOf<T>::type* const* gradH,
                      const typename GradientOf<T>::type* const* gradV, const T* dh, const T* const* dv,
                      T* siteGreen, T* siteColour, T* greenSamples, int32_t width, int32_t siteParity,
                      int32_t maxValue);
    // Output row (rows.cpp, output) from the packed rows: green of rows
    // y - 2 .. y + 2, sample minus green of rows y - 3 .. y + 3 and the
    // green sites' samples of row y; the colour of the row (red on red
    // rows), green, and the other colour.
    int32_t (*outputs)(const T* const* siteGreen, const T* const* siteColour, const T* greenSamples,
                       uint16_t* rowColour, uint16_t* green, uint16_t* otherColour, int32_t width,
                       int32_t siteParity, int32_t maxValue);
    // 8-bit samples widened.
    int32_t (*widenBytes)(const uint8_t* row, T* out, int32_t width);
};

struct VectorRows {
    VectorRowsOf<int32_t> wide;
    VectorRowsOf<int16_t> narrow;
    // 16-bit samples widened to 32 bits.
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

// Lanes of one register of T, and vectors of the same lane count in other types.
template <class T>
struct HqLanes {
    static constexpr int kLanes = kHqBytes / (int)sizeof(T);
    typedef T V __attribute__((vector_size(kHqBytes)));
    typedef uint16_t Words __attribute__((vector_size(kLanes * 2)));
    typedef uint8_t Bytes __attribute__((vector_size(kLanes)));
};

// One register of 32-bit lanes.
typedef int32_t HqI32 __attribute__((vector_size(kHqBytes)));

#define TAV_HQ_INLINE inline __attribute__((always_inline))

template <class V, class T>
TAV_HQ_INLINE V at(const T* p) {
    V v;
    memcpy(&v, p, sizeof v);
    return v;
}
template <class V, class T>
TAV_HQ_INLINE void put(T* p, V v) {
    memcpy(p, &v, sizeof v);
}
template <class V>
TAV_HQ_INLINE V pick(V mask, V a, V b) {  // mask lanes are 0 or -1
    return mask ? a : b;
}
// Written as selects, which compilers turn into the lanes' own absolute
// value, minimum and maximum where the instruction set has them.
template <class V>
TAV_HQ_INLINE V absolute(V v) {
    return v < 0 ? -v : v;
}
template <class V>
TAV_HQ_INLINE V clamp(V v, V top) {
    v = v > top ? top : v;
    return v < 0 ? V{} : v;
}
// Floor of (a + b) / 2 without overflow.
template <class V>
TAV_HQ_INLINE V halfSum(V a, V b) {
    return (a & b) + ((a ^ b) >> 1);
}
// -1 in the lanes whose column x + lane has x & 1 == parity (x even).
template <class V>
TAV_HQ_INLINE V parityMask(int32_t parity) {
    V m = {};
    for (int i = 0; i < (int)(sizeof(V) / sizeof(m[0])); ++i) m[i] = (i & 1) == parity ? -1 : 0;
    return m;
}
template <class T>
TAV_HQ_INLINE void putWords(uint16_t* p, typename HqLanes<T>::V v) {
    put(p, __builtin_convertvector(v, typename HqLanes<T>::Words));
}

template <class T>
inline int32_t differencesVector(const T* const* t, T* out, int32_t width, int32_t greenParity) {
    typedef typename HqLanes<T>::V V;
    const V mask = parityMask<V>(greenParity);
    // Stores through memcpy may alias anything: the row pointers are held here.
    const T *t0 = t[0], *t1 = t[1], *t2 = t[2], *t3 = t[3], *t4 = t[4], *t5 = t[5], *t6 = t[6];
    int32_t x = 0;
    for (; x + HqLanes<T>::kLanes <= width; x += HqLanes<T>::kLanes) {
        const V own = at<V>(t3 + x);
        const V v = 9 * (at<V>(t2 + x) + at<V>(t4 + x)) - at<V>(t0 + x) - at<V>(t6 + x) - 14 * own - at<V>(t1 + x) -
                    at<V>(t5 + x);
        put(out + x, (v ^ mask) - mask);
    }
    return x;
}

template <class T>
inline int32_t absoluteDifferencesVector(const T* a, const T* b, T* out, int32_t width) {
    typedef typename HqLanes<T>::V V;
    int32_t x = 0;
    for (; x + HqLanes<T>::kLanes <= width; x += HqLanes<T>::kLanes) put(out + x, absolute(at<V>(a + x) - at<V>(b + x)));
    return x;
}

template <class T>
inline int32_t fiveSumsVector(const typename GradientOf<T>::type* g, typename GradientOf<T>::type* out,
                              int32_t width) {
    typedef typename GradientOf<T>::type G;
    typedef typename HqLanes<G>::V V;
    int32_t x = 0;
    for (; x + HqLanes<G>::kLanes <= width; x += HqLanes<G>::kLanes)
        put(out + x, at<V>(g + x - 2) + at<V>(g + x - 1) + at<V>(g + x) + at<V>(g + x + 1) + at<V>(g + x + 2));
    return x;
}

// 9DH < 8DV: along the row; 9DV < 8DH (and not along the row): along the
// column; 32-bit lanes, as the 5x5 sums reach 255000 for 8-bit samples.
TAV_HQ_INLINE void decide(HqI32 windowH, HqI32 windowV, HqI32& alongH, HqI32& alongV) {
    alongH = 9 * windowH < 8 * windowV;
    alongV = ~alongH & (9 * windowV < 8 * windowH);
}

// The directions of a register of T at column x, from five rows of
// five-column gradient sums per direction.
template <class T>
struct Directions;
template <>
struct Directions<int32_t> {
    typedef HqI32 V;
    TAV_HQ_INLINE static HqI32 window(const int32_t* const* g, int32_t x) {
        return at<HqI32>(g[0] + x) + at<HqI32>(g[1] + x) + at<HqI32>(g[2] + x) + at<HqI32>(g[3] + x) +
               at<HqI32>(g[4] + x);
    }
    template <int kSitesOdd>
    TAV_HQ_INLINE static void of(const int32_t* const* gH, const int32_t* const* gV, int32_t x, V& alongH,
                                 V& alongV) {
        decide(window(gH, x), window(gV, x), alongH, alongV);
    }
};
// 16-bit lanes: only the red and blue sites need a direction, and they are
// every other column, so the window is summed for them alone, one site per
// 32-bit lane: the low half of each lane holds the even column (little
// endian), the high half the odd one. A lane's mask covers both its
// columns; the green site's lane among them is dropped when the row is packed.
template <>
struct Directions<int16_t> {
    typedef HqLanes<int16_t>::V V;
    typedef uint32_t U32 __attribute__((vector_size(kHqBytes)));
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "sites are picked as halves of 32-bit lanes");
    template <int kSitesOdd>
    TAV_HQ_INLINE static HqI32 sites(const uint16_t* p) {
        const U32 pair = at<U32>(p);
        return (HqI32)(kSitesOdd ? pair >> 16 : pair & 0xFFFF);
    }
    template <int kSitesOdd>
    TAV_HQ_INLINE static HqI32 window(const uint16_t* const* g, int32_t x) {
        return sites<kSitesOdd>(g[0] + x) + sites<kSitesOdd>(g[1] + x) + sites<kSitesOdd>(g[2] + x) +
               sites<kSitesOdd>(g[3] + x) + sites<kSitesOdd>(g[4] + x);
    }
    template <int kSitesOdd>
    TAV_HQ_INLINE static void of(const uint16_t* const* gH, const uint16_t* const* gV, int32_t x, V& alongH,
                                 V& alongV) {
        HqI32 h, v;
        decide(window<kSitesOdd>(gH, x), window<kSitesOdd>(gV, x), h, v);
        alongH = (V)h;
        alongV = (V)v;
    }
};

// Every other lane of two registers (lanes kOdd, kOdd + 2, ... of a, then
// of b), and two registers interleaved lane by lane (a0 b0 a1 b1 ...).
template <int kLanes>
struct Pairs;
template <>
struct Pairs<4> {
    template <int kOdd, class V>
    TAV_HQ_INLINE static V every2(V a, V b) {
        return __builtin_shufflevector(a, b, kOdd, kOdd + 2, kOdd + 4, kOdd + 6);
    }
    template <class V>
    TAV_HQ_INLINE static void zip(V a, V b, V& low, V& high) {
        low = __builtin_shufflevector(a, b, 0, 4, 1, 5);
        high = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    }
};
template <>
struct Pairs<8> {
    template <int kOdd, class V>
    TAV_HQ_INLINE static V every2(V a, V b) {
        return __builtin_shufflevector(a, b, kOdd, kOdd + 2, kOdd + 4, kOdd + 6, kOdd + 8, kOdd + 10, kOdd + 12,
                                       kOdd + 14);
    }
    template <class V>
    TAV_HQ_INLINE static void zip(V a, V b, V& low, V& high) {
        low = __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11);
        high = __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15);
    }
};
template <>
struct Pairs<16> {
    template <int kOdd, class V>
    TAV_HQ_INLINE static V every2(V a, V b) {
        return __builtin_shufflevector(a, b, kOdd, kOdd + 2, kOdd + 4, kOdd + 6, kOdd + 8, kOdd + 10, kOdd + 12,
                                       kOdd + 14, kOdd + 16, kOdd + 18, kOdd + 20, kOdd + 22, kOdd + 24, kOdd + 26,
                                       kOdd + 28, kOdd + 30);
    }
    template <class V>
    TAV_HQ_INLINE static void zip(V a, V b, V& low, V& high) {
        low = __builtin_shufflevector(a, b, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
        high = __builtin_shufflevector(a, b, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
    }
};

// (s + 64) >> 7 of the rule as (sH + 32) >> 6 for s = 2sH (likewise sV) and
// (floor((sH + sV) / 2) + 32) >> 6 for s = sH + sV: equal for every integer,
// and no term leaves 16 bits for 8-bit samples. Every lane computes the
// rule; the red and blue sites' lanes of two registers are kept, packed.
template <class T, int kSitesOdd>
inline int32_t greensOfParity(const T* p, const typename GradientOf<T>::type* const* gradH,
                              const typename GradientOf<T>::type* const* gradV, const T* dh, const T* const* dv,
                              T* siteGreen, T* siteColour, T* greenSamples, int32_t width, int32_t maxValue) {
    typedef typename HqLanes<T>::V V;
    typedef typename GradientOf<T>::type G;
    constexpr int kLanes = HqLanes<T>::kLanes;
    const V top = V{} + (T)maxValue;
    // Stores through memcpy may alias anything: the row pointers are held here.
    const G* const gH[5] = {gradH[0], gradH[1], gradH[2], gradH[3], gradH[4]};
    const G* const gV[5] = {gradV[0], gradV[1], gradV[2], gradV[3], gradV[4]};
    const T *above = dv[0], *level = dv[1], *below = dv[2];
    int32_t x = 0;
    for (; x + 2 * kLanes <= width; x += 2 * kLanes) {
        V green[2], own[2];
        for (int k = 0; k < 2; ++k) {
            const int32_t c = x + k * kLanes;
            V alongH, alongV;
            Directions<T>::template of<kSitesOdd>(gH, gV, c, alongH, alongV);
            const V sH = at<V>(dh + c - 1) + 2 * at<V>(dh + c) + at<V>(dh + c + 1);
            const V sV = at<V>(above + c) + 2 * at<V>(level + c) + at<V>(below + c);
            const V half = pick(alongH, sH, pick(alongV, sV, halfSum(sH, sV)));
            own[k] = at<V>(p + c);
            green[k] = clamp(own[k] + ((half + 32) >> 6), top);
        }
        const V sites = Pairs<kLanes>::template every2<kSitesOdd>(green[0], green[1]);
        put(siteGreen + x / 2, sites);
        put(siteColour + x / 2, Pairs<kLanes>::template every2<kSitesOdd>(own[0], own[1]) - sites);
        put(greenSamples + x / 2, Pairs<kLanes>::template every2<1 - kSitesOdd>(own[0], own[1]));
    }
    return x;
}

template <class T>
inline int32_t greensVector(const T* p, const typename GradientOf<T>::type* const* gradH,
                            const typename GradientOf<T>::type* const* gradV, const T* dh, const T* const* dv,
                            T* siteGreen, T* siteColour, T* greenSamples, int32_t width, int32_t siteParity,
                            int32_t maxValue) {
    return siteParity
               ? greensOfParity<T, 1>(p, gradH, gradV, dh, dv, siteGreen, siteColour, greenSamples, width, maxValue)
               : greensOfParity<T, 0>(p, gradH, gradV, dh, dv, siteGreen, siteColour, greenSamples, width, maxValue);
}

// Entries i .. i + kLanes - 1 of the packed rows are the sites of columns
// 2i .. 2i + 2 kLanes - 1: one register of red or blue sites and one of
// green sites, each lane computing only its own kind's rule, then
// interleaved back into columns.
template <class T, int kSitesOdd>
inline int32_t outputsOfParity(const T* const* sg, const T* const* sc, const T* pg, uint16_t* rowColour,
                               uint16_t* green, uint16_t* otherColour, int32_t width, int32_t maxValue) {
    typedef typename HqLanes<T>::V V;
    constexpr int kLanes = HqLanes<T>::kLanes;
    constexpr int s = kSitesOdd;
    const V top = V{} + (T)maxValue;
    // Rows an odd distance away hold the other parity (rows.cpp, output).
    const T *d0 = sc[0] + s - 1, *d2 = sc[2] + s - 1, *d4 = sc[4] + s - 1, *d6 = sc[6] + s - 1;
    const T *r0 = sc[0], *r2 = sc[2], *r3 = sc[3], *r4 = sc[4], *r6 = sc[6];
    const T *g0 = sg[0], *g1 = sg[1] + s - 1, *g2 = sg[2], *g3 = sg[3] + s - 1, *g4 = sg[4];
    const T* alongRowAt = sc[3] - s;
    int32_t i = 0;
    for (; 2 * (i + kLanes) <= width; i += kLanes) {
        // Green sites: the row's colour along the row, the other along the column.
        const V gp = at<V>(pg + i);
        const V alongRow = 9 * (at<V>(alongRowAt + i) + at<V>(alongRowAt + i + 1)) - at<V>(alongRowAt + i - 1) -
                           at<V>(alongRowAt + i + 2);
        const V alongColumn = 9 * (at<V>(r2 + i) + at<V>(r4 + i)) - at<V>(r0 + i) - at<V>(r6 + i);
        const V ownAtGreen = clamp(gp + ((alongRow + 8) >> 4), top);
        const V otherAtGreen = clamp(gp + ((alongColumn + 8) >> 4), top);
        // Red and blue sites: their own sample, the other colour across the diagonals.
        const V gx = at<V>(g2 + i);
        const V nw = at<V>(d2 + i), ne = at<V>(d2 + i + 1), sw = at<V>(d4 + i), se = at<V>(d4 + i + 1);
        const V twice = gx + gx;
        const V g1d = absolute(at<V>(g1 + i) - at<V>(g3 + i + 1)) + absolute(nw - se) +
                      absolute(twice - at<V>(g0 + i - 1) - at<V>(g4 + i + 1));
        const V g2d = absolute(at<V>(g1 + i + 1) - at<V>(g3 + i)) + absolute(ne - sw) +
                      absolute(twice - at<V>(g0 + i + 1) - at<V>(g4 + i - 1));
        const V first1 = (g1d + g1d) < g2d;
        const V first2 = ~first1 & ((g2d + g2d) < g1d);
        const V c1 = 4 * (9 * (nw + se) - at<V>(d0 + i - 1) - at<V>(d6 + i + 2));
        const V c2 = 4 * (9 * (ne + sw) - at<V>(d0 + i + 2) - at<V>(d6 + i - 1));
        const V s8 = at<V>(d0 + i) + at<V>(d0 + i + 1) + at<V>(d6 + i) + at<V>(d6 + i + 1) + at<V>(d2 + i - 1) +
                     at<V>(d2 + i + 2) + at<V>(d4 + i - 1) + at<V>(d4 + i + 2);
        const V c3 = 22 * (nw + se + ne + sw) - 3 * s8;
        const V c = pick(first1, c1, pick(first2, c2, c3));
        const V ownAtSite = at<V>(r3 + i) + gx;
        const V otherAtSite = clamp(gx + ((c + 32) >> 6), top);
        // Back into columns: even columns first.
        V low, high;
        const int32_t x = 2 * i;
        Pairs<kLanes>::zip(s ? ownAtGreen : ownAtSite, s ? ownAtSite : ownAtGreen, low, high);
        putWords<T>(rowColour + x, low);
        putWords<T>(rowColour + x + kLanes, high);
        Pairs<kLanes>::zip(s ? gp : gx, s ? gx : gp, low, high);
        putWords<T>(green + x, low);
        putWords<T>(green + x + kLanes, high);
        Pairs<kLanes>::zip(s ? otherAtGreen : otherAtSite, s ? otherAtSite : otherAtGreen, low, high);
        putWords<T>(otherColour + x, low);
        putWords<T>(otherColour + x + kLanes, high);
    }
    return 2 * i;
}

template <class T>
inline int32_t outputsVector(const T* const* siteGreen, const T* const* siteColour, const T* greenSamples,
                             uint16_t* rowColour, uint16_t* green, uint16_t* otherColour, int32_t width,
                             int32_t siteParity, int32_t maxValue) {
    return siteParity ? outputsOfParity<T, 1>(siteGreen, siteColour, greenSamples, rowColour, green, otherColour,
                                              width, maxValue)
                      : outputsOfParity<T, 0>(siteGreen, siteColour, greenSamples, rowColour, green, otherColour,
                                              width, maxValue);
}

template <class T>
inline int32_t widenBytesVector(const uint8_t* row, T* out, int32_t width) {
    typedef typename HqLanes<T>::V V;
    typedef typename HqLanes<T>::Bytes Bytes;
    int32_t x = 0;
    for (; x + HqLanes<T>::kLanes <= width; x += HqLanes<T>::kLanes)
        put(out + x, __builtin_convertvector(at<Bytes>(row + x), V));
    return x;
}

typedef HqLanes<int32_t> Lanes32;

TAV_HQ_INLINE HqI32 wordsAt(const uint16_t* p) {
#if defined(__AVX2__)
    const __m256i v = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    HqI32 words;
    memcpy(&words, &v, sizeof words);
    return words;
#else
    return __builtin_convertvector(at<Lanes32::Words>(p), HqI32);
#endif
}
TAV_HQ_INLINE void putBytes(uint8_t* p, HqI32 v) { put(p, __builtin_convertvector(v, Lanes32::Bytes)); }

inline int32_t widenWordsVector(const uint16_t* row, int32_t* out, int32_t width) {
    int32_t x = 0;
    for (; x + Lanes32::kLanes <= width; x += Lanes32::kLanes) put(out + x, wordsAt(row + x));
    return x;
}

// Sixteen (thirty-two on AVX2) values of 0..255 as bytes.
TAV_HQ_INLINE lanes::U8x16 bytesAt(const uint16_t* p) {
    // The low byte of each value (little endian).
    const lanes::U8x16 low = (lanes::U8x16)at<lanes::U16x8>(p), high = (lanes::U8x16)at<lanes::U16x8>(p + 8);
    return __builtin_shufflevector(low, high, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
}
#if defined(__AVX2__)
TAV_HQ_INLINE lanes::U8x32 bytes32At(const uint16_t* p) {
    const __m256i packed = _mm256_packus_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16)));
    // Packs work per 128-bit half: put the quarters back in order.
    return (lanes::U8x32)_mm256_permute4x64_epi64(packed, 0xD8);
}
#endif

inline int32_t interleaveVector(const uint16_t* first, const uint16_t* green, const uint16_t* third, uint8_t* out,
                                int32_t width, int32_t bytes) {
    int32_t x = 0;
#if defined(__AVX2__)
    for (; x + 32 <= width; x += 32) {
        uint8_t* to = out + (size_t)x * (size_t)bytes;
        const lanes::U8x32 a = bytes32At(first + x), g = bytes32At(green + x), c = bytes32At(third + x);
        if (bytes == 3) {
            lanes::storeInterleaved3x32(to, a, g, c);
        } else {
            lanes::storeInterleaved4x32(to, a, g, c, lanes::U8x32{});
        }
    }
#endif
    // A 3-byte store may write up to kInterleaved3Overrun bytes past its
    // pixels: the last pixel of a row is left to the plain loop.
    static_assert(lanes::kInterleaved3Overrun <= 3, "one pixel covers the overrun");
    for (; x + 16 < width; x += 16) {
        uint8_t* to = out + (size_t)x * (size_t)bytes;
        const lanes::U8x16 a = bytesAt(first + x), g = bytesAt(green + x), c = bytesAt(third + x);
        if (bytes == 3) {
            lanes::storeInterleaved3(to, a, g, c);
        } else {
            lanes::storeInterleaved4(to, a, g, c, lanes::U8x16{});
        }
    }
    return x;
}

inline int32_t planesVector(const uint16_t* red, const uint16_t* green, const uint16_t* blue, uint8_t* const* out,
                            int32_t width) {
    int32_t x = 0;
    for (; x + Lanes32::kLanes <= width; x += Lanes32::kLanes) {
        putBytes(out[0] + x, wordsAt(red + x));
        putBytes(out[1] + x, wordsAt(green + x));
        putBytes(out[2] + x, wordsAt(blue + x));
    }
    return x;
}

inline int32_t greyVector(const uint16_t* red, const uint16_t* green, const uint16_t* blue, uint8_t* out,
                          int32_t width) {
    int32_t x = 0;
    for (; x + Lanes32::kLanes <= width; x += Lanes32::kLanes)
        putBytes(out + x, (77 * wordsAt(red + x) + 150 * wordsAt(green + x) + 29 * wordsAt(blue + x) + 128) >> 8);
    return x;
}

template <class T>
constexpr VectorRowsOf<T> vectorRowsOf() {
    return {differencesVector<T>, absoluteDifferencesVector<T>, fiveSumsVector<T>, greensVector<T>,
            outputsVector<T>,     widenBytesVector<T>};
}

constexpr VectorRows kVectorRows = {vectorRowsOf<int32_t>(), vectorRowsOf<int16_t>(), widenWordsVector,
                                    interleaveVector, planesVector, greyVector};

TAV_ISA_END
#endif

}  // namespace hq
}  // namespace tav

#endif

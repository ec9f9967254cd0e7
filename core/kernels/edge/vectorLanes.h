// Eight (SSE2) or sixteen (AVX2) column pairs at once with GCC/Clang generic
// vectors of 16-bit lanes: the steered greens and the finished pixels of the
// interior blocks on x86; NEON has its own block (neonBlock.h). Same rule and results as formulas.h and
// the per-column path of rowPair.h, which the tests compare byte for byte.
#ifndef TAV_KERNELS_EDGE_LANES_H
#define TAV_KERNELS_EDGE_LANES_H

#include <stdint.h>
#include <immintrin.h>
#include <string.h>

#include "kernels/edge/outputs.h"
#include "simd/interleave.h"
#include "simd/lanes.h"

// Included only by the kernel units of an instruction set.
namespace tav {
namespace edge {
TAV_ISA_BEGIN

// Column pairs per block: one 16-bit lane each, 128-bit vectors (SSE2) or
// 256-bit ones (AVX2).
#if defined(__AVX2__)
constexpr int kLanes = 16;
typedef int16_t Lanes16 __attribute__((vector_size(32)));
typedef uint16_t ULanes16 __attribute__((vector_size(32)));
#else
constexpr int kLanes = 8;
typedef lanes::I16x8 Lanes16;
typedef lanes::U16x8 ULanes16;
#endif

// {a[n-1], b[0], ..., b[n-2]} and {a[n-2], a[n-1], b[0], ..., b[n-3]}: the
// lanes of b moved up by one or two columns of their parity, the last lanes
// of the block before filling the gap.
TAV_LANES_INLINE Lanes16 lastOneThen(Lanes16 a, Lanes16 b) {
#if defined(__AVX2__) && defined(__clang__)
    return __builtin_shufflevector(a, b, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30);
#elif defined(__AVX2__)
    return __builtin_shuffle(a, b, (Lanes16){15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30});
#elif defined(__clang__)
    return __builtin_shufflevector(a, b, 7, 8, 9, 10, 11, 12, 13, 14);
#else
    return __builtin_shuffle(a, b, (Lanes16){7, 8, 9, 10, 11, 12, 13, 14});
#endif
}
TAV_LANES_INLINE Lanes16 lastTwoThen(Lanes16 a, Lanes16 b) {
#if defined(__AVX2__) && defined(__clang__)
    return __builtin_shufflevector(a, b, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29);
#elif defined(__AVX2__)
    return __builtin_shuffle(a, b, (Lanes16){14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29});
#elif defined(__clang__)
    return __builtin_shufflevector(a, b, 6, 7, 8, 9, 10, 11, 12, 13);
#else
    return __builtin_shuffle(a, b, (Lanes16){6, 7, 8, 9, 10, 11, 12, 13});
#endif
}

// Sixteen bytes in column order from eight even-column and eight odd-column
// values (each 0..255): the little-endian word holds the even byte low.
TAV_LANES_INLINE void storeBytes16(uint8_t* p, Lanes16 even, Lanes16 odd) {
    const ULanes16 words = (ULanes16)even | ((ULanes16)odd << 8);
    memcpy(p, &words, sizeof words);
}

// Bytes in column order from even- and odd-column lanes, each clamped to
// 0..255 by the saturation of the pack. The packs work within 128-bit halves
// ({e0..e7, o0..o7} per half); a byte shuffle (or, on SSE2, an unpack of
// the half with its upper eight bytes) puts each even byte before its odd one.
TAV_LANES_INLINE ULanes16 packColumnBytes(Lanes16 even, Lanes16 odd) {
#if defined(__AVX2__)
    const __m256i packed = _mm256_packus_epi16((__m256i)even, (__m256i)odd);
    const __m256i order = _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15,
                                           0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
    return (ULanes16)_mm256_shuffle_epi8(packed, order);
#else
    const __m128i packed = _mm_packus_epi16((__m128i)even, (__m128i)odd);
    return (ULanes16)_mm_unpacklo_epi8(packed, _mm_srli_si128(packed, 8));
#endif
}

// Sixteen bytes from p as eight (even, odd) byte pairs: little-endian 16-bit
// words hold the even-column byte low and the odd-column byte high.
struct ColumnLanes {
    Lanes16 even;  // p[0], p[2], ..., p[14]
    Lanes16 odd;   // p[1], p[3], ..., p[15]
};

TAV_LANES_INLINE ColumnLanes loadColumnLanes(const uint8_t* p) {
    ULanes16 words;
    memcpy(&words, p, sizeof words);
    ColumnLanes lanes;
    lanes.even = (Lanes16)(words & 0xFF);
    lanes.odd = (Lanes16)(words >> 8);
    return lanes;
}

TAV_LANES_INLINE Lanes16 absLanes(Lanes16 v) { return v < 0 ? -v : v; }

TAV_LANES_INLINE Lanes16 clampLanes(Lanes16 v) {
    v = v < 0 ? 0 : v;
    return v > 255 ? 255 : v;
}

// Eight greens at columns c, c+2, ..., c+14 of the site row `own`. Reads
// columns c-2 .. c+17 of `own` and c .. c+15 of the four rows around it.
TAV_LANES_INLINE Lanes16 steeredGreen8(const uint8_t* own, const uint8_t* up1, const uint8_t* down1,
                                       const uint8_t* up2, const uint8_t* down2, int c) {
    const ColumnLanes left = loadColumnLanes(own + c - 2);
    const ColumnLanes centre = loadColumnLanes(own + c);
    const Lanes16 right2 = loadColumnLanes(own + c + 2).even;
    const Lanes16 x = centre.even;
    const Lanes16 left1 = left.odd, right1 = centre.odd, left2 = left.even;
    const Lanes16 u1 = loadColumnLanes(up1 + c).even;
    const Lanes16 d1 = loadColumnLanes(down1 + c).even;
    const Lanes16 u2 = loadColumnLanes(up2 + c).even;
    const Lanes16 d2 = loadColumnLanes(down2 + c).even;

    const Lanes16 dh = 2 * x - left2 - right2;
    const Lanes16 dv = 2 * x - u2 - d2;
    const Lanes16 gradH = absLanes(left1 - right1) + absLanes(dh);
    const Lanes16 gradV = absLanes(u1 - d1) + absLanes(dv);
    // Choose the direction's neighbour sum and second difference first, then
    // halve and quarter once.
    const Lanes16 horizontal = gradH < gradV;
    const Lanes16 sum = horizontal ? left1 + right1 : u1 + d1;
    const Lanes16 difference = horizontal ? dh : dv;
    return clampLanes((sum >> 1) + (difference >> 2));
}

// Colours of the even and odd columns of one row. The interpolated ones
// (blue and red except at their own sites) are clamped to 0..255 by the
// saturation of the byte packs of the stores, or here for luma.
struct PixelLanes {
    Lanes16 redEven, greenEven, blueEven;
    Lanes16 redOdd, greenOdd, blueOdd;
};

// An interpolated red or blue: the outputs clamp it in their byte packs
// (luma on SSE2 before its weighted sum).
template <class Out>
TAV_LANES_INLINE Lanes16 interpolated(const Out&, Lanes16 v) { return v; }
#if !defined(__AVX2__)
TAV_LANES_INLINE Lanes16 interpolated(const LumaOut&, Lanes16 v) { return clampLanes(v); }
#endif

// Greens at columns c-1, c, c+1, c+2 for eight column pairs (c, c+2, ...).
struct GreenLanes {
    Lanes16 left, even, odd, right;
};

TAV_LANES_INLINE GreenLanes greenRowLanes(const uint8_t* greenRow, int c) {
    GreenLanes g;
    g.left = loadColumnLanes(greenRow + c - 1).even;  // the odd columns from c-1, one masked load
    const ColumnLanes centre = loadColumnLanes(greenRow + c);
    g.even = centre.even;
    g.odd = centre.odd;
    g.right = loadColumnLanes(greenRow + c + 2).even;
    return g;
}

// Red/green row `own` with red-site greens ownG between green/blue rows.
template <class Out>
TAV_LANES_INLINE PixelLanes finishRedRow8(const Out& out, int c, const uint8_t* own, const GreenLanes& ownG,
                                const uint8_t* above, const GreenLanes& aboveG,
                                const uint8_t* below, const GreenLanes& belowG) {
    const ColumnLanes a = loadColumnLanes(above + c);
    const ColumnLanes b = loadColumnLanes(below + c);
    const Lanes16 dbAboveLeft = loadColumnLanes(above + c - 1).even - aboveG.left;
    const Lanes16 dbAboveOdd = a.odd - aboveG.odd;
    const Lanes16 dbBelowLeft = loadColumnLanes(below + c - 1).even - belowG.left;
    const Lanes16 dbBelowOdd = b.odd - belowG.odd;
    const ColumnLanes o = loadColumnLanes(own + c);
    const Lanes16 ownRight = loadColumnLanes(own + c + 2).even;

    PixelLanes p;
    p.redEven = o.even;
    p.greenEven = ownG.even;
    // Vertical pairs first: the odd one also serves the green site.
    const Lanes16 dbOdd = dbAboveOdd + dbBelowOdd;
    p.blueEven = interpolated(out, ownG.even + (((dbAboveLeft + dbBelowLeft) + dbOdd) >> 2));
    p.greenOdd = o.odd;
    p.redOdd = interpolated(out, o.odd + (((o.even - ownG.even) + (ownRight - ownG.right)) >> 1));
    p.blueOdd = interpolated(out, o.odd + (dbOdd >> 1));
    return p;
}

// Green/blue row `own` with blue-site greens ownG between red/green rows.
template <class Out>
TAV_LANES_INLINE PixelLanes finishBlueRow8(const Out& out, int c, const uint8_t* own, const GreenLanes& ownG,
                                 const uint8_t* above, const GreenLanes& aboveG,
                                 const uint8_t* below, const GreenLanes& belowG) {
    const Lanes16 drAboveEven = loadColumnLanes(above + c).even - aboveG.even;
    const Lanes16 drBelowEven = loadColumnLanes(below + c).even - belowG.even;
    const Lanes16 drAboveRight = loadColumnLanes(above + c + 2).even - aboveG.right;
    const Lanes16 drBelowRight = loadColumnLanes(below + c + 2).even - belowG.right;
    const ColumnLanes o = loadColumnLanes(own + c);
    const Lanes16 ownLeft = loadColumnLanes(own + c - 1).even;

    PixelLanes p;
    p.greenEven = o.even;
    p.blueEven = interpolated(out, o.even + (((ownLeft - ownG.left) + (o.odd - ownG.odd)) >> 1));
    const Lanes16 drEven = drAboveEven + drBelowEven;
    p.redEven = interpolated(out, o.even + (drEven >> 1));
    p.greenOdd = ownG.odd;
    p.blueOdd = o.odd;
    p.redOdd = interpolated(out, ownG.odd + ((drEven + (drAboveRight + drBelowRight)) >> 2));
    return p;
}

#if defined(__AVX2__)
// Byte shuffles from channels packed {even columns, odd columns} per 128-bit
// half (pixel q of a half at byte q/2, or 8 + q/2 when q is odd) to 3-byte
// pixels: piece k of a half's 48 bytes takes channel ch through table
// [k][ch] (-1 leaves a byte zero for the other channels to fill).
struct Pixel3Shuffles {
    alignas(32) int8_t table[3][3][32];
};

constexpr Pixel3Shuffles pixel3Shuffles() {
    Pixel3Shuffles s = {};
    for (int k = 0; k < 3; ++k) {
        for (int ch = 0; ch < 3; ++ch) {
            for (int i = 0; i < 32; ++i) {
                const int byte = 16 * k + i % 16;
                const int q = byte / 3;
                s.table[k][ch][i] = (int8_t)(byte % 3 != ch ? -1 : (q & 1) ? 8 + q / 2 : q / 2);
            }
        }
    }
    return s;
}

constexpr Pixel3Shuffles kPixel3Shuffles = pixel3Shuffles();

// Thirty-two 3-byte pixels (96 bytes) from three such packed channels.
TAV_LANES_INLINE void storePixels3(uint8_t* dst, __m256i c0, __m256i c1, __m256i c2) {
    __m256i piece[3];
    for (int k = 0; k < 3; ++k) {
        const __m256i* t = (const __m256i*)kPixel3Shuffles.table[k];
        piece[k] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(c0, _mm256_load_si256(t)),
                                                   _mm256_shuffle_epi8(c1, _mm256_load_si256(t + 1))),
                                   _mm256_shuffle_epi8(c2, _mm256_load_si256(t + 2)));
    }
    // Pieces 0-2 of the low half, then of the high half.
    _mm256_storeu_si256((__m256i*)dst, _mm256_permute2x128_si256(piece[0], piece[1], 0x20));
    _mm256_storeu_si256((__m256i*)(dst + 32), _mm256_permute2x128_si256(piece[2], piece[0], 0x30));
    _mm256_storeu_si256((__m256i*)(dst + 64), _mm256_permute2x128_si256(piece[1], piece[2], 0x31));
}
#endif

// Interleaved kinds through the lane layer's interleaved stores (vst3/vst4
// on NEON). On SSE2 the 3-byte form may rewrite the first two bytes of pixel
// c+2*kLanes with garbage: that pixel lies inside the row and is stored later in
// the same step, and in the green-row rows of the last output row those
// bytes are below every entry still to be read (blocks end at least five
// columns before the row end).
template <int Bytes, bool RedFirst>
TAV_LANES_INLINE void storePixelLanes(const InterleavedOut<Bytes, RedFirst>& out, int dy, int c,
                                      const PixelLanes& p) {
    // Pixel-ordered bytes of each channel, sixteen pixels per 128-bit half.
    uint8_t* dst = out.row + dy * out.stride + (ptrdiff_t)c * Bytes;
#if defined(__AVX2__)
    if (Bytes == 3) {
        const __m256i red = _mm256_packus_epi16((__m256i)p.redEven, (__m256i)p.redOdd);
        const __m256i green = _mm256_packus_epi16((__m256i)p.greenEven, (__m256i)p.greenOdd);
        const __m256i blue = _mm256_packus_epi16((__m256i)p.blueEven, (__m256i)p.blueOdd);
        storePixels3(dst, RedFirst ? red : blue, green, RedFirst ? blue : red);
        return;
    }
#endif
    const ULanes16 red = packColumnBytes(p.redEven, p.redOdd);
    const ULanes16 green = packColumnBytes(p.greenEven, p.greenOdd);
    const ULanes16 blue = packColumnBytes(p.blueEven, p.blueOdd);
#if defined(__AVX2__)
    const lanes::U8x32 first = (lanes::U8x32)(RedFirst ? red : blue), g = (lanes::U8x32)green;
    const lanes::U8x32 last = (lanes::U8x32)(RedFirst ? blue : red);
    if (Bytes == 4)
        lanes::storeInterleaved4x32(dst, first, g, last, (lanes::U8x32){});
    else
        lanes::storeInterleaved3x32(dst, first, g, last);
#else
    for (int half = 0; half < kLanes / 8; ++half) {
        lanes::U8x16 r, g, b;
        memcpy(&r, (const uint8_t*)&red + 16 * half, 16);
        memcpy(&g, (const uint8_t*)&green + 16 * half, 16);
        memcpy(&b, (const uint8_t*)&blue + 16 * half, 16);
        uint8_t* at = dst + 16 * Bytes * half;
        if (Bytes == 4)
            lanes::storeInterleaved4(at, RedFirst ? r : b, g, RedFirst ? b : r, (lanes::U8x16){});
        else
            lanes::storeInterleaved3(at, RedFirst ? r : b, g, RedFirst ? b : r);
    }
#endif
}

TAV_LANES_INLINE void storePixelLanes(const PlanarOut& out, int dy, int c, const PixelLanes& p) {
    const ptrdiff_t at = dy * out.stride + c;
    const ULanes16 red = packColumnBytes(p.redEven, p.redOdd);
    const ULanes16 green = packColumnBytes(p.greenEven, p.greenOdd);
    const ULanes16 blue = packColumnBytes(p.blueEven, p.blueOdd);
    memcpy(out.red + at, &red, sizeof red);
    memcpy(out.green + at, &green, sizeof green);
    memcpy(out.blue + at, &blue, sizeof blue);
}

// Luma in unsigned 16-bit lanes as 256*G + wRed*(R-G) + wBlue*(B-G) + 128:
// equal to the weighted sum (the weights sum to 256), which lies in
// 0..65408, so the wrapping 16-bit arithmetic yields it exactly with two
// multiplications instead of three.
TAV_LANES_INLINE ULanes16 lumaLanes(Lanes16 r, Lanes16 g, Lanes16 b, ULanes16 wRed,
                                    ULanes16 wBlue) {
    const ULanes16 green = (ULanes16)g;
    const ULanes16 sum = (green << 8) + ((ULanes16)r - green) * wRed +
                         ((ULanes16)b - green) * wBlue + (uint16_t)128;
    return sum >> 8;
}

TAV_LANES_INLINE void storePixelLanes(const LumaOut& out, int dy, int c, const PixelLanes& p) {
#if defined(__AVX2__)
    // Colours clamped to bytes by the packs ({even, odd} columns per 128-bit
    // half); red and blue side by side meet their weights in one
    // multiply-add of byte pairs (at most 255 * 106, no saturation), green
    // is weighted in 16-bit lanes. The sum plus 128 is at most 65408.
    const __m256i red = _mm256_packus_epi16((__m256i)p.redEven, (__m256i)p.redOdd);
    const __m256i green = _mm256_packus_epi16((__m256i)p.greenEven, (__m256i)p.greenOdd);
    const __m256i blue = _mm256_packus_epi16((__m256i)p.blueEven, (__m256i)p.blueOdd);
    const __m256i redBlueWeights = _mm256_set1_epi16((int16_t)(out.redWeight | out.blueWeight << 8));
    const __m256i greenWeight = _mm256_set1_epi16((int16_t)(256 - out.redWeight - out.blueWeight));
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i evenSum = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpacklo_epi8(red, blue), redBlueWeights),
                         _mm256_mullo_epi16(_mm256_unpacklo_epi8(green, zero), greenWeight)),
        half);
    const __m256i oddSum = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpackhi_epi8(red, blue), redBlueWeights),
                         _mm256_mullo_epi16(_mm256_unpackhi_epi8(green, zero), greenWeight)),
        half);
    const ULanes16 bytes = packColumnBytes((Lanes16)_mm256_srli_epi16(evenSum, 8), (Lanes16)_mm256_srli_epi16(oddSum, 8));
    memcpy(out.row + dy * out.stride + c, &bytes, sizeof bytes);
#else
    const ULanes16 wRed = (ULanes16){} + (uint16_t)out.redWeight;
    const ULanes16 wBlue = (ULanes16){} + (uint16_t)out.blueWeight;
    const ULanes16 even = lumaLanes(p.redEven, p.greenEven, p.blueEven, wRed, wBlue);
    const ULanes16 odd = lumaLanes(p.redOdd, p.greenOdd, p.blueOdd, wRed, wBlue);
    storeBytes16(out.row + dy * out.stride + c, (Lanes16)even, (Lanes16)odd);
#endif
}

TAV_ISA_END
}  // namespace edge
}  // namespace tav

#endif

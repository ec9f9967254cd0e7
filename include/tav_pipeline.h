/* The picture pipeline of tavDemosaicing: shading, black level, white
 * balance, demosaicing, colour matrix and tone curve in one pass, and the
 * frame statistics gathered on the way. Usable from C99 and C++.
 *
 * With a pipeline set on a context, every sample of a frame of depth D
 * (8, 10, 12, 14 or 16 bits; W = 2^D - 1 is the white point) goes through:
 *
 *  1. shading (when a table is set): s1 = the sample tavLSCorrection would
 *     store, clamp(((s - B) * K + 2^16) >> 17, 0, W), with the table's 12-bit
 *     offset scaled to the depth (shifted right at 8 to 12 bits, left at 14
 *     and 16); samples a 2x2 table does not cover (the last row or column of
 *     an odd frame) and frames without a table: s1 = min(s, W);
 *  2. black level: s2 = max(s1 - black, 0), black of the sample's position in
 *     its 2x2 tile (Mono: blackLevel[0] everywhere);
 *  3, 4. white balance and scaling to the linear scale 0..16383:
 *     L = min(16383, (s2 * M + 2^(k-1)) >> k), where M = round(gain * 16383 /
 *     (W - black) * 2^k) for the position's colour (Mono: the green gain) and
 *     k, one per frame, is the largest shift up to 31 that keeps the four M
 *     below 2^15 (if even k = 0 does not, k = 0 and M is capped at
 *     2^15 - 1, which changes no result: any sample above black is then
 *     full scale);
 *  5. demosaicing of L by the chosen method: the rules of the 8-bit methods
 *     with 16383 where they clamp to 255 (Mono: R = G = B = L);
 *  6. colour matrix: for each output colour, v = clamp((q0 * R + q1 * G +
 *     q2 * B + 512) >> 10, 0, 16383) with q = round(1024 * entry) of its row;
 *  7. curve: out = T[v], T[v] = round(255 * C(v / 16383)) with C the curve;
 *     Mono8 output: T[(77 vR + 150 vG + 29 vB + 128) >> 8];
 *  8. the configured output layout (alpha bytes 0).
 *
 * Frame statistics (tavDemosaicGetStats) come from the same pass, over the
 * whole 2x2 tiles from the frame's top-left corner: a tile with a sample
 * s1 >= W is counted as saturated; the others add their s2 values to sum[]
 * by colour, red, both greens and blue (Mono: by position, top-left, the
 * top-right and bottom-left pair, bottom-right). Grey-world gains are
 * (sum[1] / (2 sum[0]), 1, sum[1] / (2 sum[2])). The histogram counts every
 * output pixel by (output luma >> 2), luma = (77 r + 150 g + 29 b + 128) >> 8
 * of its 8-bit colours (Mono8 output: the byte). Sums are whole numbers
 * added in any order, so they do not depend on threads or bands. */
#ifndef TAV_PIPELINE_H
#define TAV_PIPELINE_H

#include "tav_demosaic.h"
#include "tav_types.h"

TAV_EXTERN_C_BEGIN

#define TAV_CURVE_LINEAR 0
#define TAV_CURVE_SRGB 1  /* the sRGB transfer function */
#define TAV_CURVE_GAMMA 2 /* out = in^(1/gamma) */

typedef struct TavPipeline {
    int32_t blackLevel[4];        /* input sample units; 2x2 tile positions: top-left, top-right,
                                     bottom-left, bottom-right (Mono: [0] only) */
    float whiteBalance[3];        /* gains for R, G, B, in (0, 64] */
    float colorMatrix[9];         /* row-major, entries in [-16, 16]; output RGB = M x camera RGB */
    int32_t curve;                /* TAV_CURVE_* */
    float gamma;                  /* TAV_CURVE_GAMMA only, in [0.1, 10] */
    const uint32_t* shadingTable; /* optional; a table of tavGetLSCParameter (its mode, height and
                                     width words, then its parameter words); NULL = none. Read at
                                     every frame: keep it alive while it is set. */
} TavPipeline;

typedef struct TavFrameStats {
    uint64_t sum[3];          /* R, G, B over unsaturated 2x2 tiles, after black level, before gains */
    uint32_t tiles;           /* tiles summed */
    uint32_t saturated;       /* tiles left out because a sample was at the white point */
    uint32_t histogram[64];   /* output luma (8-bit) >> 2 */
} TavFrameStats;

/* Neutral settings: black 0, gains 1, identity matrix, linear curve, gamma
 * 1, no table. TAV_E_NULL_POINTER (line 801) for a null pointer. */
TAV_API TavStatus tavPipelineInit(TavPipeline* pipeline);

/* Sets the pipeline of later tavDemosaicing calls (copied, except the
 * shading table, which is read at each frame); NULL switches it off. A
 * refused setting leaves the previous one in place:
 *   null context                                   TAV_E_NULL_POINTER line 802
 *   NaN or infinite gain, matrix entry or gamma    TAV_E_UNSUPPORTED  line 803
 *   gain outside (0, 64]                           TAV_E_UNSUPPORTED  line 804
 *   matrix entry outside [-16, 16]                 TAV_E_UNSUPPORTED  line 805
 *   black level below 0 or above 65534             TAV_E_UNSUPPORTED  line 806
 *   unknown curve                                  TAV_E_UNSUPPORTED  line 807
 *   gamma outside [0.1, 10] with TAV_CURVE_GAMMA   TAV_E_UNSUPPORTED  line 808
 *   shading table mode other than 0 or 1           TAV_E_UNSUPPORTED  line 809
 *   no memory for the curve                        TAV_E_NO_MEMORY    line 810
 * At each frame, before anything is written, tavDemosaicing also refuses:
 *   a black level at or above the frame's white point TAV_E_UNSUPPORTED line 811
 *   a shading table of another height or width        TAV_E_SIZE        line 812
 *   a shading table whose mode word is no longer the one it had when set
 *                                                     TAV_E_UNSUPPORTED line 813
 *   no memory for the pass (the work buffer prints line 42 first)
 *                                                     TAV_E_NO_MEMORY   line 814
 * A frame the plain conversion refuses for its size is refused the same way.
 * With no pipeline the output is that of the plain conversion, byte for
 * byte; with one, 8-bit input rows are read where they lie (padded rows are
 * not compacted in the caller's buffer). */
TAV_API TavStatus tavDemosaicSetPipeline(TavContext* context, const TavPipeline* pipeline);

/* The statistics of the last frame tavDemosaicing converted with a pipeline;
 * all zero before the first such frame and after a frame converted without
 * one. TAV_E_NULL_POINTER (line 815) for a null pointer. */
TAV_API TavStatus tavDemosaicGetStats(const TavContext* context, TavFrameStats* stats);

TAV_EXTERN_C_END

#endif /* TAV_PIPELINE_H */

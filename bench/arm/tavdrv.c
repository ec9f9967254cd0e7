#define _POSIX_C_SOURCE 200809L
/* tavdrv CASE WIDTH HEIGHT ITERS: runs one libtavcore case ITERS times on a
 * deterministic frame (same scene generator as bench/bench_frames.h) and
 * prints the wall time of the loop (clock_gettime MONOTONIC) and a checksum.
 * Cases: nearest8, bilinear8, edge8, hq8, bilinear16, edge16, lsc12,
 * lsc12cell, lsc8, and the picture pipeline pipe8, pipe12p, pipe12pedge,
 * pipe12phq. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include "tavcore.h"

static uint32_t rngState = 1;
static uint32_t next(void) { rngState ^= rngState << 13; rngState ^= rngState >> 17; rngState ^= rngState << 5; return rngState; }
static uint32_t scene(int x, int y, int w, int h, int bits) {
    const uint32_t maxValue = (1u << bits) - 1u;
    const uint32_t ramp = (uint32_t)(((uint64_t)x * 3 + (uint64_t)y * 2) * maxValue / (uint64_t)(3 * w + 2 * h));
    const uint32_t v = ramp + (next() & (maxValue >> 4));
    return v > maxValue ? maxValue : v;
}
static double now(void) { struct timespec t; clock_gettime(CLOCK_MONOTONIC, &t); return t.tv_sec + t.tv_nsec * 1e-9; }

int main(int argc, char** argv) {
    if (argc < 5) { fprintf(stderr, "usage\n"); return 2; }
    const char* c = argv[1];
    const int w = atoi(argv[2]), h = atoi(argv[3]), iters = atoi(argv[4]);
    const size_t n = (size_t)w * h;
    uint8_t* f8 = malloc(n);
    uint16_t* f16 = malloc(n * 2);
    for (int y = 0; y < h; ++y) for (int x = 0; x < w; ++x) f8[(size_t)y * w + x] = (uint8_t)scene(x, y, w, h, 8);
    rngState = 1;
    for (int y = 0; y < h; ++y) for (int x = 0; x < w; ++x) f16[(size_t)y * w + x] = (uint16_t)scene(x, y, w, h, 12);
    uint8_t* out8 = calloc(n * 4, 1);
    uint16_t* out16 = calloc(n * 3, 2);
    uint16_t* lsc16 = calloc(n, 2);
    uint8_t* lsc8 = calloc(n, 1);
    /* shading table: per-pixel (mode 1) or per-cell (mode 0), gains ~1.0..1.5, offsets ~64 */
    const int cellMode = strstr(c, "cell") != NULL;
    const size_t words = cellMode ? (size_t)(h / 2) * (w / 2) : n;
    uint32_t* table = malloc((words + 3) * 4);
    table[0] = cellMode ? TAV_LSC_MODE_2X2 : TAV_LSC_MODE_PIXEL; table[1] = h; table[2] = w;
    rngState = 7;
    for (size_t i = 0; i < words; ++i) table[3 + i] = ((TAV_LSC_GAIN_ONE + (next() & 0xFFFF)) << TAV_LSC_GAIN_SHIFT) | 64u;
    TavContext* ctx = NULL; tavCreate(&ctx);
    TavDemosaicConfig cfg = {TAV_PIXEL_BGR8}; tavDemosaicSetConfig(ctx, &cfg);
    int method = -1;
    if (!strcmp(c, "nearest8")) method = 0;
    if (!strcmp(c, "bilinear8")) method = 1;
    if (!strcmp(c, "edge8")) method = 2;
    if (!strcmp(c, "hq8")) method = 3;
    int rc = 0;
    /* Picture pipeline, the settings of bench/bench_pipeline.cpp: pipe8 = BayerRG8 -> BGR8 bilinear with
       white balance, matrix and sRGB; pipe12p / pipe12pedge / pipe12phq = BayerRG12Packed -> BGRA8
       (bilinear / edge / hq) with black level 64 as well. Set up before the loop, so
       (count(3) - count(1)) / 2 is one frame. */
    const int is8 = !strcmp(c, "pipe8");
    uint8_t* packed = malloc(3 * (size_t)((w + 1) / 2) * h);
    if (!strncmp(c, "pipe", 4)) {
        TavPipeline p;
        tavPipelineInit(&p);
        const float gains[3] = {2.0f, 1.0f, 1.6f};
        const float m[9] = {1.62f, -0.41f, -0.21f, -0.28f, 1.49f, -0.21f, -0.06f, -0.47f, 1.53f};
        for (int k = 0; k < 4; ++k) p.blackLevel[k] = is8 ? 0 : 64;
        memcpy(p.whiteBalance, gains, sizeof gains);
        memcpy(p.colorMatrix, m, sizeof m);
        p.curve = TAV_CURVE_SRGB;
        rc |= tavDemosaicSetPipeline(ctx, &p);
        TavDemosaicConfig pc = {is8 ? TAV_PIXEL_BGR8 : TAV_PIXEL_BGRA8};
        rc |= tavDemosaicSetConfig(ctx, &pc);
        for (int y = 0; y < h; ++y) {  /* two 12-bit samples in three bytes, rows of 3 * ceil(w / 2) */
            uint8_t* row = packed + (size_t)y * 3 * ((w + 1) / 2);
            for (int x = 0; x < w; x += 2) {
                const uint16_t a = f16[(size_t)y * w + x], b = x + 1 < w ? f16[(size_t)y * w + x + 1] : 0;
                row[x / 2 * 3] = (uint8_t)(a >> 4);
                row[x / 2 * 3 + 1] = (uint8_t)((a & 15) | (b & 15) << 4);
                row[x / 2 * 3 + 2] = (uint8_t)(b >> 4);
            }
        }
    }
    const double t0 = now();
    for (int it = 0; it < iters; ++it) {
        if (method >= 0) {
            memcpy(lsc8, f8, 0); /* keep input untouched: tight rows, no compaction */
            TavImage in = {h, w, TAV_PIXEL_BAYER_RG8, f8, w};
            TavImage out = {0, 0, 0, out8, 0};
            rc |= tavDemosaicing(ctx, &in, method, &out);
        } else if (!strcmp(c, "bilinear16")) {
            rc |= tavDemosaicingBilinearU16(f16, h, w, out16);
        } else if (!strcmp(c, "edge16")) {
            rc |= (int)demosaicingEdgeRGGBU16(f16, h, w, out16);
        } else if (!strncmp(c, "lsc12", 5)) {
            TavImage in = {h, w, TAV_PIXEL_BAYER_RG12, (uint8_t*)f16, 2 * w};
            TavImage out = {h, w, TAV_PIXEL_BAYER_RG12, (uint8_t*)lsc16, 2 * w};
            rc |= tavLSCorrection(&in, &out, table);
        } else if (!strncmp(c, "lsc8", 4)) {
            TavImage in = {h, w, TAV_PIXEL_BAYER_RG8, f8, w};
            TavImage out = {h, w, TAV_PIXEL_BAYER_RG8, lsc8, w};
            rc |= tavLSCorrection(&in, &out, table);
        } else if (!strncmp(c, "pipe", 4)) {
            TavImage in = is8 ? (TavImage){h, w, TAV_PIXEL_BAYER_RG8, f8, w}
                              : (TavImage){h, w, TAV_PIXEL_BAYER_RG12_PACKED, packed, 3 * ((w + 1) / 2)};
            TavImage out = {0, 0, 0, out8, 0};
            const int32_t pipeMethod = strstr(c, "edge") ? TAV_METHOD_EDGE
                                       : strstr(c, "hq") ? TAV_METHOD_HQ : TAV_METHOD_BILINEAR;
            rc |= tavDemosaicing(ctx, &in, pipeMethod, &out);
        } else { fprintf(stderr, "unknown case\n"); return 2; }
    }
    const double t1 = now();
    uint64_t sum = 0;
    for (size_t i = 0; i < n * 3; ++i) sum = sum * 31 + out8[i] + out16[i];
    if (!strncmp(c, "pipe", 4) && !is8)  /* the fourth byte of BGRA8 */
        for (size_t i = n * 3; i < n * 4; ++i) sum = sum * 31 + out8[i];
    for (size_t i = 0; i < n; ++i) sum = sum * 31 + lsc8[i] + lsc16[i];
    printf("case=%s %dx%d iters=%d rc=%d loop_s=%.4f per_iter_ms=%.2f checksum=%016llx\n", c, w, h, iters, rc,
           t1 - t0, iters ? (t1 - t0) * 1e3 / iters : 0.0, (unsigned long long)sum);
    tavRelease(&ctx);
    free(packed);
    return rc != 0;
}

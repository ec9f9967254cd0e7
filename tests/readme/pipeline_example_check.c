/* Runs the README's rawToPicture on a grey scene seen by a sensor whose
 * green is twice as sensitive as red and 1.6 times as sensitive as blue,
 * above a black level of 64: grey-world gains of 2 and 1.6 must turn it
 * into a grey picture. The same frame through a neutral pipeline is green,
 * so a grey result shows the gains were taken from the statistics (within
 * 3 levels: the ramp puts each tile's greens a little above its red and
 * blue, which moves the gains by about 1 %). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tavcore.h"

TavStatus rawToPicture(uint8_t* raw, int32_t width, int32_t height, uint8_t* bgra);

enum { kWidth = 64, kHeight = 48 };

/* Raw sample at (x, y): a grey ramp from left to right, as each colour
 * site of an RG sensor sees it. */
static unsigned sampleAt(int x, int y) {
    const unsigned green = 800 + 40 * (unsigned)x; /* 800 .. 3320 above black */
    unsigned signal = green;
    if (y % 2 == 0 && x % 2 == 0) signal = green / 2;          /* red */
    if (y % 2 == 1 && x % 2 == 1) signal = green * 5 / 8;      /* blue: 1 / 1.6 */
    return 64 + signal;
}

static void packFrame(uint8_t* raw) {
    const int lineBytes = 3 * ((kWidth + 1) / 2);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; x += 2) {
            const unsigned a = sampleAt(x, y), b = sampleAt(x + 1, y);
            uint8_t* group = raw + y * lineBytes + x / 2 * 3;
            group[0] = (uint8_t)(a >> 4);
            group[1] = (uint8_t)((a & 15u) | (b & 15u) << 4);
            group[2] = (uint8_t)(b >> 4);
        }
    }
}

static int failures = 0;

static void expect(int condition, const char* what, int x, int y) {
    if (condition) return;
    if (failures++ < 10) printf("at (%d, %d): %s\n", x, y, what);
}

int main(void) {
    static uint8_t raw[kHeight * 3 * ((kWidth + 1) / 2)];
    static uint8_t picture[kHeight * kWidth * 4];
    packFrame(raw);
    memset(picture, 0xEE, sizeof picture);
    const TavStatus status = rawToPicture(raw, kWidth, kHeight, picture);
    if (status != TAV_OK) {
        printf("\nrawToPicture failed with status %d\n", (int)status);
        return EXIT_FAILURE;
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* px = picture + 4 * (y * kWidth + x);
            const int b = px[0], g = px[1], r = px[2];
            expect(abs(r - g) <= 3 && abs(b - g) <= 3, "not grey", x, y);
            expect(px[3] == 0, "alpha is not 0", x, y);
            /* sRGB lifts the darkest grey (800 of 4031) well above its linear 51. */
            expect(g >= 100, "too dark for sRGB", x, y);
        }
    }
    /* Brighter to the right: the ramp survives. */
    expect(picture[4 * (kWidth / 2) + 1] < picture[4 * (kWidth - 3) + 1], "no ramp", kWidth - 3, 0);
    if (failures) {
        printf("%d pixel checks failed\n", failures);
        return EXIT_FAILURE;
    }
    printf("README example: %dx%d BayerRG12Packed to a grey BGRA8 picture\n", kWidth, kHeight);
    return EXIT_SUCCESS;
}

/* Demosaics a synthetic 12-bit Bayer frame to RGB8 with libtavcore. */
#include <stdio.h>
#include <stdlib.h>

#include "tavcore.h"

#define WIDTH 64
#define HEIGHT 48

int main(void) {
    /* A BayerRG12 frame: one little-endian 16-bit word per sample, a
     * horizontal ramp on red sites and a vertical one on the others. */
    static uint8_t raw[WIDTH * HEIGHT * 2];
    static uint8_t rgb[WIDTH * HEIGHT * 3];
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            int red = (y % 2 == 0) && (x % 2 == 0);
            unsigned v = red ? (unsigned)(x * 4095 / (WIDTH - 1)) : (unsigned)(y * 4095 / (HEIGHT - 1));
            raw[2 * (y * WIDTH + x)] = (uint8_t)v;
            raw[2 * (y * WIDTH + x) + 1] = (uint8_t)(v >> 8);
        }
    }

    TavContext* context = NULL;
    TavStatus status = tavCreate(&context);
    if (status != TAV_OK) return EXIT_FAILURE;

    TavDemosaicConfig config = {TAV_PIXEL_RGB8};
    status = tavDemosaicSetConfig(context, &config);

    TavImage input = {HEIGHT, WIDTH, TAV_PIXEL_BAYER_RG12, raw, WIDTH * 2};
    TavImage output = {0, 0, 0, rgb, WIDTH * 3};
    if (status == TAV_OK) status = tavDemosaicing(context, &input, TAV_METHOD_BILINEAR, &output);
    tavRelease(&context);

    if (status != TAV_OK) {
        /* The library has printed its diagnostic line (no newline) to stdout. */
        printf("\ndemosaicing failed with status %d\n", (int)status);
        return EXIT_FAILURE;
    }
    const uint8_t* centre = rgb + 3 * ((HEIGHT / 2) * WIDTH + WIDTH / 2);
    printf("demosaiced %dx%d BayerRG12 to RGB8; centre pixel R=%u G=%u B=%u\n", output.width,
           output.height, centre[0], centre[1], centre[2]);
    return EXIT_SUCCESS;
}

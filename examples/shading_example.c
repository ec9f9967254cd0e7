/* Computes a lens shading table from a grey and a dark frame and corrects
 * the grey frame with it, once through libtavcore and once through the
 * flat-field interface of libtavffc. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tav_ffc.h"
#include "tav_lsc.h"

#define SIZE 64
#define WORDS (TAV_LSC_TABLE_HEADER_WORDS + SIZE * SIZE)

int main(void) {
    static float grey[SIZE * SIZE];
    static float dark[SIZE * SIZE];
    static uint16_t frame[SIZE * SIZE];
    static uint16_t viaCore[SIZE * SIZE];
    static uint16_t viaFfc[SIZE * SIZE];
    static TavLSCTable table[WORDS];

    /* A lens that loses a third of its light towards the corners. */
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            float dx = (x - SIZE / 2.0f) / SIZE, dy = (y - SIZE / 2.0f) / SIZE;
            int i = y * SIZE + x;
            dark[i] = 64.0f;
            grey[i] = 64.0f + 2000.0f * (1.0f - 0.66f * (dx * dx + dy * dy) * 2.0f);
            frame[i] = (uint16_t)(grey[i] + 0.5f);
        }
    }

    TavLSCInput input = {TAV_LSC_MODE_PIXEL, 12, SIZE, SIZE, grey, dark};
    TavStatus status = tavGetLSCParameter(&input, table);
    if (status != TAV_OK) {
        printf("\ntable failed with status %d\n", (int)status);
        return EXIT_FAILURE;
    }

    memcpy(viaCore, frame, sizeof frame);
    TavImage image = {SIZE, SIZE, TAV_PIXEL_MONO12, (uint8_t*)viaCore, SIZE * 2};
    status = tavLSCorrection(&image, &image, table);

    IMG_LSC_FFC_IMAGE request = {(uint8_t*)frame, table, (uint8_t*)viaFfc, SIZE, SIZE, TAV_PIXEL_MONO12};
    int32_t code = IMG_LSC_GetFFCImage(request);
    if (status != TAV_OK || code != IMG_LSC_OK || memcmp(viaCore, viaFfc, sizeof viaCore) != 0) {
        printf("\ncorrection failed: status %d, wrapper code %d\n", (int)status, (int)code);
        return EXIT_FAILURE;
    }
    printf("corner before %u, after %u; centre before %u, after %u\n", frame[0], viaCore[0],
           frame[SIZE * SIZE / 2 + SIZE / 2], viaCore[SIZE * SIZE / 2 + SIZE / 2]);
    return EXIT_SUCCESS;
}

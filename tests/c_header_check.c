/* Compiled as C99 only: every public C header must be usable from C. */
#include "tavcore.h"

int tav_c_header_check(void);
int tav_c_header_check(void) {
    TavImage image = {4, 4, TAV_PIXEL_BAYER_RG8, 0, 4};
    TavWorkBuffer buffer = {0, 0};
    TavDemosaicConfig config = {TAV_PIXEL_BGR8};
    (void)buffer;
    (void)config;
    return image.width == 4 ? TAV_OK : TAV_E_SIZE;
}

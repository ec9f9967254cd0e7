/* Compiled as C99 only: every public C header must be usable from C. */
#include "tavcore.h"

int tav_c_header_check(void);
int tav_c_header_check(void) {
    TavImage image = {4, 4, TAV_PIXEL_BAYER_RG8, 0, 4};
    TavWorkBuffer buffer = {0, 0};
    TavDemosaicConfig config = {TAV_PIXEL_BGR8};
    (void)buffer;
    (void)config;
    if (tavSetThreadDiagnostics(0, 0) != TAV_OK) return TAV_E_SIZE;
    return image.width == 4 ? TAV_OK : TAV_E_SIZE;
}

/* The wrapper header's plain interface is C as well. */
#include "tav_ffc.h"

int tav_c_ffc_header_check(void);
int tav_c_ffc_header_check(void) {
    IMG_LSC_BASIC_PARAM param = {0, 1, 12, 2, 64, 64, 0.0f, 0};
    return param.bits == 12 ? IMG_LSC_OK : IMG_LSC_E_ARGUMENT;
}

// The wrapper records' sizes and field offsets, pinned per architecture:
// they are passed by value, so on 32-bit ARM every field is one 32-bit word.
#include <stddef.h>

#include "tav_ffc.h"

#if defined(__arm__)
static_assert(sizeof(IMG_LSC_FFC_IMAGE) == 24, "IMG_LSC_FFC_IMAGE layout");
static_assert(offsetof(IMG_LSC_FFC_IMAGE, param) == 4 && offsetof(IMG_LSC_FFC_IMAGE, dstData) == 8 &&
                  offsetof(IMG_LSC_FFC_IMAGE, width) == 12 && offsetof(IMG_LSC_FFC_IMAGE, pixelType) == 20,
              "IMG_LSC_FFC_IMAGE layout");
static_assert(sizeof(IMG_LSC_BASIC_PARAM) == 32, "IMG_LSC_BASIC_PARAM layout");
static_assert(offsetof(IMG_LSC_BASIC_PARAM, height) == 20 && offsetof(IMG_LSC_BASIC_PARAM, darkLevel) == 24 &&
                  offsetof(IMG_LSC_BASIC_PARAM, grey) == 28,
              "IMG_LSC_BASIC_PARAM layout");
#elif defined(__x86_64__) || defined(__aarch64__)
static_assert(sizeof(IMG_LSC_FFC_IMAGE) == 40, "IMG_LSC_FFC_IMAGE layout");
static_assert(offsetof(IMG_LSC_FFC_IMAGE, param) == 8 && offsetof(IMG_LSC_FFC_IMAGE, dstData) == 16 &&
                  offsetof(IMG_LSC_FFC_IMAGE, width) == 24 && offsetof(IMG_LSC_FFC_IMAGE, pixelType) == 32,
              "IMG_LSC_FFC_IMAGE layout");
static_assert(sizeof(IMG_LSC_BASIC_PARAM) == 40, "IMG_LSC_BASIC_PARAM layout");
static_assert(offsetof(IMG_LSC_BASIC_PARAM, height) == 20 && offsetof(IMG_LSC_BASIC_PARAM, darkLevel) == 24 &&
                  offsetof(IMG_LSC_BASIC_PARAM, grey) == 32,
              "IMG_LSC_BASIC_PARAM layout");
#endif

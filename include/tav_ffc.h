/* Flat-field correction interface: the shading functions of libtavcore taking
 * plain values, with their status translated into small positive codes.
 * The three IMG_LSC_* operations are usable from C99; IMG_LSC_ErrorChange and
 * averageInput have C++ linkage and are declared for C++ only. */
#ifndef TAV_FFC_H
#define TAV_FFC_H

#include "tav_lsc.h"

/* Wrapper result codes. */
#define IMG_LSC_OK 0
#define IMG_LSC_E_ARGUMENT 1 /* invalid argument or null pointer */
#define IMG_LSC_E_FIT 2      /* the gain/offset fit failed */
#define IMG_LSC_E_OTHER 3    /* anything else, including failed allocation */
#define IMG_LSC_E_FORMAT 4   /* pixel type not handled */

/* One frame to correct. On 32-bit ARM every field is 32 bits; elsewhere the
 * pointers keep their natural size. */
typedef struct IMG_LSC_FFC_IMAGE {
    uint8_t* srcData;         /* raw input samples, rows packed */
    const TavLSCTable* param; /* parameter table */
    uint8_t* dstData;         /* output samples; may equal srcData */
    int32_t width;
    int32_t height;
    int32_t pixelType;        /* PFNC code of input and output */
} IMG_LSC_FFC_IMAGE;

/* Block record request. Note the order: darkLevel precedes grey here. */
typedef struct IMG_LSC_BASIC_PARAM {
    uint32_t mode;       /* must be 0 */
    uint32_t smallBlock; /* nonzero: blocks 16 columns wide, zero: 32 */
    uint32_t bits;       /* 8, 10 or 12 */
    uint32_t selector;   /* 2, 3 or 4 */
    int32_t width;
    int32_t height;
    float darkLevel;     /* uniform dark level */
    const float* grey;   /* grey frame */
} IMG_LSC_BASIC_PARAM;

TAV_EXTERN_C_BEGIN

TAV_API int32_t IMG_LSC_GetFFCParameter(const TavLSCInput* input, TavLSCTable* table);
TAV_API int32_t IMG_LSC_ImportParam(IMG_LSC_BASIC_PARAM param, uint8_t* records);
TAV_API int32_t IMG_LSC_GetFFCImage(IMG_LSC_FFC_IMAGE image);

TAV_EXTERN_C_END

#ifdef __cplusplus
/* Wrapper code of a nonzero TavStatus. */
TAV_API int IMG_LSC_ErrorChange(int status);
/* out[i] = sums[i] / divisor in float: turns accumulated frames into the
 * float frames a TavLSCInput expects. Returns 0. */
TAV_API int averageInput(unsigned int* sums, unsigned int count, float* out, int divisor);
#endif

#endif /* TAV_FFC_H */

/* Lens shading correction: parameter tables, block records and correction.
 * Usable from C99 and C++.
 *
 * Model: corrected = (raw - B) * K, with B the dark level of a pixel and K
 * the gain that brings its light response (grey - dark) to the frame mean. */
#ifndef TAV_LSC_H
#define TAV_LSC_H

#include "tav_types.h"

TAV_EXTERN_C_BEGIN

/* Table modes. */
#define TAV_LSC_MODE_2X2 0u   /* one parameter word per 2x2 cell */
#define TAV_LSC_MODE_PIXEL 1u /* one parameter word per pixel */

/* Grey and dark frames from which tavGetLSCParameter computes a table. */
typedef struct TavLSCInput {
    uint32_t mode;     /* TAV_LSC_MODE_2X2 or TAV_LSC_MODE_PIXEL */
    uint32_t bits;     /* depth of the frames to correct (8, 10, 12): scales the dark offset */
    int32_t width;     /* at least 32 and even */
    int32_t height;    /* at least 32 and even */
    const float* grey; /* width * height samples, row stride exactly width */
    const float* dark; /* same shape and scale as grey */
} TavLSCInput;

/* A parameter table is an array of 32-bit words in native byte order:
 *   word 0 mode, word 1 height, word 2 width, then the parameter words
 *   (mode 1: height * width, row-major; mode 0: (height/2) * (width/2), one per
 *   2x2 cell, cell rows top to bottom and cells left to right).
 * Parameter word: bits 31..12 gain K * 2^17 (0..0xFFFFF), bits 11..0 dark
 * offset on a 12-bit scale. */
typedef uint32_t TavLSCTable;

#define TAV_LSC_TABLE_HEADER_WORDS 3
#define TAV_LSC_GAIN_SHIFT 12
#define TAV_LSC_GAIN_ONE 0x20000u   /* K = 1.0 in the gain field */
#define TAV_LSC_GAIN_MAX 0xFFFFFu
#define TAV_LSC_OFFSET_MASK 0xFFFu

/* Grey frame and uniform dark level from which tavGetBasicLSCParameter
 * computes one 3-byte record per block of 16 rows by 16 or 32 columns. */
typedef struct TavBasicLSCInput {
    uint32_t mode;       /* must be 0 */
    uint32_t bits;       /* 8, 10 or 12 */
    uint32_t selector;   /* 2, 3 or 4 */
    int32_t width;       /* at least 32 */
    int32_t height;      /* at least 32 */
    int32_t blockWidth;  /* 16 or 32 */
    int32_t blockHeight; /* 16 */
    const float* grey;   /* width * height samples, row stride exactly width */
    float darkLevel;     /* one dark level for the whole frame */
} TavBasicLSCInput;

/* Block record, 24 bits big-endian: 13-bit gain code (K * 4096, 8191 for
 * 2.0 and above) then an 11-bit two's-complement offset code in units of
 * 2^(bits - 11) raw levels. */
#define TAV_LSC_RECORD_BYTES 3

/* ---- per-pixel and per-2x2 parameter table ---- */
TAV_API TavStatus tavGetLSCParameter(const TavLSCInput* input, TavLSCTable* table);

/* Mean of each 2x2 cell of both frames into (height/2) * (width/2) floats.
 * Negative sizes return TAV_E_SIZE and write nothing. */
TAV_API TavStatus dataInit2x2(const float* dark, const float* grey, int32_t height, int32_t width,
                              float* blockDark, float* blockGrey);
/* Mean over count elements of grey - dark. */
TAV_API double getTargetLSCMono(const float* dark, const float* grey, int32_t count);
/* One parameter word per element. */
TAV_API TavStatus getLSCKBMono(const float* dark, const float* grey, int32_t count, uint32_t bits,
                               uint32_t* words, double target);

/* ---- block records ---- */
TAV_API TavStatus tavGetBasicLSCParameter(const TavBasicLSCInput* input, uint8_t* records);

/* Mean of each block. Reads rows 0 .. height-1 only: a block layout that
 * needs more rows, is wider than stride, has empty blocks or any negative
 * size returns TAV_E_SIZE and writes nothing. */
TAV_API TavStatus grayDataInit(const float* frame, int32_t height, int32_t stride, int32_t blockWidth,
                               int32_t blockHeight, int32_t blockRows, int32_t blocksPerRow,
                               int32_t divisor, float* out);
/* One 3-byte record per element. */
TAV_API TavStatus getLSCKBMono_REGION(const float* dark, const float* grey, int32_t count, uint32_t bits,
                                      uint8_t* records, double target, float darkLevel);

/* ---- correction ---- */
/* Corrects an 8-, 10- or 12-bit raw frame (rows packed, stride = width);
 * output->data may equal input->data. 10- and 12-bit frames may start at any
 * address. Of the output descriptor only data is read: the caller sizes the
 * output buffer for the input's height, width and depth, as with
 * tavDemosaicing, and its other fields are neither read nor written. */
TAV_API TavStatus tavLSCorrection(const TavImage* input, const TavImage* output, const TavLSCTable* table);

/* Sample depth of a pixel type (8, 10 or 12), or TAV_E_PIXEL_TYPE. */
TAV_API int32_t getBits(TavPixelType pixelType);
/* words points at table word 3; height and width are the table's. */
TAV_API TavStatus LSCcorrect8_2x2(const uint8_t* source, uint8_t* destination, uint32_t mode,
                                  const uint32_t* words, int32_t height, int32_t width);
TAV_API TavStatus LSCcorrect16_2x2(const uint16_t* source, uint16_t* destination, uint32_t mode,
                                   const uint32_t* words, int32_t height, int32_t width, int32_t depth);

TAV_EXTERN_C_END

#endif /* TAV_LSC_H */

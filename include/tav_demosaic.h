/* Demosaicing context, the demosaic entry, input normalisation, the Bayer
 * converters and the two output helpers of libtavcore. Usable from C99 and C++. */
#ifndef TAV_DEMOSAIC_H
#define TAV_DEMOSAIC_H

#include "tav_types.h"

TAV_EXTERN_C_BEGIN

/* Growable scratch memory owned by a context. capacity > 0 exactly when
 * buffer is non-null. */
typedef struct TavWorkBuffer {
    uint8_t* buffer;
    int32_t capacity;
} TavWorkBuffer;

/* Opaque per-stream context: the configured output type and a work buffer.
 * One context must be used by one thread at a time. */
typedef struct TavContext TavContext;

typedef struct TavDemosaicConfig {
    TavPixelType outputType; /* one of the seven output codes, all 64 bits */
} TavDemosaicConfig;

/* Method selector of tavDemosaicing. */
#define TAV_METHOD_NEAREST 0
#define TAV_METHOD_BILINEAR 1
#define TAV_METHOD_EDGE 2
#define TAV_METHOD_HQ 3

/* The high-quality method (TAV_METHOD_HQ), per pixel, in integers only:
 * every shift floors (arithmetic shift after adding half), so the result is
 * the same on every instruction set. P is the mosaic, M the largest sample
 * value (255 for 8-bit output; 16383 inside the picture pipeline). Every
 * plane below is computed for the frame's own rows and columns and read by
 * the next step with mirrored indices (-1 reads 1, -3 reads 3, n reads n-2,
 * n+2 reads n-4); no step reads more than 3 beyond an edge, so frames of
 * 4x4 and up are taken. C is the colour of a red or blue site's row or column.
 *
 * 1. Colour differences along the row, at every site:
 *      e  = 9(P[x-1] + P[x+1]) - P[x-3] - P[x+3] + 2P - P[x-2] - P[x+2]
 *      dH = e - 16P at a red or blue site, 16P - e at a green site
 *    (16 x (G - C)); dV likewise along the column.
 * 2. Their gradients: gH = |dH[x-1] - dH[x+1]|, gV = |dV[y-1] - dV[y+1]|.
 * 3. Green at a red or blue site (a green site keeps P):
 *      DH = the sum of gH over the 5x5 window around the site; DV likewise
 *      sH = dH[x-1] + 2dH + dH[x+1];  sV = dV[y-1] + 2dV + dV[y+1]
 *      s  = 2sH if 9DH < 8DV, else 2sV if 9DV < 8DH, else sH + sV
 *      G  = clamp(P + ((s + 64) >> 7), 0, M)
 * 4. Red and blue, with D = P - G at the sites of each colour:
 *    a. at a green site, from the row when its horizontal neighbours are C,
 *       else from the column:
 *         c = 9(D[x-1] + D[x+1]) - D[x-3] - D[x+3];  C = clamp(G + ((c + 8) >> 4), 0, M)
 *    b. at a site of the other colour (C on its four diagonals):
 *         g1 = |G(-1,-1) - G(1,1)| + |D(-1,-1) - D(1,1)| + |2G - G(-2,-2) - G(2,2)|
 *         g2 = the same along (1,-1), (-1,1), (2,-2), (-2,2)      [(dx,dy)]
 *         c  = 4(9(D(-1,-1) + D(1,1)) - D(-3,-3) - D(3,3))   if 2g1 < g2
 *              4(9(D(1,-1) + D(-1,1)) - D(3,-3) - D(-3,3))   else if 2g2 < g1
 *              22 S4 - 3 S8                                   otherwise,
 *         S4 the sum of D at the four diagonal neighbours, S8 at (+-1,+-3)
 *         and (+-3,+-1); C = clamp(G + ((c + 32) >> 6), 0, M)
 *    A site keeps its own sample for its own colour. */

/* ---- context lifecycle and configuration ---- */
TAV_API TavStatus tavCreate(TavContext** handle);
TAV_API void tavInit(TavContext* context);
/* Releases the context and its work buffer and nulls *handle. A handle
 * variable that already holds null is left alone and 0 is returned. */
TAV_API TavStatus tavRelease(TavContext** handle);
/* Makes workBuffer hold at least size bytes: a larger size replaces the
 * block (old contents dropped) with one of exactly size bytes. Null
 * workBuffer: TAV_E_NULL_POINTER without a diagnostic. */
TAV_API TavStatus tavMemRealloc(TavWorkBuffer* workBuffer, int32_t size);
TAV_API TavStatus tavDemosaicSetConfig(TavContext* context, const TavDemosaicConfig* config);
TAV_API TavStatus tavDemosaicGetConfig(const TavContext* context, TavDemosaicConfig* config);
/* Most threads tavDemosaicing may use for one frame: 1 (the default) runs on
 * the caller's thread only, N > 1 adds up to N - 1 workers kept by the
 * context, 0 means the number of online processors (at most 64 threads in
 * all). Workers start on first use and are joined by tavRelease; frames with
 * less than 256 KiB of output stay on the caller's thread. The output does
 * not depend on N. A null context gives TAV_E_NULL_POINTER (line 78), a
 * negative count TAV_E_SIZE (line 79). */
TAV_API TavStatus tavDemosaicSetThreads(TavContext* context, int32_t threads);

/* ---- demosaic entry ----
 * Demosaics input into output->data (sized by the caller for the configured
 * output type). 8-bit input with padded rows is compacted in place in the
 * caller's input buffer. On success writes output->height, width, pixelType;
 * on failure the output descriptor is unchanged. lineBytes shorter than a row
 * of the input's storage is refused with TAV_E_SIZE. Grey input ignores
 * method; Bayer input with a method other than 0, 1, 2, 3 gives
 * TAV_E_UNSUPPORTED. */
TAV_API TavStatus tavDemosaicing(TavContext* context, TavImage* input, int32_t method,
                                 TavImage* output);

/* Classifies input->pixelType into an 8-bit base type and a conversion code
 * (0 none; 2, 4, 6, 8 shift right; -1 unpack). Returns 0, or TAV_E_PIXEL_TYPE
 * leaving the sign-extended input type and 0 in the results; context is not
 * used. TAV_E_NULL_POINTER when input or a result pointer is null. */
TAV_API TavStatus demosaicDataInit(const TavImage* input, TavContext* context,
                                   int64_t* baseType, int32_t* conversion);

/* Normalisation to tightly packed 8-bit rows. 16-bit samples are read as
 * little-endian byte pairs, so sources need no alignment; each output byte is
 * the low 8 bits of (sample >> shift). Packed input keeps bytes 0 and 2 of
 * every 3-byte group; an odd sample count writes its last sample alone.
 * No status: nothing is done for an empty or negative frame, a frame of more
 * than INT32_MAX samples, a shift outside 0..15, a null pointer, or a
 * lineBytes too short for a row (16-bit: 2 x width; packed: 3 x ceil(width/2);
 * 8-bit: width). u16Tou8 starts row r at r x (lineBytes rounded down to even).
 * u8Tou8 may run in place (destination == source). */
TAV_API void u16Tou8_old(const uint8_t* source, int32_t height, int32_t width, int32_t shift,
                         uint8_t* destination);
TAV_API void u16Tou8(const uint8_t* source, int32_t height, int32_t width, int32_t lineBytes,
                     int32_t shift, uint8_t* destination);
TAV_API void u8Tou8(const uint8_t* source, int32_t height, int32_t width, int32_t lineBytes,
                    uint8_t* destination);
TAV_API void unpacked_old(const uint8_t* source, int32_t height, int32_t width,
                          uint8_t* destination);
TAV_API void unpacked(const uint8_t* source, int32_t height, int32_t width, int32_t lineBytes,
                      uint8_t* destination);

/* Grey input to any of the seven output types. TAV_E_UNSUPPORTED for another
 * output type; TAV_E_SIZE for a negative side or a frame of more than
 * INT32_MAX pixels; TAV_E_NULL_POINTER for a null buffer; nothing is written
 * on failure. An empty frame succeeds and writes nothing. */
TAV_API TavStatus mono8Convert(const uint8_t* source, uint8_t* destination, int32_t height,
                               int32_t width, int64_t outputType);

/* Bayer converters: pick the kernel for method and output type and return
 * its status. Nothing is written and no diagnostic is printed when they
 * return TAV_E_UNSUPPORTED (an output type outside the seven codes, or a
 * method other than 0, 1, 2), TAV_E_SIZE (a side <= 0 or more than INT32_MAX
 * pixels) or TAV_E_NULL_POINTER (null frame or destination; null scratch for
 * the edge-directed grey and planar kernels, which use it as line memory of
 * at least width bytes). A method whose kernels are not built into this
 * library returns the kernels' own TAV_E_UNSUPPORTED. */
TAV_API TavStatus rg8Convert(const uint8_t* frame, uint8_t* destination, int32_t height,
                             int32_t width, int64_t outputType, int32_t method, uint8_t* scratch);
TAV_API TavStatus gr8Convert(const uint8_t* frame, uint8_t* destination, int32_t height,
                             int32_t width, int64_t outputType, int32_t method, uint8_t* scratch);
TAV_API TavStatus gb8Convert(const uint8_t* frame, uint8_t* destination, int32_t height,
                             int32_t width, int64_t outputType, int32_t method, uint8_t* scratch);
TAV_API TavStatus bg8Convert(const uint8_t* frame, uint8_t* destination, int32_t height,
                             int32_t width, int64_t outputType, int32_t method, uint8_t* scratch);

/* ---- output helpers ---- */
/* Pads each 3-byte-per-pixel row in place to a multiple of 4 bytes (BMP rows). */
TAV_API TavStatus tavBMPAdjust(TavContext* context, TavImage* image);
/* 3 bytes per pixel to 4 bytes per pixel with a zero fourth byte. */
TAV_API void bgrToBgra(const uint8_t* source, int32_t height, int32_t width, uint8_t* destination);

TAV_EXTERN_C_END

#endif /* TAV_DEMOSAIC_H */

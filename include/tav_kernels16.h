/* 16-bit demosaicing: bilinear RGGB entry points with their region routines,
 * and the edge-directed kernels for the four Bayer orders. Samples are
 * unsigned 16-bit words, rows stored back to back (stride = width samples). */
#ifndef TAV_KERNELS16_H
#define TAV_KERNELS16_H

#include "tav_types.h"

TAV_EXTERN_C_BEGIN

/* Where a body routine stopped: the first column and the first row that it
 * did not write (handed to the last-columns and last-rows routines). */
typedef struct TavBodyExtent {
    int32_t column;
    int32_t row;
} TavBodyExtent;

/* Where the edge-directed interior stopped: the first column it did not
 * process (absolute), and the number of rows it processed from its first. */
typedef struct TavEdgeExtent {
    int32_t column;
    int32_t rows;
} TavEdgeExtent;

/* ---- Bilinear, RGGB input ------------------------------------------------
 * Interleaved output: 3 samples per pixel, B,G,R (the entry point); the
 * routines take an order flag: 1 gives R,G,B, any other value B,G,R.
 * Planar output: B plane, G plane, R plane of width*height samples each. */
TAV_API TavStatus tavDemosaicingBilinearU16(const uint16_t* source, int32_t height, int32_t width,
                                            uint16_t* destination);
TAV_API TavStatus tavDemosaicingBilinearU16P(const uint16_t* source, int32_t height, int32_t width,
                                             uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane);

/* ---- Bilinear, any Bayer order --------------------------------------------
 * The order names the first two samples of the first row. Results, output
 * layouts, checks and diagnostics are those of the RGGB entry points above
 * (which TAV_BAYER_ORDER_RG calls); the other orders give what the RGGB entry
 * gives on the frame with a mirrored row above (GB, BG) and/or a mirrored
 * column in front (GR, BG), cropped back, without any copy. An order outside
 * 0..3 is refused with TAV_E_UNSUPPORTED (lines 198, 219) after the pointer
 * and size checks. */
#define TAV_BAYER_ORDER_RG 0
#define TAV_BAYER_ORDER_GR 1
#define TAV_BAYER_ORDER_GB 2
#define TAV_BAYER_ORDER_BG 3
TAV_API TavStatus tavDemosaicingBilinearU16Order(const uint16_t* source, int32_t height, int32_t width,
                                                 int32_t order, uint16_t* destination);
TAV_API TavStatus tavDemosaicingBilinearU16POrder(const uint16_t* source, int32_t height, int32_t width,
                                                  int32_t order, uint16_t* bPlane, uint16_t* gPlane,
                                                  uint16_t* rPlane);

/* Unchecked apart from refusing null pointers, sizes below 4 and frames
 * too large for 32-bit sample counts (TAV_E_NULL_POINTER / TAV_E_SIZE,
 * nothing printed); 0 otherwise. */
TAV_API int32_t demosaicingBilinearRGGBU16(const uint16_t* source, int32_t height, int32_t width,
                                           uint16_t* destination);
TAV_API int32_t demosaicingBilinearRGGBU16P(const uint16_t* source, int32_t height, int32_t width,
                                            uint16_t* bPlane, uint16_t* gPlane, uint16_t* rPlane);

TAV_API void bilinearFirstRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t width,
                                      uint32_t order);
TAV_API void bilinearFirstRowsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane,
                                       uint16_t* rPlane, int32_t width, uint32_t order);
TAV_API void bilinearFirstColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height,
                                      int32_t width, uint32_t order);
TAV_API void bilinearFirstColsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane,
                                       uint16_t* rPlane, int32_t height, int32_t width, uint32_t order);
TAV_API TavBodyExtent bilinearBodyRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height,
                                          int32_t width, uint32_t order);
TAV_API TavBodyExtent bilinearBodyRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane,
                                           uint16_t* rPlane, int32_t height, int32_t width, uint32_t order);
TAV_API void bilinearLastRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height,
                                     int32_t width, int32_t startRow, uint32_t order);
TAV_API void bilinearLastRowsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane,
                                      uint16_t* rPlane, int32_t height, int32_t width, int32_t startRow,
                                      uint32_t order);
TAV_API void bilinearLastColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height,
                                     int32_t width, int32_t startColumn, uint32_t order);
TAV_API void bilinearLastColsRGGBU16P(const uint16_t* source, uint16_t* bPlane, uint16_t* gPlane,
                                      uint16_t* rPlane, int32_t height, int32_t width, int32_t startColumn,
                                      uint32_t order);

/* ---- Edge-directed, any Bayer order ---------------------------------------
 * Interleaved B,G,R output, values clamped to 0..65535. Return 0, or the bit
 * pattern of TAV_E_NULL_POINTER / TAV_E_SIZE (width below 5, height below 6
 * for RG/GR and 7 for GB/BG order, or a frame too large); nothing printed. */
TAV_API uint32_t demosaicingEdgeRGGBU16(const uint16_t* source, int32_t height, int32_t width,
                                        uint16_t* destination);
TAV_API uint32_t demosaicingEdgeGRBGU16(const uint16_t* source, int32_t height, int32_t width,
                                        uint16_t* destination);
TAV_API uint32_t demosaicingEdgeGBRGU16(const uint16_t* source, int32_t height, int32_t width,
                                        uint16_t* destination);
TAV_API uint32_t demosaicingEdgeBGGRU16(const uint16_t* source, int32_t height, int32_t width,
                                        uint16_t* destination);

/* Region routines, called in this order: first rows, first columns,
 * interior, last rows, last columns. The GB and BG orders pass the first-
 * columns and last-columns routines the frame from row 1 (height - 1), so
 * that every routine but first rows sees red on its even rows. The phase
 * (2 or 3) is the column of the first red site of the interior; `maximum`
 * is the clamp bound (at most 65535). Green estimates are read back from
 * channel 1 of the destination where earlier routines stored them. The
 * first-rows routines read rows 0 to 3 (GBRG: 0 to 4); the interior reads
 * from two rows above its first row to two rows below its last. Invalid
 * sizes or phases write nothing. */
TAV_API void edgeFirstRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t width, int32_t phase,
                                  int32_t maximum);
TAV_API void edgeFirstRowsGBRGU16(const uint16_t* source, uint16_t* destination, int32_t width, int32_t phase,
                                  int32_t maximum);
TAV_API void edgeFirstColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                                  int32_t maximum);
TAV_API void edgeFirstColsGRBGU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                                  int32_t maximum);
TAV_API TavEdgeExtent edgeSecRGGBU16(const uint16_t* source, uint16_t* destination, int32_t rowCount,
                                     int32_t width, int32_t phase, int32_t maximum);
TAV_API void edgeLastRowsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                                 int32_t startRow, int32_t phase, int32_t maximum);
TAV_API void edgeLastColsRGGBU16(const uint16_t* source, uint16_t* destination, int32_t height, int32_t width,
                                 int32_t startColumn, int32_t maximum);

TAV_EXTERN_C_END

#endif /* TAV_KERNELS16_H */

/* 8-bit demosaicing kernels. Frames are tightly packed (stride = width);
 * output layouts: Bgr8 3 bytes/pixel, Bgra8 4 bytes/pixel with byte 3 = 0,
 * Bgr8P three planes (plane 0 gets the colour at the red position of the
 * kernel's phase), Mono8 grey with weights 77/150/29.
 * Order flag 0: colour at the red position to byte 2 (B,G,R); nonzero: byte 0.
 * Usable from C99 and C++. */
#ifndef TAV_KERNELS_H
#define TAV_KERNELS_H

#include "tav_types.h"

TAV_EXTERN_C_BEGIN

/* ---- nearest neighbour (frames of at least 4 x 4; smaller sizes write
 * nothing and return (uint32_t)TAV_E_SIZE, null buffers likewise with
 * (uint32_t)TAV_E_NULL_POINTER) ---- */
TAV_API uint32_t rg8ToBgr8_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                   uint8_t* destination, uint32_t orderFlag);
TAV_API uint32_t gb8ToBgr8_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                   uint8_t* destination, uint32_t orderFlag);
TAV_API uint32_t rg8ToBgra8_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                    uint8_t* destination, uint32_t orderFlag);
TAV_API uint32_t gb8ToBgra8_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                    uint8_t* destination, uint32_t orderFlag);
TAV_API uint32_t rg8ToBgr8P_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                    uint8_t* plane0, uint8_t* plane1, uint8_t* plane2);
TAV_API uint32_t gb8ToBgr8P_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                    uint8_t* plane0, uint8_t* plane1, uint8_t* plane2);
TAV_API uint32_t rg8ToMono8_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                    uint8_t* destination, uint32_t orderFlag);
TAV_API uint32_t gb8ToMono8_nearest(const uint8_t* source, uint32_t height, uint32_t width,
                                    uint8_t* destination, uint32_t orderFlag);

/* ---- bilinear (frames of at least 4 x 4; smaller sizes write nothing and
 * return TAV_E_SIZE). Interleaved kernels write B, G, R for their own phase. ---- */
TAV_API int32_t rg8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                   uint8_t* destination);
TAV_API int32_t bg8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                   uint8_t* destination);
TAV_API int32_t gr8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                   uint8_t* destination);
TAV_API int32_t gb8ToBgr8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                   uint8_t* destination);
TAV_API int32_t rg8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    uint8_t* destination);
TAV_API int32_t bg8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    uint8_t* destination);
TAV_API int32_t gr8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    uint8_t* destination);
TAV_API int32_t gb8ToBgra8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    uint8_t* destination);
TAV_API int32_t rg8ToBgr8P_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    uint8_t* plane0, uint8_t* plane1, uint8_t* plane2);
TAV_API int32_t gr8ToBgr8P_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    uint8_t* plane0, uint8_t* plane1, uint8_t* plane2);
TAV_API int32_t rg8ToMono8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    const int32_t* weights, uint8_t* destination);
TAV_API int32_t gr8ToMono8_bilinear(const uint8_t* frame, int32_t height, int32_t width,
                                    const int32_t* weights, uint8_t* destination);

/* ---- edge-directed (frames of at least 6 x 6; smaller sizes, and sizes
 * whose output byte count overflows 32 bits, print the kernel's diagnostic
 * and return TAV_E_SIZE; null buffers then print it and return
 * TAV_E_NULL_POINTER). Bgr8/Bgra8 use the last width bytes of their own
 * output as line memory; Bgr8P/Mono8 use workBuffer (at least width
 * bytes). ---- */
TAV_API int32_t rg8ToBgr8_edge(const uint8_t* source, int32_t height, int32_t width,
                               uint8_t* destination, uint32_t orderFlag);
TAV_API int32_t gb8ToBgr8_edge(const uint8_t* source, int32_t height, int32_t width,
                               uint8_t* destination, uint32_t orderFlag);
TAV_API int32_t rg8ToBgra8_edge(const uint8_t* source, int32_t height, int32_t width,
                                uint8_t* destination, uint32_t orderFlag);
TAV_API int32_t gb8ToBgra8_edge(const uint8_t* source, int32_t height, int32_t width,
                                uint8_t* destination, uint32_t orderFlag);
TAV_API int32_t rg8ToBgr8P_edge(const uint8_t* source, int32_t height, int32_t width,
                                uint8_t* plane0, uint8_t* plane1, uint8_t* plane2,
                                uint8_t* workBuffer);
TAV_API int32_t gb8ToBgr8P_edge(const uint8_t* source, int32_t height, int32_t width,
                                uint8_t* plane0, uint8_t* plane1, uint8_t* plane2,
                                uint8_t* workBuffer);
TAV_API int32_t rg8ToMono8_edge(const uint8_t* source, int32_t height, int32_t width,
                                uint8_t* destination, uint32_t orderFlag, uint8_t* workBuffer);
TAV_API int32_t gb8ToMono8_edge(const uint8_t* source, int32_t height, int32_t width,
                                uint8_t* destination, uint32_t orderFlag, uint8_t* workBuffer);

TAV_EXTERN_C_END

#endif /* TAV_KERNELS_H */

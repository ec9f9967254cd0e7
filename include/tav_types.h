/* Status codes, pixel type codes and the frame descriptor shared by every
 * libtavcore interface. Usable from C99 and C++. */
#ifndef TAV_TYPES_H
#define TAV_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
#define TAV_EXTERN_C_BEGIN extern "C" {
#define TAV_EXTERN_C_END }
#else
#define TAV_EXTERN_C_BEGIN
#define TAV_EXTERN_C_END
#endif

/* Everything is built with hidden visibility; only functions marked TAV_API
 * are exported from the shared library. */
#if defined(__GNUC__)
#define TAV_API __attribute__((visibility("default")))
#else
#define TAV_API
#endif

/* Result of every tav* function: 0 or one of the negative codes below. */
typedef int32_t TavStatus;

#define TAV_OK 0
#define TAV_E_LSC_FIT (-101)       /* the shading gain/offset fit failed */
#define TAV_E_PIXEL_TYPE (-102)    /* input pixel type not accepted */
#define TAV_E_SIZE (-104)          /* size too small, too large or inconsistent */
#define TAV_E_UNSUPPORTED (-107)   /* output type, mode or parameter not supported */
#define TAV_E_NULL_POINTER (-111)  /* a required pointer is null */
#define TAV_E_NO_MEMORY (-117)     /* an allocation failed */

/* GenICam PFNC pixel type code. 32 bits in a TavImage; configured output
 * types are held in 64 bits and always compared in all 64 bits. */
typedef int64_t TavPixelType;

/* Input pixel types accepted by tavDemosaicing. */
#define TAV_PIXEL_MONO8 0x01080001
#define TAV_PIXEL_MONO10 0x01100003
#define TAV_PIXEL_MONO12 0x01100005
#define TAV_PIXEL_MONO14 0x01100025
#define TAV_PIXEL_MONO16 0x01100007
#define TAV_PIXEL_MONO10_PACKED 0x010C0004
#define TAV_PIXEL_MONO12_PACKED 0x010C0006
#define TAV_PIXEL_BAYER_GR8 0x01080008
#define TAV_PIXEL_BAYER_RG8 0x01080009
#define TAV_PIXEL_BAYER_GB8 0x0108000A
#define TAV_PIXEL_BAYER_BG8 0x0108000B
#define TAV_PIXEL_BAYER_GR10 0x0110000C
#define TAV_PIXEL_BAYER_RG10 0x0110000D
#define TAV_PIXEL_BAYER_GB10 0x0110000E
#define TAV_PIXEL_BAYER_BG10 0x0110000F
#define TAV_PIXEL_BAYER_GR12 0x01100010
#define TAV_PIXEL_BAYER_RG12 0x01100011
#define TAV_PIXEL_BAYER_GB12 0x01100012
#define TAV_PIXEL_BAYER_BG12 0x01100013
#define TAV_PIXEL_BAYER_GR16 0x0110002E
#define TAV_PIXEL_BAYER_RG16 0x0110002F
#define TAV_PIXEL_BAYER_GB16 0x01100030
#define TAV_PIXEL_BAYER_BG16 0x01100031
#define TAV_PIXEL_BAYER_GR10_PACKED 0x010C0026
#define TAV_PIXEL_BAYER_RG10_PACKED 0x010C0027
#define TAV_PIXEL_BAYER_GB10_PACKED 0x010C0028
#define TAV_PIXEL_BAYER_BG10_PACKED 0x010C0029
#define TAV_PIXEL_BAYER_GR12_PACKED 0x010C002A
#define TAV_PIXEL_BAYER_RG12_PACKED 0x010C002B
#define TAV_PIXEL_BAYER_GB12_PACKED 0x010C002C
#define TAV_PIXEL_BAYER_BG12_PACKED 0x010C002D

/* Output pixel types (the only values a context accepts as its output). */
#define TAV_PIXEL_RGB8 0x02180014
#define TAV_PIXEL_BGR8 0x02180015
#define TAV_PIXEL_RGBA8 0x02200016
#define TAV_PIXEL_BGRA8 0x02200017
#define TAV_PIXEL_RGB8_PLANAR 0x02180021
#define TAV_PIXEL_BGR8_PLANAR 0x02180025
/* Mono8 output uses TAV_PIXEL_MONO8. */

/* One frame. The library never allocates or frees a descriptor or its data. */
typedef struct TavImage {
    int32_t height;    /* rows */
    int32_t width;     /* pixels per row */
    int32_t pixelType; /* PFNC code of the samples in data */
    uint8_t* data;     /* first byte of the first row (caller's buffer) */
    int32_t lineBytes; /* bytes from the start of one row to the next */
} TavImage;

TAV_EXTERN_C_BEGIN

/* Diagnostics of the calling thread. Failing calls print "error line = [N]"
 * (and the shading functions a fixed message when memory runs out) to
 * stdout. After tavSetThreadDiagnostics(buffer, capacity) with a non-null
 * buffer, the calling thread's diagnostics are appended to the text in
 * buffer instead, and stdout sees nothing of them; other threads are not
 * affected. The call empties the buffer (buffer[0] = 0). The text is always
 * NUL-terminated: at most capacity - 1 characters are kept and the rest is
 * dropped. Writing 0 to buffer[0] empties it for reuse. NULL (capacity is
 * then ignored) sends the thread's diagnostics to stdout again, as by
 * default. The buffer must stay valid until it is replaced or released.
 * Returns TAV_OK, or TAV_E_SIZE for a capacity below 1 (the setting is
 * kept). Prints nothing itself. */
TAV_API TavStatus tavSetThreadDiagnostics(char* buffer, int32_t capacity);

TAV_EXTERN_C_END

#endif /* TAV_TYPES_H */

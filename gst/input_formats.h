// Raw input formats of the tav elements: the caps format names, the pixel
// type handed to the library and how the samples are stored in a row.
#ifndef TAV_GST_INPUT_FORMATS_H
#define TAV_GST_INPUT_FORMATS_H

#include <gst/gst.h>
#include <stdint.h>

enum TavSampleStorage {
    TAV_STORAGE_BYTES,    // one byte per sample
    TAV_STORAGE_WORDS16,  // one little-endian 16-bit word per sample, value in the low bits
    TAV_STORAGE_PACKED    // GigE Vision packing: two samples in three bytes
};

struct TavInputFormat {
    const char* mediaType;  // "video/x-bayer" or "video/x-raw"
    const char* name;       // value of the caps "format" field
    int32_t pixelType;      // PFNC code the library is called with
    int32_t bits;           // significant bits per sample
    TavSampleStorage storage;
    // Shift that reduces the samples to 8 bits before the library sees them,
    // for depths the library has no pixel type for (14-bit Bayer); 0 = none.
    int32_t preShift;
    gboolean shading;  // tavLSCorrection takes this format
};

// The format a fixed caps structure names, or NULL.
const TavInputFormat* tavFindInputFormat(const GstStructure* structure);

// Bytes of one row without padding; -1 when it does not fit in 32 bits.
int64_t tavInputRowBytes(const TavInputFormat* format, int32_t width);

// Row stride of a buffer that carries no video meta: rows padded to a
// multiple of 4 bytes, as GStreamer lays out 8-bit Bayer and GRAY frames.
int64_t tavInputDefaultStride(const TavInputFormat* format, int32_t width);

// Caps of every input format (shadingOnly: those tavLSCorrection takes).
GstCaps* tavInputCaps(gboolean shadingOnly);

#endif

// The public records' sizes and field offsets, pinned per architecture:
// callers in other languages and stored descriptors rely on them, so a
// change to a header that moves a field fails the build here.
#include <stddef.h>

#include "tav_lsc.h"
#include "tav_types.h"

#if defined(__arm__)  // 32-bit ARM (armhf): every field 32 bits
static_assert(sizeof(TavImage) == 20, "TavImage layout");
static_assert(offsetof(TavImage, pixelType) == 8 && offsetof(TavImage, data) == 12 &&
                  offsetof(TavImage, lineBytes) == 16,
              "TavImage layout");
static_assert(sizeof(TavLSCInput) == 24, "TavLSCInput layout");
static_assert(offsetof(TavLSCInput, height) == 12 && offsetof(TavLSCInput, grey) == 16 &&
                  offsetof(TavLSCInput, dark) == 20,
              "TavLSCInput layout");
static_assert(sizeof(TavBasicLSCInput) == 36, "TavBasicLSCInput layout");
static_assert(offsetof(TavBasicLSCInput, blockHeight) == 24 && offsetof(TavBasicLSCInput, grey) == 28 &&
                  offsetof(TavBasicLSCInput, darkLevel) == 32,
              "TavBasicLSCInput layout");
#elif defined(__x86_64__) || defined(__aarch64__)  // LP64: pointers 64 bits and 8-aligned
static_assert(sizeof(TavImage) == 32, "TavImage layout");
static_assert(offsetof(TavImage, pixelType) == 8 && offsetof(TavImage, data) == 16 &&
                  offsetof(TavImage, lineBytes) == 24,
              "TavImage layout");
static_assert(sizeof(TavLSCInput) == 32, "TavLSCInput layout");
static_assert(offsetof(TavLSCInput, height) == 12 && offsetof(TavLSCInput, grey) == 16 &&
                  offsetof(TavLSCInput, dark) == 24,
              "TavLSCInput layout");
static_assert(sizeof(TavBasicLSCInput) == 48, "TavBasicLSCInput layout");
static_assert(offsetof(TavBasicLSCInput, blockHeight) == 24 && offsetof(TavBasicLSCInput, grey) == 32 &&
                  offsetof(TavBasicLSCInput, darkLevel) == 40,
              "TavBasicLSCInput layout");
#endif

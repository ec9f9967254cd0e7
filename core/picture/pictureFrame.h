// The picture pipeline's pass over one frame: the checks that need the
// frame, then stages 1 to 8 band by band on the context's threads, each
// band reading its raw rows as it goes and keeping a few rows of linear
// samples of its own, so no intermediate frame is written. Internal.
#ifndef TAV_CORE_PICTURE_PICTURE_FRAME_H
#define TAV_CORE_PICTURE_PICTURE_FRAME_H

#include <stddef.h>
#include <stdint.h>

#include "tav_demosaic.h"

namespace tav {

struct PictureFrame {
    const TavImage* input;
    int64_t baseType;    // 8-bit base type of the input
    int32_t conversion;  // as demosaicDataInit gives it
    int32_t method;
    int64_t outputType;
    uint8_t* destination;
};

// The status of a frame the context's pipeline cannot take (a black level
// at or above its white point, a shading table of another size or mode),
// its line printed; TAV_OK otherwise.
TavStatus pictureRefusal(const TavContext* context, const PictureFrame& frame);

// Work memory of a frame converted on the caller's thread alone.
uint64_t pictureBandBytes(int32_t width, int32_t method);

// Converts an accepted frame and keeps its statistics on the context.
// `memory` holds pictureBandBytes(width, method) bytes for one band.
void convertPicture(TavContext* context, const PictureFrame& frame, uint8_t* memory);

// Test and benchmark hook (never exported): frames of this context gather
// no statistics while `off` (they read as all zero), to measure their cost.
void setPictureStatisticsOff(TavContext* context, bool off);

}  // namespace tav

#endif

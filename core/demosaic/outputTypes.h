// Classification of the seven output pixel types. Codes are compared in all
// 64 bits, so a value with a non-zero upper word matches nothing.
#ifndef TAV_CORE_OUTPUT_TYPES_H
#define TAV_CORE_OUTPUT_TYPES_H

#include <stdint.h>

#include "tav_types.h"

namespace tav {

enum class OutputKind { Rgb, Bgr, Rgba, Bgra, RgbPlanar, BgrPlanar, Mono, Unknown };

inline OutputKind outputKindOf(int64_t outputType) {
    switch (outputType) {
        case TAV_PIXEL_RGB8: return OutputKind::Rgb;
        case TAV_PIXEL_BGR8: return OutputKind::Bgr;
        case TAV_PIXEL_RGBA8: return OutputKind::Rgba;
        case TAV_PIXEL_BGRA8: return OutputKind::Bgra;
        case TAV_PIXEL_RGB8_PLANAR: return OutputKind::RgbPlanar;
        case TAV_PIXEL_BGR8_PLANAR: return OutputKind::BgrPlanar;
        case TAV_PIXEL_MONO8: return OutputKind::Mono;
        default: return OutputKind::Unknown;
    }
}

inline int bytesPerPixel(OutputKind kind) {
    switch (kind) {
        case OutputKind::Mono: return 1;
        case OutputKind::Rgba:
        case OutputKind::Bgra: return 4;
        default: return 3;
    }
}

inline bool isOutputType(int64_t outputType) { return outputKindOf(outputType) != OutputKind::Unknown; }

}  // namespace tav

#endif

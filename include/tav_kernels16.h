/* 16-bit demosaicing (bilinear RGGB entry points and edge-directed kernels). */
#ifndef TAV_KERNELS16_H
#define TAV_KERNELS16_H

#include "tav_types.h"

#endif /* TAV_KERNELS16_H */

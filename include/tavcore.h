/* Everything libtavcore exports. Usable from C99 and C++. */
#ifndef TAVCORE_H
#define TAVCORE_H

#include "tav_types.h"
#include "tav_demosaic.h"
#include "tav_kernels.h"
#include "tav_kernels16.h"
#include "tav_lsc.h"
#include "tav_pipeline.h"

#endif /* TAVCORE_H */

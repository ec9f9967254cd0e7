// The demosaicing context behind the opaque TavContext handle.
#ifndef TAV_CORE_CONTEXT_H
#define TAV_CORE_CONTEXT_H

#include "tav_demosaic.h"

struct TavContext {
    TavPixelType outputType;   // always one of the seven output codes
    TavWorkBuffer workBuffer;  // grown on demand, never shrunk
    int32_t threads;           // most threads tavDemosaicing may use; 0 = online processors
};

#endif

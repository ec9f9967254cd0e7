// Placeholder until the nearest kernels land: every kernel reports TAV_E_UNSUPPORTED.
#include "tav_kernels.h"

extern "C" uint32_t rg8ToBgr8_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

extern "C" uint32_t gb8ToBgr8_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

extern "C" uint32_t rg8ToBgra8_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

extern "C" uint32_t gb8ToBgra8_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

extern "C" uint32_t rg8ToBgr8P_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*plane0*/, uint8_t* /*plane1*/, uint8_t* /*plane2*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

extern "C" uint32_t gb8ToBgr8P_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*plane0*/, uint8_t* /*plane1*/, uint8_t* /*plane2*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

extern "C" uint32_t rg8ToMono8_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

extern "C" uint32_t gb8ToMono8_nearest(const uint8_t* /*source*/, uint32_t /*height*/, uint32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (uint32_t)TAV_E_UNSUPPORTED;
}

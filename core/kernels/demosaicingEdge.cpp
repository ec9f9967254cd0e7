// Placeholder until the edge kernels land: every kernel reports TAV_E_UNSUPPORTED.
#include "tav_kernels.h"

extern "C" int32_t rg8ToBgr8_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gb8ToBgr8_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t rg8ToBgra8_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gb8ToBgra8_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t rg8ToBgr8P_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*plane0*/, uint8_t* /*plane1*/, uint8_t* /*plane2*/, uint8_t* /*workBuffer*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gb8ToBgr8P_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*plane0*/, uint8_t* /*plane1*/, uint8_t* /*plane2*/, uint8_t* /*workBuffer*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t rg8ToMono8_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/, uint8_t* /*workBuffer*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gb8ToMono8_edge(const uint8_t* /*source*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/, uint32_t /*orderFlag*/, uint8_t* /*workBuffer*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

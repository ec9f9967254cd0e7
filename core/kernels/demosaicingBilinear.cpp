// Placeholder until the bilinear kernels land: every kernel reports TAV_E_UNSUPPORTED.
#include "tav_kernels.h"

extern "C" int32_t rg8ToBgr8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t bg8ToBgr8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gr8ToBgr8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gb8ToBgr8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t rg8ToBgra8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t bg8ToBgra8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gr8ToBgra8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gb8ToBgra8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t rg8ToBgr8P_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*plane0*/, uint8_t* /*plane1*/, uint8_t* /*plane2*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gr8ToBgr8P_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, uint8_t* /*plane0*/, uint8_t* /*plane1*/, uint8_t* /*plane2*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t rg8ToMono8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, const int32_t* /*weights*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

extern "C" int32_t gr8ToMono8_bilinear(const uint8_t* /*frame*/, int32_t /*height*/, int32_t /*width*/, const int32_t* /*weights*/, uint8_t* /*destination*/) {
    return (int32_t)TAV_E_UNSUPPORTED;
}

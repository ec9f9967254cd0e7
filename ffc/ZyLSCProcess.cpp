// Flat-field wrapper: checks pointers, builds the libtavcore descriptors on
// the stack, forwards and translates the status.
#include "tav_ffc.h"

namespace {

// Statuses the translation table names although no libtavcore function
// returns them; callers may still pass them to IMG_LSC_ErrorChange.
enum UnreturnedStatus : int {
    kFitStatusA = -100,
    kFitStatusB = -116,
    kFitStatusC = -130,
    kFormatStatus = -103,
    kArgumentStatusA = -108,
    kArgumentStatusB = -114,
    kArgumentStatusC = -115,
};

}  // namespace

int IMG_LSC_ErrorChange(int status) {
    switch (status) {
        case TAV_E_LSC_FIT:
        case kFitStatusA:
        case kFitStatusB:
        case kFitStatusC:
            return IMG_LSC_E_FIT;
        case TAV_E_PIXEL_TYPE:
        case kFormatStatus:
            return IMG_LSC_E_FORMAT;
        case TAV_E_SIZE:
        case TAV_E_NULL_POINTER:
        case TAV_E_UNSUPPORTED:
        case kArgumentStatusA:
        case kArgumentStatusB:
        case kArgumentStatusC:
            return IMG_LSC_E_ARGUMENT;
        default:
            return IMG_LSC_E_OTHER;
    }
}

int averageInput(unsigned int* sums, unsigned int count, float* out, int divisor) {
    const float scale = float(divisor);
    for (unsigned int i = 0; i < count; ++i) out[i] = float(sums[i]) / scale;
    return 0;
}

namespace {

int32_t translate(TavStatus status) { return status == TAV_OK ? IMG_LSC_OK : IMG_LSC_ErrorChange(status); }

}  // namespace

extern "C" {

TAV_API int32_t IMG_LSC_GetFFCParameter(const TavLSCInput* input, TavLSCTable* table) {
    if (input == nullptr || table == nullptr) return IMG_LSC_E_ARGUMENT;
    return translate(tavGetLSCParameter(input, table));
}

TAV_API int32_t IMG_LSC_ImportParam(IMG_LSC_BASIC_PARAM param, uint8_t* records) {
    if (param.grey == nullptr || records == nullptr) return IMG_LSC_E_ARGUMENT;
    TavBasicLSCInput input;
    input.mode = param.mode;
    input.bits = param.bits;
    input.selector = param.selector;
    input.width = param.width;
    input.height = param.height;
    input.blockWidth = param.smallBlock != 0 ? 16 : 32;
    input.blockHeight = 16;
    input.grey = param.grey;
    input.darkLevel = param.darkLevel;
    return translate(tavGetBasicLSCParameter(&input, records));
}

TAV_API int32_t IMG_LSC_GetFFCImage(IMG_LSC_FFC_IMAGE image) {
    if (image.srcData == nullptr || image.param == nullptr || image.dstData == nullptr) return IMG_LSC_E_ARGUMENT;
    TavImage input = {image.height, image.width, image.pixelType, image.srcData, 0};
    TavImage output = {image.height, image.width, image.pixelType, image.dstData, 0};
    return translate(tavLSCorrection(&input, &output, image.param));
}

}  // extern "C"

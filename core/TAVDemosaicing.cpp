// The demosaic entry and the output configuration of a context.
#include <stddef.h>
#include <stdint.h>

#include "context.h"
#include "demosaicBands.h"
#include "diagnostics.h"
#include "outputTypes.h"

namespace {

constexpr int32_t kUnpack = -1;
constexpr int64_t kSizeLimit = INT64_C(1) << 31;
constexpr int32_t kScratchSlack = 64;

TavStatus fail(int line, TavStatus status) {
    tav::printErrorLine(line);
    return status;
}

// Smallest row length that holds `width` samples in the given storage.
int64_t minimumLineBytes(int32_t conversion, int32_t width) {
    if (conversion == 0) return width;
    if (conversion == kUnpack) return 3 * ((static_cast<int64_t>(width) + 1) / 2);
    return 2 * static_cast<int64_t>(width);
}

uint8_t* alignTo16(uint8_t* p) {
    uintptr_t address = reinterpret_cast<uintptr_t>(p);
    return p + ((16 - (address & 15)) & 15);
}

// Where the normalised frame and the scratch region of one call lie.
struct NormalisedFrame {
    uint8_t* frame;  // 8-bit rows, stride width
    uint8_t* scratch;
};

// Where the 8-bit frame of a call lies. 8-bit input stays in the caller's
// buffer, its padded rows closed up in place here (one pass in row order: a
// row moves onto bytes of rows before it); other input goes to the work buffer.
NormalisedFrame placeFrame(const TavImage& input, int32_t conversion, uint8_t* workBuffer) {
    const int32_t height = input.height;
    const int32_t width = input.width;
    if (conversion == 0) {
        if (input.lineBytes != width) u8Tou8(input.data, height, width, input.lineBytes, input.data);
        return {input.data, workBuffer};
    }
    uint8_t* destination = alignTo16(workBuffer);
    return {destination, destination + static_cast<size_t>(width) * height};
}

TavStatus dispatch(int64_t baseType, const NormalisedFrame& normalised, uint8_t* destination,
                   int32_t height, int32_t width, int64_t outputType, int32_t method) {
    const uint8_t* frame = normalised.frame;
    switch (baseType) {
        case TAV_PIXEL_MONO8:
            return mono8Convert(frame, destination, height, width, outputType);
        case TAV_PIXEL_BAYER_GR8:
            return gr8Convert(frame, destination, height, width, outputType, method, normalised.scratch);
        case TAV_PIXEL_BAYER_RG8:
            return rg8Convert(frame, destination, height, width, outputType, method, normalised.scratch);
        case TAV_PIXEL_BAYER_GB8:
            return gb8Convert(frame, destination, height, width, outputType, method, normalised.scratch);
        default:
            return bg8Convert(frame, destination, height, width, outputType, method, normalised.scratch);
    }
}

}  // namespace

extern "C" TavStatus tavDemosaicing(TavContext* context, TavImage* input, int32_t method,
                                    TavImage* output) {
    if (context == nullptr || input == nullptr || output == nullptr) return fail(94, TAV_E_NULL_POINTER);
    if (input->data == nullptr || output->data == nullptr) return fail(95, TAV_E_NULL_POINTER);
    if (input->height <= 3 || input->lineBytes <= 3 || input->width <= 3) return fail(96, TAV_E_SIZE);
    const int32_t height = input->height;
    const int32_t width = input->width;
    if (static_cast<int64_t>(width) * height >= kSizeLimit) return fail(104, TAV_E_SIZE);

    int64_t baseType = 0;
    int32_t conversion = 0;
    TavStatus status = demosaicDataInit(input, context, &baseType, &conversion);
    if (status != TAV_OK) return fail(110, status);

    // Rows too short for their storage, and converted frames whose work buffer
    // size no longer fits 32 bits, are refused before anything is touched.
    if (input->lineBytes < minimumLineBytes(conversion, width)) return fail(96, TAV_E_SIZE);
    const int64_t workBytes = conversion == 0
                                  ? static_cast<int64_t>(width) + kScratchSlack
                                  : static_cast<int64_t>(width) * (height + 1) + kScratchSlack;
    if (workBytes >= kSizeLimit) return fail(104, TAV_E_SIZE);

    status = tavMemRealloc(&context->workBuffer, static_cast<int32_t>(workBytes));
    if (status != TAV_OK) return fail(conversion == 0 ? 115 : 119, status);

    const NormalisedFrame normalised = placeFrame(*input, conversion, context->workBuffer.buffer);
    const tav::BandJob job = {input, conversion, baseType, context->outputType, method, normalised.frame,
                              normalised.scratch, output->data, height, width};
    if (!tav::demosaicInBands(context, job)) {
        if (conversion != 0) tav::normaliseRows(*input, conversion, 0, height, normalised.frame);
        status = dispatch(baseType, normalised, output->data, height, width, context->outputType, method);
        if (status != TAV_OK) return status;
    }

    output->height = height;
    output->width = width;
    output->pixelType = static_cast<int32_t>(context->outputType);
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicSetConfig(TavContext* context, const TavDemosaicConfig* config) {
    if (context == nullptr || config == nullptr) return fail(70, TAV_E_NULL_POINTER);
    if (!tav::isOutputType(config->outputType)) return fail(74, TAV_E_UNSUPPORTED);
    context->outputType = config->outputType;
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicGetConfig(const TavContext* context, TavDemosaicConfig* config) {
    if (context == nullptr || config == nullptr) return fail(52, TAV_E_NULL_POINTER);
    config->outputType = context->outputType;
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicSetThreads(TavContext* context, int32_t threads) {
    if (context == nullptr) return fail(78, TAV_E_NULL_POINTER);
    if (threads < 0) return fail(79, TAV_E_SIZE);
    context->threads = threads;
    return TAV_OK;
}

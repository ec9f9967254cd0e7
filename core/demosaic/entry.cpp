// The demosaic entry and the output configuration of a context.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "context/context.h"
#include "demosaic/bands.h"
#include "demosaic/refusals.h"
#include "diagnostics.h"
#include "demosaic/outputTypes.h"
#include "kernels/hq/band.h"
#include "picture/pictureFrame.h"
#include "sizeCheck.h"

namespace {

constexpr int32_t kUnpack = -1;
constexpr int32_t kScratchSlack = 64;

TavStatus fail(tav::DiagnosticLine line, TavStatus status) {
    tav::printErrorLine(line);
    return status;
}

// Smallest row length that holds `width` samples in the given storage.
int64_t minimumLineBytes(int32_t conversion, int32_t width) {
    if (conversion == 0) return width;
    if (conversion == kUnpack) return 3 * ((static_cast<int64_t>(width) + 1) / 2);
    return 2 * static_cast<int64_t>(width);
}

// Work buffer of converted input: the frame and one row more (room to align
// it to 16 bytes), then the scratch region; -1 when it cannot be counted.
int64_t convertedWorkBytes(int32_t height, int32_t width) {
    const int64_t frameBytes = tav::checkedCount(width, static_cast<int64_t>(height) + 1);
    return frameBytes < 0 ? -1 : frameBytes + kScratchSlack;
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

void describeOutput(const TavContext* context, const TavImage* input, TavImage* output) {
    output->height = input->height;
    output->width = input->width;
    output->pixelType = static_cast<int32_t>(context->outputType);
}

// A frame through the context's pipeline: its own checks, then one pass
// that reads the raw rows where they lie (nothing is compacted in place).
TavStatus convertPicture(TavContext* context, TavImage* input, int64_t baseType, int32_t conversion, int32_t method,
                         TavImage* output) {
    const tav::PictureFrame frame = {input, baseType, conversion, method, context->outputType, output->data};
    TavStatus status = tav::pictureRefusal(context, frame);
    if (status != TAV_OK) return status;
    const uint64_t bytes = tav::pictureBandBytes(input->width, method) + kScratchSlack;
    if (bytes > tav::kMaxCount) return fail(tav::kLinePictureNoMemory, TAV_E_NO_MEMORY);
    status = tavMemRealloc(&context->workBuffer, static_cast<int32_t>(bytes));
    if (status != TAV_OK) return fail(tav::kLinePictureNoMemory, status);
    tav::convertPicture(context, frame, alignTo16(context->workBuffer.buffer));
    describeOutput(context, input, output);
    return TAV_OK;
}

}  // namespace

extern "C" TavStatus tavDemosaicing(TavContext* context, TavImage* input, int32_t method,
                                    TavImage* output) {
    if (context == nullptr || input == nullptr || output == nullptr) {
        return fail(tav::kLineDemosaicNull, TAV_E_NULL_POINTER);
    }
    if (input->data == nullptr || output->data == nullptr) {
        return fail(tav::kLineDemosaicNullData, TAV_E_NULL_POINTER);
    }
    if (input->height <= 3 || input->lineBytes <= 3 || input->width <= 3) {
        return fail(tav::kLineDemosaicSize, TAV_E_SIZE);
    }
    const int32_t height = input->height;
    const int32_t width = input->width;
    if (!tav::countFits(height, width)) return fail(tav::kLineDemosaicTooLarge, TAV_E_SIZE);

    int64_t baseType = 0;
    int32_t conversion = 0;
    TavStatus status = demosaicDataInit(input, context, &baseType, &conversion);
    if (status != TAV_OK) return fail(tav::kLineDemosaicPixelType, status);

    // Rows too short for their storage, input rows that cannot be counted in
    // 32 bits, and converted frames whose work buffer size no longer fits 32
    // bits, are refused before anything is touched.
    if (input->lineBytes < minimumLineBytes(conversion, width)) return fail(tav::kLineDemosaicSize, TAV_E_SIZE);
    int64_t workBytes = conversion == 0 ? static_cast<int64_t>(width) + kScratchSlack
                                        : convertedWorkBytes(height, width);
    // The high-quality method keeps its rings after the frame (one band).
    if (workBytes >= 0 && method == TAV_METHOD_HQ && baseType != TAV_PIXEL_MONO8) {
        workBytes += static_cast<int64_t>(tav::hqLineMemoryBytes(width));  // below 2^40: no overflow
    }
    if (workBytes < 0 || workBytes > int64_t(tav::kMaxCount) || !tav::countFits(height, input->lineBytes)) {
        return fail(tav::kLineDemosaicTooLarge, TAV_E_SIZE);
    }

    // So are calls that the kernel serving the frame would refuse.
    status = tav::refusalBeforeWork(baseType, method, context->outputType, height, width);
    if (status != TAV_OK) return status;

    if (context->picture != nullptr) return convertPicture(context, input, baseType, conversion, method, output);

    status = tavMemRealloc(&context->workBuffer, static_cast<int32_t>(workBytes));
    if (status != TAV_OK) {
        const tav::DiagnosticLine line =
            conversion == 0 ? tav::kLineDemosaicNoMemory8Bit : tav::kLineDemosaicNoMemoryConverted;
        return fail(line, status);
    }

    const NormalisedFrame normalised = placeFrame(*input, conversion, context->workBuffer.buffer);
    const tav::BandJob job = {input, conversion, baseType, context->outputType, method, normalised.frame,
                              normalised.scratch, output->data, height, width};
    tav::demosaicFrame(context, job);
    memset(&context->stats, 0, sizeof context->stats);  // a frame without a pipeline has none

    output->height = height;
    output->width = width;
    output->pixelType = static_cast<int32_t>(context->outputType);
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicSetConfig(TavContext* context, const TavDemosaicConfig* config) {
    if (context == nullptr || config == nullptr) return fail(tav::kLineSetConfigNull, TAV_E_NULL_POINTER);
    if (!tav::isOutputType(config->outputType)) return fail(tav::kLineSetConfigOutputType, TAV_E_UNSUPPORTED);
    context->outputType = config->outputType;
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicGetConfig(const TavContext* context, TavDemosaicConfig* config) {
    if (context == nullptr || config == nullptr) return fail(tav::kLineGetConfigNull, TAV_E_NULL_POINTER);
    config->outputType = context->outputType;
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicSetThreads(TavContext* context, int32_t threads) {
    if (context == nullptr) return fail(tav::kLineSetThreadsNull, TAV_E_NULL_POINTER);
    if (threads < 0) return fail(tav::kLineSetThreadsNegative, TAV_E_SIZE);
    context->threads = threads;
    return TAV_OK;
}

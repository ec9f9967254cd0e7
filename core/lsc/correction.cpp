// Applies a shading parameter table to an 8-, 10- or 12-bit raw frame:
// every sample becomes clamp(((s - B) * K + 2^16) >> 17). The plain rule is
// built everywhere; vector loops of the instruction set chosen at run time
// are entries of the kernel tables (simd/kernelTable.h).
#include <stddef.h>
#include <stdint.h>

#include "diagnostics.h"
#include "lsc/correctionJob.h"
#include "simd/kernelTable.h"
#include "sizeCheck.h"
#include "tav_lsc.h"

namespace {

// The plain rule, sample by sample: v = ((s - B) * K + 2^16) >> 17
// (flooring), clamped to the depth. K = w >> 12; the offset is the 12-bit
// one scaled to the frame's depth, (w AND 0xFFF) >> (12 - depth), which at
// 8 bits is (w >> 4) AND 255. Samples of 10/12-bit frames are not masked to
// their depth. Formed in 32 bits (cores without a 64-bit multiply run this
// path): a sample at or below its offset gives v <= floor(2^16 / 2^17) = 0,
// and above it, with d = s - B < 2^16 and K = high * 2^16 + low,
// v = (d * high + ((d * low) >> 16) + 1) >> 1, every term below 2^32.
inline uint32_t correctedSample(uint32_t sample, uint32_t word, int32_t bits) {
    const uint32_t offset = (word & TAV_LSC_OFFSET_MASK) >> (12 - bits);
    if (sample <= offset) return 0;
    const uint32_t d = sample - offset;
    const uint32_t gain = word >> TAV_LSC_GAIN_SHIFT;
    const uint32_t v = (d * (gain >> 16) + ((d * (gain & 0xFFFFu)) >> 16) + 1) >> 1;
    const uint32_t top = (1u << bits) - 1;
    return v > top ? top : v;
}

// Sample i of a frame of 8-bit bytes or 16-bit little-endian words at any address.
inline uint32_t readSample(const uint8_t* frame, size_t i, int32_t bits) {
    if (bits == 8) return frame[i];
    return uint32_t(frame[2 * i]) | (uint32_t(frame[2 * i + 1]) << 8);
}

inline void writeSample(uint8_t* frame, size_t i, int32_t bits, uint32_t value) {
    if (bits == 8) {
        frame[i] = uint8_t(value);
        return;
    }
    frame[2 * i] = uint8_t(value);
    frame[2 * i + 1] = uint8_t(value >> 8);
}

inline void correctAt(const tav::lsc::CorrectionJob& job, size_t i, uint32_t word) {
    writeSample(job.destination, i, job.bits, correctedSample(readSample(job.source, i, job.bits), word, job.bits));
}

// Mode 1: sample i with word i, in memory order. Mode 0: each cell word for
// the samples (2i, 2j), (2i, 2j+1), (2i+1, 2j), (2i+1, 2j+1); with odd sizes
// the last row and column stay as they are. Each sample is read once,
// before its own output is written, so in-place correction works.
void plainCorrection(const tav::lsc::CorrectionJob& job) {
    if (job.perPixel) {
        const size_t count = size_t(job.height) * size_t(job.width);
        for (size_t i = 0; i < count; ++i) correctAt(job, i, job.words[i]);
        return;
    }
    const int32_t cellRows = job.height / 2, cellCols = job.width / 2;
    for (int32_t i = 0; i < cellRows; ++i)
        for (int32_t j = 0; j < cellCols; ++j) {
            const uint32_t word = job.words[size_t(i) * size_t(cellCols) + size_t(j)];
            const size_t top = size_t(2 * i) * size_t(job.width) + size_t(2 * j);
            correctAt(job, top, word);
            correctAt(job, top + 1, word);
            correctAt(job, top + size_t(job.width), word);
            correctAt(job, top + size_t(job.width) + 1, word);
        }
}

// The loops of the active instruction set, else the plain ones.
void correction(const tav::lsc::CorrectionJob& job) {
    const auto vector = tav::simd::kernels().lscCorrect;
    if (vector == nullptr || !vector(job)) plainCorrection(job);
}

TavStatus correctFrame(const uint8_t* source, uint8_t* destination, uint32_t mode, const uint32_t* words,
                       int32_t height, int32_t width, int32_t bits) {
    if (mode != TAV_LSC_MODE_PIXEL && mode != TAV_LSC_MODE_2X2) return TAV_E_UNSUPPORTED;
    if (height <= 0 || width <= 0) return TAV_OK;
    const tav::lsc::CorrectionJob job = {source, destination, words, height, width, bits, mode == TAV_LSC_MODE_PIXEL};
    correction(job);
    return TAV_OK;
}

// Frames with no sample are accepted and left as they are; negative sizes and
// frames whose samples cannot be counted describe no buffer.
bool countableFrame(int32_t height, int32_t width) {
    if (height < 0 || width < 0) return false;
    return height == 0 || width == 0 || tav::countFits(height, width);
}

TavStatus correctionRefusal(const void* source, const void* destination, const uint32_t* words, int32_t height,
                            int32_t width) {
    if (!countableFrame(height, width)) return TAV_E_SIZE;
    if (height > 0 && width > 0 && (!source || !destination || !words)) return TAV_E_NULL_POINTER;
    return TAV_OK;
}

}  // namespace

extern "C" {

TAV_API int32_t getBits(TavPixelType pixelType) {
    switch (pixelType) {
        case TAV_PIXEL_MONO8:
        case TAV_PIXEL_BAYER_GR8:
        case TAV_PIXEL_BAYER_RG8:
        case TAV_PIXEL_BAYER_GB8:
        case TAV_PIXEL_BAYER_BG8:
            return 8;
        case TAV_PIXEL_MONO10:
        case TAV_PIXEL_BAYER_GR10:
        case TAV_PIXEL_BAYER_RG10:
        case TAV_PIXEL_BAYER_GB10:
        case TAV_PIXEL_BAYER_BG10:
            return 10;
        case TAV_PIXEL_MONO12:
        case TAV_PIXEL_BAYER_GR12:
        case TAV_PIXEL_BAYER_RG12:
        case TAV_PIXEL_BAYER_GB12:
        case TAV_PIXEL_BAYER_BG12:
            return 12;
        default:
            return TAV_E_PIXEL_TYPE;
    }
}

TAV_API TavStatus LSCcorrect8_2x2(const uint8_t* source, uint8_t* destination, uint32_t mode,
                                  const uint32_t* words, int32_t height, int32_t width) {
    const TavStatus refusal = correctionRefusal(source, destination, words, height, width);
    if (refusal != TAV_OK) return refusal;
    return correctFrame(source, destination, mode, words, height, width, 8);
}

TAV_API TavStatus LSCcorrect16_2x2(const uint16_t* source, uint16_t* destination, uint32_t mode,
                                   const uint32_t* words, int32_t height, int32_t width, int32_t depth) {
    const TavStatus refusal = correctionRefusal(source, destination, words, height, width);
    if (refusal != TAV_OK) return refusal;
    if (depth != 10 && depth != 12) return TAV_E_UNSUPPORTED;
    return correctFrame(reinterpret_cast<const uint8_t*>(source), reinterpret_cast<uint8_t*>(destination), mode,
                        words, height, width, depth);
}

TAV_API TavStatus tavLSCorrection(const TavImage* input, const TavImage* output, const TavLSCTable* table) {
    if (output == nullptr || input == nullptr || table == nullptr) {
        tav::printErrorLine(tav::kLineCorrectionNull);
        return TAV_E_NULL_POINTER;
    }
    if (input->data == nullptr || output->data == nullptr) {
        tav::printErrorLine(tav::kLineCorrectionNullData);
        return TAV_E_NULL_POINTER;
    }
    const uint32_t mode = table[0];
    if (mode > TAV_LSC_MODE_PIXEL) {
        tav::printErrorLine(tav::kLineCorrectionTableMode);
        return TAV_E_NULL_POINTER;
    }
    const int32_t height = input->height;
    const int32_t width = input->width;
    // Negative sizes and frames of 2^31 samples or more describe no buffer
    // that the table could match.
    if (table[1] != uint32_t(height) || table[2] != uint32_t(width) || !countableFrame(height, width)) {
        tav::printErrorLine(tav::kLineCorrectionTableSize);
        return TAV_E_SIZE;
    }
    const uint32_t* words = table + TAV_LSC_TABLE_HEADER_WORDS;
    const int32_t depth = getBits(TavPixelType(input->pixelType));
    if (depth == 8) return LSCcorrect8_2x2(input->data, output->data, mode, words, height, width);
    if (depth == 10 || depth == 12) {
        // Frames at odd addresses are read as bytes, never through a 16-bit pointer.
        return correctFrame(input->data, output->data, mode, words, height, width, depth);
    }
    // Packed, 14/16-bit and colour frames have no correction: nothing is written.
    return TAV_E_PIXEL_TYPE;
}

}  // extern "C"

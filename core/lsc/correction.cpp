// Applies a shading parameter table to an 8-, 10- or 12-bit raw frame:
// every sample becomes clamp(((s - B) * K + 2^16) >> 17) (lsc/sampleRule.h).
// The plain loops are built everywhere; the vector loops of the instruction
// set chosen at run time are the kernel table's lscCorrect.
#include <stddef.h>
#include <stdint.h>
#include <unistd.h>

#include "diagnostics.h"
#include "lsc/correctionJob.h"
#include "lsc/sampleRule.h"
#include "simd/kernelTable.h"
#include "sizeCheck.h"
#include "tav_lsc.h"

namespace {

using tav::lsc::correctedSample;
using tav::lsc::readSample;
using tav::lsc::writeSample;

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

// The last-level cache the C library reports on x86 (from cpuid, as its own
// copy routines use it), read once; a fixed guess where it reports none.
// Other cores' vector loops do not stream, and asking there may read files.
uint64_t lastLevelCacheBytes() {
#if (defined(__x86_64__) || defined(__i386__)) && defined(_SC_LEVEL3_CACHE_SIZE)
    static uint64_t known;  // 0 until read; constant-initialised, no guard
    uint64_t bytes = __atomic_load_n(&known, __ATOMIC_RELAXED);
    if (bytes != 0) return bytes;
    const long reported = sysconf(_SC_LEVEL3_CACHE_SIZE);
    bytes = reported > 0 ? uint64_t(reported) : uint64_t(32) << 20;
    __atomic_store_n(&known, bytes, __ATOMIC_RELAXED);
    return bytes;
#else
    return UINT64_MAX;
#endif
}

TavStatus correctFrame(const uint8_t* source, uint8_t* destination, uint32_t mode, const uint32_t* words,
                       int32_t height, int32_t width, int32_t bits) {
    if (mode != TAV_LSC_MODE_PIXEL && mode != TAV_LSC_MODE_2X2) return TAV_E_UNSUPPORTED;
    if (height <= 0 || width <= 0) return TAV_OK;
    const bool perPixel = mode == TAV_LSC_MODE_PIXEL;
    const uint64_t frameBytes = uint64_t(height) * uint64_t(width) * (bits == 8 ? 1u : 2u);
    const uint64_t tableBytes = sizeof(uint32_t) * (perPixel ? uint64_t(height) * uint64_t(width)
                                                             : uint64_t(height / 2) * uint64_t(width / 2));
    // A frame corrected into another buffer, with more traffic than the
    // last-level cache holds, gains nothing from keeping its output cached;
    // below that, streamed stores measured slower than cached ones.
    const bool streamStores = source != destination && 2 * frameBytes + tableBytes > lastLevelCacheBytes();
    const tav::lsc::CorrectionJob job = {source, destination, words, height, width, bits, perPixel, streamStores};
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

// libFuzzer target: hostile frames and sizes through every vector variant of
// the 16-bit demosaicing, shading-correction and normalisation kernels, each
// compared byte for byte with the plain path (built with ASan/UBSan, so any
// read or write outside the buffers stops the run as well).
//
// Input: one selector byte, two size bytes, then the bytes of the frame and
// (for shading) the table words.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "simd/isa.h"
#include "tavcore.h"
#include "kernel_tables.h"

namespace {

using tav::simd::Isa;

using kerneltables::vectorTables;

// Bytes of the input from `at`, repeated to fill n bytes (zeros when none are left).
std::vector<uint8_t> filled(const uint8_t* data, size_t size, size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = size ? data[i % size] : 0;
    return v;
}

// Runs one case under a set: every output is a freshly allocated copy, so
// ASan sees each buffer's exact bounds.
std::vector<uint8_t> runCase(uint8_t selector, int h, int w, const uint8_t* data, size_t size) {
    const size_t n = size_t(h) * w;
    switch (selector % 7) {
        case 0: {  // 16-bit bilinear, interleaved and planar, the four orders
            const auto bytes = filled(data, size, 2 * n);
            std::vector<uint16_t> src(n), out(3 * n);
            memcpy(src.data(), bytes.data(), 2 * n);
            const int32_t order = (selector >> 4) & 3;
            if ((selector >> 3) & 1) {
                tavDemosaicingBilinearU16POrder(src.data(), h, w, order, out.data(), out.data() + n,
                                                out.data() + 2 * n);
            } else {
                tavDemosaicingBilinearU16Order(src.data(), h, w, order, out.data());
            }
            std::vector<uint8_t> result(6 * n);
            memcpy(result.data(), out.data(), 6 * n);
            return result;
        }
        case 1: {  // 16-bit edge, the four orders
            typedef uint32_t (*Entry)(const uint16_t*, int32_t, int32_t, uint16_t*);
            const Entry entries[] = {demosaicingEdgeRGGBU16, demosaicingEdgeGRBGU16, demosaicingEdgeGBRGU16,
                                     demosaicingEdgeBGGRU16};
            const auto bytes = filled(data, size, 2 * n);
            std::vector<uint16_t> src(n), out(3 * n);
            memcpy(src.data(), bytes.data(), 2 * n);
            entries[(selector >> 3) & 3](src.data(), h, w, out.data());
            std::vector<uint8_t> result(6 * n);
            memcpy(result.data(), out.data(), 6 * n);
            return result;
        }
        case 2:
        case 3: {  // shading correction, 8/10/12 bits, both modes, odd addresses, in place
            const int depth = (selector >> 3) % 3 == 0 ? 8 : (selector >> 3) % 3 == 1 ? 10 : 12;
            const uint32_t mode = selector % 7 == 2 ? TAV_LSC_MODE_2X2 : TAV_LSC_MODE_PIXEL;
            const size_t words = mode == TAV_LSC_MODE_PIXEL ? n : size_t(h / 2) * (w / 2);
            const size_t sampleBytes = depth == 8 ? 1 : 2, shift = (selector >> 5) & 1;
            const bool inPlace = (selector >> 6) & 1;
            const auto bytes = filled(data, size, n * sampleBytes + 4 * words);
            std::vector<uint32_t> table(3 + words);
            table[0] = mode;
            table[1] = uint32_t(h);
            table[2] = uint32_t(w);
            memcpy(table.data() + 3, bytes.data() + n * sampleBytes, 4 * words);
            std::vector<uint8_t> in(n * sampleBytes + shift), out(n * sampleBytes + shift);
            memcpy(in.data() + shift, bytes.data(), n * sampleBytes);
            const int32_t type = depth == 8 ? TAV_PIXEL_BAYER_RG8 : depth == 10 ? TAV_PIXEL_MONO10 : TAV_PIXEL_BAYER_BG12;
            TavImage input = {h, w, type, in.data() + shift, 0};
            TavImage output = {h, w, type, inPlace ? in.data() + shift : out.data() + shift, 0};
            tavLSCorrection(&input, &output, table.data());
            return inPlace ? in : out;
        }
        case 4:
        case 5: {  // 16-bit storage to 8 bits, run and rows
            const int32_t shift = (selector >> 3) & 15;
            const int32_t lineBytes = selector % 7 == 4 ? 2 * w : 2 * w + ((selector >> 7) ? 3 : 1);
            const auto in = filled(data, size, size_t(lineBytes) * h);
            std::vector<uint8_t> out(n);
            if (selector % 7 == 4) {
                u16Tou8_old(in.data(), h, w, shift, out.data());
            } else {
                u16Tou8(in.data(), h, w, lineBytes, shift, out.data());
            }
            return out;
        }
        default: {  // packed 10/12-bit groups, run and rows
            const bool run = (selector >> 3) & 1;
            const int32_t lineBytes = run ? w + w / 2 : 3 * ((w + 1) / 2) + ((selector >> 4) & 7);
            const size_t inBytes = run ? 3 * (n / 2) + (n & 1) : size_t(lineBytes) * h;
            const auto in = filled(data, size, inBytes);
            std::vector<uint8_t> out(n);
            if (run) {
                unpacked_old(in.data(), h, w, out.data());
            } else {
                unpacked(in.data(), h, w, lineBytes, out.data());
            }
            return out;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t selector = data[0];
    // Sizes from 1 to 64 (the kernels refuse what they cannot take).
    const int h = 1 + data[1] % 64, w = 1 + data[2] % 64;
    static const std::vector<Isa> isas = vectorTables();
    tav::simd::setIsaCap(Isa::Plain);
    const std::vector<uint8_t> plain = runCase(selector, h, w, data + 3, size - 3);
    for (Isa isa : isas) {
        tav::simd::setIsaCap(isa);
        const std::vector<uint8_t> got = runCase(selector, h, w, data + 3, size - 3);
        if (got != plain) abort();
    }
    tav::simd::setIsaCap(Isa::Neon);
    return 0;
}

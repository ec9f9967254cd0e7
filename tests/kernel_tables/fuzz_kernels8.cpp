// libFuzzer target: one 8-bit kernel (any family, phase, output kind and
// flag) on a fuzzer-chosen frame, run in the plain path and in every vector
// variant this machine supports, into buffers of exactly the documented
// size (AddressSanitizer catches any byte outside). Every variant must give
// the plain path's status and bytes.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "kernel_tables.h"
#include "tav_kernels.h"

namespace {

using tav::simd::Isa;

struct Run {
    int64_t status;
    std::vector<uint8_t> bytes;
};

// Kernel `index` (0..27: 8 nearest, 12 bilinear, 8 edge) on the frame.
Run runKernel(int index, const uint8_t* frame, int h, int w, uint32_t flag) {
    const size_t n = (size_t)h * w;
    // Output kinds by index within each family: interleaved 3, 4, planar, grey.
    static const int kKinds[28] = {3, 3, 4, 4, 1, 1, 0, 0,              // nearest
                                   3, 3, 3, 3, 4, 4, 4, 4, 1, 1, 0, 0,  // bilinear
                                   3, 3, 4, 4, 1, 1, 0, 0};             // edge
    const int kind = kKinds[index];
    const size_t bytes = kind == 4 ? 4 * n : kind == 0 ? n : 3 * n;
    // Separate allocations, so a write past any of them is caught.
    uint8_t* out = (uint8_t*)malloc(kind == 1 ? n : bytes);
    uint8_t* p1 = (uint8_t*)malloc(n);
    uint8_t* p2 = (uint8_t*)malloc(n);
    uint8_t* work = (uint8_t*)malloc((size_t)w);
    memset(out, 0xCD, kind == 1 ? n : bytes);
    memset(p1, 0xCD, n);
    memset(p2, 0xCD, n);
    const int32_t weights[3] = {77, 150, 29};
    int64_t status = 0;
    switch (index) {
        case 0: status = rg8ToBgr8_nearest(frame, h, w, out, flag); break;
        case 1: status = gb8ToBgr8_nearest(frame, h, w, out, flag); break;
        case 2: status = rg8ToBgra8_nearest(frame, h, w, out, flag); break;
        case 3: status = gb8ToBgra8_nearest(frame, h, w, out, flag); break;
        case 4: status = rg8ToBgr8P_nearest(frame, h, w, out, p1, p2); break;
        case 5: status = gb8ToBgr8P_nearest(frame, h, w, out, p1, p2); break;
        case 6: status = rg8ToMono8_nearest(frame, h, w, out, flag); break;
        case 7: status = gb8ToMono8_nearest(frame, h, w, out, flag); break;
        case 8: status = rg8ToBgr8_bilinear(frame, h, w, out); break;
        case 9: status = bg8ToBgr8_bilinear(frame, h, w, out); break;
        case 10: status = gr8ToBgr8_bilinear(frame, h, w, out); break;
        case 11: status = gb8ToBgr8_bilinear(frame, h, w, out); break;
        case 12: status = rg8ToBgra8_bilinear(frame, h, w, out); break;
        case 13: status = bg8ToBgra8_bilinear(frame, h, w, out); break;
        case 14: status = gr8ToBgra8_bilinear(frame, h, w, out); break;
        case 15: status = gb8ToBgra8_bilinear(frame, h, w, out); break;
        case 16: status = rg8ToBgr8P_bilinear(frame, h, w, out, p1, p2); break;
        case 17: status = gr8ToBgr8P_bilinear(frame, h, w, out, p1, p2); break;
        case 18: status = rg8ToMono8_bilinear(frame, h, w, weights, out); break;
        case 19: status = gr8ToMono8_bilinear(frame, h, w, weights, out); break;
        case 20: status = rg8ToBgr8_edge(frame, h, w, out, flag); break;
        case 21: status = gb8ToBgr8_edge(frame, h, w, out, flag); break;
        case 22: status = rg8ToBgra8_edge(frame, h, w, out, flag); break;
        case 23: status = gb8ToBgra8_edge(frame, h, w, out, flag); break;
        case 24: status = rg8ToBgr8P_edge(frame, h, w, out, p1, p2, work); break;
        case 25: status = gb8ToBgr8P_edge(frame, h, w, out, p1, p2, work); break;
        case 26: status = rg8ToMono8_edge(frame, h, w, out, flag, work); break;
        default: status = gb8ToMono8_edge(frame, h, w, out, flag, work); break;
    }
    Run r;
    r.status = status;
    r.bytes.assign(out, out + (kind == 1 ? n : bytes));
    if (kind == 1) {
        r.bytes.insert(r.bytes.end(), p1, p1 + n);
        r.bytes.insert(r.bytes.end(), p2, p2 + n);
    }
    free(out);
    free(p1);
    free(p2);
    free(work);
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int index = data[0] % 28;
    const int h = 1 + data[1] % 40;  // small sides too: the kernels refuse them alike
    const int w = 1 + data[2] % 90;
    const uint32_t flag = data[3] & 1;
    data += 4;
    size -= 4;
    std::vector<uint8_t> frame((size_t)h * w);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = size ? data[i % size] : 0;

    tav::simd::setIsaCap(Isa::Plain);
    const Run plain = runKernel(index, frame.data(), h, w, flag);
    static const std::vector<Isa> isas = kerneltables::vectorTables();
    for (Isa isa : isas) {
        tav::simd::setIsaCap(isa);
        const Run vector = runKernel(index, frame.data(), h, w, flag);
        if (vector.status != plain.status || vector.bytes != plain.bytes) abort();
    }
    return 0;
}

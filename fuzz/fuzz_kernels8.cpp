// A sample of the 8-bit kernels called directly: every method, phase and
// output kind at least once, sizes, order flag and grey weights from the
// input. Frames are height x width bytes, outputs exactly their bytes, the
// line memory of the edge planar and grey kernels exactly width bytes.
#include "fuzz_input.h"
#include "tav_kernels.h"

namespace {

using tavfuzz::Extent;
using tavfuzz::Plan;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavfuzz::Input in(data, size);
    const uint8_t kernel = in.byte() % 14;
    const int32_t height = in.side();
    const int32_t width = in.side();
    const uint32_t flag = in.byte() & 1;
    int32_t weights[3] = {77, 150, 29};
    if (in.byte() & 1) {
        for (int32_t& w : weights) w = in.i32();
    }
    // Bytes per pixel of the kernel's output (per plane for planar kernels).
    static const int kBytes[14] = {3, 4, 1, 1, 3, 4, 1, 1, 3, 4, 1, 1, 4, 3};
    const Extent frame = tavfuzz::extent(height, width);
    const Extent output = tavfuzz::extent(height, width, kBytes[kernel]);
    const Extent line = tavfuzz::extent(width, 1);
    if (tavfuzz::combine({frame, output, line}) == Plan::Skip) return 0;
    std::vector<uint8_t> source = tavfuzz::buffer(in, frame);
    std::vector<uint8_t> out = tavfuzz::buffer(in, output), g = tavfuzz::buffer(in, output),
                         b = tavfuzz::buffer(in, output), lineMemory = tavfuzz::buffer(in, line);
    const uint8_t* s = source.data();
    const uint32_t h = uint32_t(height), w = uint32_t(width);
    switch (kernel) {
        case 0: rg8ToBgr8_bilinear(s, height, width, out.data()); break;
        case 1: gb8ToBgra8_bilinear(s, height, width, out.data()); break;
        case 2: gr8ToBgr8P_bilinear(s, height, width, out.data(), g.data(), b.data()); break;
        case 3: rg8ToMono8_bilinear(s, height, width, weights, out.data()); break;
        case 4: gb8ToBgr8_edge(s, height, width, out.data(), flag); break;
        case 5: rg8ToBgra8_edge(s, height, width, out.data(), flag); break;
        case 6: rg8ToBgr8P_edge(s, height, width, out.data(), g.data(), b.data(), lineMemory.data()); break;
        case 7: gb8ToMono8_edge(s, height, width, out.data(), flag, lineMemory.data()); break;
        case 8: rg8ToBgr8_nearest(s, h, w, out.data(), flag); break;
        case 9: gb8ToBgra8_nearest(s, h, w, out.data(), flag); break;
        case 10: gb8ToBgr8P_nearest(s, h, w, out.data(), g.data(), b.data()); break;
        case 11: rg8ToMono8_nearest(s, h, w, out.data(), flag); break;
        case 12: bg8ToBgra8_bilinear(s, height, width, out.data()); break;
        default: gr8ToBgr8_bilinear(s, height, width, out.data()); break;
    }
    return 0;
}

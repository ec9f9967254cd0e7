// The 16-bit entry points and their region routines, sizes and options from
// the input. Each routine gets exactly the frame its arguments describe
// (source height x width samples, interleaved output 3 samples per pixel,
// planes of height x width); routines that take only a width get the
// smallest frame they are defined on (4 rows bilinear, 6 or 7 rows edge).
#include "fuzz_input.h"
#include "tav_kernels16.h"

namespace {

using tavfuzz::Extent;
using tavfuzz::Plan;

struct Frame16 {
    std::vector<uint16_t> source, out, b, g, r;
};

// Buffers of a rows x width frame: source, interleaved output and planes.
bool makeFrame(tavfuzz::Input& in, int64_t rows, int64_t width, Frame16& f) {
    const Extent source = tavfuzz::extent(rows, width);
    const Extent interleaved = tavfuzz::extent(rows, width, 3);
    if (tavfuzz::combine({source, interleaved}) == Plan::Skip) return false;
    f.source = tavfuzz::buffer<uint16_t>(in, source);
    f.out = tavfuzz::buffer<uint16_t>(in, interleaved);
    f.b = tavfuzz::buffer<uint16_t>(in, source);
    f.g = tavfuzz::buffer<uint16_t>(in, source);
    f.r = tavfuzz::buffer<uint16_t>(in, source);
    return true;
}

// A start row or column: near the end of the frame, or any value.
int32_t start(tavfuzz::Input& in, int32_t size) {
    const uint8_t b = in.byte();
    return b < 0xF0 ? int32_t(int64_t(size) - b % 6) : in.i32();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavfuzz::Input in(data, size);
    const uint8_t routine = in.byte() % 25;
    const int32_t height = in.side();
    const int32_t width = in.side();
    const uint8_t optionByte = in.byte();
    const uint32_t order = optionByte & 1;
    const int32_t phase = optionByte < 0xF0 ? 2 + (optionByte >> 1) % 3 : in.i32();  // 2, 3, or 4 (refused)
    const int32_t maximum = (optionByte & 0x40) ? in.i32() : 65535;
    Frame16 f;
    switch (routine) {
        case 8:
        case 9:  // bilinear first rows: a frame of 4 rows
            if (!makeFrame(in, 4, width, f)) return 0;
            if (routine == 8) bilinearFirstRowsRGGBU16(f.source.data(), f.out.data(), width, order);
            else bilinearFirstRowsRGGBU16P(f.source.data(), f.b.data(), f.g.data(), f.r.data(), width, order);
            return 0;
        case 18:
        case 19:  // edge first rows: 6 rows, 7 when the red rows are odd
            if (!makeFrame(in, routine == 18 ? 6 : 7, width, f)) return 0;
            if (routine == 18) edgeFirstRowsRGGBU16(f.source.data(), f.out.data(), width, phase, maximum);
            else edgeFirstRowsGBRGU16(f.source.data(), f.out.data(), width, phase, maximum);
            return 0;
        case 22: {  // interior: row count plus two rows above and two below
            const int64_t rows = int64_t(height) + 4;
            if (!makeFrame(in, rows, width, f)) return 0;
            // Point two rows in only when those rows exist (a real frame).
            const bool real = height >= 0 && width > 0 && f.source.size() == size_t(rows) * size_t(width);
            const size_t skip = real ? 2 * size_t(width) : 0;
            edgeSecRGGBU16(f.source.data() + skip, f.out.data() + 3 * skip, height, width, phase, maximum);
            return 0;
        }
        default:
            break;
    }
    if (!makeFrame(in, height, width, f)) return 0;
    uint16_t* s = f.source.data();
    switch (routine) {
        case 0: tavDemosaicingBilinearU16(s, height, width, f.out.data()); break;
        case 1: tavDemosaicingBilinearU16P(s, height, width, f.b.data(), f.g.data(), f.r.data()); break;
        case 2: demosaicingBilinearRGGBU16(s, height, width, f.out.data()); break;
        case 3: demosaicingBilinearRGGBU16P(s, height, width, f.b.data(), f.g.data(), f.r.data()); break;
        case 4: demosaicingEdgeRGGBU16(s, height, width, f.out.data()); break;
        case 5: demosaicingEdgeGRBGU16(s, height, width, f.out.data()); break;
        case 6: demosaicingEdgeGBRGU16(s, height, width, f.out.data()); break;
        case 7: demosaicingEdgeBGGRU16(s, height, width, f.out.data()); break;
        case 10: bilinearFirstColsRGGBU16(s, f.out.data(), height, width, order); break;
        case 11: bilinearFirstColsRGGBU16P(s, f.b.data(), f.g.data(), f.r.data(), height, width, order); break;
        case 12: bilinearBodyRGGBU16(s, f.out.data(), height, width, order); break;
        case 13: bilinearBodyRGGBU16P(s, f.b.data(), f.g.data(), f.r.data(), height, width, order); break;
        case 14: bilinearLastRowsRGGBU16(s, f.out.data(), height, width, start(in, height), order); break;
        case 15:
            bilinearLastRowsRGGBU16P(s, f.b.data(), f.g.data(), f.r.data(), height, width, start(in, height), order);
            break;
        case 16: bilinearLastColsRGGBU16(s, f.out.data(), height, width, start(in, width), order); break;
        case 17:
            bilinearLastColsRGGBU16P(s, f.b.data(), f.g.data(), f.r.data(), height, width, start(in, width), order);
            break;
        case 20: edgeFirstColsRGGBU16(s, f.out.data(), height, width, maximum); break;
        case 21: edgeFirstColsGRBGU16(s, f.out.data(), height, width, maximum); break;
        case 23: edgeLastRowsRGGBU16(s, f.out.data(), height, width, start(in, height), phase, maximum); break;
        default: edgeLastColsRGGBU16(s, f.out.data(), height, width, start(in, width), maximum); break;
    }
    return 0;
}

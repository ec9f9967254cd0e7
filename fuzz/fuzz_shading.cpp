// The shading functions: parameter tables, block records, correction and the
// averaging helpers, with sizes, modes and every float (NaN and infinities
// included) from the input. Frames hold exactly width x height samples,
// tables exactly the words their header describes, records 3 bytes per
// block; 10/12-bit frames may start at an odd address.
#include "fuzz_input.h"
#include "tav_lsc.h"

namespace {

using tavfuzz::Extent;
using tavfuzz::Plan;

// Parameter words of a table of that header (none for an unknown mode).
int64_t parameterWords(uint32_t mode, int32_t height, int32_t width) {
    if (height <= 0 || width <= 0) return 0;
    if (mode == 1) return int64_t(height) * width;
    if (mode == 0) return int64_t(height / 2) * (width / 2);
    return 0;
}

uint32_t mode(tavfuzz::Input& in) {
    const uint8_t b = in.byte();
    return b < 0xF0 ? b % 3 : in.u32();
}

void parameterTable(tavfuzz::Input& in) {
    const uint32_t tableMode = mode(in);
    const uint32_t bits = in.byte() % 16;
    const int32_t width = in.side(), height = in.side();
    const Extent frame = tavfuzz::extent(height, width);
    const Extent table = tavfuzz::extent(3 + parameterWords(tableMode, height, width), 1);
    if (tavfuzz::combine({frame, table}) == Plan::Skip) return;
    std::vector<float> grey = tavfuzz::buffer<float>(in, frame), dark = tavfuzz::buffer<float>(in, frame);
    std::vector<uint32_t> words = tavfuzz::buffer<uint32_t>(in, table);
    const TavLSCInput input = {tableMode, bits, width, height, grey.data(), dark.data()};
    tavGetLSCParameter(&input, words.data());
}

void blockRecords(tavfuzz::Input& in) {
    TavBasicLSCInput input;
    input.mode = mode(in);
    input.bits = in.byte() % 16;
    input.selector = in.byte() % 6;
    input.width = in.side();
    input.height = in.side();
    const uint8_t shape = in.byte();
    input.blockWidth = shape < 0xF0 ? ((shape & 1) ? 16 : 32) : in.i32();
    input.blockHeight = (shape & 2) ? in.i32() : 16;
    input.darkLevel = in.f32();
    const int64_t blocks = input.blockWidth > 0 && input.width > 0 && input.height > 0
                               ? int64_t(input.height / 16) * (input.width / input.blockWidth)
                               : 0;
    const Extent frame = tavfuzz::extent(input.height, input.width);
    const Extent records = tavfuzz::extent(blocks > 0 ? blocks : 1, 3);
    if (tavfuzz::combine({frame, records}) == Plan::Skip) return;
    std::vector<float> grey = tavfuzz::buffer<float>(in, frame);
    std::vector<uint8_t> out = tavfuzz::buffer(in, records);
    input.grey = grey.data();
    tavGetBasicLSCParameter(&input, out.data());
}

int32_t bytesPerSample(int32_t pixelType) {
    const int32_t bits = getBits(pixelType);
    return bits == 8 ? 1 : 2;
}

void correction(tavfuzz::Input& in) {
    static const int32_t kTypes[] = {TAV_PIXEL_MONO8,  TAV_PIXEL_BAYER_RG8,  TAV_PIXEL_MONO10,
                                     TAV_PIXEL_BAYER_GB12, TAV_PIXEL_MONO16, TAV_PIXEL_BAYER_RG12_PACKED};
    const int32_t pixelType = kTypes[in.byte() % 6];
    const int32_t height = in.side(), width = in.side();
    const uint32_t tableMode = mode(in);
    const uint8_t headerByte = in.byte();
    // Mostly a table made for the frame, sometimes for another size.
    const int32_t tableHeight = headerByte < 0xC0 ? height : in.side();
    const int32_t tableWidth = headerByte < 0xC0 ? width : in.side();
    const int32_t offset = headerByte & 1;  // an odd address for 16-bit samples
    const bool inPlace = headerByte & 2;
    const Extent frame = tavfuzz::extent(height, width);
    Extent table = tavfuzz::extent(3 + parameterWords(tableMode, tableHeight, tableWidth), 1);
    if (tavfuzz::combine({frame, table}) == Plan::Skip) return;
    // A header whose frame cannot exist (or is not allocated) still has its three words.
    if (table.plan != Plan::Allocate) table = {Plan::Allocate, 3};
    std::vector<uint32_t> words = tavfuzz::buffer<uint32_t>(in, table);
    words[0] = tableMode;
    words[1] = uint32_t(tableHeight);
    words[2] = uint32_t(tableWidth);
    const int32_t sampleBytes = bytesPerSample(pixelType);
    std::vector<uint8_t> source = tavfuzz::bytesAt(in, frame, sampleBytes, offset),
                         target = tavfuzz::bytesAt(in, frame, sampleBytes, offset);
    const TavImage input = {height, width, pixelType, source.data() + offset, 0};
    const TavImage output = {height, width, pixelType,
                             inPlace ? input.data : target.data() + offset, 0};
    tavLSCorrection(&input, &output, words.data());
}

void averagingHelpers(tavfuzz::Input& in) {
    const int32_t height = in.side(), width = in.side();
    const int32_t blockWidth = in.side(), blockHeight = in.side(), blockRows = in.side(), blocksPerRow = in.side();
    const int32_t divisor = in.i32();
    const Extent frame = tavfuzz::extent(height, width);
    const Extent cells = tavfuzz::extent(height / 2 > 0 ? height / 2 : 1, width / 2 > 0 ? width / 2 : 1);
    const Extent blocks = tavfuzz::extent(blockRows > 0 ? blockRows : 1, blocksPerRow > 0 ? blocksPerRow : 1);
    // Two calls over one frame: each is planned on its own buffers.
    const Plan cellPlan = tavfuzz::combine({frame, cells});
    const Plan blockPlan = tavfuzz::combine({frame, blocks});
    if (cellPlan == Plan::Skip && blockPlan == Plan::Skip) return;
    std::vector<float> dark = tavfuzz::buffer<float>(in, frame), grey = tavfuzz::buffer<float>(in, frame);
    std::vector<float> cellDark = tavfuzz::buffer<float>(in, cells), cellGrey = tavfuzz::buffer<float>(in, cells);
    std::vector<float> means = tavfuzz::buffer<float>(in, blocks);
    if (cellPlan != Plan::Skip) dataInit2x2(dark.data(), grey.data(), height, width, cellDark.data(), cellGrey.data());
    if (blockPlan != Plan::Skip) {
        grayDataInit(grey.data(), height, width, blockWidth, blockHeight, blockRows, blocksPerRow, divisor,
                     means.data());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavfuzz::Input in(data, size);
    switch (in.byte() % 4) {
        case 0: parameterTable(in); break;
        case 1: blockRecords(in); break;
        case 2: correction(in); break;
        default: averagingHelpers(in); break;
    }
    return 0;
}

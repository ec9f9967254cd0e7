// The IMG_LSC_* wrapper: the same frames and tables as the shading target,
// passed as plain values; every result must be one of the wrapper's codes.
#include <stdlib.h>

#include "fuzz_input.h"
#include "tav_ffc.h"

namespace {

using tavfuzz::Extent;
using tavfuzz::Plan;

int64_t parameterWords(uint32_t mode, int32_t height, int32_t width) {
    if (height <= 0 || width <= 0) return 0;
    if (mode == 1) return int64_t(height) * width;
    if (mode == 0) return int64_t(height / 2) * (width / 2);
    return 0;
}

// Wrapper results are 0 to 4; anything else is a finding.
void expectWrapperCode(int32_t code) {
    if (code < 0 || code > 4) abort();
}

void parameter(tavfuzz::Input& in) {
    TavLSCInput input;
    input.mode = in.byte() % 3;
    input.bits = in.byte() % 16;
    input.width = in.side();
    input.height = in.side();
    const Extent frame = tavfuzz::extent(input.height, input.width);
    const Extent table = tavfuzz::extent(3 + parameterWords(input.mode, input.height, input.width), 1);
    if (tavfuzz::combine({frame, table}) == Plan::Skip) return;
    std::vector<float> grey = tavfuzz::buffer<float>(in, frame), dark = tavfuzz::buffer<float>(in, frame);
    std::vector<uint32_t> words = tavfuzz::buffer<uint32_t>(in, table);
    input.grey = grey.data();
    input.dark = dark.data();
    expectWrapperCode(IMG_LSC_GetFFCParameter(&input, words.data()));
}

void importParam(tavfuzz::Input& in) {
    IMG_LSC_BASIC_PARAM param;
    param.mode = in.byte() % 3;
    param.smallBlock = in.byte() & 1;
    param.bits = in.byte() % 16;
    param.selector = in.byte() % 6;
    param.width = in.side();
    param.height = in.side();
    param.darkLevel = in.f32();
    const int32_t blockWidth = param.smallBlock ? 16 : 32;
    const int64_t blocks =
        param.width > 0 && param.height > 0 ? int64_t(param.height / 16) * (param.width / blockWidth) : 0;
    const Extent frame = tavfuzz::extent(param.height, param.width);
    const Extent records = tavfuzz::extent(blocks > 0 ? blocks : 1, 3);
    if (tavfuzz::combine({frame, records}) == Plan::Skip) return;
    std::vector<float> grey = tavfuzz::buffer<float>(in, frame);
    std::vector<uint8_t> out = tavfuzz::buffer(in, records);
    param.grey = grey.data();
    expectWrapperCode(IMG_LSC_ImportParam(param, out.data()));
}

void correct(tavfuzz::Input& in) {
    static const int32_t kTypes[] = {TAV_PIXEL_MONO8, TAV_PIXEL_BAYER_GR10, TAV_PIXEL_MONO12, TAV_PIXEL_BAYER_BG16};
    IMG_LSC_FFC_IMAGE image;
    image.pixelType = kTypes[in.byte() % 4];
    image.width = in.side();
    image.height = in.side();
    const uint32_t mode = in.byte() % 3;
    const int32_t sampleBytes = image.pixelType == TAV_PIXEL_MONO8 ? 1 : 2;
    const Extent frame = tavfuzz::extent(image.height, image.width);
    Extent table = tavfuzz::extent(3 + parameterWords(mode, image.height, image.width), 1);
    if (tavfuzz::combine({frame, table}) == Plan::Skip) return;
    if (table.plan != Plan::Allocate) table = {Plan::Allocate, 3};  // the header is always there
    std::vector<uint32_t> words = tavfuzz::buffer<uint32_t>(in, table);
    words[0] = mode;
    words[1] = uint32_t(image.height);
    words[2] = uint32_t(image.width);
    std::vector<uint8_t> source = tavfuzz::bytesAt(in, frame, sampleBytes, 0),
                         target = tavfuzz::bytesAt(in, frame, sampleBytes, 0);
    image.srcData = source.data();
    image.dstData = (in.byte() & 1) ? source.data() : target.data();
    image.param = words.data();
    expectWrapperCode(IMG_LSC_GetFFCImage(image));
}

void helpers(tavfuzz::Input& in) {
    expectWrapperCode(IMG_LSC_ErrorChange(in.i32()));
    const uint32_t count = in.byte() % 64;
    std::vector<unsigned int> sums(count ? count : 1);
    std::vector<float> out(count ? count : 1);
    for (unsigned int& s : sums) s = in.u32();
    averageInput(sums.data(), count, out.data(), in.i32());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavfuzz::Input in(data, size);
    switch (in.byte() % 4) {
        case 0: parameter(in); break;
        case 1: importParam(in); break;
        case 2: correct(in); break;
        default: helpers(in); break;
    }
    return 0;
}

// tavDemosaicing with every descriptor field, the method, the output type and
// lineBytes taken from the input. The input buffer holds exactly height rows
// of lineBytes bytes and the output exactly the configured output's bytes.
#include "fuzz_input.h"
#include "tavcore.h"

namespace {

struct InputType {
    int32_t code;
    int storage;  // 1: one byte per sample, 2: 16-bit, 3: packed pairs
};

const InputType kInputTypes[] = {
    {TAV_PIXEL_MONO8, 1},           {TAV_PIXEL_MONO10, 2},          {TAV_PIXEL_MONO12, 2},
    {TAV_PIXEL_MONO14, 2},          {TAV_PIXEL_MONO16, 2},          {TAV_PIXEL_MONO10_PACKED, 3},
    {TAV_PIXEL_MONO12_PACKED, 3},   {TAV_PIXEL_BAYER_GR8, 1},       {TAV_PIXEL_BAYER_RG8, 1},
    {TAV_PIXEL_BAYER_GB8, 1},       {TAV_PIXEL_BAYER_BG8, 1},       {TAV_PIXEL_BAYER_GR10, 2},
    {TAV_PIXEL_BAYER_RG12, 2},      {TAV_PIXEL_BAYER_GB16, 2},      {TAV_PIXEL_BAYER_BG10, 2},
    {TAV_PIXEL_BAYER_GR10_PACKED, 3}, {TAV_PIXEL_BAYER_RG12_PACKED, 3}, {TAV_PIXEL_BAYER_GB10_PACKED, 3},
    {TAV_PIXEL_BAYER_BG12_PACKED, 3}, {TAV_PIXEL_RGB8, 1},          {0x01100011 + 0x100, 2},
};

const int64_t kOutputTypes[] = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8, TAV_PIXEL_BGRA8,
                                TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR, TAV_PIXEL_MONO8};

int64_t outputBytesPerPixel(int64_t type) {
    if (type == TAV_PIXEL_MONO8) return 1;
    if (type == TAV_PIXEL_RGBA8 || type == TAV_PIXEL_BGRA8) return 4;
    return 3;
}

int64_t minimumLineBytes(int storage, int64_t width) {
    if (storage == 1) return width;
    if (storage == 2) return 2 * width;
    return 3 * ((width + 1) / 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavfuzz::Input in(data, size);
    const uint8_t typeByte = in.byte();
    InputType type = kInputTypes[typeByte % (sizeof kInputTypes / sizeof kInputTypes[0])];
    if (typeByte >= 0xF8) type = {in.i32(), 1};
    const int64_t outputType = kOutputTypes[in.byte() % 7];
    const uint8_t methodByte = in.byte();
    const int32_t method = methodByte < 0xF0 ? methodByte % 5 : in.i32();  // 4: unknown
    const int32_t height = in.side();
    const int32_t width = in.side();
    // Rows exactly as long as the storage needs, padded, or any value.
    const uint8_t rowByte = in.byte();
    int64_t lineBytes = minimumLineBytes(type.storage, width) + (rowByte < 0x80 ? 0 : rowByte % 19);
    if (rowByte >= 0xF0 || lineBytes > INT32_MAX || lineBytes < INT32_MIN) lineBytes = in.i32();

    const tavfuzz::Extent inputBytes = tavfuzz::extent(height, lineBytes);
    const tavfuzz::Extent outputBytes = tavfuzz::extent(height, width, outputBytesPerPixel(outputType));
    if (tavfuzz::combine({inputBytes, outputBytes}) == tavfuzz::Plan::Skip) return 0;
    std::vector<uint8_t> frame = tavfuzz::buffer(in, inputBytes);
    std::vector<uint8_t> out = tavfuzz::buffer(in, outputBytes);

    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) return 0;
    const TavDemosaicConfig config = {outputType};
    tavDemosaicSetConfig(context, &config);
    TavImage input = {height, width, type.code, frame.data(), int32_t(lineBytes)};
    TavImage output = {0, 0, 0, out.data(), 0};
    tavDemosaicing(context, &input, method, &output);
    // A second call on the same context reuses (or grows) its work buffer.
    if (in.byte() & 1) tavDemosaicing(context, &input, method, &output);
    tavRelease(&context);
    return 0;
}

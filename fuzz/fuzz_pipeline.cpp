// libFuzzer target: tavDemosaicing with a picture pipeline whose every
// setting comes from the input (black levels, gains, matrix, curve and gamma
// as sane values or raw bit patterns, so NaN, infinities and extremes occur;
// an optional shading table of either mode, of the frame's size or not, whose
// mode may change after it was set), on a small frame of any input type with
// any output, method, lineBytes and one or two threads. The plain path on one
// thread is the reference; every vector table this machine runs, and the
// plain path on the chosen threads, must give its status, output bytes,
// statistics and diagnostics text. Guard bytes around the output catch
// writes just outside it, AddressSanitizer the rest.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_input.h"
#include "kernel_tables.h"
#include "tavcore.h"
#include "threads/workerPool.h"

namespace {

using tav::simd::Isa;

struct InputType {
    int32_t code;
    int storage;  // 1: one byte per sample, 2: 16-bit word, 3: packed pairs
};

const InputType kInputTypes[] = {
    {TAV_PIXEL_MONO8, 1},           {TAV_PIXEL_MONO10, 2},          {TAV_PIXEL_MONO12, 2},
    {TAV_PIXEL_MONO14, 2},          {TAV_PIXEL_MONO16, 2},          {TAV_PIXEL_MONO10_PACKED, 3},
    {TAV_PIXEL_MONO12_PACKED, 3},   {TAV_PIXEL_BAYER_GR8, 1},       {TAV_PIXEL_BAYER_RG8, 1},
    {TAV_PIXEL_BAYER_GB8, 1},       {TAV_PIXEL_BAYER_BG8, 1},       {TAV_PIXEL_BAYER_GR10, 2},
    {TAV_PIXEL_BAYER_RG10, 2},      {TAV_PIXEL_BAYER_GB10, 2},      {TAV_PIXEL_BAYER_BG10, 2},
    {TAV_PIXEL_BAYER_GR12, 2},      {TAV_PIXEL_BAYER_RG12, 2},      {TAV_PIXEL_BAYER_GB12, 2},
    {TAV_PIXEL_BAYER_BG12, 2},      {TAV_PIXEL_BAYER_GR16, 2},      {TAV_PIXEL_BAYER_RG16, 2},
    {TAV_PIXEL_BAYER_GB16, 2},      {TAV_PIXEL_BAYER_BG16, 2},      {TAV_PIXEL_BAYER_GR10_PACKED, 3},
    {TAV_PIXEL_BAYER_RG10_PACKED, 3}, {TAV_PIXEL_BAYER_GB10_PACKED, 3}, {TAV_PIXEL_BAYER_BG10_PACKED, 3},
    {TAV_PIXEL_BAYER_GR12_PACKED, 3}, {TAV_PIXEL_BAYER_RG12_PACKED, 3}, {TAV_PIXEL_BAYER_GB12_PACKED, 3},
    {TAV_PIXEL_BAYER_BG12_PACKED, 3},
};
constexpr int kInputTypeCount = sizeof kInputTypes / sizeof kInputTypes[0];
static_assert(kInputTypeCount == 31, "every input type of tav_types.h");

const int64_t kOutputTypes[] = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8, TAV_PIXEL_BGRA8,
                                TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR, TAV_PIXEL_MONO8};

constexpr size_t kGuardBytes = 64;
constexpr uint8_t kGuard = 0xA5;
constexpr uint8_t kUnwritten = 0x3C;
constexpr int32_t kDiagnosticsCapacity = 1024;

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

// One tag byte: below 0xE0 it is the value itself through `sane`, else the
// next four bytes are the value's bits as they are.
float fuzzFloat(tavfuzz::Input& in, float (*sane)(uint8_t)) {
    const uint8_t tag = in.byte();
    return tag < 0xE0 ? sane(tag) : in.f32();
}

int32_t fuzzInt(tavfuzz::Input& in, int32_t (*sane)(uint8_t)) {
    const uint8_t tag = in.byte();
    return tag < 0xE0 ? sane(tag) : in.i32();
}

// A shading table as the input describes it: the frame's size or another,
// mode 0, 1 or any word. The buffer holds exactly what its header describes
// when that is small; otherwise only the header, which the library must
// refuse (its size cannot be a small frame's) before reading any word.
std::vector<uint32_t> fuzzTable(tavfuzz::Input& in, int32_t frameHeight, int32_t frameWidth) {
    const uint8_t shape = in.byte();
    int64_t height = frameHeight, width = frameWidth;
    if ((shape & 3) == 2) {
        height += int8_t(in.byte()) % 3;
        width += int8_t(in.byte()) % 3;
    } else if ((shape & 3) == 3) {
        height = in.i32();
        width = in.i32();
    }
    const uint8_t modeByte = in.byte();
    const uint32_t mode = modeByte < 0xF0 ? modeByte % 2 : in.u32();
    int64_t words = 0;
    if (height > 0 && width > 0 && height <= 0xFFFF && width <= 0xFFFF) {
        if (mode == TAV_LSC_MODE_PIXEL) words = height * width;
        if (mode == TAV_LSC_MODE_2X2) words = (height / 2) * (width / 2);
    }
    if (words > tavfuzz::kMaxElements) words = 0;
    std::vector<uint32_t> table(size_t(TAV_LSC_TABLE_HEADER_WORDS + words));
    table[0] = mode;
    table[1] = uint32_t(height);
    table[2] = uint32_t(width);
    // Gains around 1 (0.5 .. 2.5) with any offset, or any word.
    const bool anyWord = shape & 4;
    for (int64_t i = 0; i < words; ++i) {
        const uint32_t bits = in.u32();
        table[size_t(TAV_LSC_TABLE_HEADER_WORDS + i)] =
            anyWord ? bits : ((TAV_LSC_GAIN_ONE / 2 + (bits >> 12) % (2 * TAV_LSC_GAIN_ONE)) << TAV_LSC_GAIN_SHIFT) |
                                 (bits & TAV_LSC_OFFSET_MASK);
    }
    return table;
}

struct Case {
    InputType type;
    int64_t outputType;
    int32_t method;
    int32_t height, width, lineBytes;
    int32_t threads;
    bool neutralFirst;      // a valid pipeline is set before the fuzzed one
    bool withPipeline;      // the fuzzed pipeline is set (else none is)
    bool changeTableMode;   // the table's mode word changes after it is set
    uint32_t changedMode;
    TavPipeline pipeline;
    std::vector<uint32_t> table;
    std::vector<uint8_t> frame;
    tavfuzz::Extent outputBytes;
};

// Everything one run gives back.
struct Outcome {
    TavStatus firstSet = 0, set = 0, status = 0;
    std::vector<uint8_t> output;  // guards included
    TavFrameStats stats;
    std::string diagnostics;
    bool inputChanged = false;
};

Outcome run(const Case& c, int32_t threads) {
    Outcome o;
    memset(&o.stats, 0, sizeof o.stats);
    char lines[kDiagnosticsCapacity];
    tavSetThreadDiagnostics(lines, sizeof lines);
    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) abort();
    tavDemosaicSetThreads(context, threads);
    tav::setMinThreadedOutput(context, 0);  // small frames take the bands too
    const TavDemosaicConfig config = {c.outputType};
    tavDemosaicSetConfig(context, &config);

    std::vector<uint32_t> table = c.table;  // the mode change must not reach the next run
    if (c.neutralFirst) {
        TavPipeline neutral;
        tavPipelineInit(&neutral);
        o.firstSet = tavDemosaicSetPipeline(context, &neutral);
    }
    if (c.withPipeline) {
        TavPipeline pipeline = c.pipeline;
        pipeline.shadingTable = table.empty() ? nullptr : table.data();
        o.set = tavDemosaicSetPipeline(context, &pipeline);
        if (c.changeTableMode && !table.empty()) table[0] = c.changedMode;
    }
    std::vector<uint8_t> frame = c.frame;  // padded 8-bit rows may be compacted in place
    const size_t outputSize = c.outputBytes.plan == tavfuzz::Plan::Allocate ? size_t(c.outputBytes.count) : 1;
    o.output.assign(outputSize + 2 * kGuardBytes, kUnwritten);
    memset(o.output.data(), kGuard, kGuardBytes);
    memset(o.output.data() + kGuardBytes + outputSize, kGuard, kGuardBytes);
    TavImage input = {c.height, c.width, c.type.code, frame.data(), c.lineBytes};
    TavImage output = {0, 0, 0, o.output.data() + kGuardBytes, 0};
    o.status = tavDemosaicing(context, &input, c.method, &output);
    if (tavDemosaicGetStats(context, &o.stats) != TAV_OK) abort();
    o.inputChanged = frame != c.frame;
    tavRelease(&context);
    tavSetThreadDiagnostics(nullptr, 0);
    o.diagnostics = lines;
    return o;
}

[[noreturn]] void fail(const char* what, const char* variant) {
    fprintf(stderr, "fuzz_pipeline: %s (%s)\n", what, variant);
    abort();
}

void expectSame(const Outcome& reference, const Outcome& other, const char* variant) {
    if (other.firstSet != reference.firstSet || other.set != reference.set) fail("setting status differs", variant);
    if (other.status != reference.status) fail("status differs", variant);
    if (other.output != reference.output) fail("output bytes differ", variant);
    if (memcmp(&other.stats, &reference.stats, sizeof other.stats) != 0) fail("statistics differ", variant);
    if (other.diagnostics != reference.diagnostics) fail("diagnostics differ", variant);
    if (other.inputChanged != reference.inputChanged) fail("input handled differently", variant);
}

// What holds of any one run, whatever the path.
void expectSound(const Case& c, const Outcome& o) {
    const size_t outputSize = o.output.size() - 2 * kGuardBytes;
    for (size_t i = 0; i < kGuardBytes; ++i) {
        if (o.output[i] != kGuard || o.output[kGuardBytes + outputSize + i] != kGuard)
            fail("write outside the output", "reference");
    }
    const uint8_t* out = o.output.data() + kGuardBytes;
    if (o.status != TAV_OK) {
        for (size_t i = 0; i < outputSize; ++i)
            if (out[i] != kUnwritten) fail("a refused frame wrote output", "reference");
        return;
    }
    const bool pipelineActive = (c.neutralFirst && o.firstSet == TAV_OK) || (c.withPipeline && o.set == TAV_OK);
    static const TavFrameStats kZero = {};
    if (!pipelineActive) {
        if (memcmp(&o.stats, &kZero, sizeof kZero) != 0) fail("statistics of a frame without a pipeline", "reference");
        return;
    }
    if (o.inputChanged) fail("the pipeline changed the caller's input", "reference");
    uint64_t counted = 0;
    for (uint32_t bin : o.stats.histogram) counted += bin;
    if (counted != uint64_t(c.height) * uint64_t(c.width)) fail("histogram does not count every pixel", "reference");
    if (uint64_t(o.stats.tiles) + o.stats.saturated != uint64_t(c.height / 2) * uint64_t(c.width / 2))
        fail("tiles and saturated tiles do not cover the frame", "reference");
}

float saneGain(uint8_t tag) { return 0.25f + tag / 32.0f; }         // 0.25 .. 7.2
float saneMatrixEntry(uint8_t tag) { return (int8_t(tag) + 16) / 24.0f; }  // about -4.7 .. 6
float saneGamma(uint8_t tag) { return 0.1f + tag / 22.0f; }         // 0.1 .. 10.2
int32_t saneBlack(uint8_t tag) { return tag < 0x40 ? tag : (tag - 0x40) * 48; }  // 0..63, then steps to ~7600
int32_t saneCurve(uint8_t tag) { return tag % 3; }

Case readCase(tavfuzz::Input& in, bool* skip) {
    Case c;
    const uint8_t typeByte = in.byte();
    c.type = kInputTypes[typeByte % kInputTypeCount];
    if (typeByte >= 0xF8) c.type = {in.i32(), 1};
    c.outputType = kOutputTypes[in.byte() % 7];
    const uint8_t methodByte = in.byte();
    c.method = methodByte < 0xF0 ? methodByte % 5 : in.i32();  // 4: unknown
    c.height = in.side();
    c.width = in.side();
    const uint8_t rowByte = in.byte();
    int64_t lineBytes = minimumLineBytes(c.type.storage, c.width) + (rowByte < 0x80 ? 0 : rowByte % 19);
    if (rowByte >= 0xF0 || lineBytes > INT32_MAX || lineBytes < INT32_MIN) lineBytes = in.i32();
    c.lineBytes = int32_t(lineBytes);

    const uint8_t flags = in.byte();
    c.threads = 1 + (flags & 1);
    c.withPipeline = !(flags & 2) || (flags & 4);  // mostly with one
    c.neutralFirst = flags & 8;
    const bool withTable = flags & 16;
    c.changeTableMode = flags & 32;
    tavPipelineInit(&c.pipeline);
    for (int32_t& black : c.pipeline.blackLevel) black = fuzzInt(in, saneBlack);
    for (float& gain : c.pipeline.whiteBalance) gain = fuzzFloat(in, saneGain);
    if (flags & 64) {
        for (float& entry : c.pipeline.colorMatrix) entry = fuzzFloat(in, saneMatrixEntry);
    }
    c.pipeline.curve = fuzzInt(in, saneCurve);
    c.pipeline.gamma = fuzzFloat(in, saneGamma);
    if (withTable) c.table = fuzzTable(in, c.height, c.width);
    if (c.changeTableMode) {
        const uint8_t modeByte = in.byte();
        c.changedMode = modeByte < 0xF0 ? modeByte % 2 : in.u32();
    }

    const tavfuzz::Extent inputBytes = tavfuzz::extent(c.height, c.lineBytes);
    c.outputBytes = tavfuzz::extent(c.height, c.width, outputBytesPerPixel(c.outputType));
    *skip = tavfuzz::combine({inputBytes, c.outputBytes}) == tavfuzz::Plan::Skip;
    if (!*skip) c.frame = tavfuzz::buffer(in, inputBytes);
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavfuzz::Input in(data, size);
    bool skip = false;
    const Case c = readCase(in, &skip);
    if (skip) return 0;

    static const std::vector<Isa> vectorTables = kerneltables::vectorTables();
    Outcome reference;
    kerneltables::withTable(Isa::Plain, [&] { reference = run(c, 1); });
    expectSound(c, reference);
    if (c.threads > 1) {
        kerneltables::withTable(Isa::Plain, [&] { expectSame(reference, run(c, c.threads), "plain, threads"); });
    }
    for (Isa isa : vectorTables) {
        kerneltables::withTable(isa, [&] { expectSame(reference, run(c, c.threads), kerneltables::isaName(isa)); });
    }
    return 0;
}

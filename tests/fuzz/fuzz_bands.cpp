// libFuzzer target: bands of rows and threaded demosaicing against the
// whole-frame result. The first bytes choose the frame, types, method and
// either a banding (run in the given order) or a thread count; the rest is
// sample data. Any difference, or a write outside a buffer (under ASan),
// stops the fuzzer.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "context/context.h"
#include "demosaic/bands.h"
#include "demosaic/route.h"
#include "tavcore.h"
#include "threads/workerPool.h"

namespace {

const int32_t kInputTypes[] = {TAV_PIXEL_BAYER_RG8,  TAV_PIXEL_BAYER_GR8,         TAV_PIXEL_BAYER_GB8,
                               TAV_PIXEL_BAYER_BG8,  TAV_PIXEL_MONO8,             TAV_PIXEL_BAYER_RG12,
                               TAV_PIXEL_BAYER_GB16, TAV_PIXEL_BAYER_BG12_PACKED, TAV_PIXEL_MONO10_PACKED};
const int64_t kOutputTypes[] = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8, TAV_PIXEL_BGRA8,
                                TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR, TAV_PIXEL_MONO8};

struct Reader {
    const uint8_t* data;
    size_t size;
    uint8_t next() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
};

int bytesPerPixel(int64_t outputType) {
    if (outputType == TAV_PIXEL_MONO8) return 1;
    return outputType == TAV_PIXEL_RGBA8 || outputType == TAV_PIXEL_BGRA8 ? 4 : 3;
}

std::vector<uint8_t> demosaic(int32_t threads, const std::vector<uint8_t>& raw, TavImage input, int64_t outputType,
                              int32_t method, TavStatus* status) {
    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) abort();
    tavDemosaicSetThreads(context, threads);
    tav::setMinThreadedOutput(context, 0);
    const TavDemosaicConfig config = {outputType};
    tavDemosaicSetConfig(context, &config);
    std::vector<uint8_t> copy = raw;  // padded 8-bit rows are compacted in place
    input.data = copy.data();
    std::vector<uint8_t> out((size_t)input.height * input.width * bytesPerPixel(outputType), 0x3C);
    TavImage output = {0, 0, 0, out.data(), 0};
    *status = tavDemosaicing(context, &input, method, &output);
    tavRelease(&context);
    return out;
}

// Any banding of the internal band routines equals the exported converter.
void fuzzBanding(Reader& in, int32_t height, int32_t width, int32_t baseType, int64_t outputType, int32_t method) {
    std::vector<uint8_t> frame((size_t)height * width);
    for (uint8_t& b : frame) b = in.next();
    const size_t outBytes = frame.size() * bytesPerPixel(outputType);
    std::vector<uint8_t> whole(outBytes, 0x3C), banded(outBytes, 0x3C);
    std::vector<uint8_t> scratch((size_t)width + 64), green(width), seam((size_t)12 * width);
    tav::BandJob job = {nullptr, 0, baseType, outputType, method, frame.data(), nullptr, banded.data(), height, width};
    if (!tav::bandsAccepted(job)) return;
    // A family may need line memory of its own per band (the high-quality rings).
    tav::Route route;
    if (!tav::routeOf(baseType, method, outputType, &route)) abort();
    std::vector<uint8_t> lineMemory(route.traits->lineMemoryBytes(width));
    const TavStatus status = baseType == TAV_PIXEL_MONO8
                                 ? mono8Convert(frame.data(), whole.data(), height, width, outputType)
                             : baseType == TAV_PIXEL_BAYER_RG8
                                 ? rg8Convert(frame.data(), whole.data(), height, width, outputType, method, scratch.data())
                             : baseType == TAV_PIXEL_BAYER_GR8
                                 ? gr8Convert(frame.data(), whole.data(), height, width, outputType, method, scratch.data())
                             : baseType == TAV_PIXEL_BAYER_GB8
                                 ? gb8Convert(frame.data(), whole.data(), height, width, outputType, method, scratch.data())
                                 : bg8Convert(frame.data(), whole.data(), height, width, outputType, method, scratch.data());
    if (status != TAV_OK) abort();
    std::vector<int32_t> edges = {0, height};
    const int cuts = in.next() % 6;
    for (int i = 0; i < cuts; ++i) edges.push_back(in.next() % height);
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    std::vector<size_t> order;
    for (size_t b = 0; b + 1 < edges.size(); ++b) order.push_back(b);
    std::rotate(order.begin(), order.begin() + in.next() % order.size(), order.end());
    for (size_t b : order) {
        tav::BandRows rows = {edges[b], edges[b + 1], green.data(), seam.data(), nullptr};
        if (!lineMemory.empty()) route.traits->placeLineMemory(lineMemory.data(), width, &rows);
        tav::convertRows(job, tav::wholeFrameRows(frame.data(), width), rows);
    }
    if (banded != whole) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in = {data, size};
    const int32_t height = 4 + in.next() % 40;
    const int32_t width = 4 + in.next() % 40;
    const int32_t code = kInputTypes[in.next() % (sizeof kInputTypes / sizeof kInputTypes[0])];
    const int64_t outputType = kOutputTypes[in.next() % 7];
    const int32_t method = in.next() % 5;  // 4: unknown, refused alike
    const uint8_t mode = in.next();
    if (mode & 1) {
        if (code == TAV_PIXEL_BAYER_RG8 || code == TAV_PIXEL_BAYER_GR8 || code == TAV_PIXEL_BAYER_GB8 ||
            code == TAV_PIXEL_BAYER_BG8 || code == TAV_PIXEL_MONO8) {
            fuzzBanding(in, height, width, code, outputType, method);
        }
        return 0;
    }
    // The entry with 2..9 threads against one thread, rows padded by 0..3 bytes.
    const bool packed = code == TAV_PIXEL_BAYER_BG12_PACKED || code == TAV_PIXEL_MONO10_PACKED;
    const bool wide = code == TAV_PIXEL_BAYER_RG12 || code == TAV_PIXEL_BAYER_GB16;
    const int32_t minimum = packed ? 3 * ((width + 1) / 2) : (wide ? 2 * width : width);
    const int32_t lineBytes = minimum + (mode >> 1) % 4;
    std::vector<uint8_t> raw((size_t)height * lineBytes);
    for (uint8_t& b : raw) b = in.next();
    const TavImage input = {height, width, code, nullptr, lineBytes};
    TavStatus one = 0, many = 0;
    const std::vector<uint8_t> expected = demosaic(1, raw, input, outputType, method, &one);
    const std::vector<uint8_t> threaded = demosaic(2 + (mode >> 3) % 8, raw, input, outputType, method, &many);
    if (one != many || expected != threaded) abort();
    return 0;
}

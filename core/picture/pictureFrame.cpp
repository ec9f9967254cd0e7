// Bands of the picture pipeline: each band makes the linear rows it reads
// (those of its output rows and up to three beyond each side, reflected at
// the frame's edges), demosaics and colours its rows, and gathers the
// statistics of the tiles whose top row is one of its rows. Band results
// do not depend on the split, and statistics are whole-number sums.
#include "picture/pictureFrame.h"

#include <math.h>
#include <string.h>

#include "context/context.h"
#include "demosaic/bands.h"
#include "diagnostics.h"
#include "kernels/hq/rows.h"
#include "kernels/hq/vectorRows.h"
#include "picture/colourRows.h"
#include "picture/demosaicRows.h"
#include "picture/frameRule.h"
#include "picture/linearRows.h"
#include "tav_lsc.h"
#include "sizeCheck.h"
#include "simd/kernelTable.h"
#include "threads/workerPool.h"

namespace tav {

namespace {

constexpr int32_t kRingRows = 8;   // rows y - 3 .. y + 3 of a step, and one being made
// The high-quality method's first row reads rows y - 9 .. y + 9, all made
// before it; its own rings keep what it derives from them.
constexpr int32_t kHqRingRows = 2 * hq::kRowsReadAcross + 2;
constexpr int32_t kGreenRows = 4;
constexpr int32_t kBandsPerThread = 4;
constexpr size_t kStatsBytes = (sizeof(TavFrameStats) + 63) & ~(size_t)63;

bool isPacked10(int64_t type) {
    return type == TAV_PIXEL_MONO10_PACKED || (type >= TAV_PIXEL_BAYER_GR10_PACKED && type <= TAV_PIXEL_BAYER_BG10_PACKED);
}

int32_t depthOf(const PictureFrame& frame) {
    if (frame.conversion == -1) return isPacked10(frame.input->pixelType) ? 10 : 12;
    return 8 + frame.conversion;
}

// Tile positions top-left, top-right, bottom-left, bottom-right.
void tileColours(int64_t baseType, uint8_t colours[4]) {
    static const uint8_t kRg[4] = {0, 1, 1, 2}, kGr[4] = {1, 0, 2, 1}, kGb[4] = {1, 2, 0, 1}, kBg[4] = {2, 1, 1, 0};
    const uint8_t* c = kRg;
    if (baseType == TAV_PIXEL_BAYER_GR8) c = kGr;
    if (baseType == TAV_PIXEL_BAYER_GB8) c = kGb;
    if (baseType == TAV_PIXEL_BAYER_BG8) c = kBg;
    memcpy(colours, c, 4);
}

void scaleFactors(const TavPipeline& p, FrameRule& f) {
    double wanted[4];
    for (int i = 0; i < 4; ++i) {
        const double gain = (double)p.whiteBalance[f.mono ? 1 : f.colourAt[i]];
        wanted[i] = gain * 16383.0 / (double)(f.white - f.black[i]);
    }
    // The largest shift that keeps every factor below 2^15; at shift 0 a
    // factor that is still too large is capped, which changes nothing: any
    // sample above its black level is full scale either way.
    for (int32_t k = 31; k >= 0; --k) {
        bool fits = true;
        for (int i = 0; i < 4; ++i) fits = fits && llround(wanted[i] * ldexp(1.0, k)) < 32768;
        if (fits || k == 0) {
            f.shift = k;
            for (int i = 0; i < 4; ++i) {
                const long long m = llround(wanted[i] * ldexp(1.0, k));
                f.factor[i] = (uint32_t)(m > 32767 ? 32767 : m);
            }
            return;
        }
    }
}

FrameRule frameRuleOf(const PictureState& state, const PictureFrame& frame) {
    const TavImage& in = *frame.input;
    const TavPipeline& p = state.settings;
    FrameRule f;
    memset(&f, 0, sizeof f);
    f.data = in.data;
    f.height = in.height;
    f.width = in.width;
    f.depth = depthOf(frame);
    f.white = (1u << f.depth) - 1;
    if (frame.conversion == 0) {
        f.storage = SampleStorage::Bytes, f.rowBytes = (size_t)in.lineBytes;
    } else if (frame.conversion == -1) {
        f.storage = f.depth == 10 ? SampleStorage::Packed10 : SampleStorage::Packed12;
        f.rowBytes = (size_t)in.lineBytes;
    } else {
        f.storage = SampleStorage::Words, f.rowBytes = (size_t)(in.lineBytes & ~1);
    }
    if (p.shadingTable != nullptr) {
        f.tableWords = p.shadingTable + TAV_LSC_TABLE_HEADER_WORDS;
        f.perPixelTable = p.shadingTable[0] == TAV_LSC_MODE_PIXEL;
    }
    f.mono = frame.baseType == TAV_PIXEL_MONO8;
    tileColours(frame.baseType, f.colourAt);
    for (int i = 0; i < 4; ++i) f.black[i] = (uint32_t)p.blackLevel[f.mono ? 0 : i];
    scaleFactors(p, f);
    f.method = frame.method;
    f.firstColourRowParity =
        frame.baseType == TAV_PIXEL_BAYER_GB8 || frame.baseType == TAV_PIXEL_BAYER_GR8 ? 1 : 0;
    f.firstColourIsBlue = frame.baseType == TAV_PIXEL_BAYER_BG8 || frame.baseType == TAV_PIXEL_BAYER_GR8;
    f.state = &state;
    f.outputType = frame.outputType;
    f.destination = frame.destination;
    f.gatherStats = true;
    return f;
}

struct PicturePlan {
    const FrameRule* rule;
    int32_t bands;
    int32_t edges[kMaxThreads * kBandsPerThread + 1];
    uint8_t* memory;  // bands x pictureBandBytes(width, method)
    size_t bandBytes;
};

bool usesHq(const FrameRule& f) { return f.method == TAV_METHOD_HQ && !f.mono; }

int32_t ringRowsOf(const FrameRule& f) { return usesHq(f) ? kHqRingRows : kRingRows; }

// Linear samples go to a wide engine: 32-bit values.
void readLinear(const void* rows, int32_t y, void* values) {
    int32_t* out = static_cast<int32_t*>(values);
    const LinearRows& linear = *static_cast<const LinearRows*>(rows);
    const uint16_t* row = linear.row(y);
    const hq::VectorRows* vector = simd::kernels().hqRows;
    for (int32_t x = vector ? vector->widenWords(row, out, linear.width) : 0; x < linear.width; ++x) out[x] = row[x];
}

// The phase of the red sites, from the colours of the tile positions.
BayerPhase redPhaseOf(const FrameRule& f) {
    int32_t i = 0;
    while (i < 3 && f.colourAt[i] != 0) ++i;
    return {i / 2, i % 2};
}

void runPictureBand(void* task, int32_t band) {
    const PicturePlan& plan = *static_cast<const PicturePlan*>(task);
    const FrameRule& f = *plan.rule;
    const int32_t w = f.width, h = f.height;
    const int32_t ringRows = ringRowsOf(f);
    uint8_t* memory = plan.memory + (size_t)band * plan.bandBytes;
    TavFrameStats* stats = reinterpret_cast<TavFrameStats*>(memory);
    memset(stats, 0, sizeof *stats);
    uint16_t* ring = reinterpret_cast<uint16_t*>(memory + kStatsBytes);
    uint16_t* greenSlots = ring + (size_t)ringRows * w;
    uint16_t* shaded = greenSlots + (size_t)kGreenRows * w;  // two rows: even and odd
    uint16_t* red = shaded + 2 * (size_t)w;
    uint16_t* green = red + w;
    uint16_t* blue = green + w;
    const LinearRows rows = {ring, ringRows, h, w};
    GreenRows greens = {greenSlots, {-1, -1, -1, -1}};
    hq::RowEngine engine;
    if (usesHq(f)) {
        uint8_t* engineMemory = reinterpret_cast<uint8_t*>(blue + w);
        hq::initEngine(engine, engineMemory, w, h, redPhaseOf(f), kLinearMax, {&rows, readLinear});
    }

    const int32_t first = plan.edges[band], end = plan.edges[band + 1];
    const int32_t reach = usesHq(f) ? hq::kRowsReadAcross : (f.method == 2 && !f.mono ? 3 : 1);
    int32_t next = first > reach ? first - reach : 0;
    for (int32_t y = first; y < end; ++y) {
        const int32_t need = y + reach < h ? y + reach : h - 1;
        for (; next <= need; ++next) {
            linearRow(f, next, shaded + (size_t)(next & 1) * w, ring + (size_t)(next % ringRows) * w);
            if ((next & 1) && next - 1 >= first && next - 1 < end && f.gatherStats) addTileRow(f, shaded, shaded + w, stats);
        }
        if (usesHq(f)) {
            hq::outputRow(engine, y, red, green, blue);
        } else {
            demosaicRow(f, rows, greens, y, red, green, blue);
        }
        colourRow(f, y, red, green, blue, stats->histogram);
    }
}

void addStats(TavFrameStats& total, const TavFrameStats& band) {
    for (int c = 0; c < 3; ++c) total.sum[c] += band.sum[c];
    total.tiles += band.tiles;
    total.saturated += band.saturated;
    for (int i = 0; i < 64; ++i) total.histogram[i] += band.histogram[i];
}

}  // namespace

void setPictureStatisticsOff(TavContext* context, bool off) { context->pictureStatsOff = off; }

uint64_t pictureBandBytes(int32_t width, int32_t method) {
    const bool hqRows = method == TAV_METHOD_HQ;
    const uint64_t rows = (hqRows ? kHqRingRows : kRingRows) + kGreenRows + 2 + 3;
    const uint64_t engine = hqRows ? (uint64_t)hq::engineBytes(width, kLinearMax) : 0;
    return kStatsBytes + ((rows * (uint64_t)width * sizeof(uint16_t) + engine + 63) & ~(uint64_t)63);
}

TavStatus pictureRefusal(const TavContext* context, const PictureFrame& frame) {
    const TavPipeline& p = context->picture->settings;
    const uint32_t white = (1u << depthOf(frame)) - 1;
    const int blacks = frame.baseType == TAV_PIXEL_MONO8 ? 1 : 4;
    for (int i = 0; i < blacks; ++i) {
        if ((uint32_t)p.blackLevel[i] >= white) {
            printErrorLine(kLinePictureBlack);
            return TAV_E_UNSUPPORTED;
        }
    }
    if (p.shadingTable != nullptr) {
        if (p.shadingTable[0] != context->picture->tableMode) {
            printErrorLine(kLinePictureTableMode);
            return TAV_E_UNSUPPORTED;
        }
        if (p.shadingTable[1] != (uint32_t)frame.input->height || p.shadingTable[2] != (uint32_t)frame.input->width) {
            printErrorLine(kLinePictureTableSize);
            return TAV_E_SIZE;
        }
    }
    return TAV_OK;
}

void convertPicture(TavContext* context, const PictureFrame& frame, uint8_t* memory) {
    FrameRule rule = frameRuleOf(*context->picture, frame);
    rule.gatherStats = !context->pictureStatsOff;
    PicturePlan plan;
    plan.rule = &rule;
    plan.bandBytes = (size_t)pictureBandBytes(rule.width, rule.method);  // the entry checked it fits 32 bits
    plan.memory = memory;
    plan.bands = 1;
    int32_t threads = 1;
    const int32_t wanted = bandThreads(context);
    const int64_t outputBytes = (int64_t)rule.width * rule.height * 3;
    if (wanted > 1 && outputBytes >= context->minThreadedOutputBytes && rule.height >= 8) {
        int32_t bands = wanted * kBandsPerThread;
        if (bands > rule.height / 4) bands = rule.height / 4;
        threads = readyWorkers(context, wanted < bands ? wanted : bands);
        // Memory of every band, counted in 64 bits: a 32-bit core cannot
        // address more than a few bands of the widest rows.
        const uint64_t sharedBytes = (uint64_t)bands * plan.bandBytes;
        uint8_t* shared = threads > 1 && sharedBytes <= kMaxCount ? bandMemory(context, (size_t)sharedBytes) : nullptr;
        if (shared != nullptr) {
            plan.memory = shared;
            plan.bands = bands;
        } else {
            threads = 1;
        }
    }
    plan.edges[0] = 0;
    for (int32_t b = 1; b < plan.bands; ++b) plan.edges[b] = (int32_t)((int64_t)rule.height * b / plan.bands);
    plan.edges[plan.bands] = rule.height;
    runBands(context, {runPictureBand, &plan, plan.bands}, threads);

    TavFrameStats total;
    memset(&total, 0, sizeof total);
    for (int32_t b = 0; b < plan.bands; ++b)
        addStats(total, *reinterpret_cast<const TavFrameStats*>(plan.memory + (size_t)b * plan.bandBytes));
    context->stats = total;
}

}  // namespace tav

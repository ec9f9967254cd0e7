// Hostile sizes: every exported function that takes sizes, called with
// sides near 2^31, products that wrap 32 or 64 bits, INT32_MIN and negative
// values, must refuse and touch nothing. Each call runs in a forked child
// with 64-byte buffers, so an out-of-bounds write or a crash fails only that
// call and is reported by name.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "../core/context/context.h"
#include "tavcore.h"
#include "test_support.h"
#ifdef TAV_HAVE_FFC
#include "tav_ffc.h"
#endif

namespace {

struct Sides {
    int32_t height;
    int32_t width;
};

// Refused whatever the bytes per pixel: a negative side, or more samples
// than a signed 32-bit count holds. As unsigned values (the nearest
// kernels) they are refused as well.
const Sides kAlwaysRefused[] = {
    {INT32_MAX, INT32_MAX},  // the 64-bit product times 3 or 4 overflows
    {INT32_MAX, 8},
    {8, INT32_MAX},
    {1 << 16, 1 << 16},  // 2^32 samples: wraps 32 bits to 0
    {1 << 16, 1 << 15},  // 2^31 samples: wraps to INT32_MIN
    {46341, 46341},      // just above INT32_MAX
    {INT32_MIN, INT32_MIN},  // as unsigned, 2^62 samples, times 4 wraps 64 bits to 0
    {INT32_MIN, 8},
    {8, INT32_MIN},
    {-1, 8},
    {8, -4},
    {-4, -4},  // a positive product of negative sides
    {-1, -1},
};

// Fewer than 2^31 samples, but more than 2^31 bytes at 3 or 4 bytes (or 3
// samples) per pixel; refused by functions that write such pixels.
const Sides kRefusedWide[] = {
    {1 << 15, 1 << 15},  // 4 bytes per pixel wrap 32 bits to 0
    {21846, 1 << 15},    // 3 bytes per pixel just above INT32_MAX
};

constexpr size_t kBufferBytes = 64;
constexpr uint8_t kFill = 0x5A;

// The four 64-byte buffers a call may get, 16-byte aligned for the 16-bit
// and float functions.
struct Buffers {
    alignas(16) uint8_t bytes[4][kBufferBytes];
    Buffers() { memset(bytes, kFill, sizeof bytes); }
    uint8_t* operator[](int i) { return bytes[i]; }
    uint16_t* words(int i) { return reinterpret_cast<uint16_t*>(bytes[i]); }
    float* floats(int i) { return reinterpret_cast<float*>(bytes[i]); }
    bool untouched() const {
        for (const auto& buffer : bytes)
            for (uint8_t b : buffer)
                if (b != kFill) return false;
        return true;
    }
};

// A call under test: returns whether the function reported a refusal
// (functions without a status always "refuse"; only their buffers count).
using Call = std::function<bool(Sides, Buffers&)>;

struct Case {
    std::string name;
    bool refusesWide;  // writes 3 or 4 bytes (or 3 samples) per pixel
    Call call;
};

// Runs one call in a child with stdout silenced; the child exits 0 when the
// call refused and every buffer is as it was.
void expectRefusedInChild(const std::string& name, Sides sides, const Call& call) {
    fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (freopen("/dev/null", "w", stdout) == nullptr) _exit(3);
        Buffers buffers;
        const bool refused = call(sides, buffers);
        _exit(!refused ? 1 : buffers.untouched() ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string where = name + " with height " + std::to_string(sides.height) + ", width " +
                              std::to_string(sides.width);
    if (WIFSIGNALED(status)) {
        ADD_FAILURE() << where << ": killed by signal " << WTERMSIG(status);
    } else {
        const int code = WEXITSTATUS(status);
        EXPECT_EQ(code, 0) << where << (code == 1 ? ": accepted" : code == 2 ? ": wrote into a buffer" : ": failed");
    }
}

void sweep(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        for (Sides sides : kAlwaysRefused) expectRefusedInChild(c.name, sides, c.call);
        if (c.refusesWide) {
            for (Sides sides : kRefusedWide) expectRefusedInChild(c.name, sides, c.call);
        }
    }
}

bool refused(int32_t status) { return status < 0; }
bool refusedUnsigned(uint32_t status) { return static_cast<int32_t>(status) < 0; }

const int64_t kOutputTypes[] = {TAV_PIXEL_RGB8,        TAV_PIXEL_BGR8,        TAV_PIXEL_RGBA8, TAV_PIXEL_BGRA8,
                                TAV_PIXEL_RGB8_PLANAR, TAV_PIXEL_BGR8_PLANAR, TAV_PIXEL_MONO8};

bool wideOutput(int64_t type) { return type != TAV_PIXEL_MONO8 && type != TAV_PIXEL_RGB8_PLANAR && type != TAV_PIXEL_BGR8_PLANAR; }

int32_t clampedProduct(int64_t a, int32_t b) {
    const int64_t p = a * b;
    return p > INT32_MAX ? INT32_MAX : p < INT32_MIN ? INT32_MIN : static_cast<int32_t>(p);
}

}  // namespace

TEST(SizeSweep, DemosaicEntryAndConverters) {
    std::vector<Case> cases;
    const int32_t inputTypes[] = {TAV_PIXEL_MONO8, TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GB12,
                                  TAV_PIXEL_BAYER_BG10_PACKED};
    for (int32_t type : inputTypes) {
        for (int64_t output : {int64_t{TAV_PIXEL_BGR8}, int64_t{TAV_PIXEL_RGBA8}, int64_t{TAV_PIXEL_BGR8_PLANAR},
                               int64_t{TAV_PIXEL_MONO8}}) {
            for (int32_t method : {0, 1, 2, 3, 7}) {
                const int32_t bytesPerSample = type == TAV_PIXEL_BAYER_GB12 ? 2 : 1;
                cases.push_back({"tavDemosaicing type " + std::to_string(type) + " output " + std::to_string(output) +
                                     " method " + std::to_string(method),
                                 wideOutput(output), [=](Sides s, Buffers& b) {
                                     TavContext* context = nullptr;
                                     if (tavCreate(&context) != TAV_OK) return false;
                                     TavDemosaicConfig config = {output};
                                     tavDemosaicSetConfig(context, &config);
                                     TavImage input = {s.height, s.width, type, b[0],
                                                       clampedProduct(s.width, bytesPerSample)};
                                     TavImage out = {0, 0, 0, b[1], 0};
                                     const bool refusal = refused(tavDemosaicing(context, &input, method, &out));
                                     // Nothing was allocated for a refused call.
                                     const bool bufferUntouched = context->workBuffer.capacity == 0;
                                     tavRelease(&context);
                                     return refusal && bufferUntouched && out.height == 0 && out.pixelType == 0;
                                 }});
            }
        }
    }
    // Rows whose byte count (height x lineBytes) does not fit 32 bits.
    cases.push_back({"tavDemosaicing with huge lineBytes", false, [](Sides s, Buffers& b) {
                         TavContext* context = nullptr;
                         if (tavCreate(&context) != TAV_OK) return false;
                         TavImage input = {s.height < 0 ? s.height : 8, 8, TAV_PIXEL_BAYER_RG8, b[0], INT32_MAX};
                         TavImage out = {0, 0, 0, b[1], 0};
                         const bool refusal = refused(tavDemosaicing(context, &input, 0, &out));
                         tavRelease(&context);
                         return refusal;
                     }});
    for (int64_t output : kOutputTypes) {
        cases.push_back({"mono8Convert " + std::to_string(output), wideOutput(output), [=](Sides s, Buffers& b) {
                             return refused(mono8Convert(b[0], b[1], s.height, s.width, output));
                         }});
        using Converter = TavStatus (*)(const uint8_t*, uint8_t*, int32_t, int32_t, int64_t, int32_t, uint8_t*);
        const std::pair<const char*, Converter> converters[] = {
            {"rg8Convert", rg8Convert}, {"gr8Convert", gr8Convert}, {"gb8Convert", gb8Convert}, {"bg8Convert", bg8Convert}};
        for (const auto& converter : converters) {
            for (int32_t method : {0, 1, 2, 3}) {
                const Converter convert = converter.second;
                const bool wide = wideOutput(output);
                cases.push_back({std::string(converter.first) + " " + std::to_string(output) + " method " +
                                     std::to_string(method),
                                 wide, [=](Sides s, Buffers& b) {
                                     return refused(convert(b[0], b[1], s.height, s.width, output, method, b[2]));
                                 }});
            }
        }
    }
    sweep(cases);
}

TEST(SizeSweep, NormalisationAndOutputHelpers) {
    std::vector<Case> cases = {
        {"u16Tou8_old", false, [](Sides s, Buffers& b) { u16Tou8_old(b[0], s.height, s.width, 4, b[1]); return true; }},
        {"u16Tou8", false,
         [](Sides s, Buffers& b) {
             u16Tou8(b[0], s.height, s.width, clampedProduct(s.width, 2), 4, b[1]);
             return true;
         }},
        {"u8Tou8", false, [](Sides s, Buffers& b) { u8Tou8(b[0], s.height, s.width, s.width, b[1]); return true; }},
        {"u8Tou8 in place", false, [](Sides s, Buffers& b) { u8Tou8(b[0], s.height, s.width, s.width, b[0]); return true; }},
        {"unpacked_old", false, [](Sides s, Buffers& b) { unpacked_old(b[0], s.height, s.width, b[1]); return true; }},
        {"unpacked", false,
         [](Sides s, Buffers& b) {
             unpacked(b[0], s.height, s.width, clampedProduct(s.width, 2), b[1]);
             return true;
         }},
        {"bgrToBgra", true, [](Sides s, Buffers& b) { bgrToBgra(b[0], s.height, s.width, b[1]); return true; }},
        {"tavBMPAdjust", true,
         [](Sides s, Buffers& b) {
             TavContext* context = nullptr;
             if (tavCreate(&context) != TAV_OK) return false;
             TavImage image = {s.height, s.width, TAV_PIXEL_BGR8, b[0], 0};
             const bool refusal = refused(tavBMPAdjust(context, &image));
             tavRelease(&context);
             return refusal;
         }},
    };
    sweep(cases);
}

TEST(SizeSweep, EightBitKernels) {
    using Interleaved = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*);
    using Edge = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t);
    using EdgePlanar = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*, uint8_t*, uint8_t*, uint8_t*);
    using EdgeMono = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t, uint8_t*);
    using Nearest = uint32_t (*)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint32_t);
    using NearestPlanar = uint32_t (*)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint8_t*, uint8_t*);
    std::vector<Case> cases;
    const std::pair<const char*, Interleaved> bilinear[] = {
        {"rg8ToBgr8_bilinear", rg8ToBgr8_bilinear},   {"bg8ToBgr8_bilinear", bg8ToBgr8_bilinear},
        {"gr8ToBgr8_bilinear", gr8ToBgr8_bilinear},   {"gb8ToBgr8_bilinear", gb8ToBgr8_bilinear},
        {"rg8ToBgra8_bilinear", rg8ToBgra8_bilinear}, {"bg8ToBgra8_bilinear", bg8ToBgra8_bilinear},
        {"gr8ToBgra8_bilinear", gr8ToBgra8_bilinear}, {"gb8ToBgra8_bilinear", gb8ToBgra8_bilinear}};
    for (const auto& k : bilinear) {
        const Interleaved f = k.second;
        cases.push_back({k.first, true, [=](Sides s, Buffers& b) { return refused(f(b[0], s.height, s.width, b[1])); }});
    }
    cases.push_back({"rg8ToBgr8P_bilinear", false, [](Sides s, Buffers& b) {
                         return refused(rg8ToBgr8P_bilinear(b[0], s.height, s.width, b[1], b[2], b[3]));
                     }});
    cases.push_back({"gr8ToBgr8P_bilinear", false, [](Sides s, Buffers& b) {
                         return refused(gr8ToBgr8P_bilinear(b[0], s.height, s.width, b[1], b[2], b[3]));
                     }});
    const int32_t weights[3] = {77, 150, 29};
    cases.push_back({"rg8ToMono8_bilinear", false, [=](Sides s, Buffers& b) {
                         return refused(rg8ToMono8_bilinear(b[0], s.height, s.width, weights, b[1]));
                     }});
    cases.push_back({"gr8ToMono8_bilinear", false, [=](Sides s, Buffers& b) {
                         return refused(gr8ToMono8_bilinear(b[0], s.height, s.width, weights, b[1]));
                     }});
    const std::pair<const char*, Edge> edge[] = {{"rg8ToBgr8_edge", rg8ToBgr8_edge},
                                                 {"gb8ToBgr8_edge", gb8ToBgr8_edge},
                                                 {"rg8ToBgra8_edge", rg8ToBgra8_edge},
                                                 {"gb8ToBgra8_edge", gb8ToBgra8_edge}};
    for (const auto& k : edge) {
        const Edge f = k.second;
        cases.push_back({k.first, true, [=](Sides s, Buffers& b) { return refused(f(b[0], s.height, s.width, b[1], 1)); }});
    }
    for (const auto& k : {std::pair<const char*, EdgePlanar>{"rg8ToBgr8P_edge", rg8ToBgr8P_edge},
                          std::pair<const char*, EdgePlanar>{"gb8ToBgr8P_edge", gb8ToBgr8P_edge}}) {
        const EdgePlanar f = k.second;
        cases.push_back({k.first, true, [=](Sides s, Buffers& b) {
                             return refused(f(b[0], s.height, s.width, b[1], b[2], b[3], b[3]));
                         }});
    }
    for (const auto& k : {std::pair<const char*, EdgeMono>{"rg8ToMono8_edge", rg8ToMono8_edge},
                          std::pair<const char*, EdgeMono>{"gb8ToMono8_edge", gb8ToMono8_edge}}) {
        const EdgeMono f = k.second;
        cases.push_back(
            {k.first, false, [=](Sides s, Buffers& b) { return refused(f(b[0], s.height, s.width, b[1], 0, b[2])); }});
    }
    // The nearest kernels take unsigned sides: negative ones arrive as
    // values of 2^31 and more.
    const std::pair<const char*, Nearest> nearest[] = {{"rg8ToBgr8_nearest", rg8ToBgr8_nearest},
                                                       {"gb8ToBgr8_nearest", gb8ToBgr8_nearest},
                                                       {"rg8ToBgra8_nearest", rg8ToBgra8_nearest},
                                                       {"gb8ToBgra8_nearest", gb8ToBgra8_nearest},
                                                       {"rg8ToMono8_nearest", rg8ToMono8_nearest},
                                                       {"gb8ToMono8_nearest", gb8ToMono8_nearest}};
    for (const auto& k : nearest) {
        const Nearest f = k.second;
        const bool wide = strstr(k.first, "Mono8") == nullptr;
        cases.push_back({k.first, wide, [=](Sides s, Buffers& b) {
                             return refusedUnsigned(f(b[0], uint32_t(s.height), uint32_t(s.width), b[1], 0));
                         }});
    }
    for (const auto& k : {std::pair<const char*, NearestPlanar>{"rg8ToBgr8P_nearest", rg8ToBgr8P_nearest},
                          std::pair<const char*, NearestPlanar>{"gb8ToBgr8P_nearest", gb8ToBgr8P_nearest}}) {
        const NearestPlanar f = k.second;
        cases.push_back({k.first, false, [=](Sides s, Buffers& b) {
                             return refusedUnsigned(f(b[0], uint32_t(s.height), uint32_t(s.width), b[1], b[2], b[3]));
                         }});
    }
    sweep(cases);
}

TEST(SizeSweep, SixteenBitEntriesAndRoutines) {
    std::vector<Case> cases = {
        {"tavDemosaicingBilinearU16", true,
         [](Sides s, Buffers& b) { return refused(tavDemosaicingBilinearU16(b.words(0), s.height, s.width, b.words(1))); }},
        {"tavDemosaicingBilinearU16P", true,
         [](Sides s, Buffers& b) {
             return refused(
                 tavDemosaicingBilinearU16P(b.words(0), s.height, s.width, b.words(1), b.words(2), b.words(3)));
         }},
        {"demosaicingBilinearRGGBU16", true,
         [](Sides s, Buffers& b) { return refused(demosaicingBilinearRGGBU16(b.words(0), s.height, s.width, b.words(1))); }},
        {"demosaicingBilinearRGGBU16P", true,
         [](Sides s, Buffers& b) {
             return refused(
                 demosaicingBilinearRGGBU16P(b.words(0), s.height, s.width, b.words(1), b.words(2), b.words(3)));
         }},
        {"bilinearFirstRowsRGGBU16", true,
         [](Sides s, Buffers& b) {
             bilinearFirstRowsRGGBU16(b.words(0), b.words(1), s.width < 8 ? s.width : INT32_MAX, 0);
             return true;
         }},
        {"bilinearFirstColsRGGBU16", true,
         [](Sides s, Buffers& b) {
             bilinearFirstColsRGGBU16(b.words(0), b.words(1), s.height, s.width, 0);
             bilinearFirstColsRGGBU16P(b.words(0), b.words(1), b.words(2), b.words(3), s.height, s.width, 0);
             return true;
         }},
        {"bilinearBodyRGGBU16", true,
         [](Sides s, Buffers& b) {
             const TavBodyExtent e = bilinearBodyRGGBU16(b.words(0), b.words(1), s.height, s.width, 0);
             const TavBodyExtent p =
                 bilinearBodyRGGBU16P(b.words(0), b.words(1), b.words(2), b.words(3), s.height, s.width, 0);
             return e.row == 0 && e.column == 0 && p.row == 0 && p.column == 0;
         }},
        {"bilinearLastRowsCols", true,
         [](Sides s, Buffers& b) {
             const int32_t lastRow = s.height == INT32_MIN ? s.height : s.height - 1;
             const int32_t lastColumn = s.width == INT32_MIN ? s.width : s.width - 1;
             bilinearLastRowsRGGBU16(b.words(0), b.words(1), s.height, s.width, lastRow, 0);
             bilinearLastColsRGGBU16(b.words(0), b.words(1), s.height, s.width, lastColumn, 0);
             bilinearLastRowsRGGBU16P(b.words(0), b.words(1), b.words(2), b.words(3), s.height, s.width, lastRow, 0);
             bilinearLastColsRGGBU16P(b.words(0), b.words(1), b.words(2), b.words(3), s.height, s.width, lastColumn,
                                      0);
             return true;
         }},
        {"edgeFirstRows", true,
         [](Sides s, Buffers& b) {
             const int32_t width = s.width < 8 ? s.width : INT32_MAX;
             edgeFirstRowsRGGBU16(b.words(0), b.words(1), width, 2, 65535);
             edgeFirstRowsGBRGU16(b.words(0), b.words(1), width, 3, 65535);
             return true;
         }},
        {"edgeFirstCols", true,
         [](Sides s, Buffers& b) {
             edgeFirstColsRGGBU16(b.words(0), b.words(1), s.height, s.width, 65535);
             edgeFirstColsGRBGU16(b.words(0), b.words(1), s.height, s.width, 65535);
             return true;
         }},
        {"edgeSecRGGBU16", true,
         [](Sides s, Buffers& b) {
             edgeSecRGGBU16(b.words(0), b.words(1), s.height, s.width, 2, 65535);
             return true;
         }},
        {"edgeLastRowsCols", true,
         [](Sides s, Buffers& b) {
             edgeLastRowsRGGBU16(b.words(0), b.words(1), s.height, s.width, 2, 2, 65535);
             edgeLastColsRGGBU16(b.words(0), b.words(1), s.height, s.width, 2, 65535);
             return true;
         }},
    };
    using Edge16 = uint32_t (*)(const uint16_t*, int32_t, int32_t, uint16_t*);
    for (const auto& k : {std::pair<const char*, Edge16>{"demosaicingEdgeRGGBU16", demosaicingEdgeRGGBU16},
                          std::pair<const char*, Edge16>{"demosaicingEdgeGRBGU16", demosaicingEdgeGRBGU16},
                          std::pair<const char*, Edge16>{"demosaicingEdgeGBRGU16", demosaicingEdgeGBRGU16},
                          std::pair<const char*, Edge16>{"demosaicingEdgeBGGRU16", demosaicingEdgeBGGRU16}}) {
        const Edge16 f = k.second;
        cases.push_back({k.first, true, [=](Sides s, Buffers& b) {
                             return refusedUnsigned(f(b.words(0), s.height, s.width, b.words(1)));
                         }});
    }
    sweep(cases);
}

// The region routines that take a start row or column refuse starts outside
// the frame, for a frame that is otherwise valid (8 x 8, buffers of its size).
TEST(SizeSweep, RegionStartsOutsideTheFrame) {
    for (int32_t start : {INT32_MIN, -1, 9, INT32_MAX}) {
        std::vector<uint16_t> source(64, 1000);
        tavtest::GuardedBuffer out(64 * 3 * 2), b(64 * 2), g(64 * 2), r(64 * 2);
        const std::vector<uint8_t> before = out.contents();
        uint16_t* dst = reinterpret_cast<uint16_t*>(out.data());
        auto* bp = reinterpret_cast<uint16_t*>(b.data());
        auto* gp = reinterpret_cast<uint16_t*>(g.data());
        auto* rp = reinterpret_cast<uint16_t*>(r.data());
        bilinearLastRowsRGGBU16(source.data(), dst, 8, 8, start, 0);
        bilinearLastColsRGGBU16(source.data(), dst, 8, 8, start, 0);
        bilinearLastRowsRGGBU16P(source.data(), bp, gp, rp, 8, 8, start, 0);
        bilinearLastColsRGGBU16P(source.data(), bp, gp, rp, 8, 8, start, 0);
        edgeLastRowsRGGBU16(source.data(), dst, 8, 8, start, 2, 65535);
        edgeLastColsRGGBU16(source.data(), dst, 8, 8, start, 65535);
        EXPECT_EQ(out.contents(), before) << start;
        EXPECT_TRUE(out.intact() && b.intact() && g.intact() && r.intact()) << start;
        EXPECT_EQ(b.contents(), std::vector<uint8_t>(128, 0xCD)) << start;
    }
}

TEST(SizeSweep, Shading) {
    std::vector<Case> cases = {
        {"tavGetLSCParameter", false,
         [](Sides s, Buffers& b) {
             bool all = true;
             for (uint32_t mode : {0u, 1u}) {
                 const TavLSCInput input = {mode, 12, s.width, s.height, b.floats(0), b.floats(1)};
                 all = all && refused(tavGetLSCParameter(&input, reinterpret_cast<uint32_t*>(b[2])));
             }
             return all;
         }},
        {"tavGetBasicLSCParameter", false,
         [](Sides s, Buffers& b) {
             const TavBasicLSCInput input = {0, 12, 3, s.width, s.height, 16, 16, b.floats(0), 10.0f};
             return refused(tavGetBasicLSCParameter(&input, b[1]));
         }},
        {"tavLSCorrection", false,
         [](Sides s, Buffers& b) {
             bool all = true;
             for (int32_t type : {TAV_PIXEL_MONO8, TAV_PIXEL_BAYER_RG12}) {
                 for (uint32_t mode : {0u, 1u}) {
                     uint32_t table[3] = {mode, uint32_t(s.height), uint32_t(s.width)};
                     const TavImage input = {s.height, s.width, type, b[0], 0};
                     const TavImage output = {s.height, s.width, type, b[1], 0};
                     all = all && refused(tavLSCorrection(&input, &output, table));
                 }
             }
             return all;
         }},
        {"LSCcorrect", false,
         [](Sides s, Buffers& b) {
             const uint32_t* words = reinterpret_cast<const uint32_t*>(b[2]);
             return refused(LSCcorrect8_2x2(b[0], b[1], 0, words, s.height, s.width)) &&
                    refused(LSCcorrect8_2x2(b[0], b[1], 1, words, s.height, s.width)) &&
                    refused(LSCcorrect16_2x2(b.words(0), b.words(1), 0, words, s.height, s.width, 12)) &&
                    refused(LSCcorrect16_2x2(b.words(0), b.words(1), 1, words, s.height, s.width, 10));
         }},
        {"dataInit2x2", false,
         [](Sides s, Buffers& b) {
             return refused(dataInit2x2(b.floats(0), b.floats(1), s.height, s.width, b.floats(2), b.floats(3)));
         }},
        {"grayDataInit", false,
         [](Sides s, Buffers& b) {
             return refused(grayDataInit(b.floats(0), s.height, s.width, 16, 16, s.height / 16, s.width / 16, 256,
                                         b.floats(1))) &&
                    refused(grayDataInit(b.floats(0), 16, 16, 16, 16, s.height, s.width, 256, b.floats(1)));
         }},
        {"getLSCKBMono", false,
         [](Sides s, Buffers& b) {
             const int32_t count = s.height < 0 ? s.height : s.width;
             if (count >= 0) return true;  // a count describes its own buffers; only negative ones are refusals
             return refused(getLSCKBMono(b.floats(0), b.floats(1), count, 12, reinterpret_cast<uint32_t*>(b[2]), 1.0)) &&
                    refused(getLSCKBMono_REGION(b.floats(0), b.floats(1), count, 12, b[2], 1.0, 0.0f)) &&
                    getTargetLSCMono(b.floats(0), b.floats(1), count) == 0.0;
         }},
#ifdef TAV_HAVE_FFC
        {"IMG_LSC_*", false,
         [](Sides s, Buffers& b) {
             const TavLSCInput input = {1, 12, s.width, s.height, b.floats(0), b.floats(1)};
             const bool parameter = IMG_LSC_GetFFCParameter(&input, reinterpret_cast<uint32_t*>(b[2])) != 0;
             IMG_LSC_BASIC_PARAM param = {0, 1, 12, 3, s.width, s.height, 10.0f, b.floats(0)};
             const bool import = IMG_LSC_ImportParam(param, b[1]) != 0;
             uint32_t table[3] = {1, uint32_t(s.height), uint32_t(s.width)};
             IMG_LSC_FFC_IMAGE image = {b[0], table, b[1], s.width, s.height, TAV_PIXEL_BAYER_GR12};
             return parameter && import && IMG_LSC_GetFFCImage(image) != 0;
         }},
#endif
    };
    sweep(cases);
}

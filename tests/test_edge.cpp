// Edge-directed 8-bit kernels against the plain reference, byte for byte.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "ref_edge.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::errorLine;

namespace {

using tavtest::EdgeReference;
using tavtest::GuardedBuffer;

enum class Kind { Bgr8, Bgra8, Bgr8P, Mono8 };

using InterleavedFn = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t);
using PlanarFn = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*, uint8_t*, uint8_t*,
                             uint8_t*);
using MonoFn = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t, uint8_t*);

struct EdgeKernel {
    const char* name;
    bool redRowsOdd;  // GB phase
    Kind kind;
    tav::DiagnosticLine line;
    InterleavedFn interleaved;
    PlanarFn planar;
    MonoFn mono;
};

const EdgeKernel kKernels[] = {
    {"rg8ToBgr8_edge", false, Kind::Bgr8, tav::kLineEdgeRgBgr, rg8ToBgr8_edge, nullptr, nullptr},
    {"gb8ToBgr8_edge", true, Kind::Bgr8, tav::kLineEdgeGbBgr, gb8ToBgr8_edge, nullptr, nullptr},
    {"rg8ToBgra8_edge", false, Kind::Bgra8, tav::kLineEdgeRgBgra, rg8ToBgra8_edge, nullptr, nullptr},
    {"gb8ToBgra8_edge", true, Kind::Bgra8, tav::kLineEdgeGbBgra, gb8ToBgra8_edge, nullptr, nullptr},
    {"rg8ToBgr8P_edge", false, Kind::Bgr8P, tav::kLineEdgeRgPlanar, nullptr, rg8ToBgr8P_edge, nullptr},
    {"gb8ToBgr8P_edge", true, Kind::Bgr8P, tav::kLineEdgeGbPlanar, nullptr, gb8ToBgr8P_edge, nullptr},
    {"rg8ToMono8_edge", false, Kind::Mono8, tav::kLineEdgeRgMono, nullptr, nullptr, rg8ToMono8_edge},
    {"gb8ToMono8_edge", true, Kind::Mono8, tav::kLineEdgeGbMono, nullptr, nullptr, gb8ToMono8_edge},
};

struct KernelRun {
    int32_t status = 0;
    std::vector<uint8_t> output;  // planar: R, G, B planes one after another
    bool guardsIntact = true;
    std::string printed;
};

size_t outputBytes(Kind kind, size_t n) {
    return kind == Kind::Bgra8 ? 4 * n : kind == Kind::Mono8 ? n : 3 * n;
}

// Runs a kernel into guarded buffers prefilled with `fill`, sized exactly for
// (h, w) or, when `fixedBytes` is nonzero, all of that size.
KernelRun runKernel(const EdgeKernel& k, const uint8_t* frame, int h, int w, uint32_t flag,
                    uint8_t fill = 0xFF, size_t fixedBytes = 0) {
    // Callers pass real frame sizes here; the cap only bounds the arithmetic.
    const size_t n = fixedBytes ? fixedBytes
                                : std::min<size_t>(size_t(h > 0 ? h : 0) * size_t(w > 0 ? w : 0),
                                                   size_t(1) << 24);
    const size_t planeBytes = n;
    GuardedBuffer out(fixedBytes ? fixedBytes : outputBytes(k.kind, n), fill);
    GuardedBuffer p1(planeBytes, fill), p2(planeBytes, fill);
    GuardedBuffer work(fixedBytes ? fixedBytes : size_t(w > 0 ? w : 0), fill);
    KernelRun run;
    run.printed = tavtest::captureStdout([&] {
        switch (k.kind) {
            case Kind::Bgr8:
            case Kind::Bgra8: run.status = k.interleaved(frame, h, w, out.data(), flag); break;
            case Kind::Bgr8P:
                run.status = k.planar(frame, h, w, out.data(), p1.data(), p2.data(), work.data());
                break;
            case Kind::Mono8: run.status = k.mono(frame, h, w, out.data(), flag, work.data()); break;
        }
    });
    run.output = out.contents();
    if (k.kind == Kind::Bgr8P) {
        run.output.resize(planeBytes);
        for (auto* p : {&p1, &p2}) {
            const auto c = p->contents();
            run.output.insert(run.output.end(), c.begin(), c.end());
        }
    }
    run.guardsIntact = out.intact() && p1.intact() && p2.intact() && work.intact();
    return run;
}

std::vector<uint8_t> expectedOutput(const EdgeKernel& k, const EdgeReference& ref, uint32_t flag) {
    switch (k.kind) {
        case Kind::Bgr8: return ref.interleaved(3, flag != 0);
        case Kind::Bgra8: return ref.interleaved(4, flag != 0);
        case Kind::Mono8: return ref.luma(flag != 0);
        case Kind::Bgr8P: break;
    }
    std::vector<uint8_t> planes = ref.red;
    planes.insert(planes.end(), ref.green.begin(), ref.green.end());
    planes.insert(planes.end(), ref.blue.begin(), ref.blue.end());
    return planes;
}

// Every kernel, both flag values, against the reference for one frame.
void expectAllKernelsMatch(const std::vector<uint8_t>& frame, int h, int w, const char* what) {
    const EdgeReference refRG = tavtest::edgeReference(frame.data(), h, w, false);
    const EdgeReference refGB = tavtest::edgeReference(frame.data(), h, w, true);
    for (const EdgeKernel& k : kKernels) {
        for (uint32_t flag : {0u, 1u, 0x80000000u}) {
            if (k.kind == Kind::Bgr8P && flag != 0) continue;  // planar kernels take no flag
            SCOPED_TRACE(testing::Message() << what << " " << k.name << " " << h << "x" << w
                                            << " flag " << flag);
            const KernelRun run = runKernel(k, frame.data(), h, w, flag);
            ASSERT_EQ(run.status, 0);
            EXPECT_EQ(run.printed, "");
            EXPECT_TRUE(run.guardsIntact);
            ASSERT_EQ(run.output, expectedOutput(k, k.redRowsOdd ? refGB : refRG, flag));
        }
    }
}

std::vector<uint8_t> framesOfValues(size_t n, uint32_t seed, std::vector<uint8_t> values) {
    std::vector<uint8_t> frame = tavtest::randomBytes(n, seed);
    for (auto& v : frame) v = values[v % values.size()];
    return frame;
}

TEST(EdgeKernels, MatchReferenceOnRandomFramesOfAllParities) {
    // 6 and 7 give the shortest row and column schedules; the larger sizes run
    // several body steps and the interior column loop.
    const int sizes[] = {6, 7, 8, 9, 10, 11, 12, 13, 16, 23, 30};
    uint32_t seed = 1;
    for (int h : sizes) {
        for (int w : sizes) {
            expectAllKernelsMatch(tavtest::randomBytes(size_t(h) * w, seed++), h, w, "random");
        }
    }
}

TEST(EdgeKernels, MatchReferenceOnTiesAndClampingFrames) {
    // Values 0..3 make equal gradients common (ties go vertical); 0/255
    // frames drive every interpolation past both ends of the clamp.
    const int sizes[] = {6, 7, 9, 14, 17};
    uint32_t seed = 100;
    for (int h : sizes) {
        for (int w : sizes) {
            const size_t n = size_t(h) * w;
            expectAllKernelsMatch(framesOfValues(n, seed++, {0, 1, 2, 3}), h, w, "ties");
            expectAllKernelsMatch(framesOfValues(n, seed++, {0, 255}), h, w, "contrast");
            expectAllKernelsMatch(framesOfValues(n, seed++, {0, 0, 255, 250, 5}), h, w, "edges");
        }
    }
    // The same through the interior blocks of wide rows.
    for (int h : {6, 9}) {
        const int w = 77;
        const size_t n = size_t(h) * w;
        expectAllKernelsMatch(framesOfValues(n, seed++, {0, 1, 2, 3}), h, w, "ties");
        expectAllKernelsMatch(framesOfValues(n, seed++, {0, 255}), h, w, "contrast");
    }
}

TEST(EdgeKernels, MatchReferenceOnWiderFrames) {
    // Every width around the interior block boundaries (blocks of 16 columns
    // from column 2, with the per-column path before and after them).
    for (int w = 20; w <= 58; ++w) {
        expectAllKernelsMatch(tavtest::randomBytes(size_t(7) * w, 500 + w), w % 2 ? 7 : 6, w, "block");
    }
    expectAllKernelsMatch(tavtest::randomBytes(21 * 203, 7), 21, 203, "wide");
    expectAllKernelsMatch(tavtest::randomBytes(64 * 130, 8), 64, 130, "wide");
}

// Interior red site (2, 2) of an RG frame: horizontal gradient 20 beats the
// vertical 40, so green = (90 + 110) / 2 + (dh >> 2).
TEST(EdgeKernels, WorkedExampleRedSiteGreen) {
    const int h = 8, w = 8;
    for (int rightSample : {120, 123}) {  // dh = 0, then dh = -3
        std::vector<uint8_t> frame(h * w, 50);
        auto at = [&](int y, int x) -> uint8_t& { return frame[y * w + x]; };
        at(2, 2) = 100;
        at(2, 0) = 80;
        at(2, 4) = uint8_t(rightSample);
        at(2, 1) = 90;
        at(2, 3) = 110;
        at(0, 2) = 60;
        at(4, 2) = 100;
        at(1, 2) = 100;
        at(3, 2) = 100;
        std::vector<uint8_t> out(3 * h * w);
        ASSERT_EQ(rg8ToBgr8_edge(frame.data(), h, w, out.data(), 0), 0);
        EXPECT_EQ(out[(2 * w + 2) * 3 + 1], rightSample == 120 ? 100 : 99);
        EXPECT_EQ(out[(2 * w + 2) * 3 + 2], 100);  // red keeps its own sample
    }
}

TEST(EdgeKernels, OutputKindsAgreeWithEachOther) {
    const int h = 11, w = 14;
    const std::vector<uint8_t> frame = tavtest::randomBytes(h * w, 42);
    for (bool gb : {false, true}) {
        const EdgeKernel& bgr = kKernels[gb ? 1 : 0];
        const EdgeKernel& bgra = kKernels[gb ? 3 : 2];
        const EdgeKernel& planar = kKernels[gb ? 5 : 4];
        const EdgeKernel& mono = kKernels[gb ? 7 : 6];
        const size_t n = size_t(h) * w;
        const auto colour = runKernel(bgr, frame.data(), h, w, 0).output;
        const auto colourA = runKernel(bgra, frame.data(), h, w, 0).output;
        const auto planes = runKernel(planar, frame.data(), h, w, 0).output;
        for (uint32_t flag : {0u, 1u}) {
            const auto grey = runKernel(mono, frame.data(), h, w, flag).output;
            for (size_t i = 0; i < n; ++i) {
                const int b = colour[3 * i], g = colour[3 * i + 1], r = colour[3 * i + 2];
                ASSERT_EQ(planes[i], r);
                ASSERT_EQ(planes[n + i], g);
                ASSERT_EQ(planes[2 * n + i], b);
                ASSERT_EQ(colourA[4 * i], b);
                ASSERT_EQ(colourA[4 * i + 1], g);
                ASSERT_EQ(colourA[4 * i + 2], r);
                const int wr = flag ? 29 : 77, wb = flag ? 77 : 29;
                ASSERT_EQ(grey[i], (wr * r + 150 * g + wb * b + 128) >> 8);
            }
        }
    }
}

TEST(EdgeKernels, RefuseSmallAndOversizedFramesWithoutTouchingBuffers) {
    struct Size {
        int h, w;
    };
    // Too small, zero, negative; and products that overflow 32 bits for
    // every output kind (Mono8 needs w x h itself to overflow).
    const Size sizes[] = {{5, 6},       {6, 5},      {5, 5},         {0, 6},    {6, 0},
                          {-1, 6},      {6, -7},     {INT_MIN, 8},   {8, INT_MIN},
                          {65536, 32768}, {46341, 46341}, {INT_MAX, INT_MAX}};
    const std::vector<uint8_t> frame(64, 9);
    for (const EdgeKernel& k : kKernels) {
        for (const Size& s : sizes) {
            SCOPED_TRACE(testing::Message() << k.name << " " << s.h << "x" << s.w);
            // Small buffers: anything but a refusal would run off their end.
            const KernelRun run = runKernel(k, frame.data(), s.h, s.w, 0, 0x3C, 64);
            EXPECT_EQ(run.status, TAV_E_SIZE);
            EXPECT_EQ(run.printed, errorLine(k.line));
            EXPECT_TRUE(run.guardsIntact);
            for (uint8_t b : run.output) ASSERT_EQ(b, 0x3C);
        }
    }
    // Colour kinds refuse a frame whose 3 or 4 bytes per pixel overflow even
    // though w x h alone fits.
    for (const EdgeKernel& k : kKernels) {
        if (k.kind == Kind::Mono8) continue;
        const KernelRun run = runKernel(k, frame.data(), 30000, 30000, 0, 0x3C, 64);
        EXPECT_EQ(run.status, TAV_E_SIZE) << k.name;
    }
}

// Called directly, a kernel refuses null buffers after the size check.
TEST(EdgeKernels, RefuseNullBuffers) {
    const int h = 6, w = 6;
    const std::vector<uint8_t> frame(h * w, 1);
    std::vector<uint8_t> a(4 * h * w), b(h * w), c(h * w), work(w);
    for (const EdgeKernel& k : kKernels) {
        const std::string line = errorLine(k.line);
        // Each pointer argument null in turn.
        for (int which = 0; which < 5; ++which) {
            const uint8_t* src = which == 0 ? nullptr : frame.data();
            uint8_t* out = which == 1 ? nullptr : a.data();
            uint8_t* p1 = which == 2 ? nullptr : b.data();
            uint8_t* p2 = which == 3 ? nullptr : c.data();
            uint8_t* wb = which == 4 ? nullptr : work.data();
            const bool usesArgument = k.kind == Kind::Bgr8P || which < 2 ||
                                      (k.kind == Kind::Mono8 && which == 4);
            if (!usesArgument) continue;
            int32_t status = 0;
            const std::string printed = tavtest::captureStdout([&] {
                switch (k.kind) {
                    case Kind::Bgr8:
                    case Kind::Bgra8: status = k.interleaved(src, h, w, out, 0); break;
                    case Kind::Bgr8P: status = k.planar(src, h, w, out, p1, p2, wb); break;
                    case Kind::Mono8: status = k.mono(src, h, w, out, 0, wb); break;
                }
            });
            EXPECT_EQ(status, TAV_E_NULL_POINTER) << k.name << " argument " << which;
            EXPECT_EQ(printed, line);
        }
        // A bad size is reported first.
        const std::string printed = tavtest::captureStdout([&] {
            const int32_t status = k.kind == Kind::Bgr8P ? k.planar(nullptr, 5, w, nullptr, nullptr, nullptr, nullptr)
                                   : k.kind == Kind::Mono8 ? k.mono(nullptr, 5, w, nullptr, 0, nullptr)
                                                           : k.interleaved(nullptr, 5, w, nullptr, 0);
            EXPECT_EQ(status, TAV_E_SIZE);
        });
        EXPECT_EQ(printed, line);
    }
}

}  // namespace

// Every kernel table's 8-bit kernels against the per-pixel references, in
// one binary: the plain rule and each vector table this machine runs, made
// active through the internal cap. Frames and outputs end
// at a page boundary with an inaccessible page after them, so a vector
// block that reads or writes past a row end of the frame faults.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "page_end_buffer.h"
#include "ref_bilinear.h"
#include "ref_edge.h"
#include "ref_nearest.h"
#include "kernel_tables.h"
#include "tav_kernels.h"
#include "test_support.h"

namespace {

using kerneltables::Isa;
using kerneltables::isaName;
using tavtest::PageEndBuffer;

enum class Layout { Interleaved3, Interleaved4, Planar, Grey };

size_t outputBytes(Layout layout, size_t n) {
    return layout == Layout::Interleaved4 ? 4 * n : layout == Layout::Grey ? n : 3 * n;
}

// One kernel call with a uniform signature: output planes one after another
// (each in its own page-end buffer), a flag, and a work row where needed.
struct Outputs {
    std::vector<uint8_t> bytes;
    int64_t status;
};

template <class Call>
Outputs runPaged(Layout layout, int h, int w, const std::vector<uint8_t>& frame, Call call) {
    const size_t n = static_cast<size_t>(h) * w;
    PageEndBuffer source(n);
    std::memcpy(source.data(), frame.data(), n);
    Outputs out;
    if (layout == Layout::Planar) {
        PageEndBuffer p0(n), p1(n), p2(n), work(w);
        out.status = call(source.data(), p0.data(), p1.data(), p2.data(), work.data());
        out.bytes = p0.contents();
        for (auto* p : {&p1, &p2}) {
            const auto c = p->contents();
            out.bytes.insert(out.bytes.end(), c.begin(), c.end());
        }
    } else {
        PageEndBuffer dst(outputBytes(layout, n)), work(w);
        out.status = call(source.data(), dst.data(), nullptr, nullptr, work.data());
        out.bytes = dst.contents();
    }
    EXPECT_EQ(source.contents(), frame) << "the source was written";
    return out;
}

// Widths around every block size and tail length, every parity of both sides.
std::vector<std::pair<int, int>> frameSizes(int smallest) {
    std::vector<std::pair<int, int>> sizes;
    for (int h = smallest; h <= smallest + 3; ++h)
        for (int w = smallest; w <= 72; ++w) sizes.push_back({h, w});
    for (auto s : {std::make_pair(17, 101), std::make_pair(12, 130), std::make_pair(9, 259)})
        sizes.push_back(s);
    return sizes;
}

// ---- nearest ----

struct NearestKernel {
    const char* name;
    nearestref::Phase phase;
    nearestref::Kind kind;
    Layout layout;
    uint32_t (*flagged)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint32_t);
    uint32_t (*planar)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint8_t*, uint8_t*);
};

const NearestKernel kNearest[] = {
    {"rg8ToBgr8", nearestref::Phase::RG, nearestref::Kind::Bgr8, Layout::Interleaved3, rg8ToBgr8_nearest, nullptr},
    {"gb8ToBgr8", nearestref::Phase::GB, nearestref::Kind::Bgr8, Layout::Interleaved3, gb8ToBgr8_nearest, nullptr},
    {"rg8ToBgra8", nearestref::Phase::RG, nearestref::Kind::Bgra8, Layout::Interleaved4, rg8ToBgra8_nearest, nullptr},
    {"gb8ToBgra8", nearestref::Phase::GB, nearestref::Kind::Bgra8, Layout::Interleaved4, gb8ToBgra8_nearest, nullptr},
    {"rg8ToBgr8P", nearestref::Phase::RG, nearestref::Kind::Planar, Layout::Planar, nullptr, rg8ToBgr8P_nearest},
    {"gb8ToBgr8P", nearestref::Phase::GB, nearestref::Kind::Planar, Layout::Planar, nullptr, gb8ToBgr8P_nearest},
    {"rg8ToMono8", nearestref::Phase::RG, nearestref::Kind::Mono8, Layout::Grey, rg8ToMono8_nearest, nullptr},
    {"gb8ToMono8", nearestref::Phase::GB, nearestref::Kind::Mono8, Layout::Grey, gb8ToMono8_nearest, nullptr},
};

TEST(KernelTables8, NearestMatchesTheRuleInEveryVariant) {
    const kerneltables::ActiveTable uncapped(Isa::Neon);
    const auto isas = kerneltables::runnableTables();
    uint32_t seed = 1;
    for (auto [h, w] : frameSizes(4)) {
        const auto frame = tavtest::randomBytes(static_cast<size_t>(h) * w, seed++);
        for (const NearestKernel& k : kNearest) {
            for (uint32_t flag : {0u, 1u}) {
                if (k.planar && flag) continue;
                const auto expected = nearestref::referenceNearest(frame, h, w, k.phase, k.kind, flag);
                for (Isa isa : isas) {
                    tav::simd::setIsaCap(isa);
                    const Outputs out = runPaged(k.layout, h, w, frame,
                                                 [&](const uint8_t* s, uint8_t* d, uint8_t* p1, uint8_t* p2, uint8_t*) {
                                                     return k.planar ? k.planar(s, h, w, d, p1, p2)
                                                                     : k.flagged(s, h, w, d, flag);
                                                 });
                    ASSERT_EQ(out.status, 0);
                    ASSERT_EQ(out.bytes, expected)
                        << k.name << " " << isaName(isa) << " " << w << "x" << h << " flag " << flag;
                }
            }
        }
    }
}

// ---- bilinear ----

struct BilinearKernel {
    const char* name;
    refbilinear::Phase phase;
    Layout layout;
    int32_t (*interleaved)(const uint8_t*, int32_t, int32_t, uint8_t*);
    int32_t (*planar)(const uint8_t*, int32_t, int32_t, uint8_t*, uint8_t*, uint8_t*);
    int32_t (*grey)(const uint8_t*, int32_t, int32_t, const int32_t*, uint8_t*);
};

const BilinearKernel kBilinear[] = {
    {"rg8ToBgr8", refbilinear::kRG, Layout::Interleaved3, rg8ToBgr8_bilinear, nullptr, nullptr},
    {"bg8ToBgr8", refbilinear::kBG, Layout::Interleaved3, bg8ToBgr8_bilinear, nullptr, nullptr},
    {"gr8ToBgr8", refbilinear::kGR, Layout::Interleaved3, gr8ToBgr8_bilinear, nullptr, nullptr},
    {"gb8ToBgr8", refbilinear::kGB, Layout::Interleaved3, gb8ToBgr8_bilinear, nullptr, nullptr},
    {"rg8ToBgra8", refbilinear::kRG, Layout::Interleaved4, rg8ToBgra8_bilinear, nullptr, nullptr},
    {"bg8ToBgra8", refbilinear::kBG, Layout::Interleaved4, bg8ToBgra8_bilinear, nullptr, nullptr},
    {"gr8ToBgra8", refbilinear::kGR, Layout::Interleaved4, gr8ToBgra8_bilinear, nullptr, nullptr},
    {"gb8ToBgra8", refbilinear::kGB, Layout::Interleaved4, gb8ToBgra8_bilinear, nullptr, nullptr},
    {"rg8ToBgr8P", refbilinear::kRG, Layout::Planar, nullptr, rg8ToBgr8P_bilinear, nullptr},
    {"gr8ToBgr8P", refbilinear::kGR, Layout::Planar, nullptr, gr8ToBgr8P_bilinear, nullptr},
    {"rg8ToMono8", refbilinear::kRG, Layout::Grey, nullptr, nullptr, rg8ToMono8_bilinear},
    {"gr8ToMono8", refbilinear::kGR, Layout::Grey, nullptr, nullptr, gr8ToMono8_bilinear},
};

TEST(KernelTables8, BilinearMatchesTheRuleInEveryVariant) {
    const kerneltables::ActiveTable uncapped(Isa::Neon);
    const auto isas = kerneltables::runnableTables();
    // The converters' weights, and others that take the wide sum.
    const int32_t weightSets[][3] = {{77, 150, 29}, {29, 150, 77}, {256, 0, 0}, {0, 0, 256}, {300, -20, 1000}};
    uint32_t seed = 5000;
    for (auto [h, w] : frameSizes(4)) {
        const auto frame = tavtest::randomBytes(static_cast<size_t>(h) * w, seed++);
        for (const BilinearKernel& k : kBilinear) {
            const refbilinear::Rgb rgb = refbilinear::demosaic(frame, h, w, k.phase);
            for (const auto& weights : weightSets) {
                if (!k.grey && &weights != &weightSets[0]) continue;
                std::vector<uint8_t> expected;
                if (k.layout == Layout::Grey) {
                    expected = refbilinear::grey(rgb, weights);
                } else if (k.layout == Layout::Planar) {
                    expected = rgb.r;
                    expected.insert(expected.end(), rgb.g.begin(), rgb.g.end());
                    expected.insert(expected.end(), rgb.b.begin(), rgb.b.end());
                } else {
                    expected = refbilinear::interleaved(rgb, k.layout == Layout::Interleaved4 ? 4 : 3);
                }
                for (Isa isa : isas) {
                    tav::simd::setIsaCap(isa);
                    const Outputs out = runPaged(k.layout, h, w, frame,
                                                 [&](const uint8_t* s, uint8_t* d, uint8_t* p1, uint8_t* p2, uint8_t*) {
                                                     if (k.grey) return k.grey(s, h, w, weights, d);
                                                     if (k.planar) return k.planar(s, h, w, d, p1, p2);
                                                     return k.interleaved(s, h, w, d);
                                                 });
                    ASSERT_EQ(out.status, 0);
                    ASSERT_EQ(out.bytes, expected) << k.name << " " << isaName(isa) << " " << w << "x" << h;
                }
            }
        }
    }
}

// ---- edge-directed ----

struct EdgeKernel {
    const char* name;
    bool redRowsOdd;
    Layout layout;
    int32_t (*flagged)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t);
    int32_t (*planar)(const uint8_t*, int32_t, int32_t, uint8_t*, uint8_t*, uint8_t*, uint8_t*);
    int32_t (*grey)(const uint8_t*, int32_t, int32_t, uint8_t*, uint32_t, uint8_t*);
};

const EdgeKernel kEdge[] = {
    {"rg8ToBgr8", false, Layout::Interleaved3, rg8ToBgr8_edge, nullptr, nullptr},
    {"gb8ToBgr8", true, Layout::Interleaved3, gb8ToBgr8_edge, nullptr, nullptr},
    {"rg8ToBgra8", false, Layout::Interleaved4, rg8ToBgra8_edge, nullptr, nullptr},
    {"gb8ToBgra8", true, Layout::Interleaved4, gb8ToBgra8_edge, nullptr, nullptr},
    {"rg8ToBgr8P", false, Layout::Planar, nullptr, rg8ToBgr8P_edge, nullptr},
    {"gb8ToBgr8P", true, Layout::Planar, nullptr, gb8ToBgr8P_edge, nullptr},
    {"rg8ToMono8", false, Layout::Grey, nullptr, nullptr, rg8ToMono8_edge},
    {"gb8ToMono8", true, Layout::Grey, nullptr, nullptr, gb8ToMono8_edge},
};

TEST(KernelTables8, EdgeMatchesTheRuleInEveryVariant) {
    const kerneltables::ActiveTable uncapped(Isa::Neon);
    const auto isas = kerneltables::runnableTables();
    uint32_t seed = 9000;
    for (auto [h, w] : frameSizes(6)) {
        // Small values make gradient ties common; full-range ones clamp.
        auto frame = tavtest::randomBytes(static_cast<size_t>(h) * w, seed++);
        if (seed % 3 == 0)
            for (auto& v : frame) v &= 3;
        for (bool odd : {false, true}) {
            const auto ref = tavtest::edgeReference(frame.data(), h, w, odd);
            for (const EdgeKernel& k : kEdge) {
                if (k.redRowsOdd != odd) continue;
                for (uint32_t flag : {0u, 1u}) {
                    if (k.planar && flag) continue;
                    std::vector<uint8_t> expected;
                    if (k.layout == Layout::Planar) {
                        expected = ref.red;
                        expected.insert(expected.end(), ref.green.begin(), ref.green.end());
                        expected.insert(expected.end(), ref.blue.begin(), ref.blue.end());
                    } else if (k.layout == Layout::Grey) {
                        expected = ref.luma(flag != 0);
                    } else {
                        expected = ref.interleaved(k.layout == Layout::Interleaved4 ? 4 : 3, flag != 0);
                    }
                    for (Isa isa : isas) {
                        tav::simd::setIsaCap(isa);
                        const Outputs out = runPaged(k.layout, h, w, frame,
                                                     [&](const uint8_t* s, uint8_t* d, uint8_t* p1, uint8_t* p2, uint8_t* work) {
                                                         if (k.grey) return k.grey(s, h, w, d, flag, work);
                                                         if (k.planar) return k.planar(s, h, w, d, p1, p2, work);
                                                         return k.flagged(s, h, w, d, flag);
                                                     });
                        ASSERT_EQ(out.status, 0);
                        ASSERT_EQ(out.bytes, expected)
                            << k.name << " " << isaName(isa) << " " << w << "x" << h << " flag " << flag;
                    }
                }
            }
        }
    }
}

TEST(KernelTables8, FramesLargerThanTheCachesMatchThePlainPath) {
    // A 5.8-megapixel frame, odd width: rows start at every alignment.
    const kerneltables::ActiveTable uncapped(Isa::Neon);
    const auto isas = kerneltables::runnableTables();
    const int h = 2400, w = 2401;
    const auto frame = tavtest::randomBytes(static_cast<size_t>(h) * w, 77);
    struct Case {
        const char* name;
        Layout layout;
        std::function<int64_t(uint8_t*)> call;
    };
    const Case cases[] = {
        {"rg8ToBgr8_nearest", Layout::Interleaved3, [&](uint8_t* d) { return (int64_t)rg8ToBgr8_nearest(frame.data(), h, w, d, 1); }},
        {"gb8ToBgra8_nearest", Layout::Interleaved4, [&](uint8_t* d) { return (int64_t)gb8ToBgra8_nearest(frame.data(), h, w, d, 0); }},
        {"gr8ToBgr8_bilinear", Layout::Interleaved3, [&](uint8_t* d) { return (int64_t)gr8ToBgr8_bilinear(frame.data(), h, w, d); }},
        {"rg8ToBgra8_bilinear", Layout::Interleaved4, [&](uint8_t* d) { return (int64_t)rg8ToBgra8_bilinear(frame.data(), h, w, d); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> plain;
        for (Isa isa : isas) {
            tav::simd::setIsaCap(isa);
            PageEndBuffer out(outputBytes(c.layout, static_cast<size_t>(h) * w));
            ASSERT_EQ(c.call(out.data()), 0);
            if (isa == Isa::Plain)
                plain = out.contents();
            else
                ASSERT_TRUE(out.contents() == plain) << c.name << " " << isaName(isa);
        }
    }
}

TEST(KernelTables8, EveryBuiltVectorSetIsReachable) {
    // On the machines CI runs on, the detected set is among those tested.
    const auto isas = kerneltables::runnableTables();
    ASSERT_FALSE(isas.empty());
    EXPECT_EQ(isas.front(), Isa::Plain);
    EXPECT_EQ(isas.back(), tav::simd::detectedIsa());
}

}  // namespace

// Edge-directed 16-bit demosaicing against the plain two-pass reference.
#include <cstring>

#include "ref_u16.h"
#include "tavcore.h"
#include "test_support.h"
#include "u16_edge_orders.h"

namespace {

using tavtest::GuardedBuffer;

// Runs an entry point into a guarded buffer; returns the B,G,R samples.
std::vector<uint16_t> runEdge(const OrderCase& oc, const std::vector<uint16_t>& src, int h, int w,
                              uint32_t* status = nullptr) {
    const size_t samples = 3 * size_t(h) * w;
    GuardedBuffer out(samples * 2);
    uint32_t rc = 1;
    const std::string printed = tavtest::captureStdout([&] {
        rc = oc.entry(src.data(), h, w, reinterpret_cast<uint16_t*>(out.data()));
    });
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(out.intact()) << oc.name << " " << h << "x" << w;
    if (status) *status = rc;
    std::vector<uint16_t> v(samples);
    memcpy(v.data(), out.data(), samples * 2);
    return v;
}

// Compares B,G,R output with the R,G,B reference; reports the first mismatch.
::testing::AssertionResult sameAsReference(const std::vector<uint16_t>& bgr, const std::vector<uint16_t>& rgb,
                                           int w) {
    static const char* kNames[] = {"B", "G", "R"};
    for (size_t i = 0; i < bgr.size(); i += 3) {
        for (int ch = 0; ch < 3; ++ch) {
            if (bgr[i + ch] != rgb[i + 2 - ch]) {
                const size_t pixel = i / 3;
                return ::testing::AssertionFailure()
                       << kNames[ch] << " at (" << pixel / w << ", " << pixel % w << "): got " << bgr[i + ch]
                       << ", expected " << rgb[i + 2 - ch];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

// Every order, every parity of the size, full 16-bit range (so clamping at
// both ends is exercised) and 12-bit data.
TEST(U16Edge, MatchesReferenceEveryOrderAndParity) {
    uint32_t seed = 1;
    for (const OrderCase& oc : kOrders) {
        for (int h = oc.minHeight; h <= oc.minHeight + 9; ++h) {
            for (int w = 5; w <= 16; ++w) {
                for (uint32_t maxValue : {65535u, 4095u}) {
                    const auto src = tavtest::randomSamples16(size_t(h) * w, seed++, maxValue);
                    uint32_t status = 1;
                    const auto out = runEdge(oc, src, h, w, &status);
                    ASSERT_EQ(status, 0u);
                    ASSERT_TRUE(sameAsReference(out, refu16::edge(src, h, w, oc.order), w))
                        << oc.name << " " << h << "x" << w << " max " << maxValue;
                }
            }
        }
    }
}

TEST(U16Edge, MatchesReferenceOnLargerFrames) {
    // The widest frames (over 4100 columns) take a second interior path.
    const int sizes[][2] = {{37, 45}, {48, 64}, {8, 4101}, {9, 4108}};
    for (const OrderCase& oc : kOrders) {
        for (const auto& size : sizes) {
            const auto src = tavtest::randomSamples16(size_t(size[0]) * size[1], 99, 65535);
            ASSERT_TRUE(sameAsReference(runEdge(oc, src, size[0], size[1]),
                                        refu16::edge(src, size[0], size[1], oc.order), size[1]))
                << oc.name << " " << size[0] << "x" << size[1];
        }
    }
}

// Green at an R site, the gradients favouring vertical: (201 >> 1) + (-6 >> 2)
// = 100 - 2 = 98 (the negative correction rounds toward minus infinity).
TEST(U16Edge, WorkedGreenEstimate) {
    const int h = 9, w = 9;
    std::vector<uint16_t> src(size_t(h) * w, 100);
    auto at = [&](int r, int c) -> uint16_t& { return src[size_t(r) * w + c]; };
    at(4, 4) = 101;
    at(3, 4) = 100;
    at(5, 4) = 101;
    at(2, 4) = at(6, 4) = 104;
    at(4, 3) = 90;
    at(4, 5) = 110;
    at(4, 2) = at(4, 6) = 101;
    const auto out = runEdge(kOrders[0], src, h, w);
    EXPECT_EQ(out[3 * (4 * w + 4) + 1], 98);
}

// A uniform frame keeps its value everywhere, also above 12 bits and at the
// top of the range, in every order.
TEST(U16Edge, UniformFrameStaysGrey) {
    for (const OrderCase& oc : kOrders) {
        for (uint16_t v : {uint16_t(0), uint16_t(1000), uint16_t(4096), uint16_t(60000), uint16_t(65535)}) {
            const int h = 8, w = 7;
            const std::vector<uint16_t> src(size_t(h) * w, v);
            for (uint16_t s : runEdge(oc, src, h, w)) ASSERT_EQ(s, v) << oc.name << " value " << v;
        }
    }
}

// Frames below the minimum, too large or null are refused without writing
// or printing anything.
TEST(U16Edge, RefusesNullAndSmallFrames) {
    for (const OrderCase& oc : kOrders) {
        const int badSizes[][2] = {{oc.minHeight - 1, 8}, {oc.minHeight, 4}, {0, 8}, {-7, 8}, {oc.minHeight, -5},
                                   {65536, 65536}, {40000, 20000}};
        for (const auto& size : badSizes) {
            GuardedBuffer out(3 * 8 * 8 * 2, 0x11);
            const std::vector<uint16_t> src(64, 7);
            uint32_t rc = 0;
            const std::string printed = tavtest::captureStdout(
                [&] { rc = oc.entry(src.data(), size[0], size[1], reinterpret_cast<uint16_t*>(out.data())); });
            EXPECT_EQ(rc, uint32_t(TAV_E_SIZE)) << oc.name << " " << size[0] << "x" << size[1];
            EXPECT_EQ(printed, "");
            EXPECT_TRUE(out.intact());
            for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 0x11);
        }
        uint16_t dst[3 * 64];
        const std::vector<uint16_t> src(64, 7);
        EXPECT_EQ(oc.entry(nullptr, 8, 8, dst), uint32_t(TAV_E_NULL_POINTER));
        EXPECT_EQ(oc.entry(src.data(), 8, 8, nullptr), uint32_t(TAV_E_NULL_POINTER));
        EXPECT_EQ(oc.entry(nullptr, 2, 2, nullptr), uint32_t(TAV_E_NULL_POINTER));
    }
}

// The region routines called in the documented order, offsets and phase:
// each writes exactly its own part of the frame (a sample counts as written
// when it no longer depends on the buffer's fill), relying only on greens
// stored by the routines before it, and together they give the entry's result.
TEST(U16Edge, RoutinesWriteTheirRegions) {
    for (const OrderCase& oc : kOrders) {
        const int o = (oc.order == refu16::kGB || oc.order == refu16::kBG) ? 1 : 0;
        const int p = (oc.order == refu16::kRG || oc.order == refu16::kGB) ? 2 : 3;
        for (int h : {oc.minHeight, oc.minHeight + 1, oc.minHeight + 6}) {
            for (int w : {5, 6, 7, 8, 11}) {
                const auto src = tavtest::randomSamples16(size_t(h) * w, 500 + h * w, 65535);
                const size_t n = 3 * size_t(h) * w;
                std::vector<uint16_t> a(n, 0xAAAA), b(n, 0x5555);
                std::vector<char> done(n, 0);
                const int er = (h - 4 - o) & ~1;
                const int ec = p < w - 3 ? p + 2 + ((w - 4 - p) & ~1) : p;
                TavEdgeExtent extent = {-1, -1};
                const ptrdiff_t row = w, drow = 3 * ptrdiff_t(w);

                auto runStep = [&](const char* step, const std::function<void(uint16_t*)>& routine,
                                   const std::function<bool(int, int, int)>& region) {
                    routine(a.data());
                    routine(b.data());
                    for (int r = 0; r < h; ++r)
                        for (int c = 0; c < w; ++c)
                            for (int ch = 0; ch < 3; ++ch) {
                                const size_t i = 3 * (size_t(r) * w + c) + ch;
                                const bool newly = !done[i] && a[i] == b[i];
                                ASSERT_EQ(newly, region(r, c, ch)) << oc.name << " " << h << "x" << w << " " << step
                                                                   << " at (" << r << ", " << c << ") ch " << ch;
                                done[i] = done[i] || newly;
                            }
                };
                const bool blueGreen[3] = {true, true, false};
                runStep(
                    "first rows",
                    [&](uint16_t* d) {
                        if (o == 0) edgeFirstRowsRGGBU16(src.data(), d, w, p, 65535);
                        else edgeFirstRowsGBRGU16(src.data(), d, w, p, 65535);
                    },
                    [&](int r, int, int ch) { return r <= o || (r == 1 + o && blueGreen[ch]); });
                runStep(
                    "first cols",
                    [&](uint16_t* d) {
                        if (p == 2) edgeFirstColsRGGBU16(src.data() + o * row, d + o * drow, h - o, w, 65535);
                        else edgeFirstColsGRBGU16(src.data() + o * row, d + o * drow, h - o, w, 65535);
                    },
                    [&](int r, int c, int ch) {
                        if (r >= 2 + o) return c <= p - 2 || (c == p - 1 && blueGreen[ch]);
                        return r == 1 + o && c <= p - 2 && ch == 2;
                    });
                runStep(
                    "interior",
                    [&](uint16_t* d) {
                        extent = edgeSecRGGBU16(src.data() + (2 + o) * row, d + (2 + o) * drow, h - 4 - o, w, p,
                                                65535);
                    },
                    [&](int r, int c, int ch) {
                        if (blueGreen[ch]) return r >= 2 + o && r <= 1 + o + er && c >= p && c < ec;
                        return r >= 1 + o && r <= o + er && c >= p - 1 && c <= ec - 2;
                    });
                ASSERT_EQ(extent.column, ec);
                ASSERT_EQ(extent.rows, er);
                const int start = 2 + o + er;
                runStep(
                    "last rows",
                    [&](uint16_t* d) { edgeLastRowsRGGBU16(src.data(), d, h, w, start, p, 65535); },
                    [&](int r, int c, int ch) {
                        if (blueGreen[ch]) return r >= start && c >= p && c < ec;
                        return r >= start - 1 && c >= p - 1 && c <= ec - 2;
                    });
                runStep(
                    "last cols",
                    [&](uint16_t* d) {
                        edgeLastColsRGGBU16(src.data() + o * row, d + o * drow, h - o, w, ec, 65535);
                    },
                    [&](int r, int c, int ch) {
                        if (r >= 2 + o && c >= ec) return true;
                        return ch == 2 && ((c == ec - 1 && r >= 1 + o) || (r == 1 + o && c >= ec));
                    });
                ASSERT_EQ(a, runEdge(oc, src, h, w)) << oc.name << " " << h << "x" << w;
            }
        }
    }
}

// Called directly with sizes, phases or start positions they cannot serve,
// the routines write nothing (the frame here is 8x8, the buffer exactly it).
TEST(U16Edge, RoutinesRefuseWhatTheyCannotServe) {
    const std::vector<uint16_t> src(64, 1234);
    GuardedBuffer out(3 * 64 * 2, 0x77);
    uint16_t* d = reinterpret_cast<uint16_t*>(out.data());
    edgeFirstRowsRGGBU16(src.data(), d, 4, 2, 65535);
    edgeFirstRowsGBRGU16(src.data(), d, 8, 4, 65535);
    edgeFirstRowsRGGBU16(nullptr, d, 8, 2, 65535);
    edgeFirstColsRGGBU16(src.data(), d, 5, 8, 65535);
    edgeFirstColsGRBGU16(src.data(), d, 8, -8, 65535);
    edgeFirstColsGRBGU16(src.data(), nullptr, 8, 8, 65535);
    const TavEdgeExtent e = edgeSecRGGBU16(src.data() + 16, d + 48, 4, 8, 1, 65535);
    EXPECT_EQ(e.column, 0);
    EXPECT_EQ(e.rows, 0);
    const TavEdgeExtent none = edgeSecRGGBU16(src.data() + 16, d + 48, 1, 8, 2, 65535);
    EXPECT_EQ(none.rows, 0);
    edgeLastRowsRGGBU16(src.data(), d, 8, 8, 0, 2, 65535);
    edgeLastRowsRGGBU16(src.data(), d, 8, 8, 9, 2, 65535);
    edgeLastRowsRGGBU16(src.data(), d, 8, 8, 6, 5, 65535);
    edgeLastColsRGGBU16(src.data(), d, 8, 8, 0, 65535);
    edgeLastColsRGGBU16(src.data(), d, 8, 8, 9, 65535);
    edgeLastColsRGGBU16(src.data(), d, 2, 8, 6, 65535);
    EXPECT_TRUE(out.intact());
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 0x77) << i;

    // A bound above 16 bits still stores 16-bit values without wrapping.
    const std::vector<uint16_t> bright(64, 65535);
    edgeFirstRowsRGGBU16(bright.data(), d, 8, 2, 1 << 20);
    for (int i = 0; i < 3 * 16; ++i) {
        if (i % 3 == 1 || i < 24) ASSERT_EQ(d[i], 65535) << i;
    }
}

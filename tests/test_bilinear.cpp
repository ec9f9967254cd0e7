// Bilinear 8-bit kernels against the plain mirrored-rule reference.
#include <cstring>
#include <utility>
#include <vector>

#include "ref_bilinear.h"
#include "tavcore.h"
#include "test_support.h"

using refbilinear::Phase;
using tavtest::GuardedBuffer;

namespace {

using InterleavedKernel = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*);
using PlanarKernel = int32_t (*)(const uint8_t*, int32_t, int32_t, uint8_t*, uint8_t*, uint8_t*);
using GreyKernel = int32_t (*)(const uint8_t*, int32_t, int32_t, const int32_t*, uint8_t*);

struct InterleavedCase {
    InterleavedKernel kernel;
    Phase phase;
    int bytesPerPixel;
    const char* name;
};

const InterleavedCase kInterleaved[] = {
    {rg8ToBgr8_bilinear, refbilinear::kRG, 3, "rg8ToBgr8"},
    {bg8ToBgr8_bilinear, refbilinear::kBG, 3, "bg8ToBgr8"},
    {gr8ToBgr8_bilinear, refbilinear::kGR, 3, "gr8ToBgr8"},
    {gb8ToBgr8_bilinear, refbilinear::kGB, 3, "gb8ToBgr8"},
    {rg8ToBgra8_bilinear, refbilinear::kRG, 4, "rg8ToBgra8"},
    {bg8ToBgra8_bilinear, refbilinear::kBG, 4, "bg8ToBgra8"},
    {gr8ToBgra8_bilinear, refbilinear::kGR, 4, "gr8ToBgra8"},
    {gb8ToBgra8_bilinear, refbilinear::kGB, 4, "gb8ToBgra8"},
};

const std::pair<PlanarKernel, Phase> kPlanar[] = {{rg8ToBgr8P_bilinear, refbilinear::kRG},
                                                  {gr8ToBgr8P_bilinear, refbilinear::kGR}};
const std::pair<GreyKernel, Phase> kGrey[] = {{rg8ToMono8_bilinear, refbilinear::kRG},
                                              {gr8ToMono8_bilinear, refbilinear::kGR}};

// Every parity of height and width from the smallest frame up, plus rows
// long enough to span several interior chunks.
std::vector<std::pair<int, int>> frameSizes() {
    std::vector<std::pair<int, int>> sizes;
    for (int h = 4; h <= 11; ++h)
        for (int w = 4; w <= 11; ++w) sizes.push_back({h, w});
    // Widths around one and two 16-pixel blocks plus the row ends.
    for (int w = 17; w <= 40; ++w) sizes.push_back({4 + w % 3, w});
    sizes.push_back({13, 11});
    sizes.push_back({6, 515});
    sizes.push_back({5, 770});
    sizes.push_back({37, 24});
    return sizes;
}

uint32_t seedOf(int h, int w) { return uint32_t(h * 1000 + w); }

}  // namespace

TEST(Bilinear, InterleavedKernelsMatchReference) {
    for (const auto& hw : frameSizes()) {
        const int h = hw.first, w = hw.second;
        const auto frame = tavtest::randomBytes(size_t(h) * w, seedOf(h, w));
        for (const InterleavedCase& c : kInterleaved) {
            SCOPED_TRACE(testing::Message() << c.name << " " << h << "x" << w);
            // Pre-filled with non-zero bytes: the alpha byte must be written as 0.
            GuardedBuffer out(size_t(h) * w * c.bytesPerPixel, 0xCD);
            ASSERT_EQ(c.kernel(frame.data(), h, w, out.data()), TAV_OK);
            ASSERT_TRUE(out.intact());
            const auto expected =
                refbilinear::interleaved(refbilinear::demosaic(frame, h, w, c.phase), c.bytesPerPixel);
            ASSERT_EQ(out.contents(), expected);
        }
    }
}

TEST(Bilinear, PlanarKernelsMatchReference) {
    for (const auto& hw : frameSizes()) {
        const int h = hw.first, w = hw.second;
        const size_t n = size_t(unsigned(h) * unsigned(w)) & 0xFFFFFu;
        const auto frame = tavtest::randomBytes(n, seedOf(h, w) + 1);
        for (const auto& k : kPlanar) {
            SCOPED_TRACE(testing::Message() << k.second.name << " planar " << h << "x" << w);
            GuardedBuffer p0(n), p1(n), p2(n);
            ASSERT_EQ(k.first(frame.data(), h, w, p0.data(), p1.data(), p2.data()), TAV_OK);
            ASSERT_TRUE(p0.intact() && p1.intact() && p2.intact());
            const auto expected = refbilinear::demosaic(frame, h, w, k.second);
            ASSERT_EQ(p0.contents(), expected.r);
            ASSERT_EQ(p1.contents(), expected.g);
            ASSERT_EQ(p2.contents(), expected.b);
        }
    }
}

TEST(Bilinear, GreyKernelsMatchReferenceForAnyWeights) {
    // The two luma triples, plus weights outside the 16-bit fast form.
    const int32_t weightSets[][3] = {{77, 150, 29}, {29, 150, 77}, {256, 0, 0}, {300, 200, 100},
                                     {-50, 300, 6}, {2000000, -1000000, 7}};
    for (const auto& hw : frameSizes()) {
        const int h = hw.first, w = hw.second;
        const size_t n = size_t(h) * w;
        const auto frame = tavtest::randomBytes(n, seedOf(h, w) + 2);
        for (const auto& k : kGrey) {
            const auto colours = refbilinear::demosaic(frame, h, w, k.second);
            for (const auto& weights : weightSets) {
                SCOPED_TRACE(testing::Message() << k.second.name << " grey " << h << "x" << w
                                                << " weights " << weights[0] << "," << weights[1]);
                GuardedBuffer out(n);
                ASSERT_EQ(k.first(frame.data(), h, w, weights, out.data()), TAV_OK);
                ASSERT_TRUE(out.intact());
                ASSERT_EQ(out.contents(), refbilinear::grey(colours, weights));
            }
        }
    }
}

// Relations callers build on: exchanged red/blue phases swap the outer bytes,
// 4-byte output is 3-byte output plus a zero byte, planes equal interleaved.
TEST(Bilinear, LayoutsAndPhasesAgree) {
    for (int h : {4, 7, 10}) {
        for (int w : {5, 8, 21}) {
            const size_t n = size_t(h) * w;
            const auto frame = tavtest::randomBytes(n, seedOf(h, w) + 3);
            std::vector<uint8_t> rg(3 * n), bg(3 * n), rga(4 * n, 0xEE), p(3 * n);
            rg8ToBgr8_bilinear(frame.data(), h, w, rg.data());
            bg8ToBgr8_bilinear(frame.data(), h, w, bg.data());
            rg8ToBgra8_bilinear(frame.data(), h, w, rga.data());
            rg8ToBgr8P_bilinear(frame.data(), h, w, p.data(), p.data() + n, p.data() + 2 * n);
            for (size_t i = 0; i < n; ++i) {
                EXPECT_EQ(bg[3 * i], rg[3 * i + 2]);
                EXPECT_EQ(bg[3 * i + 1], rg[3 * i + 1]);
                EXPECT_EQ(bg[3 * i + 2], rg[3 * i]);
                EXPECT_EQ(0, memcmp(&rga[4 * i], &rg[3 * i], 3));
                EXPECT_EQ(rga[4 * i + 3], 0);
                EXPECT_EQ(p[i], rg[3 * i + 2]);          // plane 0: red
                EXPECT_EQ(p[n + i], rg[3 * i + 1]);      // plane 1: green
                EXPECT_EQ(p[2 * n + i], rg[3 * i]);      // plane 2: blue
            }
        }
    }
}

TEST(Bilinear, WorkedValues) {
    // 4 x 4 RG frame, corner and top-row values written out by hand.
    const std::vector<uint8_t> f = {10, 20, 30, 40,  //
                                    50, 60, 70, 80,  //
                                    90, 100, 110, 120,
                                    130, 140, 150, 160};
    std::vector<uint8_t> out(3 * 16);
    ASSERT_EQ(rg8ToBgr8_bilinear(f.data(), 4, 4, out.data()), TAV_OK);
    EXPECT_EQ(out[2], 10);                    // R = S(0,0)
    EXPECT_EQ(out[1], (50 + 20) >> 1);        // G = (S(1,0) + S(0,1)) >> 1
    EXPECT_EQ(out[0], 60);                    // B = S(1,1)
    EXPECT_EQ(out[3 * 2 + 1], (20 + 40 + 2 * 70) >> 2);  // R site (0,2): left + right + 2 below

    // Truncation: G site with red neighbours 1 and 2; B site with greens 1,1,1,2.
    std::vector<uint8_t> t(16, 1);
    t[2] = 2;          // S(0,2): red neighbours of G (0,1) are 1 and 2
    t[1 * 4 + 2] = 2;  // S(1,2): greens around B (1,1) are 1, 1, 1, 2
    ASSERT_EQ(rg8ToBgr8_bilinear(t.data(), 4, 4, out.data()), TAV_OK);
    EXPECT_EQ(out[3 * 1 + 2], 1);        // R at (0,1) = (1 + 2) >> 1
    EXPECT_EQ(out[3 * 5 + 1], 1);        // G at (1,1) = (1 + 1 + 1 + 2) >> 2

    // Grey of a pure red site with (77, 150, 29): (77 * 255 + 128) >> 8 = 77.
    std::vector<uint8_t> red(16, 0);
    red[0] = 255;
    const int32_t luma[3] = {77, 150, 29};
    std::vector<uint8_t> grey(16);
    ASSERT_EQ(rg8ToMono8_bilinear(red.data(), 4, 4, luma, grey.data()), TAV_OK);
    EXPECT_EQ(grey[0], 77);

    // Flat frames stay flat in every layout and with either triple.
    const int32_t lumaSwapped[3] = {29, 150, 77};
    for (uint8_t v : {uint8_t(0), uint8_t(255)}) {
        std::vector<uint8_t> flat(9 * 7, v), bgra(4 * 63), g1(63), g2(63);
        gb8ToBgra8_bilinear(flat.data(), 9, 7, bgra.data());
        gr8ToMono8_bilinear(flat.data(), 9, 7, luma, g1.data());
        rg8ToMono8_bilinear(flat.data(), 9, 7, lumaSwapped, g2.data());
        for (int i = 0; i < 63; ++i) {
            EXPECT_EQ(bgra[4 * i], v);
            EXPECT_EQ(bgra[4 * i + 1], v);
            EXPECT_EQ(bgra[4 * i + 2], v);
            EXPECT_EQ(g1[i], v);
            EXPECT_EQ(g2[i], v);
        }
    }
}

// Frames too small to mirror, sizes whose output overflows 32 bits and null
// buffers are refused silently and nothing is written.
TEST(Bilinear, RefusesBadArgumentsWithoutWriting) {
    const std::vector<uint8_t> frame(64, 7);
    const int32_t luma[3] = {77, 150, 29};
    const std::pair<int, int> bad[] = {{3, 8}, {8, 3}, {0, 8}, {8, 0}, {-4, 8}, {8, -4},
                                       {32768, 65536}, {65536, 65536}, {50000, 50000}};
    for (const auto& hw : bad) {
        const int h = hw.first, w = hw.second;
        SCOPED_TRACE(testing::Message() << h << "x" << w);
        GuardedBuffer out(64), p1(64), p2(64);
        const std::string printed = tavtest::captureStdout([&] {
            for (const InterleavedCase& c : kInterleaved)
                EXPECT_EQ(c.kernel(frame.data(), h, w, out.data()), TAV_E_SIZE);
            for (const auto& k : kPlanar)
                EXPECT_EQ(k.first(frame.data(), h, w, out.data(), p1.data(), p2.data()), TAV_E_SIZE);
            for (const auto& k : kGrey)
                EXPECT_EQ(k.first(frame.data(), h, w, luma, out.data()), TAV_E_SIZE);
        });
        EXPECT_EQ(printed, "");
        EXPECT_EQ(out.contents(), std::vector<uint8_t>(64, 0xCD));
        EXPECT_TRUE(out.intact() && p1.intact() && p2.intact());
    }
    // 4 bytes per pixel: 20000 x 26844 fits one byte per pixel but not four.
    GuardedBuffer out(64);
    EXPECT_EQ(rg8ToBgra8_bilinear(frame.data(), 20000, 26844, out.data()), TAV_E_SIZE);
    EXPECT_EQ(out.contents(), std::vector<uint8_t>(64, 0xCD));

    uint8_t one[64];
    EXPECT_EQ(rg8ToBgr8_bilinear(nullptr, 4, 4, one), TAV_E_NULL_POINTER);
    EXPECT_EQ(gb8ToBgra8_bilinear(frame.data(), 4, 4, nullptr), TAV_E_NULL_POINTER);
    EXPECT_EQ(rg8ToBgr8P_bilinear(frame.data(), 4, 4, one, nullptr, one), TAV_E_NULL_POINTER);
    EXPECT_EQ(gr8ToMono8_bilinear(frame.data(), 4, 4, nullptr, one), TAV_E_NULL_POINTER);
}

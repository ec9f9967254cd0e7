// The 16-bit bilinear body's eight-column blocks against the neighbour-set
// reference: widths on both sides of every block boundary, both channel
// orders, values at the ends of the 16-bit range, nothing written outside
// the body's region.
#include <cstring>
#include <random>

#include "ref_u16.h"
#include "tavcore.h"
#include "test_support.h"

namespace {

using tavtest::GuardedBuffer;

const uint16_t kFill = 0x3C3C;

std::vector<uint16_t> toSamples(const GuardedBuffer& buffer) {
    std::vector<uint16_t> v(buffer.size() / 2);
    memcpy(v.data(), buffer.data(), buffer.size());
    return v;
}

uint16_t* words(GuardedBuffer& buffer) { return reinterpret_cast<uint16_t*>(buffer.data()); }

// Samples near 0 and near 65535 only, so that the means' dropped bits and
// the largest sums occur in every block.
std::vector<uint16_t> extremeSamples(size_t n, uint32_t seed) {
    const uint16_t values[] = {0, 1, 2, 3, 65532, 65533, 65534, 65535};
    std::mt19937 rng(seed);
    std::vector<uint16_t> v(n);
    for (auto& s : v) s = values[rng() % 8];
    return v;
}

// Body only: pixels in [1, extent.row) x [1, extent.column) hold the
// reference in the flag's channel order, every other sample keeps the fill.
void checkBody(const std::vector<uint16_t>& src, int h, int w, uint32_t flag) {
    const auto rgb = refu16::bilinear(src, h, w);
    const size_t plane = size_t(h * w);
    GuardedBuffer out(3 * plane * 2, 0x3C);
    const TavBodyExtent extent = bilinearBodyRGGBU16(src.data(), words(out), h, w, flag);
    ASSERT_TRUE(out.intact()) << h << "x" << w;
    ASSERT_EQ(extent.column, ((w - 4) & ~1) + 3);
    ASSERT_EQ(extent.row, h - 1 - (h & 1));
    const auto got = toSamples(out);
    const int first = flag == 1 ? 0 : 2;
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const size_t p = size_t(r) * w + c;
            const bool inBody = r >= 1 && r < extent.row && c >= 1 && c < extent.column;
            const uint16_t expected[3] = {rgb[3 * p + first], rgb[3 * p + 1], rgb[3 * p + 2 - first]};
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(got[3 * p + k], inBody ? expected[k] : kFill)
                    << h << "x" << w << " flag " << flag << " at (" << r << ", " << c << ") channel " << k;
        }
    }
}

// Whole frame through both entry points.
void checkFrame(const std::vector<uint16_t>& src, int h, int w) {
    const auto rgb = refu16::bilinear(src, h, w);
    const size_t plane = size_t(h * w);
    GuardedBuffer out(3 * plane * 2);
    ASSERT_EQ(tavDemosaicingBilinearU16(src.data(), h, w, words(out)), TAV_OK);
    ASSERT_TRUE(out.intact()) << h << "x" << w;
    const size_t planeBytes = out.size() / 3;
    GuardedBuffer b(planeBytes), g(planeBytes), r(planeBytes);
    ASSERT_EQ(tavDemosaicingBilinearU16P(src.data(), h, w, words(b), words(g), words(r)), TAV_OK);
    ASSERT_TRUE(b.intact() && g.intact() && r.intact()) << h << "x" << w;
    const auto bgr = toSamples(out), bs = toSamples(b), gs = toSamples(g), rs = toSamples(r);
    for (size_t p = 0; p < plane; ++p) {
        ASSERT_EQ(bgr[3 * p], rgb[3 * p + 2]) << h << "x" << w << " pixel " << p;
        ASSERT_EQ(bgr[3 * p + 1], rgb[3 * p + 1]) << h << "x" << w << " pixel " << p;
        ASSERT_EQ(bgr[3 * p + 2], rgb[3 * p]) << h << "x" << w << " pixel " << p;
        ASSERT_EQ(bs[p], bgr[3 * p]) << h << "x" << w << " pixel " << p;
        ASSERT_EQ(gs[p], bgr[3 * p + 1]) << h << "x" << w << " pixel " << p;
        ASSERT_EQ(rs[p], bgr[3 * p + 2]) << h << "x" << w << " pixel " << p;
    }
}

}  // namespace

// Widths 4 to 42 put the body's last column on every offset within a block
// of eight and leave zero to several blocks per row.
TEST(U16BilinearBlocks, BodyWritesExactlyItsRegionAtEveryWidth) {
    uint32_t seed = 101;
    for (int h : {4, 5, 6, 9}) {
        for (int w = 4; w <= 42; ++w) {
            const auto random = tavtest::randomSamples16(size_t(h) * w, seed++);
            const auto extreme = extremeSamples(size_t(h) * w, seed++);
            for (uint32_t flag : {0u, 1u}) {
                checkBody(random, h, w, flag);
                checkBody(extreme, h, w, flag);
            }
        }
    }
}

TEST(U16BilinearBlocks, WholeFrameMatchesReferenceAroundBlockWidths) {
    uint32_t seed = 900;
    for (int h : {7, 8}) {
        for (int w : {16, 17, 18, 19, 20, 21, 24, 25, 26, 27, 33, 34, 35, 36}) {
            checkFrame(tavtest::randomSamples16(size_t(h) * w, seed++), h, w);
            checkFrame(extremeSamples(size_t(h) * w, seed++), h, w);
        }
    }
    const int h = 23, w = 131;
    checkFrame(extremeSamples(size_t(h) * w, 77), h, w);
}

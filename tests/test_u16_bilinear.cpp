// Bilinear 16-bit RGGB demosaicing against the neighbour-set reference.
#include <cstring>

#include "ref_u16.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::errorLine;

namespace {

using tavtest::GuardedBuffer;

std::vector<uint16_t> toSamples(const GuardedBuffer& buffer) {
    std::vector<uint16_t> v(buffer.size() / 2);
    memcpy(v.data(), buffer.data(), buffer.size());
    return v;
}

uint16_t* words(GuardedBuffer& buffer) { return reinterpret_cast<uint16_t*>(buffer.data()); }

// The reference in channel order a,b,c (indices into R,G,B).
std::vector<uint16_t> reorder(const std::vector<uint16_t>& rgb, int a, int b, int c) {
    std::vector<uint16_t> v(rgb.size());
    for (size_t i = 0; i < rgb.size(); i += 3) {
        v[i] = rgb[i + a];
        v[i + 1] = rgb[i + b];
        v[i + 2] = rgb[i + c];
    }
    return v;
}

// The five region routines in assembler order with a chosen flag.
std::vector<uint16_t> runRoutines(const std::vector<uint16_t>& src, int h, int w, uint32_t flag) {
    GuardedBuffer out(3 * size_t(h) * w * 2);
    uint16_t* d = words(out);
    bilinearFirstRowsRGGBU16(src.data(), d, w, flag);
    bilinearFirstColsRGGBU16(src.data(), d, h, w, flag);
    const TavBodyExtent e = bilinearBodyRGGBU16(src.data(), d, h, w, flag);
    bilinearLastRowsRGGBU16(src.data(), d, h, w, e.row, flag);
    bilinearLastColsRGGBU16(src.data(), d, h, w, e.column, flag);
    EXPECT_TRUE(out.intact());
    return toSamples(out);
}

}  // namespace

// Interleaved and planar entry points on every size from 4 to 15 (every
// parity), with values over the whole 16-bit range; guard bytes after every
// output; the planes equal the interleaved channels.
TEST(U16Bilinear, MatchesReferenceEverySize) {
    uint32_t seed = 7;
    for (int h = 4; h <= 15; ++h) {
        for (int w = 4; w <= 15; ++w) {
            const auto src = tavtest::randomSamples16(size_t(h) * w, seed++);
            const auto bgr = reorder(refu16::bilinear(src, h, w), 2, 1, 0);
            const size_t plane = size_t(h * w);

            GuardedBuffer out(3 * plane * 2);
            TavStatus rc = 1;
            const std::string printed =
                tavtest::captureStdout([&] { rc = tavDemosaicingBilinearU16(src.data(), h, w, words(out)); });
            ASSERT_EQ(rc, TAV_OK);
            EXPECT_EQ(printed, "");
            ASSERT_TRUE(out.intact()) << h << "x" << w;
            ASSERT_EQ(toSamples(out), bgr) << h << "x" << w;

            const size_t planeBytes = out.size() / 3;
            GuardedBuffer b(planeBytes), g(planeBytes), r(planeBytes);
            const std::string printedP = tavtest::captureStdout(
                [&] { rc = tavDemosaicingBilinearU16P(src.data(), h, w, words(b), words(g), words(r)); });
            ASSERT_EQ(rc, TAV_OK);
            EXPECT_EQ(printedP, "");
            ASSERT_TRUE(b.intact() && g.intact() && r.intact()) << h << "x" << w;
            const auto bs = toSamples(b), gs = toSamples(g), rs = toSamples(r);
            for (size_t i = 0; i < plane; ++i) {
                ASSERT_EQ(bs[i], bgr[3 * i]) << h << "x" << w << " pixel " << i;
                ASSERT_EQ(gs[i], bgr[3 * i + 1]) << h << "x" << w << " pixel " << i;
                ASSERT_EQ(rs[i], bgr[3 * i + 2]) << h << "x" << w << " pixel " << i;
            }
        }
    }
}

TEST(U16Bilinear, MatchesReferenceOnLargerFrame) {
    const int h = 41, w = 66;
    const auto src = tavtest::randomSamples16(size_t(h) * w, 3, 4095);
    GuardedBuffer out(3 * size_t(h) * w * 2);
    ASSERT_EQ(demosaicingBilinearRGGBU16(src.data(), h, w, words(out)), TAV_OK);
    EXPECT_TRUE(out.intact());
    EXPECT_EQ(toSamples(out), reorder(refu16::bilinear(src, h, w), 2, 1, 0));
}

// Flag 1 puts R first; any other value (0, 2) gives B first.
TEST(U16Bilinear, RoutinesFollowChannelOrderFlag) {
    for (int h : {4, 7}) {
        for (int w : {5, 8}) {
            const auto src = tavtest::randomSamples16(size_t(h) * w, 11 + h * w);
            const auto rgb = refu16::bilinear(src, h, w);
            EXPECT_EQ(runRoutines(src, h, w, 1), rgb);
            EXPECT_EQ(runRoutines(src, h, w, 0), reorder(rgb, 2, 1, 0));
            EXPECT_EQ(runRoutines(src, h, w, 2), reorder(rgb, 2, 1, 0));
        }
    }
}

// Which pixels each routine writes on a 4x4 frame, and the body's extent.
TEST(U16Bilinear, RoutinesSplitFourByFour) {
    const int h = 4, w = 4;
    const auto src = tavtest::randomSamples16(16, 5);
    auto written = [&](const std::function<void(uint16_t*)>& routine) {
        // A sample is written when its value no longer depends on the fill.
        std::vector<uint16_t> a(48, 0xAAAA), b(48, 0x5555);
        routine(a.data());
        routine(b.data());
        std::string map;
        for (int p = 0; p < 16; ++p) {
            const bool all = a[3 * p] == b[3 * p] && a[3 * p + 1] == b[3 * p + 1] && a[3 * p + 2] == b[3 * p + 2];
            map += all ? 'x' : '.';
        }
        return map;
    };
    TavBodyExtent extent = {0, 0};
    EXPECT_EQ(written([&](uint16_t* d) { bilinearFirstRowsRGGBU16(src.data(), d, w, 0); }),
              "xxxx............");
    EXPECT_EQ(written([&](uint16_t* d) { bilinearFirstColsRGGBU16(src.data(), d, h, w, 0); }),
              "....x...x...x...");
    EXPECT_EQ(written([&](uint16_t* d) { extent = bilinearBodyRGGBU16(src.data(), d, h, w, 0); }),
              ".....xx..xx.....");
    EXPECT_EQ(extent.column, 3);
    EXPECT_EQ(extent.row, 3);
    EXPECT_EQ(written([&](uint16_t* d) { bilinearLastRowsRGGBU16(src.data(), d, h, w, 3, 0); }),
              ".............xx.");
    EXPECT_EQ(written([&](uint16_t* d) { bilinearLastColsRGGBU16(src.data(), d, h, w, 3, 0); }),
              ".......x...x...x");
}

// Pixel (0, 2), an R site on the top row: B = (311 + 76) >> 1 = 193,
// G = (53 + 90 + 2 * 170) >> 2 = 120, both truncated.
TEST(U16Bilinear, WorkedTopRowPixel) {
    const std::vector<uint16_t> src = {100, 53, 200, 90, 300, 311, 170, 76, 1, 2, 3, 4, 5, 6, 7, 8};
    uint16_t out[48];
    ASSERT_EQ(tavDemosaicingBilinearU16(src.data(), 4, 4, out), TAV_OK);
    EXPECT_EQ(out[3 * 2 + 0], 193);
    EXPECT_EQ(out[3 * 2 + 1], 120);
    EXPECT_EQ(out[3 * 2 + 2], 200);
}

TEST(U16Bilinear, ConstantFrameKeepsValue) {
    for (uint16_t v : {uint16_t(0), uint16_t(4095), uint16_t(65535)}) {
        const std::vector<uint16_t> src(7 * 6, v);
        uint16_t out[3 * 42];
        ASSERT_EQ(tavDemosaicingBilinearU16(src.data(), 7, 6, out), TAV_OK);
        for (uint16_t s : out) ASSERT_EQ(s, v);
    }
}

// Null comes before size; every failure writes nothing; the entry points
// print their line, the assemblers print nothing.
TEST(U16Bilinear, ErrorPaths) {
    const std::vector<uint16_t> src(64, 9);
    GuardedBuffer out(3 * 64 * 2, 0x3C), b(128, 0x3C), g(128, 0x3C), r(128, 0x3C);
    auto untouched = [](const GuardedBuffer& buf) {
        for (size_t i = 0; i < buf.size(); ++i)
            if (buf.data()[i] != 0x3C) return false;
        return buf.intact();
    };
    struct Case {
        const uint16_t* source;
        int32_t height, width;
        bool nullDestination;
        TavStatus status;
        std::string line;
        std::string lineP;
    };
    const Case cases[] = {
        {src.data(), 3, 8, false, TAV_E_SIZE, errorLine(tav::kLineBilinear16Size),
         errorLine(tav::kLineBilinear16PlanarSize)},
        {src.data(), 8, 3, false, TAV_E_SIZE, errorLine(tav::kLineBilinear16Size),
         errorLine(tav::kLineBilinear16PlanarSize)},
        {src.data(), 0, 8, false, TAV_E_SIZE, errorLine(tav::kLineBilinear16Size),
         errorLine(tav::kLineBilinear16PlanarSize)},
        {src.data(), 8, -4, false, TAV_E_SIZE, errorLine(tav::kLineBilinear16Size),
         errorLine(tav::kLineBilinear16PlanarSize)},
        {src.data(), 30000, 30000, false, TAV_E_SIZE, errorLine(tav::kLineBilinear16Size),
         errorLine(tav::kLineBilinear16PlanarSize)},
        {nullptr, 8, 8, false, TAV_E_NULL_POINTER, errorLine(tav::kLineBilinear16Null),
         errorLine(tav::kLineBilinear16PlanarNull)},
        {nullptr, 2, 2, false, TAV_E_NULL_POINTER, errorLine(tav::kLineBilinear16Null),
         errorLine(tav::kLineBilinear16PlanarNull)},
        {src.data(), -1, 8, true, TAV_E_NULL_POINTER, errorLine(tav::kLineBilinear16Null),
         errorLine(tav::kLineBilinear16PlanarNull)},
    };
    for (const Case& c : cases) {
        uint16_t* d = c.nullDestination ? nullptr : words(out);
        uint16_t* gp = c.nullDestination ? nullptr : words(g);
        TavStatus rc = 0;
        EXPECT_EQ(tavtest::captureStdout([&] { rc = tavDemosaicingBilinearU16(c.source, c.height, c.width, d); }),
                  c.line);
        EXPECT_EQ(rc, c.status);
        EXPECT_EQ(tavtest::captureStdout([&] {
                      rc = tavDemosaicingBilinearU16P(c.source, c.height, c.width, words(b), gp, words(r));
                  }),
                  c.lineP);
        EXPECT_EQ(rc, c.status);
        // Every order shares the RG entries' checks and lines.
        for (int32_t order = TAV_BAYER_ORDER_RG; order <= TAV_BAYER_ORDER_BG; ++order) {
            EXPECT_EQ(tavtest::captureStdout(
                          [&] { rc = tavDemosaicingBilinearU16Order(c.source, c.height, c.width, order, d); }),
                      c.line);
            EXPECT_EQ(rc, c.status);
            EXPECT_EQ(tavtest::captureStdout([&] {
                          rc = tavDemosaicingBilinearU16POrder(c.source, c.height, c.width, order, words(b), gp,
                                                               words(r));
                      }),
                      c.lineP);
            EXPECT_EQ(rc, c.status);
        }
        EXPECT_EQ(tavtest::captureStdout([&] { rc = demosaicingBilinearRGGBU16(c.source, c.height, c.width, d); }),
                  "");
        EXPECT_EQ(rc, c.status);
        EXPECT_EQ(tavtest::captureStdout([&] {
                      rc = demosaicingBilinearRGGBU16P(c.source, c.height, c.width, words(b), gp, words(r));
                  }),
                  "");
        EXPECT_EQ(rc, c.status);
    }
    EXPECT_TRUE(untouched(out) && untouched(b) && untouched(g) && untouched(r));
    // Two failures in a row run together on one line.
    EXPECT_EQ(tavtest::captureStdout([&] {
                  tavDemosaicingBilinearU16(nullptr, 4, 4, nullptr);
                  tavDemosaicingBilinearU16P(src.data(), 2, 4, words(b), words(g), words(r));
              }),
              errorLine(tav::kLineBilinear16Null) + errorLine(tav::kLineBilinear16PlanarSize));
}

// An order outside 0..3 is refused after the pointer and size checks, with
// nothing written.
TEST(U16Bilinear, UnknownOrderRefused) {
    const std::vector<uint16_t> src(64, 9);
    GuardedBuffer out(3 * 64 * 2, 0x3C), b(128, 0x3C), g(128, 0x3C), r(128, 0x3C);
    for (int32_t order : {-1, 4, 1 << 30}) {
        TavStatus rc = 0;
        EXPECT_EQ(tavtest::captureStdout([&] { rc = tavDemosaicingBilinearU16Order(src.data(), 8, 8, order, words(out)); }),
                  errorLine(tav::kLineBilinear16Order));
        EXPECT_EQ(rc, TAV_E_UNSUPPORTED);
        EXPECT_EQ(tavtest::captureStdout([&] {
                      rc = tavDemosaicingBilinearU16POrder(src.data(), 8, 8, order, words(b), words(g), words(r));
                  }),
                  errorLine(tav::kLineBilinear16PlanarOrder));
        EXPECT_EQ(rc, TAV_E_UNSUPPORTED);
        EXPECT_EQ(tavtest::captureStdout([&] { rc = tavDemosaicingBilinearU16Order(src.data(), 3, 8, order, words(out)); }),
                  errorLine(tav::kLineBilinear16Size));
    }
    for (const GuardedBuffer* buf : {&out, &b, &g, &r}) {
        for (size_t i = 0; i < buf->size(); ++i) ASSERT_EQ(buf->data()[i], 0x3C);
        EXPECT_TRUE(buf->intact());
    }
}

TEST(U16Bilinear, RoutinesRefuseSmallFramesAndNull) {
    const std::vector<uint16_t> src(64, 4321);
    GuardedBuffer out(3 * 64 * 2, 0x77);
    uint16_t* d = reinterpret_cast<uint16_t*>(out.data());
    bilinearFirstRowsRGGBU16(src.data(), d, 3, 0);
    bilinearFirstColsRGGBU16(src.data(), d, 8, 2, 0);
    bilinearFirstColsRGGBU16P(src.data(), d, nullptr, d, 8, 8, 0);
    const TavBodyExtent e = bilinearBodyRGGBU16(src.data(), d, 3, 8, 0);
    EXPECT_EQ(e.column, 0);
    EXPECT_EQ(e.row, 0);
    bilinearLastRowsRGGBU16(src.data(), d, 8, 8, 3, 0);    // three rows left: not a last-rows start
    bilinearLastColsRGGBU16(src.data(), d, 8, 8, 100, 0);  // outside the frame
    bilinearLastColsRGGBU16(src.data(), nullptr, 8, 8, 7, 0);
    EXPECT_TRUE(out.intact());
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 0x77) << i;
}

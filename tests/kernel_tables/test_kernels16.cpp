// Every vector variant of the 16-bit demosaicing, shading-correction and
// normalisation kernels against the plain path, byte for byte, in one
// binary: random and extreme frames, odd and even sizes, inputs and outputs
// ending at a page boundary, frames at odd addresses where the interface
// allows them.
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "tavcore.h"
#include "test_support.h"
#include "kernel_tables.h"
#include "lsc/correctionJob.h"

namespace {

using kerneltables::Isa;
using kerneltables::PageEndBuffer;

// Samples near both ends of the 16-bit range and random ones, so that
// rounding carries, clamps and gradient ties all occur.
std::vector<uint16_t> mixedSamples(size_t n, uint32_t seed, uint32_t maxValue) {
    std::mt19937 rng(seed);
    std::vector<uint16_t> v(n);
    for (auto& s : v) {
        const uint32_t pick = rng() % 4;
        const uint32_t r = rng();
        s = uint16_t(pick == 0 ? r % 4 : pick == 1 ? maxValue - r % 4 : r % (maxValue + 1));
    }
    return v;
}

// Runs `produce` (which fills an output from an input) under the plain path
// and under each vector set, and compares the outputs byte for byte.
void compareVariants(const std::string& what, const std::function<std::vector<uint8_t>()>& produce) {
    std::vector<uint8_t> plain;
    kerneltables::withTable(Isa::Plain, [&] { plain = produce(); });
    for (Isa isa : kerneltables::vectorTables()) {
        std::vector<uint8_t> got;
        kerneltables::withTable(isa, [&] { got = produce(); });
        ASSERT_EQ(got.size(), plain.size());
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], plain[i]) << what << " " << kerneltables::isaName(isa) << " byte " << i;
    }
}

}  // namespace

TEST(KernelTables16, SomeVectorSetIsBuiltAndRuns) {
    // Informational: on a core without vector units only the plain path runs.
    for (Isa isa : kerneltables::vectorTables()) std::printf("vector set: %s\n", kerneltables::isaName(isa));
    EXPECT_LE(static_cast<int>(tav::simd::activeIsa()), static_cast<int>(tav::simd::detectedIsa()));
}

TEST(KernelTables16, BilinearInterleavedAndPlanar) {
    uint32_t seed = 1;
    for (int h : {4, 5, 6, 7, 10, 17}) {
        for (int w : {4, 5, 6, 7, 8, 9, 15, 16, 17, 18, 19, 20, 21, 33, 34, 35, 36, 37, 50, 67}) {
            const size_t n = size_t(h) * w;
            const auto samples = mixedSamples(n, seed++, 65535);
            const std::string size = std::to_string(h) + "x" + std::to_string(w);
            compareVariants("bilinear16 " + size, [&] {
                PageEndBuffer in(2 * n), out(6 * n);
                in.fill(samples.data());
                EXPECT_EQ(tavDemosaicingBilinearU16(in.words(), h, w, out.words()), TAV_OK);
                return out.contents();
            });
            compareVariants("bilinear16 RGB body " + size, [&] {
                PageEndBuffer in(2 * n), out(6 * n);
                in.fill(samples.data());
                bilinearBodyRGGBU16(in.words(), out.words(), h, w, 1);
                return out.contents();
            });
            compareVariants("bilinear16 planar " + size, [&] {
                PageEndBuffer in(2 * n), b(2 * n), g(2 * n), r(2 * n);
                in.fill(samples.data());
                EXPECT_EQ(tavDemosaicingBilinearU16P(in.words(), h, w, b.words(), g.words(), r.words()), TAV_OK);
                std::vector<uint8_t> all = b.contents();
                for (const PageEndBuffer* plane : {&g, &r}) {
                    const auto bytes = plane->contents();
                    all.insert(all.end(), bytes.begin(), bytes.end());
                }
                return all;
            });
        }
    }
}

namespace {

// What the RG entry gives on the frame with a mirrored row above (GB, BG)
// and/or a mirrored column in front (GR, BG), cropped back: B, G, R words,
// interleaved or as three planes.
std::vector<uint16_t> mirroredCopyResult(const std::vector<uint16_t>& frame, int h, int w, int order, bool planar) {
    const int padRow = order >> 1, padColumn = order & 1;
    const int ph = h + padRow, pw = w + padColumn;
    std::vector<uint16_t> padded(size_t(ph) * pw);
    for (int r = 0; r < ph; ++r)
        for (int c = 0; c < pw; ++c) {
            const int sr = r - padRow < 0 ? 1 : r - padRow, sc = c - padColumn < 0 ? 1 : c - padColumn;
            padded[size_t(r) * pw + c] = frame[size_t(sr) * w + sc];
        }
    const size_t plane = size_t(ph) * pw;
    std::vector<uint16_t> out(3 * plane);
    if (planar) {
        EXPECT_EQ(tavDemosaicingBilinearU16P(padded.data(), ph, pw, out.data(), out.data() + plane,
                                             out.data() + 2 * plane), TAV_OK);
    } else {
        EXPECT_EQ(tavDemosaicingBilinearU16(padded.data(), ph, pw, out.data()), TAV_OK);
    }
    std::vector<uint16_t> cropped;
    for (int k = 0; k < (planar ? 3 : 1); ++k)
        for (int r = padRow; r < ph; ++r) {
            const uint16_t* row = out.data() + k * plane + size_t(r) * pw * (planar ? 1 : 3);
            const int per = planar ? 1 : 3;
            cropped.insert(cropped.end(), row + padColumn * per, row + pw * per);
        }
    return cropped;
}

}  // namespace

// Every order straight from the frame, under every table, against the
// mirrored copy: odd and even sizes, rows of several vector blocks, buffers
// ending at a page boundary.
TEST(KernelTables16, BilinearEveryOrderEqualsMirroredCopy) {
    uint32_t seed = 2100;
    for (int h : {4, 5, 6, 7, 10, 13}) {
        for (int w : {4, 5, 6, 7, 8, 9, 16, 17, 18, 19, 20, 21, 34, 35, 36, 37, 67, 130, 131}) {
            const size_t n = size_t(h) * w;
            const auto samples = mixedSamples(n, seed++, 65535);
            for (int order = 0; order < 4; ++order) {
                for (bool planar : {false, true}) {
                    std::vector<uint16_t> expected;
                    kerneltables::withTable(Isa::Plain,
                                            [&] { expected = mirroredCopyResult(samples, h, w, order, planar); });
                    for (Isa isa : kerneltables::runnableTables()) {
                        kerneltables::withTable(isa, [&] {
                            PageEndBuffer in(2 * n), out(6 * n);
                            in.fill(samples.data());
                            uint16_t* o = out.words();
                            const TavStatus status =
                                planar ? tavDemosaicingBilinearU16POrder(in.words(), h, w, order, o, o + n, o + 2 * n)
                                       : tavDemosaicingBilinearU16Order(in.words(), h, w, order, o);
                            ASSERT_EQ(status, TAV_OK);
                            ASSERT_EQ(memcmp(o, expected.data(), 6 * n), 0)
                                << "order " << order << (planar ? " planar " : " ") << h << "x" << w << " "
                                << kerneltables::isaName(isa);
                        });
                    }
                }
            }
        }
    }
}

TEST(KernelTables16, EdgeAllOrders) {
    typedef uint32_t (*EdgeEntry)(const uint16_t*, int32_t, int32_t, uint16_t*);
    const EdgeEntry entries[] = {demosaicingEdgeRGGBU16, demosaicingEdgeGRBGU16, demosaicingEdgeGBRGU16,
                                 demosaicingEdgeBGGRU16};
    uint32_t seed = 500;
    for (int h : {7, 8, 9, 12}) {
        for (int w = 5; w <= 30; ++w) {
            for (uint32_t maxValue : {4095u, 65535u}) {
                const size_t n = size_t(h) * w;
                const auto samples = mixedSamples(n, seed++, maxValue);
                for (int order = 0; order < 4; ++order) {
                    compareVariants("edge16 order " + std::to_string(order) + " " + std::to_string(h) + "x" +
                                        std::to_string(w),
                                    [&] {
                                        PageEndBuffer in(2 * n), out(6 * n);
                                        in.fill(samples.data());
                                        EXPECT_EQ(entries[order](in.words(), h, w, out.words()), 0u);
                                        return out.contents();
                                    });
                }
            }
        }
    }
    // Rows long enough for several vector blocks and more than one run of pairs.
    for (int w : {4103, 4104}) {
        const int h = 8;
        const size_t n = size_t(h) * w;
        const auto samples = mixedSamples(n, seed++, 65535);
        compareVariants("edge16 long rows " + std::to_string(w), [&] {
            PageEndBuffer in(2 * n), out(6 * n);
            in.fill(samples.data());
            EXPECT_EQ(demosaicingEdgeBGGRU16(in.words(), h, w, out.words()), 0u);
            return out.contents();
        });
    }
}

// The interior and first rows through the region routines with maxima
// below the 16-bit range (the entries always use 65535): every variant
// clamps against the caller's maximum.
TEST(KernelTables16, EdgeRegionsBelowFullRange) {
    uint32_t seed = 900;
    for (int w : {21, 40, 53}) {
        const int h = 12;
        const size_t n = size_t(h) * w;
        const auto samples = mixedSamples(n, seed++, 65535);
        for (int32_t phase : {2, 3}) {
            for (int32_t maximum : {1000, 65534}) {
                compareVariants("edge16 regions " + std::to_string(w) + " phase " + std::to_string(phase) +
                                    " maximum " + std::to_string(maximum),
                                [&] {
                                    PageEndBuffer in(2 * n), out(6 * n);
                                    in.fill(samples.data());
                                    edgeFirstRowsRGGBU16(in.words(), out.words(), w, phase, maximum);
                                    edgeSecRGGBU16(in.words() + 2 * w, out.words() + 6 * w, h - 4, w, phase, maximum);
                                    return out.contents();
                                });
            }
        }
    }
}

namespace {

// Words with gains from 0 to the largest and offsets over the whole 12-bit range.
std::vector<uint32_t> lscTable(uint32_t mode, int h, int w, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> table = {mode, uint32_t(h), uint32_t(w)};
    const size_t words = mode == TAV_LSC_MODE_PIXEL ? size_t(h) * w : size_t(h / 2) * (w / 2);
    for (size_t i = 0; i < words; ++i) {
        const uint32_t pick = rng() % 4;
        const uint32_t gain = pick == 0 ? TAV_LSC_GAIN_MAX - rng() % 4 : pick == 1 ? rng() % 4 : rng() & TAV_LSC_GAIN_MAX;
        table.push_back((gain << TAV_LSC_GAIN_SHIFT) | (rng() & TAV_LSC_OFFSET_MASK));
    }
    return table;
}

}  // namespace

TEST(KernelTables16, ShadingCorrectionEveryDepthModeAndAlignment) {
    const int32_t types[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_MONO10, TAV_PIXEL_BAYER_GR12};
    const int depths[] = {8, 10, 12};
    uint32_t seed = 900;
    for (int t = 0; t < 3; ++t) {
        const size_t sampleBytes = depths[t] == 8 ? 1 : 2;
        for (uint32_t mode : {TAV_LSC_MODE_2X2, TAV_LSC_MODE_PIXEL}) {
            for (int h : {1, 2, 3, 4, 7}) {
                for (int w : {1, 2, 3, 7, 8, 15, 16, 17, 31, 32, 33, 34, 47, 64, 65}) {
                    const size_t bytes = size_t(h) * w * sampleBytes;
                    // Unmasked samples too: 10/12-bit frames may hold any 16-bit value.
                    const auto frame = tavtest::randomBytes(bytes, seed++);
                    const auto table = lscTable(mode, h, w, seed++);
                    for (bool inPlace : {false, true}) {
                        for (size_t shift : {size_t(0), size_t(1)}) {
                            const std::string what = "lsc " + std::to_string(depths[t]) + "-bit mode " +
                                                     std::to_string(mode) + " " + std::to_string(h) + "x" +
                                                     std::to_string(w) + (inPlace ? " in place" : "") +
                                                     (shift ? " odd address" : "");
                            compareVariants(what, [&] {
                                // shift moves the start to an odd address; the frame still ends at the page.
                                PageEndBuffer in(bytes + shift), out(bytes + shift);
                                memcpy(in.data() + shift, frame.data(), bytes);
                                TavImage input = {h, w, types[t], in.data() + shift, 0};
                                TavImage output = {h, w, types[t], inPlace ? in.data() + shift : out.data() + shift, 0};
                                EXPECT_EQ(tavLSCorrection(&input, &output, table.data()), TAV_OK);
                                return inPlace ? in.contents() : out.contents();
                            });
                        }
                    }
                }
            }
        }
    }
}

// Streamed stores are asked for only above the last-level cache, so the
// tables' entries are called with the hint set on small frames: every
// alignment of the output (head samples before the first 32-byte line,
// whole or split cells, odd addresses where nothing can stream) writes what
// the plain rule writes.
TEST(KernelTables16, ShadingCorrectionStreamedStores) {
    const int32_t types[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_MONO10, TAV_PIXEL_BAYER_GR12};
    const int depths[] = {8, 10, 12};
    uint32_t seed = 1700;
    for (int t = 0; t < 3; ++t) {
        const size_t sampleBytes = depths[t] == 8 ? 1 : 2;
        for (uint32_t mode : {TAV_LSC_MODE_2X2, TAV_LSC_MODE_PIXEL}) {
            for (int h : {2, 5}) {
                for (int w : {3, 40, 67, 130}) {
                    const size_t bytes = size_t(h) * w * sampleBytes;
                    const auto frame = tavtest::randomBytes(bytes, seed++);
                    const auto table = lscTable(mode, h, w, seed++);
                    for (size_t shift = 0; shift < 34; ++shift) {
                        std::vector<uint8_t> plain;
                        kerneltables::withTable(Isa::Plain, [&] {
                            PageEndBuffer out(bytes);
                            TavImage input = {h, w, types[t], const_cast<uint8_t*>(frame.data()), 0};
                            TavImage output = {h, w, types[t], out.data(), 0};
                            EXPECT_EQ(tavLSCorrection(&input, &output, table.data()), TAV_OK);
                            plain = out.contents();
                        });
                        for (Isa isa : kerneltables::vectorTables()) {
                            const auto* kernels = tav::simd::kernelTableOf(isa);
                            if (kernels->lscCorrect == nullptr) continue;
                            PageEndBuffer in(bytes + shift), out(bytes + shift);
                            memcpy(in.data() + shift, frame.data(), bytes);
                            const tav::lsc::CorrectionJob job = {in.data() + shift, out.data() + shift,
                                                                 table.data() + TAV_LSC_TABLE_HEADER_WORDS,
                                                                 h, w, depths[t], mode == TAV_LSC_MODE_PIXEL, true};
                            if (!kernels->lscCorrect(job)) continue;  // left to the plain loops
                            const auto got = out.contents();
                            ASSERT_TRUE(std::equal(plain.begin(), plain.end(), got.begin() + shift))
                                << "streamed lsc " << depths[t] << "-bit mode " << mode << " " << h << "x" << w
                                << " output at +" << shift << " " << kerneltables::isaName(isa);
                        }
                    }
                }
            }
        }
    }
}

TEST(KernelTables16, NormalisationShiftAndUnpack) {
    uint32_t seed = 1300;
    for (int h : {1, 2, 3}) {
        for (int w : {1, 2, 3, 15, 16, 17, 31, 32, 33, 63, 64, 65, 100}) {
            const size_t n = size_t(h) * w;
            for (int32_t shift : {0, 2, 4, 6, 8, 15}) {
                const auto words = tavtest::randomBytes(2 * n + 3, seed++);
                for (int32_t pad : {0, 3}) {
                    const int32_t lineBytes = 2 * w + pad;
                    compareVariants("u16Tou8 " + std::to_string(h) + "x" + std::to_string(w), [&] {
                        PageEndBuffer in(size_t(lineBytes) * h), out(n);
                        memcpy(in.data(), words.data(), std::min(in.size(), words.size()));
                        if (pad == 0) {
                            u16Tou8_old(in.data(), h, w, shift, out.data());
                        } else {
                            u16Tou8(in.data(), h, w, lineBytes, shift, out.data());
                        }
                        return out.contents();
                    });
                }
            }
            const int32_t groupBytes = 3 * ((w + 1) / 2);
            for (int32_t lineBytes : {w + w / 2, groupBytes, groupBytes + 5}) {
                if (lineBytes < groupBytes && (w & 1)) continue;
                const auto packed = tavtest::randomBytes(size_t(lineBytes) * h + 3, seed++);
                compareVariants("unpack " + std::to_string(h) + "x" + std::to_string(w) + " line " +
                                    std::to_string(lineBytes),
                                [&] {
                                    // The packed run reads 3 bytes per 2 samples, a half group at an odd end.
                                    const size_t runBytes = 3 * (n / 2) + (n & 1);
                                    const bool run = lineBytes == w + w / 2;
                                    PageEndBuffer in(run ? runBytes : size_t(lineBytes) * h), out(n);
                                    memcpy(in.data(), packed.data(), in.size());
                                    if (run) {
                                        unpacked_old(in.data(), h, w, out.data());
                                    } else {
                                        unpacked(in.data(), h, w, lineBytes, out.data());
                                    }
                                    return out.contents();
                                });
            }
        }
    }
}

// Bands of rows: any split of a frame into bands, run in any order, gives
// the whole-frame bytes, and each band writes its own rows only; the
// normalisation of a band of rows matches the whole frame's.
#include <algorithm>
#include <random>

#include "band_support.h"
#include "demosaic/bands.h"
#include "simd/isa.h"
#include "test_support.h"

namespace {

constexpr int32_t kBayerTypes[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GB8,
                                   TAV_PIXEL_BAYER_BG8, TAV_PIXEL_MONO8};

// Cuts [0, height) at `cuts` random rows (any row, not only pair starts).
std::vector<int32_t> randomEdges(int32_t height, int cuts, std::mt19937& rng) {
    std::vector<int32_t> edges = {0, height};
    for (int i = 0; i < cuts; ++i) edges.push_back(1 + (int32_t)(rng() % (uint32_t)(height - 1)));
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

struct BandRun {
    tav::BandJob job;
    std::vector<uint8_t> green, seam;
    tavband::LineMemory lineMemory;
    explicit BandRun(const tav::BandJob& j)
        : job(j), green(j.width), seam((size_t)12 * j.width), lineMemory(j) {}
    void run(int32_t first, int32_t end) {
        tav::BandRows rows = {first, end, green.data(), seam.data(), nullptr};
        lineMemory.place(job.width, &rows);
        tav::convertRows(job, tav::wholeFrameRows(job.frame, job.width), rows);
    }
};

}  // namespace

// On the plain path and on every instruction set this machine runs.
std::vector<tav::simd::Isa> isasToTest() {
    std::vector<tav::simd::Isa> isas;
    for (int i = 0; i <= static_cast<int>(tav::simd::detectedIsa()); ++i) {
        isas.push_back(static_cast<tav::simd::Isa>(i));
    }
    return isas;
}

TEST(BandRows, AnySplitGivesTheWholeFrameAndWritesOnlyItsRows) {
    for (tav::simd::Isa isa : isasToTest()) {
        tav::simd::setIsaCap(isa);
        SCOPED_TRACE(testing::Message() << "instruction set " << static_cast<int>(isa));
        std::mt19937 rng(12);
        const int32_t sizes[][2] = {{6, 6},   {7, 9},   {8, 6},  {9, 7},  {13, 10},
                                    {6, 41},  {23, 37}, {40, 24}, {7, 70}, {10, 101}};
        for (const auto& size : sizes) {
            const int32_t height = size[0], width = size[1];
            std::vector<uint8_t> frame = tavtest::randomBytes((size_t)height * width, height * 100 + width);
            for (int32_t baseType : kBayerTypes) {
                for (int32_t method = 0; method <= 3; ++method) {
                    for (int64_t outputType : tavref::outputTypes()) {
                        SCOPED_TRACE(testing::Message() << height << "x" << width << " type " << std::hex
                                                        << baseType << std::dec << " method " << method
                                                        << " output " << outputType);
                        const std::vector<uint8_t> whole =
                            tavband::wholeFrame(frame, baseType, height, width, outputType, method);
                        std::vector<uint8_t> banded(whole.size(), 0x5A);
                        tav::BandJob job = {nullptr, 0, baseType, outputType, method, frame.data(), nullptr,
                                            banded.data(), height, width};
                        ASSERT_TRUE(tav::bandsAccepted(job));
                        BandRun bands(job);
                        std::vector<int32_t> edges = randomEdges(height, 1 + (int)(rng() % 5), rng);
                        std::vector<size_t> order(edges.size() - 1);
                        for (size_t b = 0; b < order.size(); ++b) order[b] = b;
                        std::shuffle(order.begin(), order.end(), rng);
                        for (size_t b : order) bands.run(edges[b], edges[b + 1]);
                        ASSERT_EQ(banded, whole);

                        // One band alone over two different fills: bytes outside it keep the fill.
                        const size_t b = order[0];
                        for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
                            std::vector<uint8_t> alone(whole.size(), fill);
                            bands.job.destination = alone.data();
                            bands.run(edges[b], edges[b + 1]);
                            for (size_t i = 0; i < alone.size(); ++i) {
                                if (tavband::inRows(i, outputType, height, width, edges[b], edges[b + 1])) {
                                    ASSERT_EQ(alone[i], whole[i]) << "byte " << i;
                                } else {
                                    ASSERT_EQ(alone[i], fill) << "byte " << i << " outside rows " << edges[b] << ".."
                                                              << edges[b + 1];
                                }
                            }
                        }
                    }
                }
            }
        }
    }
    tav::simd::setIsaCap(tav::simd::detectedIsa());
}

// Every band of one row, then every band of two rows, at every position.
TEST(BandRows, SingleRowsAndRowPairsAtEveryPosition) {
    const int32_t height = 11, width = 14;
    std::vector<uint8_t> frame = tavtest::randomBytes((size_t)height * width, 5);
    for (int32_t baseType : kBayerTypes) {
        for (int32_t method = 0; method <= 3; ++method) {
            for (int64_t outputType : {int64_t{TAV_PIXEL_BGR8}, int64_t{TAV_PIXEL_RGBA8},
                                       int64_t{TAV_PIXEL_BGR8_PLANAR}, int64_t{TAV_PIXEL_MONO8}}) {
                const std::vector<uint8_t> whole =
                    tavband::wholeFrame(frame, baseType, height, width, outputType, method);
                for (int32_t rowsPerBand = 1; rowsPerBand <= 2; ++rowsPerBand) {
                    for (int32_t offset = 0; offset < rowsPerBand; ++offset) {
                        std::vector<uint8_t> banded(whole.size(), 0x5A);
                        BandRun bands({nullptr, 0, baseType, outputType, method, frame.data(), nullptr,
                                       banded.data(), height, width});
                        int32_t first = 0;
                        for (int32_t end = offset == 0 ? rowsPerBand : offset; first < height;
                             first = end, end = std::min(height, end + rowsPerBand)) {
                            bands.run(first, end);
                        }
                        ASSERT_EQ(banded, whole) << "type " << baseType << " method " << method << " output "
                                                 << outputType << " rows per band " << rowsPerBand;
                    }
                }
            }
        }
    }
}

// Rows [first, end) of every storage normalised alone equal those rows of
// the whole frame, and nothing else of the frame is written.
TEST(BandRows, NormalisedRowsMatchTheWholeFrame) {
    const int32_t height = 9;
    for (const tavref::InputType& type : tavref::inputTypes()) {
        if (type.storage == tavref::Storage::Bits8) continue;
        for (int32_t width : {6, 7, 10, 13}) {
            const int32_t minimum = tavref::minimumLineBytes(type.storage, width);
            for (int32_t lineBytes : {minimum, minimum + 1, minimum + 6}) {
                // The run form of packed input needs whole groups per row.
                std::vector<uint8_t> data = tavtest::randomBytes((size_t)height * lineBytes, width + lineBytes);
                TavImage input = {height, width, type.code, data.data(), lineBytes};
                const std::vector<uint8_t> reference = tavref::referenceNormalise(input);
                int64_t base = 0;
                int32_t conversion = 0;
                ASSERT_EQ(demosaicDataInit(&input, nullptr, &base, &conversion), TAV_OK);
                for (int32_t first = 0; first < height; first += 2) {
                    for (int32_t end = first + 1; end <= height; end += 3) {
                        std::vector<uint8_t> frame((size_t)height * width + 1, 0x77);
                        tav::normaliseRows(input, conversion, first, end, frame.data() + (size_t)first * width);
                        for (size_t i = 0; i < frame.size(); ++i) {
                            const int32_t row = (int32_t)(i / width);
                            const uint8_t expected = row >= first && row < end ? reference[i] : 0x77;
                            ASSERT_EQ(frame[i], expected) << std::hex << type.code << std::dec << " width " << width
                                                          << " lineBytes " << lineBytes << " rows " << first
                                                          << ".." << end << " byte " << i;
                        }
                    }
                }
            }
        }
    }
}

TEST(BandRows, RefusedJobsAndSmallFramesKeepTheWholeFramePath) {
    uint8_t byte = 0;
    tav::BandJob job = {nullptr, 0, TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BGR8, 2, &byte, &byte, &byte, 5, 100};
    EXPECT_FALSE(tav::bandsAccepted(job));  // edge-directed refuses 5 rows itself
    job.height = 6;
    EXPECT_TRUE(tav::bandsAccepted(job));
    job.method = 4;
    EXPECT_FALSE(tav::bandsAccepted(job));  // unknown method: the converter refuses it
    job.baseType = TAV_PIXEL_MONO8;
    EXPECT_TRUE(tav::bandsAccepted(job));   // grey input ignores the method
    job.outputType = TAV_PIXEL_RGB8 + (int64_t{1} << 32);
    EXPECT_FALSE(tav::bandsAccepted(job));

    // 256 KiB of output is the least that takes more than one thread; each
    // thread gets four bands of whole row pairs, at least one pair each.
    job = {nullptr, 0, TAV_PIXEL_BAYER_RG8, TAV_PIXEL_MONO8, 1, &byte, &byte, &byte, 256, 1024};
    EXPECT_EQ(tav::plannedBands(job, 4, 256 * 1024), 16);
    job.height = 255;
    EXPECT_EQ(tav::plannedBands(job, 4, 256 * 1024), 1);
    job.outputType = TAV_PIXEL_BGRA8;
    EXPECT_EQ(tav::plannedBands(job, 4, 256 * 1024), 16);
    EXPECT_EQ(tav::plannedBands(job, 3, 256 * 1024), 12);
    EXPECT_EQ(tav::plannedBands(job, 1000, 256 * 1024), 127);  // one row pair each
    job.height = 1000;
    EXPECT_EQ(tav::plannedBands(job, 1000, 256 * 1024), 256);  // 64 threads at most
    EXPECT_EQ(tav::plannedBands(job, 1, 256 * 1024), 1);
    job.height = 7;
    EXPECT_EQ(tav::plannedBands(job, 7, 0), 3);
    job.method = 0;  // the RG nearest kernel's pairs start on row 1
    EXPECT_EQ(tav::plannedBands(job, 7, 0), 3);
    job.height = 6;
    EXPECT_EQ(tav::plannedBands(job, 7, 0), 2);
}

// Each kernel family's traits are what the band planner trusts: a band may
// read no source row farther than rowsReadAcross beyond its own rows. Rows
// beyond that are replaced with other bytes here; a kernel that read one row
// further would change its output and fail.
#include <random>

#include "band_support.h"
#include "demosaic/bands.h"
#include "demosaic/route.h"
#include "test_support.h"

namespace {

constexpr int32_t kBaseTypes[] = {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GB8,
                                  TAV_PIXEL_BAYER_BG8, TAV_PIXEL_MONO8};

TEST(FamilyTraits, BandsReadNoRowBeyondTheirDeclaredReach) {
    std::mt19937 rng(7);
    for (auto [height, width] : {std::make_pair(24, 13), std::make_pair(19, 8)}) {
        const std::vector<uint8_t> frame = tavtest::randomBytes((size_t)height * width, 99);
        const std::vector<uint8_t> other = tavtest::randomBytes((size_t)height * width, 100);
        for (int32_t baseType : kBaseTypes) {
            for (int32_t method = 0; method <= 3; ++method) {
                for (int64_t outputType : tavref::outputTypes()) {
                    tav::Route route;
                    ASSERT_TRUE(tav::routeOf(baseType, method, outputType, &route));
                    const int32_t across = route.traits->rowsReadAcross;
                    const std::vector<uint8_t> whole =
                        tavband::wholeFrame(frame, baseType, height, width, outputType, method);
                    // Every first row, with one or two rows and a random longer band.
                    for (int32_t first = 0; first < height; ++first)
                    for (int32_t end : {first + 1, first + 2, first + 1 + (int32_t)(rng() % (uint32_t)(height - first))}) {
                        if (end > height) continue;
                        // Only the rows the band may read keep the frame's bytes.
                        std::vector<uint8_t> poisoned = other;
                        for (int32_t y = first - across; y < end + across; ++y) {
                            if (y < 0 || y >= height) continue;
                            std::copy_n(frame.begin() + (size_t)y * width, width, poisoned.begin() + (size_t)y * width);
                        }
                        std::vector<uint8_t> out(whole.size(), 0);
                        std::vector<uint8_t> green((size_t)width), seam((size_t)12 * width);
                        const tav::BandJob job = {nullptr, 0, baseType, outputType, method, poisoned.data(), nullptr,
                                                  out.data(), height, width};
                        tavband::LineMemory lineMemory(job);
                        tav::BandRows rows = {first, end, green.data(), seam.data(), nullptr};
                        lineMemory.place(width, &rows);
                        tav::convertRows(job, tav::wholeFrameRows(poisoned.data(), width), rows);
                        for (size_t i = 0; i < out.size(); ++i) {
                            if (!tavband::inRows(i, outputType, height, width, first, end)) continue;
                            ASSERT_EQ(out[i], whole[i]) << "type " << std::hex << baseType << std::dec << " method "
                                                        << method << " output " << outputType << " rows " << first
                                                        << ".." << end << " byte " << i;
                        }
                    }
                }
            }
        }
    }
}

}  // namespace

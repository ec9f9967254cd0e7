// tavraw's picture pipeline end to end: convert's options reach the library
// as the same TavPipeline a direct call sets, --wb auto takes the grey-world
// gains of the frame's statistics, info counts what the statistics count,
// and every hostile value is refused with its reason and nothing written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tav_demosaic.h"
#include "tav_pipeline.h"
#include "tavraw_fixture.h"
#include "test_support.h"

namespace {

using namespace tavrawtest;

std::vector<uint8_t> littleEndian(const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> bytes;
    for (uint16_t v : samples) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    return bytes;
}

// The library's RGB8 output and statistics for a BayerGB12 frame with `pipeline`.
std::vector<uint8_t> libraryPicture(std::vector<uint8_t> raw, int32_t width, int32_t height,
                                    const TavPipeline& pipeline, TavFrameStats* stats = nullptr) {
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
    TavContext* context = nullptr;
    tavCreate(&context);
    TavDemosaicConfig config = {TAV_PIXEL_RGB8};
    TavImage input = {height, width, TAV_PIXEL_BAYER_GB12, raw.data(), 2 * width};
    TavImage output = {0, 0, 0, out.data(), 0};
    int32_t status = TAV_OK;
    tavtest::captureStdout([&] {
        status = tavDemosaicSetConfig(context, &config);
        if (status == TAV_OK) status = tavDemosaicSetPipeline(context, &pipeline);
        if (status == TAV_OK) status = tavDemosaicing(context, &input, TAV_METHOD_EDGE, &output);
        if (status == TAV_OK && stats != nullptr) status = tavDemosaicGetStats(context, stats);
    });
    tavRelease(&context);
    EXPECT_EQ(status, TAV_OK);
    return out;
}

// A 32x24 GB-order frame: noise over a level, red sites darker, blue brighter.
std::vector<uint16_t> castFrame(uint32_t seed) {
    std::vector<uint16_t> samples = tavtest::randomSamples16(32 * 24, seed, 400);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool red = y % 2 == 1 && x % 2 == 0, blue = y % 2 == 0 && x % 2 == 1;
            samples[y * 32 + x] += red ? 700 : blue ? 1900 : 1400;
        }
    }
    samples[0] = 4095;  // one saturated tile
    return samples;
}

// A pixel table for 32x24 frames: gain 1 + x/64, offset 20 (12-bit scale).
std::vector<uint32_t> shadingWords() {
    std::vector<uint32_t> words = {1, 24, 32};
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x) words.push_back((static_cast<uint32_t>(131072 * (1.0 + x / 64.0)) << 12) | 20);
    }
    return words;
}

class TavrawPicture : public Tavraw {
protected:
    std::vector<std::string> convert(const std::vector<std::string>& extra) const {
        std::vector<std::string> args = {"convert", "-f", "BayerGB12", "-w", "32", "-H", "24", "-m", "edge",
                                         "-o", path("out.png"), "--raw-out", path("out.rgb")};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(path("in.raw"));
        return args;
    }
};

TEST_F(TavrawPicture, ConvertSetsThePipelineTheOptionsDescribe) {
    const std::vector<uint8_t> raw = littleEndian(castFrame(3));
    writeBytes(path("in.raw"), raw);
    writeBytes(path("t.tbl"), tableFile(shadingWords(), 12));
    const std::string ccm = "1.5 -0.25 -0.25\n-0.125,1.25,-0.125\n0 -0.5 1.5\n";
    writeBytes(path("ccm.txt"), std::vector<uint8_t>(ccm.begin(), ccm.end()));

    TavPipeline pipeline;
    tavPipelineInit(&pipeline);
    const int32_t black[4] = {64, 70, 72, 80};
    for (int i = 0; i < 4; ++i) pipeline.blackLevel[i] = black[i];
    pipeline.whiteBalance[0] = 1.5f;
    pipeline.whiteBalance[2] = 0.75f;
    const float matrix[9] = {1.5f, -0.25f, -0.25f, -0.125f, 1.25f, -0.125f, 0.0f, -0.5f, 1.5f};
    for (int i = 0; i < 9; ++i) pipeline.colorMatrix[i] = matrix[i];
    pipeline.curve = TAV_CURVE_GAMMA;
    pipeline.gamma = 2.2f;
    const std::vector<uint32_t> table = shadingWords();
    pipeline.shadingTable = table.data();

    // The matrix inline and from a file give the same picture.
    for (const std::string& matrixArgument : {std::string("1.5,-0.25,-0.25,-0.125,1.25,-0.125,0,-0.5,1.5"),
                                              path("ccm.txt")}) {
        ToolRun r = run(convert({"--black", "64,70,72,80", "--wb", "1.5,1,0.75", "--ccm", matrixArgument,
                                 "--curve", "gamma:2.2", "--shading", path("t.tbl")}));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(readBytes(path("out.rgb")), libraryPicture(raw, 32, 24, pipeline)) << matrixArgument;
    }

    // Each option alone leaves the others neutral; srgb is its own curve.
    TavPipeline srgb;
    tavPipelineInit(&srgb);
    srgb.curve = TAV_CURVE_SRGB;
    ASSERT_EQ(run(convert({"--curve", "srgb"})).exitCode, 0);
    EXPECT_EQ(readBytes(path("out.rgb")), libraryPicture(raw, 32, 24, srgb));
}

TEST_F(TavrawPicture, AutoWhiteBalanceTakesTheGreyWorldGainsOfTheFrame) {
    const std::vector<uint8_t> raw = littleEndian(castFrame(5));
    writeBytes(path("in.raw"), raw);
    TavPipeline pipeline;
    tavPipelineInit(&pipeline);
    for (int i = 0; i < 4; ++i) pipeline.blackLevel[i] = 100;
    TavFrameStats stats;
    libraryPicture(raw, 32, 24, pipeline, &stats);
    const double redGain = stats.sum[1] / (2.0 * stats.sum[0]), blueGain = stats.sum[1] / (2.0 * stats.sum[2]);
    pipeline.whiteBalance[0] = static_cast<float>(redGain);
    pipeline.whiteBalance[2] = static_cast<float>(blueGain);

    ToolRun r = run(convert({"--black", "100", "--wb", "auto"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    char gains[64];
    std::snprintf(gains, sizeof gains, "--wb %.4g,1,%.4g", redGain, blueGain);
    EXPECT_NE(r.err.find(path("in.raw") + ": grey-world white balance " + gains), std::string::npos) << r.err;
    EXPECT_EQ(readBytes(path("out.rgb")), libraryPicture(raw, 32, 24, pipeline));

    // A frame with no light at the red sites keeps the red gain at 1.
    std::vector<uint16_t> redless = castFrame(5);
    for (int y = 1; y < 24; y += 2) {
        for (int x = 0; x < 32; x += 2) redless[y * 32 + x] = 0;
    }
    writeBytes(path("in.raw"), littleEndian(redless));
    ToolRun dark = run(convert({"--wb", "auto"}));
    ASSERT_EQ(dark.exitCode, 0) << dark.err;
    EXPECT_NE(dark.err.find("grey-world white balance --wb 1,1,"), std::string::npos) << dark.err;
}

TEST_F(TavrawPicture, InfoShowsTheStatisticsTheLibraryGathers) {
    const std::vector<uint16_t> samples = castFrame(7);
    writeBytes(path("in.raw"), littleEndian(samples));
    // Counted here: tiles without a 4095 sample, R at odd rows and even columns (GB order).
    double sums[3] = {0, 0, 0};
    int tiles = 0;
    for (int ty = 0; ty < 12; ++ty) {
        for (int tx = 0; tx < 16; ++tx) {
            bool saturated = false;
            for (int i = 0; i < 4; ++i) saturated |= samples[(2 * ty + i / 2) * 32 + 2 * tx + i % 2] >= 4095;
            if (saturated) continue;
            ++tiles;
            sums[1] += samples[(2 * ty) * 32 + 2 * tx] + samples[(2 * ty + 1) * 32 + 2 * tx + 1] - 2 * 50;
            sums[2] += samples[(2 * ty) * 32 + 2 * tx + 1] - 50;
            sums[0] += samples[(2 * ty + 1) * 32 + 2 * tx] - 50;
        }
    }
    ToolRun r = run({"info", "-f", "BayerGB12", "-w", "32", "-H", "24", "--black", "50", path("in.raw")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("statistics:        191 of 192 2x2 tiles summed, 1 saturated (0.52 %)"), std::string::npos)
        << r.out;
    ASSERT_EQ(tiles, 191);
    char means[128];
    std::snprintf(means, sizeof means, "means R, G, B:     %.1f, %.1f, %.1f (after black level 50)",
                  sums[0] / tiles, sums[1] / (2.0 * tiles), sums[2] / tiles);
    EXPECT_NE(r.out.find(means), std::string::npos) << means << "\n" << r.out;
    char gains[96];
    std::snprintf(gains, sizeof gains, "grey-world gains:  %.4g,1,%.4g", sums[1] / (2 * sums[0]), sums[1] / (2 * sums[2]));
    EXPECT_NE(r.out.find(gains), std::string::npos) << gains << "\n" << r.out;
}

TEST_F(TavrawPicture, HostileValuesAreRefusedWithTheirReasonAndNothingIsWritten) {
    writeBytes(path("in.raw"), littleEndian(castFrame(9)));
    writeBytes(path("t.tbl"), tableFile(shadingWords(), 12));
    std::vector<uint32_t> otherSize = {1, 24, 30};
    otherSize.resize(3 + 24 * 30, 131072u << 12);
    writeBytes(path("other.tbl"), tableFile(otherSize, 12));
    std::vector<uint32_t> cut = shadingWords();
    cut.pop_back();
    writeBytes(path("cut.tbl"), tableFile(cut, 12));
    writeBytes(path("ten.tbl"), tableFile(shadingWords(), 10));
    writeBytes(path("eight.txt"), {'1', ',', '0', ',', '0', ',', '0', ',', '1', ',', '0', ',', '0', ',', '0'});
    const std::string nanMatrix = "1 0 0 0 nan 0 0 0 1";
    writeBytes(path("nan.txt"), std::vector<uint8_t>(nanMatrix.begin(), nanMatrix.end()));
    const std::string identity = "1 0 0\n0 1 0\n0 0 1\n";
    writeBytes(path("good.txt"), std::vector<uint8_t>(identity.begin(), identity.end()));

    const std::string wbUsage = "--wb must be 'auto' or three gains R,G,B above 0 and at most 64, got '";
    const std::string blackUsage = "--black must be one integer or four (2x2 tile order) from 0 to 4094, got '";
    const std::string ccmUsage = "--ccm must be nine numbers from -16 to 16 (row by row, comma-separated) or a file "
                                 "that holds them, got '";
    const std::string curveUsage = "--curve must be linear, srgb or gamma:G with G from 0.1 to 10, got '";
    struct Refusal {
        std::vector<std::string> options;
        int exitCode;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"--wb", "1,2"}, 2, wbUsage + "1,2'"},
        {{"--wb", "1,1,1,1"}, 2, wbUsage + "1,1,1,1'"},
        {{"--wb", "nan,1,1"}, 2, wbUsage + "nan,1,1'"},
        {{"--wb", "1,inf,1"}, 2, wbUsage + "1,inf,1'"},
        {{"--wb", "1,-1,1"}, 2, wbUsage + "1,-1,1'"},
        {{"--wb", "0,1,1"}, 2, wbUsage + "0,1,1'"},
        {{"--wb", "64.01,1,1"}, 2, wbUsage + "64.01,1,1'"},
        {{"--wb", "1e999,1,1"}, 2, wbUsage + "1e999,1,1'"},
        {{"--wb", "1e-60,1,1"}, 2, wbUsage + "1e-60,1,1'"},
        {{"--wb", "red"}, 2, wbUsage + "red'"},
        {{"--wb", "1,,1"}, 2, wbUsage + "1,,1'"},
        {{"--black", "1,2"}, 2, blackUsage + "1,2'"},
        {{"--black", "-3"}, 2, blackUsage + "-3'"},
        {{"--black", "12.5"}, 2, blackUsage + "12.5'"},
        {{"--black", "99999999999999"}, 2, blackUsage + "99999999999999'"},
        {{"--black", "nan"}, 2, blackUsage + "nan'"},
        {{"--black", "10,10,10,4095"}, 2, "--black 4095 is at or above the white point 4095 of BayerGB12 (at most 4094)"},
        {{"--ccm", "1,2"}, 2, ccmUsage + "1,2'"},
        {{"--ccm", "1,0,0,0,1,0,0,0,1,0"}, 2, ccmUsage + "1,0,0,0,1,0,0,0,1,0'"},
        {{"--ccm", "1,,0,0,0,1,0,0,0,1"}, 2, ccmUsage + "1,,0,0,0,1,0,0,0,1'"},
        {{"--ccm", "1,0,0,0,inf,0,0,0,1"}, 2, ccmUsage + "1,0,0,0,inf,0,0,0,1'"},
        {{"--ccm", "1,0,0,0,1,0,0,0,-16.5"}, 2, ccmUsage + "1,0,0,0,1,0,0,0,-16.5'"},
        {{"--ccm", path("missing.txt")}, 2, ccmUsage + path("missing.txt") + "'"},
        {{"--ccm", path("eight.txt")}, 1, path("eight.txt") + ": not a colour matrix: expected nine numbers, found 8"},
        {{"--ccm", path("nan.txt")}, 1, path("nan.txt") + ": not a colour matrix: 'nan' is not a finite number"},
        {{"--curve", "gamma:0.05"}, 2, curveUsage + "gamma:0.05'"},
        {{"--curve", "gamma:inf"}, 2, curveUsage + "gamma:inf'"},
        {{"--curve", "gamma:"}, 2, curveUsage + "gamma:'"},
        {{"--curve", "gamma"}, 2, curveUsage + "gamma'"},
        {{"--curve", "SRGB2"}, 2, curveUsage + "SRGB2'"},
        {{"--shading", path("other.tbl")}, 1, path("other.tbl") + ": the table is for 30x24 frames, not 32x24"},
        {{"--shading", path("cut.tbl")}, 1, path("cut.tbl") + ": table file holds 767 parameter words, its header asks for 768"},
        {{"--shading", path("ten.tbl")}, 1, path("ten.tbl") + ": the table was made for 10-bit frames, not 12-bit BayerGB12"},
        {{"--shading", path("in.raw")}, 1, path("in.raw") + ": not a shading table"},
        {{"--shading", path("t.tbl"), "-o", path("t.tbl")}, 2, "refusing to write the PNG of " + path("in.raw") + " to " +
                                                                 path("t.tbl")},
        {{"--ccm", path("good.txt"), "--raw-out", path("good.txt")}, 2, "refusing to write --raw-out to " + path("good.txt")},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.options[0] + " " + refusal.options[1]);
        std::vector<std::string> args = {"convert", "-f", "BayerGB12", "-w", "32", "-H", "24"};
        args.insert(args.end(), refusal.options.begin(), refusal.options.end());
        args.push_back(path("in.raw"));
        const auto before = snapshot();
        ToolRun r = run(args);
        EXPECT_EQ(r.exitCode, refusal.exitCode) << r.err;
        EXPECT_NE(r.err.find("tavraw convert: " + refusal.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(snapshot() == before);
    }
    ToolRun sixteen = run({"convert", "--u16", "-f", "BayerGB12", "-w", "32", "-H", "24", "--wb", "2,1,2", path("in.raw")});
    EXPECT_EQ(sixteen.exitCode, 2);
    EXPECT_NE(sixteen.err.find("--u16 has no picture pipeline"), std::string::npos) << sixteen.err;
    ToolRun mono = run({"info", "-f", "Mono12", "-w", "32", "-H", "24", "--black", "1,2,3,4", path("in.raw")});
    EXPECT_EQ(mono.exitCode, 2);
    EXPECT_NE(mono.err.find("--black takes one level for Mono12"), std::string::npos) << mono.err;
}

TEST_F(TavrawPicture, DemoWritesTheStagesSideBySide) {
    ToolRun r = run({"demo", path("demo"), "-w", "64", "-H", "48", "--threads", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* name : {"ccm.txt", "chart_stage1_raw.png", "chart_stage6_shading.png", "chart_stages.png",
                             "chart_raw_and_finished.png"}) {
        EXPECT_TRUE(exists(path(std::string("demo/") + name))) << name;
    }
    EXPECT_FALSE(exists(path("demo/chart_stage1_raw.rgb")));
    // The sensor's green-heavy response is what grey world finds.
    const size_t at = r.err.find("grey-world white balance --wb ");
    ASSERT_NE(at, std::string::npos) << r.err;
    double red = 0, green = 0, blue = 0;
    ASSERT_EQ(std::sscanf(r.err.c_str() + at + 30, "%lf,%lf,%lf", &red, &green, &blue), 3);
    EXPECT_NEAR(red, 1 / 0.5, 0.2);
    EXPECT_NEAR(blue, 1 / 0.62, 0.2);
}

}  // namespace

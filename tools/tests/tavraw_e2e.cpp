// tavraw driven end to end on small generated files: converted pixels equal
// the library's own output, calibrate and correct agree with direct calls,
// and every kind of bad input ends with its message, its exit code and no
// output file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "png_reader.h"
#include "tav_demosaic.h"
#include "tav_kernels16.h"
#include "tav_lsc.h"
#include "tavraw_fixture.h"
#include "test_support.h"

namespace {

using namespace tavrawtest;

// ---- convert: the PNG shows exactly what the library wrote ----

struct ConvertCase {
    const char* format;
    int32_t code;
    int bytesPerSample;  // 0 for packed
    int32_t width, height, padding;
    const char* method;
    int32_t methodValue;
    const char* outputType;
    int32_t outputCode;
};

int64_t rowBytes(const ConvertCase& c) {
    int64_t tight = c.bytesPerSample ? int64_t(c.width) * c.bytesPerSample : 3 * ((c.width + 1) / 2);
    return tight + c.padding;
}

// Runs the library as the tool should; false when this build refuses it.
bool libraryOutput(const ConvertCase& c, std::vector<uint8_t> raw, std::vector<uint8_t>& out) {
    TavContext* context = nullptr;
    if (tavCreate(&context) != TAV_OK) return false;
    TavDemosaicConfig config = {c.outputCode};
    TavImage input = {c.height, c.width, c.code, raw.data(), static_cast<int32_t>(rowBytes(c))};
    const int bpp = c.outputCode == TAV_PIXEL_MONO8 ? 1 : (c.outputCode == TAV_PIXEL_RGBA8 || c.outputCode == TAV_PIXEL_BGRA8) ? 4 : 3;
    out.assign(static_cast<size_t>(c.width) * c.height * bpp, 0);
    TavImage output = {0, 0, 0, out.data(), 0};
    int32_t status = TAV_OK;
    std::string printed = tavtest::captureStdout([&] {
        status = tavDemosaicSetConfig(context, &config);
        if (status == TAV_OK) status = tavDemosaicing(context, &input, c.methodValue, &output);
    });
    tavRelease(&context);
    return status == TAV_OK;
}

TEST_F(Tavraw, ConvertedPixelsAreTheLibraryOutput) {
    const ConvertCase cases[] = {
        {"BayerRG8", TAV_PIXEL_BAYER_RG8, 1, 16, 12, 0, "nearest", 0, "RGB8", TAV_PIXEL_RGB8},
        {"BayerGR8", TAV_PIXEL_BAYER_GR8, 1, 17, 13, 5, "bilinear", 1, "BGR8", TAV_PIXEL_BGR8},
        {"BayerGB10", TAV_PIXEL_BAYER_GB10, 2, 20, 9, 4, "bilinear", 1, "RGBA8", TAV_PIXEL_RGBA8},
        {"BayerBG12", TAV_PIXEL_BAYER_BG12, 2, 19, 14, 0, "edge", 2, "BGRA8", TAV_PIXEL_BGRA8},
        {"BayerRG16", TAV_PIXEL_BAYER_RG16, 2, 12, 12, 0, "nearest", 0, "RGB8_Planar", TAV_PIXEL_RGB8_PLANAR},
        {"BayerGB12Packed", TAV_PIXEL_BAYER_GB12_PACKED, 0, 21, 10, 0, "bilinear", 1, "BGR8_Planar", TAV_PIXEL_BGR8_PLANAR},
        {"BayerBG10Packed", TAV_PIXEL_BAYER_BG10_PACKED, 0, 22, 11, 3, "nearest", 0, "Mono8", TAV_PIXEL_MONO8},
        {"BayerGR12Packed", TAV_PIXEL_BAYER_GR12_PACKED, 0, 18, 16, 0, "edge", 2, "RGB8", TAV_PIXEL_RGB8},
        {"Mono12Packed", TAV_PIXEL_MONO12_PACKED, 0, 15, 7, 0, "nearest", 0, "BGR8", TAV_PIXEL_BGR8},
        {"Mono14", TAV_PIXEL_MONO14, 2, 9, 5, 2, "edge", 2, "Mono8", TAV_PIXEL_MONO8},
        {"BayerGB8", TAV_PIXEL_BAYER_GB8, 1, 13, 11, 3, "hq", 3, "BGR8", TAV_PIXEL_BGR8},
        {"BayerRG12Packed", TAV_PIXEL_BAYER_RG12_PACKED, 0, 4, 4, 0, "hq", 3, "RGBA8", TAV_PIXEL_RGBA8},
        {"BayerBG10", TAV_PIXEL_BAYER_BG10, 2, 17, 9, 2, "hq", 3, "RGB8_Planar", TAV_PIXEL_RGB8_PLANAR},
        {"BayerGR16", TAV_PIXEL_BAYER_GR16, 2, 22, 14, 0, "hq", 3, "Mono8", TAV_PIXEL_MONO8},
    };
    uint32_t seed = 1;
    for (const ConvertCase& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + c.method + " " + c.outputType);
        std::vector<uint8_t> raw = tavtest::randomBytes(static_cast<size_t>(rowBytes(c) * c.height), seed++);
        std::vector<uint8_t> expected;
        if (!libraryOutput(c, raw, expected)) continue;  // method not in this build
        writeBytes(path("in.raw"), raw);
        std::vector<std::string> args = {"convert", "-f", c.format, "-w", std::to_string(c.width),
                                         "-H", std::to_string(c.height), "-m", c.method,
                                         "-t", c.outputType, "-o", path("out.png"),
                                         "--raw-out", path("out.bin"), path("in.raw")};
        if (c.padding) {
            args.push_back("--line-bytes");
            args.push_back(std::to_string(rowBytes(c)));
        }
        ToolRun r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readBytes(path("out.bin")), expected);

        const size_t n = static_cast<size_t>(c.width) * c.height;
        const bool planar = c.outputCode == TAV_PIXEL_RGB8_PLANAR || c.outputCode == TAV_PIXEL_BGR8_PLANAR;
        if (planar) {
            const char* names = c.outputCode == TAV_PIXEL_RGB8_PLANAR ? "RGB" : "BGR";
            for (int p = 0; p < 3; ++p) {
                PngPixels plane = readPng(path(std::string("out_") + names[p] + ".png"));
                ASSERT_TRUE(plane.ok);
                ASSERT_EQ(plane.channels, 1);
                for (size_t i = 0; i < n; ++i) ASSERT_EQ(plane.samples[i], expected[p * n + i]) << i;
            }
            continue;
        }
        PngPixels png = readPng(path("out.png"));
        ASSERT_TRUE(png.ok);
        ASSERT_EQ(png.width, static_cast<uint32_t>(c.width));
        ASSERT_EQ(png.height, static_cast<uint32_t>(c.height));
        ASSERT_EQ(png.bitDepth, 8);
        if (c.outputCode == TAV_PIXEL_MONO8) {
            ASSERT_EQ(png.channels, 1);
            for (size_t i = 0; i < n; ++i) ASSERT_EQ(png.samples[i], expected[i]) << i;
            continue;
        }
        ASSERT_EQ(png.channels, 3);
        const bool blueFirst = c.outputCode == TAV_PIXEL_BGR8 || c.outputCode == TAV_PIXEL_BGRA8;
        const size_t step = expected.size() / n;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* px = &expected[i * step];
            ASSERT_EQ(png.samples[3 * i], blueFirst ? px[2] : px[0]) << i;
            ASSERT_EQ(png.samples[3 * i + 1], px[1]) << i;
            ASSERT_EQ(png.samples[3 * i + 2], blueFirst ? px[0] : px[2]) << i;
        }
    }
}

TEST_F(Tavraw, ChartNeedsNoInputAndBadOptionsAreUsageErrors) {
    ToolRun r = run({"convert", "-w", "40", "-H", "30", "-m", "nearest", "-o", path("chart.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    PngPixels png = readPng(path("chart.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 40u);
    EXPECT_EQ(png.height, 30u);

    struct Bad {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{"convert", "-f", "BayerXY8", "-w", "8", "-H", "8", "x.raw"}, "tavraw convert: unknown pixel format 'BayerXY8'"},
        {{"convert", "-f", "BayerRG8", "x.raw"}, "tavraw convert: --width and --height are required"},
        {{"convert", "-f", "BayerRG8", "-w", "0", "-H", "8", "x.raw"}, "--width must be an integer from 1 to 65536, got '0'"},
        {{"convert", "-f", "BayerRG12", "-w", "8", "-H", "8", "--line-bytes", "15", "x.raw"},
         "--line-bytes 15 is too small for 8 BayerRG12 pixels (needs at least 16)"},
        {{"convert", "-m", "cubic"}, "unknown method 'cubic'"},
        {{"convert", "-t", "YUV422"}, "unknown output type 'YUV422'"},
        {{"convert", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"convert", "-f", "Mono8", "-w", "8", "-H", "8", "-o", "a.png", "x.raw", "y.raw"},
         "--output and --raw-out take one input file"},
        {{"convert", "--u16", "-f", "BayerRG8", "-w", "8", "-H", "8"}, "--u16 needs 16-bit Bayer input"},
        {{"convert", "--u16", "-m", "hq", "-f", "BayerRG12", "-w", "8", "-H", "8"},
         "--u16 supports the bilinear and edge methods"},
        {{"frobnicate"}, "tavraw: unknown command 'frobnicate'"},
    };
    for (const Bad& b : bad) {
        ToolRun failed = run(b.args);
        EXPECT_EQ(failed.exitCode, 2) << b.message;
        EXPECT_NE(failed.err.find(b.message), std::string::npos) << failed.err;
    }
    EXPECT_TRUE(noTemporaries());
}

TEST_F(Tavraw, BadFilesNameTheFileAndLeaveNoOutput) {
    writeBytes(path("short.raw"), std::vector<uint8_t>(63, 7));
    writeBytes(path("long.raw"), std::vector<uint8_t>(65, 7));
    writeBytes(path("good.raw"), tavtest::randomBytes(64, 3));
    const std::string size[] = {"-f", "BayerRG8", "-w", "8", "-H", "8"};
    auto convert = [&](const std::string& file) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), std::begin(size), std::end(size));
        args.push_back(path(file));
        return run(args);
    };
    ToolRun missing = convert("missing.raw");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(path("missing.raw") + ": cannot open: No such file or directory"), std::string::npos)
        << missing.err;
    ToolRun shortFile = convert("short.raw");
    EXPECT_EQ(shortFile.exitCode, 1);
    EXPECT_NE(shortFile.err.find(path("short.raw") +
                                 ": file is too short: 63 bytes, expected 64 for 8x8 BayerRG8 with 8 bytes per row"),
              std::string::npos)
        << shortFile.err;
    ToolRun longFile = convert("long.raw");
    EXPECT_EQ(longFile.exitCode, 1);
    EXPECT_NE(longFile.err.find("file size does not match: 65 bytes, expected 64"), std::string::npos);
    ToolRun directory = convert("");
    EXPECT_EQ(directory.exitCode, 1);
    EXPECT_NE(directory.err.find("not a regular file"), std::string::npos);
    EXPECT_FALSE(exists(path("short.png")));
    EXPECT_FALSE(exists(path("long.png")));

    // Several inputs: progress per file, a summary, the good ones converted.
    std::system(("mkdir '" + path("out") + "'").c_str());
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), std::begin(size), std::end(size));
    writeBytes(path("good2.raw"), tavtest::randomBytes(64, 4));
    args.insert(args.end(), {"-m", "nearest", "--out-dir", path("out"), path("good.raw"), path("short.raw"),
                             path("good2.raw")});
    ToolRun many = run(args);
    EXPECT_EQ(many.exitCode, 1);
    EXPECT_NE(many.err.find("[1/3] " + path("good.raw") + " -> " + path("out/good.png")), std::string::npos);
    EXPECT_NE(many.err.find("[2/3] "), std::string::npos);
    EXPECT_NE(many.err.find("file is too short"), std::string::npos);
    EXPECT_NE(many.err.find("converted 2 of 3 files, 1 failed"), std::string::npos) << many.err;
    EXPECT_TRUE(readPng(path("out/good.png")).ok);
    EXPECT_FALSE(exists(path("out/short.png")));
    EXPECT_TRUE(noTemporaries());
}

TEST_F(Tavraw, LibraryRefusalIsReportedWithItsDiagnostic) {
    // 3 columns pass the tool's checks; the library refuses them.
    writeBytes(path("narrow.raw"), std::vector<uint8_t>(12, 1));
    ToolRun r = run({"convert", "-f", "Mono8", "-w", "3", "-H", "4", path("narrow.raw")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(path("narrow.raw") + ": demosaicing failed: error line = [96] (status -104 TAV_E_SIZE)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(exists(path("narrow.png")));
}

TEST_F(Tavraw, InfoChecksSizesAndTables) {
    ToolRun r = run({"info", "-f", "BayerRG12Packed", "-w", "5", "-H", "2"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("bytes per row:     9 (at least 9)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("bytes per frame:   18"), std::string::npos);

    writeBytes(path("f.raw"), std::vector<uint8_t>(40, 0));
    ToolRun ok = run({"info", "-f", "Mono10", "-w", "5", "-H", "4", path("f.raw")});
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_NE(ok.out.find("40 bytes, one frame, size ok"), std::string::npos) << ok.out;
    ToolRun mismatch = run({"info", "-f", "Mono8", "-w", "5", "-H", "4", path("f.raw")});
    EXPECT_EQ(mismatch.exitCode, 1);
    EXPECT_NE(mismatch.out.find("MISMATCH: too long"), std::string::npos);
    ToolRun guess = run({"info", "-w", "5", "-H", "4", path("f.raw")});
    EXPECT_NE(guess.out.find("Mono10, Mono12"), std::string::npos) << guess.out;

    // A 2x2-cell table for 4x2 frames: 2 parameter words, gains 0.25 and 0.5.
    writeBytes(path("t.tbl"), {0, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 16});
    ToolRun table = run({"info", "--table", path("t.tbl")});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_NE(table.out.find("table mode:        0 (one word per 2x2 cell)"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("gain:              0.2500 .. 0.5000"), std::string::npos) << table.out;
    writeBytes(path("cut.tbl"), {1, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0});
    ToolRun cut = run({"info", "--table", path("cut.tbl")});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.out.find("size check:        MISMATCH"), std::string::npos);
}

// ---- calibrate and correct ----

// A lens that loses light towards the corners, plus a dark level and noise.
std::vector<uint8_t> flatFrame12(int32_t w, int32_t h, double level, uint32_t seed) {
    std::vector<uint16_t> noise = tavtest::randomSamples16(static_cast<size_t>(w) * h, seed, 20);
    std::vector<uint8_t> raw(static_cast<size_t>(w) * h * 2);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            double dx = (x - w / 2.0) / w, dy = (y - h / 2.0) / h;
            size_t i = static_cast<size_t>(y) * w + x;
            int v = static_cast<int>(100 + level * (1.0 - 1.2 * (dx * dx + dy * dy))) + noise[i];
            raw[2 * i] = static_cast<uint8_t>(v);
            raw[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
    }
    return raw;
}

std::vector<float> averageOf(const std::vector<std::vector<uint8_t>>& frames) {
    std::vector<uint32_t> sums(frames[0].size() / 2, 0);
    for (const auto& f : frames) {
        for (size_t i = 0; i < sums.size(); ++i) sums[i] += f[2 * i] | f[2 * i + 1] << 8;
    }
    std::vector<float> out(sums.size());
    for (size_t i = 0; i < sums.size(); ++i) {
        out[i] = static_cast<float>(sums[i]) / static_cast<float>(static_cast<int>(frames.size()));
    }
    return out;
}

TEST_F(Tavraw, CalibrateAndCorrectMatchTheLibraryAndFlattenTheField) {
    const int32_t w = 64, h = 48;
    std::vector<std::vector<uint8_t>> grey, dark;
    std::vector<std::string> args = {"calibrate", "-f", "BayerGB12", "-w", "64", "-H", "48", "--blocks", "16",
                                     "-o", path("pixel.tbl"), "--grey"};
    for (int i = 0; i < 3; ++i) {
        grey.push_back(flatFrame12(w, h, 2000, 10 + i));
        writeBytes(path("grey" + std::to_string(i) + ".raw"), grey.back());
        args.push_back(path("grey" + std::to_string(i) + ".raw"));
    }
    args.push_back("--dark");
    for (int i = 0; i < 2; ++i) {
        dark.push_back(flatFrame12(w, h, 0, 20 + i));
        writeBytes(path("dark" + std::to_string(i) + ".raw"), dark.back());
        args.push_back(path("dark" + std::to_string(i) + ".raw"));
    }
    ToolRun r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const std::vector<float> greyAverage = averageOf(grey), darkAverage = averageOf(dark);
    TavLSCInput input = {TAV_LSC_MODE_PIXEL, 12, w, h, greyAverage.data(), darkAverage.data()};
    std::vector<uint32_t> table(3 + w * h);
    ASSERT_EQ(tavGetLSCParameter(&input, table.data()), TAV_OK);
    EXPECT_EQ(readBytes(path("pixel.tbl")), tableFile(table, 12));

    double darkSum = 0;
    for (float d : darkAverage) darkSum += d;
    TavBasicLSCInput blocks = {0, 12, 2, w, h, 16, 16, greyAverage.data(), static_cast<float>(darkSum / (w * h))};
    std::vector<uint8_t> records(3 * (w / 16) * (h / 16));
    ASSERT_EQ(tavGetBasicLSCParameter(&blocks, records.data()), TAV_OK);
    EXPECT_EQ(readBytes(path("pixel.blocks")), records);

    // Cell mode as well.
    args[10] = path("cell.tbl");
    args.insert(args.begin() + 1, {"--mode", "cell"});
    ASSERT_EQ(run(args).exitCode, 0);
    input.mode = TAV_LSC_MODE_2X2;
    std::vector<uint32_t> cells(3 + (w / 2) * (h / 2));
    ASSERT_EQ(tavGetLSCParameter(&input, cells.data()), TAV_OK);
    EXPECT_EQ(readBytes(path("cell.tbl")), tableFile(cells, 12));

    // Correcting a grey frame: the library's result, and a flat field.
    ToolRun corrected = run({"correct", "-t", path("pixel.tbl"), "-f", "BayerGB12", "-o", path("c.raw"),
                         path("grey0.raw")});
    ASSERT_EQ(corrected.exitCode, 0) << corrected.err;
    std::vector<uint8_t> expected = grey[0];
    TavImage frame = {h, w, TAV_PIXEL_BAYER_GB12, expected.data(), 2 * w};
    ASSERT_EQ(tavLSCorrection(&frame, &frame, table.data()), TAV_OK);
    std::vector<uint8_t> result = readBytes(path("c.raw"));
    EXPECT_EQ(result, expected);
    int lowest = 4095, highest = 0;
    for (size_t i = 0; i < result.size() / 2; ++i) {
        int v = result[2 * i] | result[2 * i + 1] << 8;
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_LT(highest - lowest, 80) << "the corrected grey frame should be flat";

    // In place gives the same bytes.
    ToolRun inPlace = run({"correct", "-t", path("pixel.tbl"), "-f", "BayerGB12", "--in-place", path("grey0.raw")});
    ASSERT_EQ(inPlace.exitCode, 0) << inPlace.err;
    EXPECT_EQ(readBytes(path("grey0.raw")), expected);
    EXPECT_TRUE(noTemporaries());
}

TEST_F(Tavraw, CorrectRefusesTablesThatDoNotFit) {
    // A per-pixel table for 64 x 48 frames (identity gains).
    std::vector<uint32_t> table(3 + 64 * 48, 0x20000000u);
    table[0] = 1;
    table[1] = 48;
    table[2] = 64;
    writeBytes(path("t.tbl"), wordsToBytes(table));
    writeBytes(path("rot.raw"), std::vector<uint8_t>(64 * 48, 9));
    ToolRun rotated = run({"correct", "-t", path("t.tbl"), "-f", "Mono8", "-w", "48", "-H", "64", path("rot.raw")});
    EXPECT_EQ(rotated.exitCode, 1);
    EXPECT_NE(rotated.err.find(path("rot.raw") + ": table " + path("t.tbl") +
                               " (64x48) refused: error line = [695] (status -104 TAV_E_SIZE)"),
              std::string::npos)
        << rotated.err;
    EXPECT_FALSE(exists(path("rot_corrected.raw")));

    std::vector<uint32_t> cut(table.begin(), table.end() - 1);
    writeBytes(path("cut.tbl"), wordsToBytes(cut));
    ToolRun truncated = run({"correct", "-t", path("cut.tbl"), "-f", "Mono8", path("rot.raw")});
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_NE(truncated.err.find("cut.tbl: table file holds 3071 parameter words, its header asks for 3072"),
              std::string::npos)
        << truncated.err;

    writeBytes(path("tiny.tbl"), {1, 2, 3});
    ToolRun tiny = run({"correct", "-t", path("tiny.tbl"), "-f", "Mono8", "-w", "64", "-H", "48", path("rot.raw")});
    EXPECT_EQ(tiny.exitCode, 1);
    EXPECT_NE(tiny.err.find("not a shading table: 3 bytes"), std::string::npos);

    ToolRun packed = run({"correct", "-t", path("t.tbl"), "-f", "Mono12Packed", path("rot.raw")});
    EXPECT_EQ(packed.exitCode, 2);
    EXPECT_NE(packed.err.find("correct works on unpacked 8-, 10- and 12-bit frames, not Mono12Packed"),
              std::string::npos);
    EXPECT_FALSE(exists(path("rot_corrected.raw")));
}

TEST_F(Tavraw, CalibrateRefusesFramesItCannotUse) {
    writeBytes(path("g30.raw"), std::vector<uint8_t>(30 * 30, 200));
    writeBytes(path("d30.raw"), std::vector<uint8_t>(30 * 30, 10));
    ToolRun small = run({"calibrate", "-f", "Mono8", "-w", "30", "-H", "30", "--grey", path("g30.raw"),
                         "--dark", path("d30.raw"), "-o", path("t.tbl")});
    EXPECT_EQ(small.exitCode, 2);
    EXPECT_NE(small.err.find("calibrate needs an even width and height of at least 32, got 30x30"), std::string::npos)
        << small.err;
    EXPECT_EQ(small.out, "");
    ToolRun odd = run({"calibrate", "-f", "Mono8", "-w", "33", "-H", "32", "--grey", path("g30.raw"), "--dark",
                       path("d30.raw"), "-o", path("t.tbl")});
    EXPECT_EQ(odd.exitCode, 2);
    EXPECT_NE(odd.err.find("even width and height of at least 32, got 33x32"), std::string::npos) << odd.err;
    ToolRun mixed = run({"calibrate", "-f", "Mono8", "-w", "32", "-H", "32", "--grey", path("g30.raw"),
                         "--dark", path("d30.raw"), "-o", path("t.tbl")});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_NE(mixed.err.find(path("g30.raw") + ": file is too short: 900 bytes, expected 1024"), std::string::npos)
        << mixed.err;
    ToolRun noDark = run({"calibrate", "-f", "Mono8", "-w", "30", "-H", "30", "--grey", path("g30.raw"), "-o",
                          path("t.tbl")});
    EXPECT_EQ(noDark.exitCode, 2);
    EXPECT_NE(noDark.err.find("give at least one --grey and one --dark frame"), std::string::npos);
    ToolRun packed = run({"calibrate", "-f", "BayerRG12Packed", "-w", "32", "-H", "32", "--grey", path("g30.raw"),
                          "--dark", path("d30.raw"), "-o", path("t.tbl")});
    EXPECT_EQ(packed.exitCode, 2);
    EXPECT_FALSE(exists(path("t.tbl")));
    EXPECT_TRUE(noTemporaries());
}

#if defined(TAVRAW_HAVE_U16_BILINEAR) && defined(TAVRAW_HAVE_U16_EDGE)
// Bilinear demosaicing of any Bayer order with mirrored borders, R, G, B per
// pixel: the rule the tool must reproduce for orders other than RG.
std::vector<uint16_t> bilinearAnyOrder(const std::vector<uint16_t>& src, int h, int w, const char* order) {
    auto colourAt = [&](int r, int c) {
        auto code = [](char ch) { return ch == 'R' ? 0 : ch == 'G' ? 1 : 2; };
        int first = code(order[0]), second = code(order[1]);
        if (r % 2 == 0) return c % 2 == 0 ? first : second;
        return c % 2 == 0 ? 2 - second : 2 - first;
    };
    auto at = [&](int r, int c) { return uint32_t(src[size_t(tavtest::mirror(r, h)) * w + tavtest::mirror(c, w)]); };
    std::vector<uint16_t> out(3 * size_t(h) * w);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const int site = colourAt(r, c);
            for (int colour = 0; colour < 3; ++colour) {
                uint32_t v;
                if (colour == site) v = at(r, c);
                else if (colour == 1) v = (at(r - 1, c) + at(r + 1, c) + at(r, c - 1) + at(r, c + 1)) >> 2;
                else if (site != 1) v = (at(r - 1, c - 1) + at(r - 1, c + 1) + at(r + 1, c - 1) + at(r + 1, c + 1)) >> 2;
                else if (colourAt(r, c + 1) == colour) v = (at(r, c - 1) + at(r, c + 1)) >> 1;
                else v = (at(r - 1, c) + at(r + 1, c)) >> 1;
                out[3 * (size_t(r) * w + c) + colour] = uint16_t(v);
            }
        }
    }
    return out;
}

TEST_F(Tavraw, SixteenBitPathsWriteTheLibrarySamplesForEveryOrder) {
    const int32_t w = 14, h = 10;
    const size_t n = size_t(w) * h;
    const char* orders[] = {"RG", "GR", "GB", "BG"};
    uint32_t seed = 50;
    for (const char* order : orders) {
        for (const char* method : {"bilinear", "edge"}) {
            const bool planar = std::string(method) == "edge" ? order[0] == 'G' : order[0] != 'G';
            SCOPED_TRACE(std::string(order) + " " + method + (planar ? " planar" : ""));
            std::vector<uint16_t> samples = tavtest::randomSamples16(n, seed++, 4095);
            std::vector<uint8_t> raw(2 * n);
            for (size_t i = 0; i < n; ++i) {
                raw[2 * i] = static_cast<uint8_t>(samples[i]);
                raw[2 * i + 1] = static_cast<uint8_t>(samples[i] >> 8);
            }
            writeBytes(path("in.raw"), raw);
            std::vector<uint16_t> bgr(3 * n);  // B, G, R per pixel
            if (std::string(method) == "bilinear") {
                std::vector<uint16_t> rgb = bilinearAnyOrder(samples, h, w, order);
                for (size_t i = 0; i < n; ++i) {
                    for (int c = 0; c < 3; ++c) bgr[3 * i + c] = rgb[3 * i + 2 - c];
                }
            } else {
                const std::string o = order;
                auto kernel = o == "RG" ? demosaicingEdgeRGGBU16 : o == "GR" ? demosaicingEdgeGRBGU16
                              : o == "GB" ? demosaicingEdgeGBRGU16 : demosaicingEdgeBGGRU16;
                kernel(samples.data(), h, w, bgr.data());
            }
            ToolRun r = run({"convert", "--u16", "-m", method, "-f", std::string("Bayer") + order + "12",
                             "-w", std::to_string(w), "-H", std::to_string(h), "-t",
                             planar ? "BGR8_Planar" : "RGB8", "-o", path("o.png"), "--raw-out", path("o.bin"),
                             path("in.raw")});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            std::vector<uint8_t> bin = readBytes(path("o.bin"));
            ASSERT_EQ(bin.size(), 2 * bgr.size());
            for (size_t p = 0; p < n; ++p) {
                for (int c = 0; c < 3; ++c) {
                    size_t k = planar ? c * n + p : 3 * p + c;
                    ASSERT_EQ(bin[2 * k] | bin[2 * k + 1] << 8, bgr[3 * p + c]) << p << " " << c;
                }
            }
            // The PNG holds the samples clipped to 12 bits and moved to the top.
            auto shown = [](uint16_t v) { return (v < 4095 ? v : 4095) << 4; };
            if (planar) {
                PngPixels blue = readPng(path("o_B.png"));
                ASSERT_TRUE(blue.ok);
                EXPECT_EQ(blue.channels, 1);
                for (size_t p = 0; p < n; ++p) ASSERT_EQ(blue.samples[p], shown(bgr[3 * p])) << p;
                continue;
            }
            PngPixels png = readPng(path("o.png"));
            ASSERT_TRUE(png.ok);
            EXPECT_EQ(png.bitDepth, 16);
            EXPECT_EQ(png.significantBits, 12);
            for (size_t p = 0; p < n; ++p) {
                for (int c = 0; c < 3; ++c) ASSERT_EQ(png.samples[3 * p + c], shown(bgr[3 * p + 2 - c])) << p;
            }
        }
    }
}
#endif

TEST_F(Tavraw, DemoWritesTheWholeChain) {
    ToolRun r = run({"demo", path("demo"), "-w", "64", "-H", "48"});
    for (const char* name : {"chart.raw", "shading.table", "shading.blocks", "chart_corrected.raw",
                             "chart_uncorrected_bilinear.png", "chart_corrected_nearest.png",
                             "chart_corrected_bilinear.png", "chart_corrected_mono.png"}) {
        EXPECT_TRUE(exists(path(std::string("demo/") + name))) << name;
    }
    std::vector<uint8_t> probe(64, 0), out(3 * 64);
    TavContext* context = nullptr;
    tavCreate(&context);
    TavImage in = {8, 8, TAV_PIXEL_BAYER_RG8, probe.data(), 8}, o = {0, 0, 0, out.data(), 0};
    int32_t edge = TAV_OK;
    tavtest::captureStdout([&] { edge = tavDemosaicing(context, &in, TAV_METHOD_EDGE, &o); });
    int32_t hq = TAV_OK;
    tavtest::captureStdout([&] { hq = tavDemosaicing(context, &in, TAV_METHOD_HQ, &o); });
    tavRelease(&context);
    if (edge == TAV_OK && hq == TAV_OK) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(exists(path("demo/chart_corrected_edge.png")));
        EXPECT_TRUE(exists(path("demo/chart_corrected_hq.png")));
    }
}

TEST_F(Tavraw, InfoListsEveryMethod) {
    ToolRun r = run({"info"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\nmethods: nearest, bilinear, edge, hq\n"), std::string::npos) << r.out;
}

}  // namespace

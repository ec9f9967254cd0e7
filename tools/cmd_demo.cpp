// demo: the whole chain on synthetic frames, written into one folder.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli.h"
#include "commands.h"
#include "demosaic_frame.h"
#include "png_writer.h"
#include "raw_io.h"
#include "test_chart.h"

namespace tavraw {

namespace {

const char kHelp[] =
    "usage: tavraw demo [FOLDER] [-w W -H H] [--threads N]\n"
    "\n"
    "Makes a BayerRG12 test chart as a real sensor records it (a black level of\n"
    "256, green twice as sensitive as red, colour crosstalk between sites, a lens\n"
    "that darkens the corners) with flat and dark frames, calibrates a shading\n"
    "table from them, corrects the chart, and demosaics it before and after\n"
    "correction with every method. Then it turns the raw chart into a picture one\n"
    "stage at a time (black level, grey-world white balance, the colour matrix\n"
    "that undoes the crosstalk, the sRGB curve, shading) and writes the stages side\n"
    "by side in chart_stages.png, and the raw look beside the finished picture in\n"
    "chart_raw_and_finished.png. Everything goes into FOLDER (default:\n"
    "tavraw-demo), which is created if needed.\n"
    "\n"
    "  -w, --width N   frame width, even, at least 32 (default: 320)\n"
    "  -H, --height N  frame height, even, at least 32 (default: 240)\n"
    "      --threads N threads per frame for demosaicing: 0 all processors\n"
    "                  (default), 1 the calling thread only\n"
    "  -h, --help      this text\n";

const std::vector<OptionDef> kOptions = {
    {"width", 'w', OptionDef::Value},
    {"height", 'H', OptionDef::Value},
    {"threads", 0, OptionDef::Value},
    {"help", 'h', OptionDef::Flag},
};

constexpr int kFramesPerKind = 4;
constexpr double kVignetting = 0.5;
constexpr int kBlackLevel = 256;
// The simulated sensor: green sites twice as sensitive as red ones, and a
// share of each colour's light reaching its neighbours' sites (rows sum to 1,
// so grey stays grey and grey world finds the response).
constexpr double kResponse[3] = {0.5, 1.0, 0.62};
constexpr double kCrosstalk[9] = {0.80, 0.15, 0.05, 0.10, 0.80, 0.10, 0.05, 0.20, 0.75};

// The colour matrix that undoes the crosstalk: its inverse.
std::string inverseMatrixText(const double m[9]) {
    const double cofactor[9] = {
        m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
        m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
        m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
    const double determinant = m[0] * cofactor[0] + m[1] * cofactor[3] + m[2] * cofactor[6];
    std::string text;
    for (int i = 0; i < 9; ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%.6f%s", cofactor[i] / determinant, i % 3 == 2 ? "\n" : " ");
        text += entry;
    }
    return text;
}

// Pastes RGB8 images of one size next to each other, left to right.
PngImage sideBySide(const std::vector<std::vector<uint8_t>>& panels, int32_t width, int32_t height) {
    PngImage image;
    image.width = width * static_cast<int32_t>(panels.size());
    image.height = height;
    image.channels = 3;
    image.samples8.resize(static_cast<size_t>(image.width) * height * 3);
    for (size_t p = 0; p < panels.size(); ++p) {
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* from = panels[p].data() + static_cast<size_t>(y) * width * 3;
            uint8_t* to = image.samples8.data() + (static_cast<size_t>(y) * image.width + p * width) * 3;
            std::copy(from, from + static_cast<size_t>(width) * 3, to);
        }
    }
    return image;
}

}  // namespace

int runDemo(const Arguments& args) {
    Options options(kOptions, args);
    if (options.has("help")) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (options.positional().size() > 1) usageError("give one folder");
    const std::string folder = options.positional().empty() ? "tavraw-demo" : options.positional()[0];
    const int32_t width = options.integer("width", 320, 32, 4096);
    const int32_t height = options.integer("height", 240, 32, 4096);
    if (width % 2 != 0 || height % 2 != 0) usageError("--width and --height must be even");
    const std::string threads = std::to_string(options.integer("threads", 0, 0, 1024));
    makeDirectory(folder);
    const std::string format = "BayerRG12";
    const FrameGeometry g = makeGeometry(*findInputFormat(format), width, height, 0);
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    auto path = [&](const std::string& name) { return folder + "/" + name; };

    // Synthetic captures: the chart and a uniform target through a lens that
    // loses half its light towards the corners, and frames without light.
    ChartOptions chart;
    chart.vignetting = kVignetting;
    chart.darkLevel = kBlackLevel;
    chart.noiseSeed = 1;
    for (int c = 0; c < 3; ++c) chart.response[c] = kResponse[c];
    for (int i = 0; i < 9; ++i) chart.crosstalk[i] = kCrosstalk[i];
    writeFileAtomic(path("chart.raw"), chartFrame(g, chart));
    Arguments greyFiles, darkFiles;
    for (int i = 0; i < kFramesPerKind; ++i) {
        ChartOptions flat = chart;
        flat.flat = true;
        flat.noiseSeed = 100 + i;
        greyFiles.push_back(path("grey_" + std::to_string(i) + ".raw"));
        writeFileAtomic(greyFiles.back(), chartFrame(g, flat));
        ChartOptions dark = flat;
        dark.gain = 0.0;
        dark.noiseSeed = 200 + i;
        darkFiles.push_back(path("dark_" + std::to_string(i) + ".raw"));
        writeFileAtomic(darkFiles.back(), chartFrame(g, dark));
    }
    writeFileAtomic(path("ccm.txt"), [] {
        const std::string text = inverseMatrixText(kCrosstalk);
        return std::vector<uint8_t>(text.begin(), text.end());
    }());
    std::fprintf(stderr, "tavraw demo: wrote %s/chart.raw, %d grey and %d dark %sx%s %s frames and ccm.txt\n",
                 folder.c_str(), kFramesPerKind, kFramesPerKind, w.c_str(), h.c_str(), format.c_str());

    struct Step {
        const char* command;
        Arguments args;
    };
    std::vector<Step> steps;
    Arguments calibrate = {"-f", format, "-w", w, "-H", h, "--mode", "pixel", "--blocks", "32",
                           "-o", path("shading.table"), "--grey"};
    calibrate.insert(calibrate.end(), greyFiles.begin(), greyFiles.end());
    calibrate.push_back("--dark");
    calibrate.insert(calibrate.end(), darkFiles.begin(), darkFiles.end());
    steps.push_back({"calibrate", calibrate});
    steps.push_back({"info", {"--table", path("shading.table")}});
    steps.push_back({"correct", {"-t", path("shading.table"), "-f", format, "-o", path("chart_corrected.raw"),
                                 path("chart.raw")}});
    steps.push_back({"convert", {"-f", format, "-w", w, "-H", h, "--threads", threads, "-m", "bilinear",
                                 "-o", path("chart_uncorrected_bilinear.png"), path("chart.raw")}});
    for (const Method& method : methods()) {
        steps.push_back({"convert", {"-f", format, "-w", w, "-H", h, "--threads", threads, "-m", method.name,
                                     "-o", path(std::string("chart_corrected_") + method.name + ".png"),
                                     path("chart_corrected.raw")}});
    }
    steps.push_back({"convert", {"-f", format, "-w", w, "-H", h, "--threads", threads, "-t", "Mono8", "-o",
                                 path("chart_corrected_mono.png"), path("chart_corrected.raw")}});
    if (have16BitBilinear()) {
        steps.push_back({"convert", {"-f", format, "-w", w, "-H", h, "--u16", "-m", "bilinear", "-o",
                                     path("chart_corrected_bilinear16.png"), path("chart_corrected.raw")}});
    }
    if (have16BitEdge()) {
        steps.push_back({"convert", {"-f", format, "-w", w, "-H", h, "--u16", "-m", "edge", "-o",
                                     path("chart_corrected_edge16.png"), path("chart_corrected.raw")}});
    }

    // The picture, one stage at a time; each stage keeps the ones before it.
    // With the shading table, which subtracts the dark frames itself, the
    // black level is left out.
    const std::string black = std::to_string(kBlackLevel);
    const std::vector<std::pair<std::string, Arguments>> stages = {
        {"1_raw", {}},
        {"2_black", {"--black", black}},
        {"3_white_balance", {"--black", black, "--wb", "auto"}},
        {"4_matrix", {"--black", black, "--wb", "auto", "--ccm", path("ccm.txt")}},
        {"5_curve", {"--black", black, "--wb", "auto", "--ccm", path("ccm.txt"), "--curve", "srgb"}},
        {"6_shading", {"--shading", path("shading.table"), "--wb", "auto", "--ccm", path("ccm.txt"), "--curve",
                       "srgb"}},
    };
    for (const auto& stage : stages) {
        Arguments convert = {"-f", format, "-w", w, "-H", h, "--threads", threads};
        convert.insert(convert.end(), stage.second.begin(), stage.second.end());
        convert.insert(convert.end(), {"-o", path("chart_stage" + stage.first + ".png"), "--raw-out",
                                       path("chart_stage" + stage.first + ".rgb"), path("chart.raw")});
        steps.push_back({"convert", convert});
    }

    int failed = 0;
    for (const Step& step : steps) {
        std::string line = std::string("tavraw ") + step.command;
        for (const std::string& a : step.args) line += " " + a;
        std::fprintf(stderr, "tavraw demo: %s\n", line.c_str());
        std::fflush(stdout);
        if (runCommand(step.command, step.args) != kExitOk) ++failed;
    }
    if (failed != 0) failure(std::to_string(failed) + " of " + std::to_string(steps.size()) + " steps failed");

    // The stages' RGB8 outputs, exactly as the library wrote them, side by side.
    std::vector<std::vector<uint8_t>> panels;
    for (const auto& stage : stages) {
        const std::string rgb = path("chart_stage" + stage.first + ".rgb");
        panels.push_back(readFile(rgb));
        if (panels.back().size() != static_cast<size_t>(g.pixels()) * 3) failure(rgb + ": not an RGB8 frame");
        std::remove(rgb.c_str());
    }
    writePng(path("chart_stages.png"), sideBySide(panels, width, height));
    writePng(path("chart_raw_and_finished.png"), sideBySide({panels.front(), panels.back()}, width, height));
    std::fprintf(stderr, "tavraw demo: wrote %s/chart_stages.png (raw, black level, white balance, matrix, curve, "
                 "shading) and %s/chart_raw_and_finished.png\n", folder.c_str(), folder.c_str());
    std::fprintf(stderr, "tavraw demo: done; the PNGs are in %s/\n", folder.c_str());
    return kExitOk;
}

}  // namespace tavraw

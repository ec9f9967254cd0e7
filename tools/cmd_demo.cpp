// demo: the whole chain on synthetic frames, written into one folder.
#include <cstdio>

#include "cli.h"
#include "commands.h"
#include "demosaic_frame.h"
#include "raw_io.h"
#include "test_chart.h"

namespace tavraw {

namespace {

const char kHelp[] =
    "usage: tavraw demo [FOLDER] [-w W -H H] [--threads N]\n"
    "\n"
    "Makes a vignetted BayerRG12 test chart with flat and dark frames, calibrates\n"
    "a shading table from them, corrects the chart, and demosaics it before and\n"
    "after correction with every method. Everything goes into FOLDER (default:\n"
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
constexpr double kDarkLevel = 64.0;

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
    chart.darkLevel = kDarkLevel;
    chart.noiseSeed = 1;
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
    std::fprintf(stderr, "tavraw demo: wrote %s/chart.raw and %d grey and %d dark %sx%s %s frames\n",
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

    int failed = 0;
    for (const Step& step : steps) {
        std::string line = std::string("tavraw ") + step.command;
        for (const std::string& a : step.args) line += " " + a;
        std::fprintf(stderr, "tavraw demo: %s\n", line.c_str());
        std::fflush(stdout);
        if (runCommand(step.command, step.args) != kExitOk) ++failed;
    }
    if (failed != 0) failure(std::to_string(failed) + " of " + std::to_string(steps.size()) + " steps failed");
    std::fprintf(stderr, "tavraw demo: done; the PNGs are in %s/\n", folder.c_str());
    return kExitOk;
}

}  // namespace tavraw

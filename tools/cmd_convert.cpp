// convert: raw frames (or the built-in test chart) to PNG.
#include <algorithm>
#include <cstdio>

#include "cli.h"
#include "commands.h"
#include "demosaic_frame.h"
#include "frame_stats.h"
#include "path_identity.h"
#include "picture_options.h"
#include "png_writer.h"
#include "raw_io.h"
#include "test_chart.h"

namespace tavraw {

namespace {

const char kHelp[] =
    "usage: tavraw convert [options] [FILE.raw ...]\n"
    "\n"
    "Demosaics raw frames to PNG. Without files it demosaics the built-in test\n"
    "chart (colour bars, grey ramp, line pairs, zone plate).\n"
    "\n"
    "  -f, --format NAME       PFNC pixel format of the files, e.g. BayerRG12Packed\n"
    "                          (chart default: BayerRG12Packed)\n"
    "  -w, --width N           frame width in pixels (chart default: 640)\n"
    "  -H, --height N          frame height in pixels (chart default: 480)\n"
    "      --line-bytes N      bytes per input row when rows are padded\n"
    "  -m, --method NAME       nearest, bilinear, edge or hq (default: bilinear)\n"
    "  -t, --output-type NAME  RGB8, BGR8, RGBA8, BGRA8, RGB8_Planar, BGR8_Planar or\n"
    "                          Mono8 (default: RGB8)\n"
    "  -o, --output FILE.png   output file (one input; default: input name with .png,\n"
    "                          chart.png for the chart); - for standard output\n"
    "      --out-dir DIR       write NAME.png for each input into DIR (created if\n"
    "                          missing)\n"
    "      --raw-out FILE      also write the library's output buffer unchanged\n"
    "                          (one input only); - for standard output\n"
    "      --u16               16-bit bilinear or edge path for 16-bit Bayer input;\n"
    "                          writes 16-bit PNG\n"
    "      --strict            refuse frames with samples above the format's range\n"
    "                          (default: warn and go on)\n"
    "      --threads N         threads per frame: 0 all processors (default), 1 the\n"
    "                          calling thread only\n"
    "\n"
    "Picture pipeline (any of these turns it on; the others are then neutral):\n"
    "      --shading TABLE     shading table of calibrate, for this frame size and\n"
    "                          depth (it also subtracts the dark frames)\n"
    "      --black N|N,N,N,N   black level, or four in 2x2 tile order (top-left,\n"
    "                          top-right, bottom-left, bottom-right)\n"
    "      --wb R,G,B|auto     white-balance gains in (0, 64]; auto: grey world from a\n"
    "                          statistics pass over the same frame\n"
    "      --ccm M|FILE        colour matrix, nine numbers in [-16, 16] row by row,\n"
    "                          comma-separated, or a file holding them\n"
    "      --curve C           linear (default), srgb or gamma:G (G from 0.1 to 10)\n"
    "  -h, --help              this text\n"
    "\n"
    "The PNG always shows the picture: blue-first types are stored as RGB and the\n"
    "zero alpha byte of RGBA8/BGRA8 is left out. Planar types are written as three\n"
    "grey PNGs, NAME_R.png, NAME_G.png and NAME_B.png. --raw-out keeps the exact\n"
    "bytes. 16-bit PNG samples are shifted up to full scale; the sBIT chunk records\n"
    "the sensor depth. FILE - reads one frame from standard input (give -o). An\n"
    "output that is one of the inputs is refused before anything is written.\n"
    "\n"
    "formats: %s\n";

const std::vector<OptionDef> kOptions = {
    {"format", 'f', OptionDef::Value},     {"width", 'w', OptionDef::Value},
    {"height", 'H', OptionDef::Value},     {"line-bytes", 0, OptionDef::Value},
    {"method", 'm', OptionDef::Value},     {"output-type", 't', OptionDef::Value},
    {"output", 'o', OptionDef::Value},     {"out-dir", 0, OptionDef::Value},
    {"raw-out", 0, OptionDef::Value},      {"u16", 0, OptionDef::Flag},
    {"strict", 0, OptionDef::Flag},        {"threads", 0, OptionDef::Value},
    {"black", 0, OptionDef::Value},        {"wb", 0, OptionDef::Value},
    {"ccm", 0, OptionDef::Value},          {"curve", 0, OptionDef::Value},
    {"shading", 0, OptionDef::Value},      {"help", 'h', OptionDef::Flag},
};

constexpr int32_t kMaxSide = 1 << 16;
constexpr int32_t kMaxThreads = 1024;

// The PNG files one output name stands for: itself, or one per plane in the
// order the type stores its planes.
std::vector<std::string> imagePaths(const std::string& pngPath, const OutputType& type) {
    if (!type.planar) return {pngPath};
    const char* planes = type.bgrOrder ? "BGR" : "RGB";
    std::vector<std::string> paths;
    for (int p = 0; p < 3; ++p) paths.push_back(replaceExtension(pngPath, std::string("_") + planes[p] + ".png"));
    return paths;
}

// Returns the files written, for messages.
std::string writeImages(const std::string& pngPath, const OutputType& type, const DemosaicResult& result) {
    const std::vector<std::string> paths = imagePaths(pngPath, type);
    std::string written;
    for (size_t p = 0; p < result.images.size() && p < paths.size(); ++p) {
        writePng(paths[p], result.images[p]);
        written += (written.empty() ? "" : ", ") + paths[p];
    }
    return isStandardStream(written) ? "standard output" : written;
}

// The pipeline with the grey-world gains of the frame: a statistics pass
// with gains 1 (the sums do not depend on the method or the output type, so
// it takes the cheapest), then the gains it gives, reported on stderr.
TavPipeline withGreyWorld(const std::string& what, std::vector<uint8_t>& raw, const FrameGeometry& geometry,
                          TavPipeline pipeline, int32_t threads) {
    for (float& gain : pipeline.whiteBalance) gain = 1.0f;
    TavFrameStats stats;
    demosaic8(what, raw, geometry, *findMethod("nearest"), *findOutputType("Mono8"), threads, &pipeline, &stats);
    const GreyWorldGains gains = greyWorld(stats);
    pipeline.whiteBalance[0] = static_cast<float>(gains.red);
    pipeline.whiteBalance[1] = static_cast<float>(gains.green);
    pipeline.whiteBalance[2] = static_cast<float>(gains.blue);
    std::fprintf(stderr, "tavraw convert: %s: grey-world white balance --wb %s\n", what.c_str(),
                 describeGains(gains).c_str());
    return pipeline;
}

}  // namespace

int runConvert(const Arguments& args) {
    Options options(kOptions, args);
    if (options.has("help")) {
        std::printf(kHelp, inputFormatNames().c_str());
        return kExitOk;
    }
    const std::vector<std::string>& inputs = options.positional();
    const bool chart = inputs.empty();

    const std::string formatName = options.text("format", chart ? "BayerRG12Packed" : "");
    if (formatName.empty()) usageError("--format is required with input files (e.g. --format BayerRG12Packed)");
    const PixelFormat* format = findInputFormat(formatName);
    if (!format) usageError("unknown pixel format '" + formatName + "'; known: " + inputFormatNames());
    if (!chart && (!options.has("width") || !options.has("height"))) {
        usageError("--width and --height are required with input files");
    }
    const int32_t width = options.integer("width", 640, 1, kMaxSide);
    const int32_t height = options.integer("height", 480, 1, kMaxSide);
    const int32_t lineBytes = options.integer("line-bytes", 0, 1, INT32_MAX);
    const FrameGeometry geometry = makeGeometry(*format, width, height, lineBytes);

    const std::string methodName = options.text("method", "bilinear");
    const Method* method = findMethod(methodName);
    if (!method) usageError("unknown method '" + methodName + "'; known: " + methodNames());
    const std::string typeName = options.text("output-type", "RGB8");
    const OutputType* type = findOutputType(typeName);
    if (!type) usageError("unknown output type '" + typeName + "'; known: " + outputTypeNames());
    const bool u16 = options.has("u16");
    const bool strict = options.has("strict");
    const int32_t threads = options.integer("threads", 0, 0, kMaxThreads);
    PictureOptions picture = parsePictureOptions(options, *format);
    if (picture.enabled && u16) {
        usageError("--u16 has no picture pipeline: leave out --black, --wb, --ccm, --curve and --shading");
    }

    if (inputs.size() > 1 && (options.has("output") || options.has("raw-out"))) {
        usageError("--output and --raw-out take one input file; use --out-dir for several");
    }
    if (options.has("output") && options.has("out-dir")) usageError("use either --output or --out-dir");
    std::vector<std::string> allInputs = inputs;
    for (const std::string& file : pictureInputs(picture)) allInputs.push_back(file);
    refuseRepeatedStandardInput(allInputs);
    if (inputs.size() > 1 && std::find(inputs.begin(), inputs.end(), "-") != inputs.end()) {
        usageError("standard input ('-') must be the only input");
    }
    if (!chart && isStandardStream(inputs[0]) && !options.has("output")) {
        usageError("give --output for a frame read from standard input");
    }
    if (isStandardStream(options.text("output")) && isStandardStream(options.text("raw-out"))) {
        usageError("only one of --output and --raw-out can go to standard output");
    }
    if (isStandardStream(options.text("output")) && type->planar) {
        usageError(std::string(type->name) + " writes three PNG files; standard output takes one");
    }
    const std::string outDir = options.text("out-dir");

    auto outputFor = [&](const std::string& input) {
        if (options.has("output")) return options.text("output");
        std::string name = chart ? "chart.png" : replaceExtension(input, ".png");
        return outDir.empty() ? name : outDir + "/" + baseName(name);
    };
    // Every file this run will write, checked against the inputs and each
    // other before any work.
    std::vector<PlannedOutput> planned;
    for (const std::string& input : chart ? std::vector<std::string>{""} : inputs) {
        for (const std::string& png : imagePaths(outputFor(input), *type)) {
            planned.push_back({png, chart ? std::string("the chart's PNG") : "the PNG of " + input});
        }
    }
    if (options.has("raw-out")) planned.push_back({options.text("raw-out"), "--raw-out"});
    refuseOverwrites(allInputs, planned);
    loadShading(picture, geometry);
    if (!outDir.empty()) makeDirectory(outDir);

    std::string written;
    auto convertOne = [&](const std::string& input, std::vector<uint8_t> raw) {
        const std::string what = chart ? std::string("test chart") : displayName(input);
        checkSampleRange("convert", what, raw, geometry, strict);
        DemosaicResult result;
        if (u16) {
            result = demosaic16(what, raw, geometry, *method, *type);
        } else if (!picture.enabled) {
            result = demosaic8(what, raw, geometry, *method, *type, threads);
        } else {
            TavPipeline pipeline = pipelineFor(picture);
            if (picture.autoWhiteBalance) pipeline = withGreyWorld(what, raw, geometry, pipeline, threads);
            result = demosaic8(what, raw, geometry, *method, *type, threads, &pipeline);
        }
        written = writeImages(outputFor(input), *type, result);
        if (options.has("raw-out")) writeFileAtomic(options.text("raw-out"), result.libraryOutput);
    };

    if (chart) {
        convertOne("", chartFrame(geometry, ChartOptions()));
        std::fprintf(stderr, "tavraw convert: wrote %s (test chart, %dx%d %s, %s, %s)\n",
                     written.c_str(), width, height, format->name, method->name, type->name);
        return kExitOk;
    }
    if (inputs.size() == 1) {
        convertOne(inputs[0], readFrameFile(inputs[0], geometry));
        return kExitOk;
    }
    size_t failed = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        std::fprintf(stderr, "tavraw convert: [%zu/%zu] %s -> %s\n", i + 1, inputs.size(),
                     inputs[i].c_str(), outputFor(inputs[i]).c_str());
        try {
            convertOne(inputs[i], readFrameFile(inputs[i], geometry));
        } catch (const ToolError& error) {
            if (error.exitCode == kExitUsage) throw;
            std::fprintf(stderr, "tavraw convert: %s\n", error.what());
            ++failed;
        }
    }
    std::fprintf(stderr, "tavraw convert: converted %zu of %zu files, %zu failed\n",
                 inputs.size() - failed, inputs.size(), failed);
    return failed == 0 ? kExitOk : kExitFailure;
}

}  // namespace tavraw

// convert: raw frames (or the built-in test chart) to PNG.
#include <cstdio>

#include "cli.h"
#include "commands.h"
#include "demosaic_frame.h"
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
    "  -m, --method NAME       nearest, bilinear or edge (default: bilinear)\n"
    "  -t, --output-type NAME  RGB8, BGR8, RGBA8, BGRA8, RGB8_Planar, BGR8_Planar or\n"
    "                          Mono8 (default: RGB8)\n"
    "  -o, --output FILE.png   output file (one input; default: input name with .png,\n"
    "                          chart.png for the chart)\n"
    "      --out-dir DIR       write NAME.png for each input into DIR\n"
    "      --raw-out FILE      also write the library's output buffer unchanged\n"
    "                          (one input only)\n"
    "      --u16               16-bit bilinear or edge path for 16-bit Bayer input;\n"
    "                          writes 16-bit PNG\n"
    "  -h, --help              this text\n"
    "\n"
    "The PNG always shows the picture: blue-first types are stored as RGB and the\n"
    "zero alpha byte of RGBA8/BGRA8 is left out. Planar types are written as three\n"
    "grey PNGs, NAME_R.png, NAME_G.png and NAME_B.png. --raw-out keeps the exact\n"
    "bytes. 16-bit PNG samples are shifted up to full scale; the sBIT chunk records\n"
    "the sensor depth.\n"
    "\n"
    "formats: %s\n";

const std::vector<OptionDef> kOptions = {
    {"format", 'f', OptionDef::Value},     {"width", 'w', OptionDef::Value},
    {"height", 'H', OptionDef::Value},     {"line-bytes", 0, OptionDef::Value},
    {"method", 'm', OptionDef::Value},     {"output-type", 't', OptionDef::Value},
    {"output", 'o', OptionDef::Value},     {"out-dir", 0, OptionDef::Value},
    {"raw-out", 0, OptionDef::Value},      {"u16", 0, OptionDef::Flag},
    {"help", 'h', OptionDef::Flag},
};

constexpr int32_t kMaxSide = 1 << 16;

// Returns the files written, for messages.
std::string writeImages(const std::string& pngPath, const DemosaicResult& result) {
    if (result.planeNames.empty()) {
        writePng(pngPath, result.images.front());
        return pngPath;
    }
    std::string written;
    for (size_t p = 0; p < result.images.size(); ++p) {
        std::string planePath = replaceExtension(pngPath, "_" + result.planeNames[p] + ".png");
        writePng(planePath, result.images[p]);
        written += (written.empty() ? "" : ", ") + planePath;
    }
    return written;
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

    if (inputs.size() > 1 && (options.has("output") || options.has("raw-out"))) {
        usageError("--output and --raw-out take one input file; use --out-dir for several");
    }
    if (options.has("output") && options.has("out-dir")) usageError("use either --output or --out-dir");
    const std::string outDir = options.text("out-dir");
    if (!outDir.empty() && !isDirectory(outDir)) failure(outDir + ": no such folder");

    auto outputFor = [&](const std::string& input) {
        if (options.has("output")) return options.text("output");
        std::string name = chart ? "chart.png" : replaceExtension(input, ".png");
        return outDir.empty() ? name : outDir + "/" + baseName(name);
    };
    std::string written;
    auto convertOne = [&](const std::string& input, std::vector<uint8_t> raw) {
        const std::string what = chart ? std::string("test chart") : input;
        DemosaicResult result = u16 ? demosaic16(what, raw, geometry, *method, *type)
                                    : demosaic8(what, raw, geometry, *method, *type);
        written = writeImages(outputFor(input), result);
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

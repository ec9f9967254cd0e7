// calibrate: grey and dark raw frames -> shading correction table file.
#include <cstdio>

#include "calibration_checks.h"
#include "cli.h"
#include "commands.h"
#include "library_call.h"
#include "path_identity.h"
#include "raw_io.h"
#include "shading_table.h"
#include "tav_lsc.h"

namespace tavraw {

namespace {

const char kHelp[] =
    "usage: tavraw calibrate -f FMT -w W -H H --grey FILE... --dark FILE... -o TABLE\n"
    "\n"
    "Averages the grey frames (a uniformly lit target) and the dark frames (no\n"
    "light), computes a shading correction table from the two averages and writes\n"
    "it as a table file (a TAVSHADE header, then the table's 32-bit words,\n"
    "little-endian). Frames are unpacked 8-, 10- or 12-bit Mono or Bayer raw\n"
    "files, all of one size and format, no sample above the format's range;\n"
    "width and height must be even and at least 32. The grey frames must be\n"
    "brighter than the dark frames in every channel and every pixel.\n"
    "\n"
    "  -f, --format NAME      PFNC pixel format of all frames\n"
    "  -w, --width N          frame width\n"
    "  -H, --height N         frame height\n"
    "      --line-bytes N     bytes per row when rows are padded\n"
    "      --grey FILE...     grey frames\n"
    "      --dark FILE...     dark frames\n"
    "  -o, --output TABLE     table file to write (- for standard output)\n"
    "      --mode pixel|cell  one word per pixel or per 2x2 cell (default: pixel)\n"
    "      --bits 8|10|12     depth of the frames the table will correct\n"
    "                         (default: the format's); the averages are\n"
    "                         rescaled from the format's depth to it\n"
    "      --blocks 16|32     also write one 3-byte record per block of 16 rows by\n"
    "                         16 or 32 columns (dark level: mean of the dark frames)\n"
    "      --blocks-out FILE  where the records go (default: TABLE with .blocks)\n"
    "  -h, --help             this text\n";

const std::vector<OptionDef> kOptions = {
    {"format", 'f', OptionDef::Value},    {"width", 'w', OptionDef::Value},
    {"height", 'H', OptionDef::Value},    {"line-bytes", 0, OptionDef::Value},
    {"grey", 0, OptionDef::List},         {"dark", 0, OptionDef::List},
    {"output", 'o', OptionDef::Value},    {"mode", 0, OptionDef::Value},
    {"bits", 0, OptionDef::Value},        {"blocks", 0, OptionDef::Value},
    {"blocks-out", 0, OptionDef::Value},  {"help", 'h', OptionDef::Flag},
};

constexpr int32_t kMinimumSide = 32;

// Sum of the frames' samples, then one division per pixel (as averageInput
// of the wrapper library does it: both operands as 32-bit floats), then the
// move to the depth the table is for (a power of two, exact in float).
std::vector<float> averageFrames(const std::vector<std::string>& files, const FrameGeometry& g, int32_t bits) {
    std::vector<uint32_t> sums(static_cast<size_t>(g.pixels()), 0);
    for (const std::string& file : files) {
        const std::vector<uint8_t> raw = readFrameFile(file, g);
        checkSampleRange("calibrate", displayName(file), raw, g, true);
        std::vector<uint16_t> samples = decodeSamples(raw, g);
        for (size_t i = 0; i < sums.size(); ++i) sums[i] += samples[i];
    }
    std::vector<float> average(sums.size());
    const float divisor = static_cast<float>(static_cast<int32_t>(files.size()));
    const float toDepth = bits >= g.format->bits ? static_cast<float>(1 << (bits - g.format->bits))
                                                 : 1.0f / static_cast<float>(1 << (g.format->bits - bits));
    for (size_t i = 0; i < sums.size(); ++i) average[i] = static_cast<float>(sums[i]) / divisor * toDepth;
    return average;
}

}  // namespace

int runCalibrate(const Arguments& args) {
    Options options(kOptions, args);
    if (options.has("help")) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (!options.positional().empty()) {
        usageError("unexpected argument '" + options.positional()[0] + "' (frames go after --grey and --dark)");
    }
    if (!options.has("format") || !options.has("width") || !options.has("height")) {
        usageError("--format, --width and --height are required");
    }
    const PixelFormat* format = findInputFormat(options.text("format"));
    if (!format) {
        usageError("unknown pixel format '" + options.text("format") + "'; known: " + inputFormatNames());
    }
    if (format->storage == Storage::Packed12 || format->bits > 12) {
        usageError(std::string("calibrate works on unpacked 8-, 10- and 12-bit frames, not ") + format->name);
    }
    const std::vector<std::string>& grey = options.list("grey");
    const std::vector<std::string>& dark = options.list("dark");
    if (grey.empty() || dark.empty()) usageError("give at least one --grey and one --dark frame");
    if (grey.size() > 65536 || dark.size() > 65536) usageError("at most 65536 frames of each kind");
    const std::string output = options.text("output");
    if (output.empty()) usageError("--output TABLE is required");
    const std::string mode = options.text("mode", "pixel");
    if (mode != "pixel" && mode != "cell") usageError("--mode must be pixel or cell, not '" + mode + "'");
    const int32_t bits = options.integer("bits", format->bits, 8, 12);
    if (bits != 8 && bits != 10 && bits != 12) usageError("--bits must be 8, 10 or 12, not " + std::to_string(bits));
    const int32_t blockWidth = options.integer("blocks", 0, 16, 32);
    if (options.has("blocks") && blockWidth != 16 && blockWidth != 32) usageError("--blocks must be 16 or 32");

    const FrameGeometry g = makeGeometry(*format, options.integer("width", 0, 1, 1 << 16),
                                         options.integer("height", 0, 1, 1 << 16),
                                         options.integer("line-bytes", 0, 1, INT32_MAX));
    if (g.width < kMinimumSide || g.height < kMinimumSide || g.width % 2 != 0 || g.height % 2 != 0) {
        usageError("calibrate needs an even width and height of at least " + std::to_string(kMinimumSide) +
                   ", got " + std::to_string(g.width) + "x" + std::to_string(g.height));
    }
    const std::string blocksPath = options.text("blocks-out", replaceExtension(output, ".blocks"));
    std::vector<std::string> inputs = grey;
    inputs.insert(inputs.end(), dark.begin(), dark.end());
    refuseRepeatedStandardInput(inputs);
    std::vector<PlannedOutput> planned = {{output, "the table"}};
    if (blockWidth != 0) planned.push_back({blocksPath, "the block records"});
    if (blockWidth != 0 && isStandardStream(output) && isStandardStream(blocksPath)) {
        usageError("only one of --output and --blocks-out can go to standard output");
    }
    refuseOverwrites(inputs, planned);

    const std::vector<float> greyAverage = averageFrames(grey, g, bits);
    const std::vector<float> darkAverage = averageFrames(dark, g, bits);
    const std::string dim = tavcalibration::brighterGreyProblem(format->order, g.width, g.height,
                                                                greyAverage.data(), darkAverage.data());
    if (!dim.empty()) failure(dim);

    TavLSCInput input;
    input.mode = mode == "pixel" ? TAV_LSC_MODE_PIXEL : TAV_LSC_MODE_2X2;
    input.bits = static_cast<uint32_t>(bits);
    input.width = g.width;
    input.height = g.height;
    input.grey = greyAverage.data();
    input.dark = darkAverage.data();
    const int64_t count = parameterWordCount(input.mode, g.height, g.width);
    std::vector<uint32_t> table(static_cast<size_t>(3 + count));
    LibraryResult made = callLibrary([&] { return tavGetLSCParameter(&input, table.data()); });
    if (made.status != TAV_OK) failure(describeFailure("cannot compute the table", made));
    const std::string black = tavcalibration::zeroGainProblem(table.data(), table.size());
    if (!black.empty()) failure(black);
    writeShadingTable(output, table, bits);
    std::fprintf(stderr, "tavraw calibrate: wrote %s (%s mode, %dx%d, for %d-bit frames, %zu grey and %zu dark frames)\n",
                 output.c_str(), mode.c_str(), g.width, g.height, bits, grey.size(), dark.size());

    if (blockWidth != 0) {
        TavBasicLSCInput blocks;
        blocks.mode = 0;
        blocks.bits = static_cast<uint32_t>(bits);
        blocks.selector = 2;
        blocks.width = g.width;
        blocks.height = g.height;
        blocks.blockWidth = blockWidth;
        blocks.blockHeight = 16;
        blocks.grey = greyAverage.data();
        double darkSum = 0;
        for (float d : darkAverage) darkSum += d;
        blocks.darkLevel = static_cast<float>(darkSum / static_cast<double>(darkAverage.size()));
        const size_t records = static_cast<size_t>(g.width / blockWidth) * static_cast<size_t>(g.height / 16);
        std::vector<uint8_t> bytes(records * TAV_LSC_RECORD_BYTES);
        LibraryResult done = callLibrary([&] { return tavGetBasicLSCParameter(&blocks, bytes.data()); });
        if (done.status != TAV_OK) failure(describeFailure("cannot compute the block records", done));
        writeFileAtomic(blocksPath, bytes);
        std::fprintf(stderr, "tavraw calibrate: wrote %s (%zu block records of 16x%d)\n",
                     blocksPath.c_str(), records, blockWidth);
    }
    return kExitOk;
}

}  // namespace tavraw

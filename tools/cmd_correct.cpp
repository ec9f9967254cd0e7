// correct: apply a shading correction table file to raw frames.
#include <cstdio>

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
    "usage: tavraw correct --table TABLE -f FMT [options] FILE...\n"
    "\n"
    "Applies a shading correction table (from 'tavraw calibrate') to unpacked 8-,\n"
    "10- or 12-bit Mono or Bayer raw frames with tightly packed rows. The frame\n"
    "size defaults to the table's; a table made for another size is refused, and\n"
    "so is a table made for another sample depth unless --bits confirms it.\n"
    "\n"
    "  -t, --table FILE     table file\n"
    "  -f, --format NAME    PFNC pixel format of the frames\n"
    "  -w, --width N        frame width (default: the table's)\n"
    "  -H, --height N       frame height (default: the table's)\n"
    "  -o, --output FILE    corrected frame (one input only; - for standard output)\n"
    "      --out-dir DIR    write each corrected frame under its own name into DIR\n"
    "                       (created if missing)\n"
    "      --in-place       overwrite the inputs\n"
    "      --bits 8|10|12   the depth the table was made for: apply a table made\n"
    "                       for another depth than the frames' (its dark offsets\n"
    "                       are scaled to the frames' depth); for a table file\n"
    "                       without a header, the depth it was made for\n"
    "      --strict         refuse frames with samples above the format's range\n"
    "                       (default: warn and go on)\n"
    "  -h, --help           this text\n"
    "\n"
    "Without -o, --out-dir or --in-place, FILE.raw becomes FILE_corrected.raw.\n"
    "FILE - reads one frame from standard input (give -o). An output that is one\n"
    "of the inputs or the table is refused before anything is written.\n";

const std::vector<OptionDef> kOptions = {
    {"table", 't', OptionDef::Value},  {"format", 'f', OptionDef::Value},
    {"width", 'w', OptionDef::Value},  {"height", 'H', OptionDef::Value},
    {"output", 'o', OptionDef::Value}, {"out-dir", 0, OptionDef::Value},
    {"in-place", 0, OptionDef::Flag},  {"bits", 0, OptionDef::Value},
    {"strict", 0, OptionDef::Flag},    {"help", 'h', OptionDef::Flag},
};

// The depth a table applies to: the frames' own unless the table says
// otherwise; then only with --bits naming the table's depth.
void requireTableDepth(const std::string& tablePath, const ShadingTable& table, const PixelFormat& format,
                       int32_t declaredBits) {
    const int tableBits = table.headerless() ? (declaredBits != 0 ? declaredBits : format.bits) : table.bits;
    if (declaredBits != 0 && declaredBits != tableBits) {
        usageError("--bits " + std::to_string(declaredBits) + " does not match " + tablePath + ", which was made for " +
                   std::to_string(tableBits) + "-bit frames");
    }
    if (tableBits != format.bits && declaredBits == 0) {
        failure(tablePath + ": the table was made for " + std::to_string(tableBits) + "-bit frames, not " +
                std::to_string(format.bits) + "-bit " + format.name + "; give --bits " + std::to_string(tableBits) +
                " to apply it anyway (its dark offsets are scaled to " + std::to_string(format.bits) + " bits)");
    }
}

}  // namespace

int runCorrect(const Arguments& args) {
    Options options(kOptions, args);
    if (options.has("help")) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    const std::vector<std::string>& inputs = options.positional();
    if (inputs.empty()) usageError("give at least one raw frame to correct");
    if (!options.has("table")) usageError("--table is required");
    if (!options.has("format")) usageError("--format is required");
    const PixelFormat* format = findInputFormat(options.text("format"));
    if (!format) {
        usageError("unknown pixel format '" + options.text("format") + "'; known: " + inputFormatNames());
    }
    if (format->storage == Storage::Packed12 || format->bits > 12) {
        usageError(std::string("correct works on unpacked 8-, 10- and 12-bit frames, not ") + format->name);
    }
    const int outputs = options.has("output") + options.has("out-dir") + options.has("in-place");
    if (outputs > 1) usageError("use only one of --output, --out-dir and --in-place");
    if (options.has("output") && inputs.size() > 1) usageError("--output takes one input; use --out-dir");
    const int32_t declaredBits = options.integer("bits", 0, 8, 12);
    if (declaredBits != 0 && declaredBits != 8 && declaredBits != 10 && declaredBits != 12) {
        usageError("--bits must be 8, 10 or 12, not " + std::to_string(declaredBits));
    }
    const bool strict = options.has("strict");
    const std::string outDir = options.text("out-dir");
    const std::string tablePath = options.text("table");

    std::vector<std::string> allInputs = inputs;
    allInputs.push_back(tablePath);
    refuseRepeatedStandardInput(allInputs);
    for (const std::string& input : inputs) {
        if (isStandardStream(input) && !options.has("output")) {
            usageError("give --output for a frame read from standard input");
        }
    }
    auto outputFor = [&](const std::string& input) {
        return options.has("in-place") ? input
               : options.has("output") ? options.text("output")
               : !outDir.empty()       ? outDir + "/" + baseName(input)
                                       : replaceExtension(input, "_corrected.raw");
    };
    std::vector<PlannedOutput> planned;
    for (const std::string& input : inputs) planned.push_back({outputFor(input), "the correction of " + input});
    if (options.has("in-place")) {
        refuseRepeatedInputs(inputs, "--in-place would correct it twice");
        refuseOverwrites({tablePath}, planned);
    } else {
        refuseOverwrites(allInputs, planned);
    }

    const ShadingTable table = readShadingTable(tablePath);
    requireTableDepth(tablePath, table, *format, declaredBits);
    const int32_t width = options.integer("width", table.width(), 1, 1 << 16);
    const int32_t height = options.integer("height", table.height(), 1, 1 << 16);
    const FrameGeometry g = makeGeometry(*format, width, height, 0);

    // The library checks the mode and the table's frame size against the
    // frame; a table whose file is shorter or longer than its own header says
    // is refused here, before the library would read past its end.
    const bool headerFitsFrame = table.mode() <= 1 && table.height() == height && table.width() == width;
    if (headerFitsFrame && !tableSizeMatchesHeader(table)) {
        failure(tablePath + ": table file holds " + std::to_string(table.words.size() - 3) +
                " parameter words, its header asks for " +
                std::to_string(parameterWordCount(table.mode(), table.height(), table.width())));
    }
    if (!outDir.empty()) makeDirectory(outDir);

    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::string& input = inputs[i];
        const std::string output = outputFor(input);
        std::vector<uint8_t> frame = readFrameFile(input, g);
        checkSampleRange("correct", displayName(input), frame, g, strict);
        TavImage image = {g.height, g.width, format->code, frame.data(), g.lineBytes};
        LibraryResult done = callLibrary([&] { return tavLSCorrection(&image, &image, table.words.data()); });
        if (done.status != TAV_OK) {
            failure(describeFailure(displayName(input) + ": table " + tablePath + " (" +
                                        std::to_string(table.width()) + "x" + std::to_string(table.height()) +
                                        ") refused",
                                    done));
        }
        writeFileAtomic(output, frame);
        if (inputs.size() > 1) {
            std::fprintf(stderr, "tavraw correct: [%zu/%zu] %s -> %s\n", i + 1, inputs.size(),
                         input.c_str(), output.c_str());
        }
    }
    return kExitOk;
}

}  // namespace tavraw

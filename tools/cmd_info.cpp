// info: what tavraw knows about a raw format, a raw file or a table file.
#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#include <cstdio>

#include "cli.h"
#include "demosaic_frame.h"
#include "frame_stats.h"
#include "picture_options.h"
#include "commands.h"
#include "path_identity.h"
#include "raw_io.h"
#include "shading_table.h"

namespace tavraw {

namespace {

const char kHelp[] =
    "usage: tavraw info [options] [FILE ...]\n"
    "\n"
    "  tavraw info                          list formats, output types and methods\n"
    "  tavraw info -f FMT [-w W -H H]       describe a format and the frame size\n"
    "  tavraw info -f FMT -w W -H H FILE    check that FILE holds exactly one frame\n"
    "                                       and show its statistics\n"
    "  tavraw info -w W -H H FILE           list the formats that match FILE's size\n"
    "  tavraw info --table FILE             show a shading table's header and ranges\n"
    "\n"
    "  -f, --format NAME    PFNC pixel format\n"
    "  -w, --width N        frame width\n"
    "  -H, --height N       frame height\n"
    "      --line-bytes N   bytes per row when rows are padded\n"
    "      --black N|N,N,N,N black level for the statistics (2x2 tile order)\n"
    "      --table          the files are shading tables (exit 1 for a file\n"
    "                       that is not one)\n"
    "  -h, --help           this text\n"
    "\n"
    "Statistics of a frame: 2x2 tiles without a sample at the white point are\n"
    "summed after black level; means per channel, the saturated share and the\n"
    "grey-world gains (the --wb that makes the frame's average grey).\n"
    "Exit status 1 when a file does not match.\n";

const std::vector<OptionDef> kOptions = {
    {"format", 'f', OptionDef::Value}, {"width", 'w', OptionDef::Value},
    {"height", 'H', OptionDef::Value}, {"line-bytes", 0, OptionDef::Value},
    {"table", 0, OptionDef::Flag},     {"black", 0, OptionDef::Value},
    {"help", 'h', OptionDef::Flag},
};

int64_t fileSize(const std::string& path) {
    if (isStandardStream(path)) return static_cast<int64_t>(readFile(path).size());
    struct stat st;
    if (stat(path.c_str(), &st) != 0) failure(path + ": cannot open: " + std::string(strerror(errno)));
    if (!S_ISREG(st.st_mode)) failure(path + ": not a regular file");
    return st.st_size;
}

void listEverything() {
    std::printf("input formats (PFNC name, code, bits, storage):\n");
    for (const PixelFormat& f : inputFormats()) {
        std::printf("  %-16s 0x%08X %2d  %s\n", f.name, static_cast<unsigned>(f.code), f.bits,
                    storageDescription(f.storage));
    }
    std::printf("output types:\n");
    for (const OutputType& t : outputTypes()) {
        std::printf("  %-16s 0x%08X %d %s per pixel%s\n", t.name, static_cast<unsigned>(t.code),
                    t.bytesPerPixel, t.bytesPerPixel == 1 ? "byte" : "bytes", t.planar ? " in three planes" : "");
    }
    std::printf("methods: %s\n", methodNames().c_str());
}

void describeFormat(const PixelFormat& f) {
    std::printf("format:            %s (0x%08X)\n", f.name, static_cast<unsigned>(f.code));
    std::printf("kind:              %s%s, %d bits per sample\n", f.order ? "Bayer " : "Mono",
                f.order ? f.order : "", f.bits);
    std::printf("storage:           %s\n", storageDescription(f.storage));
}

int tableInfo(const std::vector<std::string>& files) {
    if (files.empty()) usageError("--table needs a table file");
    int exitCode = kExitOk;
    refuseRepeatedStandardInput(files);
    for (const std::string& path : files) {
        ShadingTable table = readShadingTable(path);
        std::printf("%s:\n%s", displayName(path).c_str(), describeTable(table).c_str());
        if (!tableSizeMatchesHeader(table)) exitCode = kExitFailure;
    }
    return exitCode;
}

// The frame's statistics through the picture pipeline with black level
// only; a frame the library refuses (too small) gets the reason instead.
void printStats(const std::string& path, std::vector<uint8_t> raw, const FrameGeometry& g, const int32_t black[4]) {
    TavPipeline pipeline;
    tavPipelineInit(&pipeline);
    for (int i = 0; i < 4; ++i) pipeline.blackLevel[i] = black[i];
    TavFrameStats stats;
    try {
        demosaic8(displayName(path), raw, g, *findMethod("nearest"), *findOutputType("Mono8"), 0, &pipeline, &stats);
    } catch (const ToolError& error) {
        std::printf("statistics:        none (%s)\n", error.what());
        return;
    }
    std::fputs(describeStats(stats, *g.format, black).c_str(), stdout);
}

}  // namespace

int runInfo(const Arguments& args) {
    Options options(kOptions, args);
    if (options.has("help")) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    const std::vector<std::string>& files = options.positional();
    if (options.has("table")) return tableInfo(files);
    if (options.has("black") && (!options.has("format") || files.empty())) {
        usageError("--black applies to the statistics of a raw file: give --format, --width, --height and the file");
    }
    const bool sized = options.has("width") && options.has("height");
    if (options.has("width") != options.has("height")) usageError("give both --width and --height");
    const int32_t width = options.integer("width", 0, 1, 1 << 16);
    const int32_t height = options.integer("height", 0, 1, 1 << 16);
    const int32_t lineBytes = options.integer("line-bytes", 0, 1, INT32_MAX);
    refuseRepeatedStandardInput(files);

    if (!options.has("format")) {
        if (files.empty()) {
            listEverything();
            return kExitOk;
        }
        if (!sized) usageError("give --format, or --width and --height to find matching formats");
        int exitCode = kExitOk;
        for (const std::string& path : files) {
            const int64_t size = fileSize(path);
            std::string matches;
            for (const PixelFormat& f : inputFormats()) {
                if (minLineBytes(f, width) * height == size) matches += std::string(matches.empty() ? "" : ", ") + f.name;
            }
            std::printf("%s: %lld bytes; %dx%d frames of this size: %s\n", displayName(path).c_str(),
                        static_cast<long long>(size), width, height,
                        matches.empty() ? "none" : matches.c_str());
            if (matches.empty()) exitCode = kExitFailure;
        }
        return exitCode;
    }

    const PixelFormat* format = findInputFormat(options.text("format"));
    if (!format) {
        usageError("unknown pixel format '" + options.text("format") + "'; known: " + inputFormatNames());
    }
    if (!sized) {
        if (!files.empty()) usageError("give --width and --height to check a file");
        describeFormat(*format);
        return kExitOk;
    }
    const FrameGeometry g = makeGeometry(*format, width, height, lineBytes);
    int32_t black[4] = {0, 0, 0, 0};
    if (options.has("black")) parseBlackLevels(options.text("black"), *format, black);
    describeFormat(*format);
    std::printf("frame:             %d x %d\n", width, height);
    std::printf("bytes per row:     %d (at least %lld)\n", g.lineBytes,
                static_cast<long long>(minLineBytes(*format, width)));
    std::printf("bytes per frame:   %lld\n", static_cast<long long>(g.frameBytes()));
    int exitCode = kExitOk;
    for (const std::string& path : files) {
        // Standard input is read once, for its size and its statistics.
        std::vector<uint8_t> data;
        if (isStandardStream(path)) data = readFile(path);
        const int64_t size = isStandardStream(path) ? static_cast<int64_t>(data.size()) : fileSize(path);
        const bool ok = size == g.frameBytes();
        std::printf("%s: %lld bytes, %s\n", displayName(path).c_str(), static_cast<long long>(size),
                    ok ? "one frame, size ok"
                       : (size < g.frameBytes() ? "MISMATCH: too short" : "MISMATCH: too long"));
        if (!ok) {
            exitCode = kExitFailure;
            continue;
        }
        printStats(path, isStandardStream(path) ? data : readFrameFile(path, g), g, black);
    }
    return exitCode;
}

}  // namespace tavraw

// tavraw: demosaic, calibrate and correct raw camera frames with libtavcore.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"
#include "commands.h"

namespace tavraw {

namespace {

const char kUsage[] =
    "usage: tavraw <command> [options]\n"
    "\n"
    "commands:\n"
    "  convert    demosaic raw frames (or the built-in test chart) to PNG\n"
    "  calibrate  grey and dark frames -> shading correction table\n"
    "  correct    apply a shading correction table to raw frames\n"
    "  info       sizes of a raw format, check a raw file or show a table header\n"
    "  demo       run the whole chain on synthetic frames into a folder\n"
    "\n"
    "'tavraw <command> --help' describes each command; 'tavraw --version' prints\n"
    "the version.\n"
    "Exit status: 0 success, 1 a file or the library refused the work, 2 bad arguments.\n";

struct Command {
    const char* name;
    int (*run)(const Arguments&);
};

const Command kCommands[] = {
    {"convert", runConvert}, {"calibrate", runCalibrate}, {"correct", runCorrect},
    {"info", runInfo},       {"demo", runDemo},
};

}  // namespace

int runCommand(const std::string& name, const Arguments& args) {
    for (const Command& command : kCommands) {
        if (name != command.name) continue;
        try {
            return command.run(args);
        } catch (const ToolError& error) {
            std::fprintf(stderr, "tavraw %s: %s\n", command.name, error.what());
            return error.exitCode;
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "tavraw %s: out of memory\n", command.name);
            return kExitFailure;
        }
    }
    std::fprintf(stderr, "tavraw: unknown command '%s'\n%s", name.c_str(), kUsage);
    return kExitUsage;
}

}  // namespace tavraw

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(tavraw::kUsage, stderr);
        return tavraw::kExitUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(tavraw::kUsage, stdout);
        return tavraw::kExitOk;
    }
    if (name == "--version") {
        std::printf("tavraw %s\n", TAVRAW_VERSION);
        return tavraw::kExitOk;
    }
    return tavraw::runCommand(name, tavraw::Arguments(argv + 2, argv + argc));
}

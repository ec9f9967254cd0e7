// The subcommands of tavraw. Each takes the words after its name, writes its
// results and returns an exit code; errors are thrown as ToolError.
#pragma once

#include <string>
#include <vector>

namespace tavraw {

using Arguments = std::vector<std::string>;

int runConvert(const Arguments& args);
int runCalibrate(const Arguments& args);
int runCorrect(const Arguments& args);
int runInfo(const Arguments& args);
int runDemo(const Arguments& args);

// Runs a subcommand by name, turning ToolError into a message on stderr and
// its exit code. Used by main and by demo, which chains the others.
int runCommand(const std::string& name, const Arguments& args);

}  // namespace tavraw

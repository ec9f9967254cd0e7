// Checks, made before any work, that no output of a run lands on one of its
// inputs or on another of its outputs.
#pragma once

#include <string>
#include <vector>

namespace tavraw {

// One file a run will write, and what it is written for (used in messages:
// "the output of a/x.raw", "--blocks-out").
struct PlannedOutput {
    std::string path;
    std::string purpose;
};

// Usage error (exit 2) when an output is the same file as an input (same
// device and inode, symlinks followed), or when two outputs are one file
// (also for names that do not exist yet). "-" is never compared.
void refuseOverwrites(const std::vector<std::string>& inputs, const std::vector<PlannedOutput>& outputs);

// Usage error when one file appears twice among the inputs.
void refuseRepeatedInputs(const std::vector<std::string>& inputs, const std::string& why);

// Usage error when "-" (standard input) is given more than once.
void refuseRepeatedStandardInput(const std::vector<std::string>& inputs);

}  // namespace tavraw

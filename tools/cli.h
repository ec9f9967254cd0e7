// Command-line plumbing shared by the subcommands: errors with exit codes and
// a small option parser.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavraw {

// Exit codes of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a file, the library or the data refused the work
constexpr int kExitUsage = 2;    // bad arguments

// Thrown for anything that ends a subcommand; main prints "tavraw: <message>".
struct ToolError : std::runtime_error {
    ToolError(int exitCode, const std::string& message)
        : std::runtime_error(message), exitCode(exitCode) {}
    int exitCode;
};

[[noreturn]] void usageError(const std::string& message);
[[noreturn]] void failure(const std::string& message);

struct OptionDef {
    const char* longName;  // without the leading "--"
    char shortName;        // 0 when there is none
    enum Kind { Flag, Value, List } kind;  // List: takes every following non-option word
};

// Parsed command line of one subcommand. Repeated Value options keep the last
// value; List options collect all words.
class Options {
public:
    Options(const std::vector<OptionDef>& specs, const std::vector<std::string>& args);

    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::string text(const std::string& name, const std::string& fallback = "") const;
    const std::vector<std::string>& list(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }

    // Integer option in [minimum, maximum]; usage error otherwise.
    int32_t integer(const std::string& name, int32_t fallback, int32_t minimum,
                    int32_t maximum) const;

private:
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> positional_;
};

int32_t parseInteger(const std::string& what, const std::string& text, int32_t minimum,
                     int32_t maximum);

}  // namespace tavraw

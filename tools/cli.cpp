#include "cli.h"

#include <cerrno>
#include <cstdlib>

namespace tavraw {

void usageError(const std::string& message) { throw ToolError(kExitUsage, message); }
void failure(const std::string& message) { throw ToolError(kExitFailure, message); }

int32_t parseInteger(const std::string& what, const std::string& text, int32_t minimum,
                     int32_t maximum) {
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < minimum || value > maximum) {
        usageError(what + " must be an integer from " + std::to_string(minimum) + " to " +
                   std::to_string(maximum) + ", got '" + text + "'");
    }
    return static_cast<int32_t>(value);
}

Options::Options(const std::vector<OptionDef>& specs, const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-' || arg == "--") {
            if (arg == "--") {
                positional_.insert(positional_.end(), args.begin() + i + 1, args.end());
                break;
            }
            positional_.push_back(arg);
            continue;
        }
        std::string name;
        std::string inlineValue;
        bool hasInline = false;
        const OptionDef* option = nullptr;
        if (arg[1] == '-') {
            name = arg.substr(2);
            size_t eq = name.find('=');
            if (eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name = name.substr(0, eq);
                hasInline = true;
            }
            for (const OptionDef& s : specs) {
                if (name == s.longName) option = &s;
            }
        } else if (arg.size() == 2) {
            for (const OptionDef& s : specs) {
                if (s.shortName == arg[1]) option = &s;
            }
        }
        if (!option) usageError("unknown option '" + arg + "' (see --help)");
        std::vector<std::string>& slot = values_[option->longName];
        if (option->kind == OptionDef::Flag) {
            if (hasInline) usageError("option --" + std::string(option->longName) + " takes no value");
            slot.push_back("1");
        } else if (option->kind == OptionDef::Value) {
            if (hasInline) {
                slot.push_back(inlineValue);
            } else {
                if (i + 1 >= args.size()) usageError("option " + arg + " needs a value");
                slot.push_back(args[++i]);
            }
        } else {
            if (hasInline) slot.push_back(inlineValue);
            // "-" (standard input) is a word, not an option.
            while (i + 1 < args.size() && (args[i + 1].empty() || args[i + 1][0] != '-' || args[i + 1] == "-")) {
                slot.push_back(args[++i]);
            }
            if (slot.empty()) usageError("option " + arg + " needs at least one file");
        }
    }
}

std::string Options::text(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second.back();
}

const std::vector<std::string>& Options::list(const std::string& name) const {
    static const std::vector<std::string> none;
    auto it = values_.find(name);
    return it == values_.end() ? none : it->second;
}

int32_t Options::integer(const std::string& name, int32_t fallback, int32_t minimum,
                         int32_t maximum) const {
    if (!has(name)) return fallback;
    return parseInteger("--" + name, text(name), minimum, maximum);
}

}  // namespace tavraw

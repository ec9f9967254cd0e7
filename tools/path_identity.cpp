#include "path_identity.h"

#include <sys/stat.h>
#include <unistd.h>

#include "cli.h"
#include "output_file.h"

namespace tavraw {

namespace {

// A name that stays the same for every spelling of a path: device and inode
// of the file when it exists, else the identity of its folder followed by
// the last component.
std::string identityOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    }
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    size_t slash = trimmed.find_last_of('/');
    if (slash == std::string::npos) return identityOf(".") + "/" + trimmed;
    const std::string folder = slash == 0 ? "/" : trimmed.substr(0, slash);
    const std::string name = trimmed.substr(slash + 1);
    if (name.empty() || name == ".") return identityOf(folder);
    return identityOf(folder) + "/" + name;
}

// Identity of what standard input reads when it is a file, else empty.
std::string standardInputIdentity() {
    struct stat st;
    if (fstat(STDIN_FILENO, &st) != 0 || !S_ISREG(st.st_mode)) return "";
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

// Empty for an input that does not exist: it cannot be overwritten, and
// reading it reports the missing file.
std::string inputIdentity(const std::string& path) {
    if (isStandardStream(path)) return standardInputIdentity();
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? identityOf(path) : std::string();
}

}  // namespace

void refuseOverwrites(const std::vector<std::string>& inputs, const std::vector<PlannedOutput>& outputs) {
    std::vector<std::string> inputIds;
    for (const std::string& input : inputs) inputIds.push_back(inputIdentity(input));
    std::vector<std::string> outputIds;
    for (size_t o = 0; o < outputs.size(); ++o) {
        const PlannedOutput& output = outputs[o];
        if (isStandardStream(output.path)) {
            outputIds.push_back("");
            continue;
        }
        const std::string id = identityOf(output.path);
        for (size_t i = 0; i < inputs.size(); ++i) {
            if (!inputIds[i].empty() && inputIds[i] == id) {
                const std::string which = isStandardStream(inputs[i]) ? "the file on standard input"
                                          : inputs[i] == output.path ? "an input"
                                                                     : "the input " + inputs[i];
                usageError("refusing to write " + output.purpose + " to " + output.path + ": that is " + which +
                           "; nothing was written");
            }
        }
        for (size_t earlier = 0; earlier < o; ++earlier) {
            if (outputIds[earlier] == id) {
                usageError("refusing to write both " + outputs[earlier].purpose + " and " + output.purpose +
                           " to " + output.path + "; nothing was written");
            }
        }
        outputIds.push_back(id);
    }
}

void refuseRepeatedInputs(const std::vector<std::string>& inputs, const std::string& why) {
    std::vector<std::string> ids;
    for (const std::string& input : inputs) {
        const std::string id = inputIdentity(input);
        for (size_t i = 0; i < ids.size(); ++i) {
            if (!id.empty() && ids[i] == id) {
                usageError(input + " is given twice (also as " + inputs[i] + "); " + why);
            }
        }
        ids.push_back(id);
    }
}

void refuseRepeatedStandardInput(const std::vector<std::string>& inputs) {
    int count = 0;
    for (const std::string& input : inputs) count += isStandardStream(input) ? 1 : 0;
    if (count > 1) usageError("standard input ('-') can be read only once");
}

}  // namespace tavraw

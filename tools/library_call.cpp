#include "library_call.h"

#include "tav_header_names.h"
#include "tav_types.h"

namespace tavraw {

LibraryResult callLibrary(const std::function<int32_t()>& call) {
    // The calling thread's diagnostics go to a buffer of its own while the
    // call runs: standard output, which may carry an output file ("-o -"),
    // is never touched.
    char lines[1024];
    tavSetThreadDiagnostics(lines, sizeof lines);
    LibraryResult result;
    result.status = call();
    tavSetThreadDiagnostics(nullptr, 0);
    result.diagnostics = lines;
    while (!result.diagnostics.empty() &&
           (result.diagnostics.back() == '\n' || result.diagnostics.back() == ' ')) {
        result.diagnostics.pop_back();
    }
    for (char& c : result.diagnostics) {
        if (c == '\n') c = ' ';
    }
    return result;
}

std::string statusName(int32_t status) {
    for (const TavHeaderName& entry : kTavStatusNames) {
        if (entry.code == status) return entry.name;
    }
    return "unknown status";
}

std::string describeFailure(const std::string& what, const LibraryResult& result) {
    std::string text = what + ": ";
    if (!result.diagnostics.empty()) text += result.diagnostics + " ";
    text += "(status " + std::to_string(result.status) + " " + statusName(result.status) + ")";
    return text;
}

}  // namespace tavraw

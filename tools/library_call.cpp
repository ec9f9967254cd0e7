#include "library_call.h"

#include <stdio.h>
#include <unistd.h>

#include "tav_header_names.h"
#include "tav_types.h"

namespace tavraw {

LibraryResult callLibrary(const std::function<int32_t()>& call) {
    LibraryResult result;
    fflush(stdout);
    FILE* capture = tmpfile();
    int saved = capture ? dup(STDOUT_FILENO) : -1;
    if (saved < 0 || dup2(fileno(capture), STDOUT_FILENO) < 0) {
        // Nowhere to capture into: send the diagnostics to stderr, never to
        // stdout, which may be carrying an output file ("-o -").
        if (capture) fclose(capture);
        if (saved >= 0 && dup2(STDERR_FILENO, STDOUT_FILENO) >= 0) {
            result.status = call();
            fflush(stdout);
            dup2(saved, STDOUT_FILENO);
        } else {
            result.status = call();
        }
        if (saved >= 0) close(saved);
        return result;
    }
    result.status = call();
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    rewind(capture);
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, capture)) > 0) result.diagnostics.append(buffer, n);
    fclose(capture);
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

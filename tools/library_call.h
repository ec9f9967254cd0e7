// Runs a library function with its standard-output diagnostics captured, so
// that the tool can report them on its own error line on stderr; standard
// output only ever carries what the tool means to write there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tavraw {

struct LibraryResult {
    int32_t status = 0;
    std::string diagnostics;  // what the library printed, trimmed
};

LibraryResult callLibrary(const std::function<int32_t()>& call);

// "TAV_E_SIZE" etc.; "status N" for codes the library does not define.
std::string statusName(int32_t status);

// "<what>: error line = [96] (status -104 TAV_E_SIZE)".
std::string describeFailure(const std::string& what, const LibraryResult& result);

}  // namespace tavraw

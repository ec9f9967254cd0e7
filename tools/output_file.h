// Writing output files without ever damaging what is already there: regular
// files are replaced atomically, devices and FIFOs are written through,
// symlinks keep pointing at their (replaced) target, and "-" is standard
// output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavraw {

// "-": standard output. A character device or FIFO: opened and written, never
// replaced. A symlink: its final target is replaced, through a temporary file
// in the target's folder. Anything else: written to a temporary name beside
// it, then renamed into place, so a failed run leaves no half-written file.
// Folders, sockets and block devices are refused.
void writeFileAtomic(const std::string& path, const uint8_t* data, size_t size);
inline void writeFileAtomic(const std::string& path, const std::vector<uint8_t>& data) {
    writeFileAtomic(path, data.data(), data.size());
}

// True for the name that means standard input or output.
inline bool isStandardStream(const std::string& path) { return path == "-"; }

// How messages name a path: "standard input" for "-".
inline std::string displayName(const std::string& path) {
    return isStandardStream(path) ? "standard input" : path;
}

}  // namespace tavraw

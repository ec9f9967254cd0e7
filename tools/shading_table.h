// Shading correction table files: the table's 32-bit words, little-endian,
// exactly as the library lays them out (mode, height, width, parameters).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavraw {

struct ShadingTable {
    std::vector<uint32_t> words;  // the whole table, header included
    uint32_t mode() const { return words[0]; }
    int32_t height() const { return static_cast<int32_t>(words[1]); }
    int32_t width() const { return static_cast<int32_t>(words[2]); }
};

// Parameter words that a header describes, or -1 when it describes no valid
// table (mode above 1, sizes not positive).
int64_t parameterWordCount(uint32_t mode, int32_t height, int32_t width);

// Reads a table file; refuses files that cannot hold a header.
ShadingTable readShadingTable(const std::string& path);
void writeShadingTable(const std::string& path, const std::vector<uint32_t>& words);

// True when the file holds exactly the parameter words its header asks for.
bool tableSizeMatchesHeader(const ShadingTable& table);

// Multi-line human-readable summary: header, sizes, gain and offset ranges.
std::string describeTable(const ShadingTable& table);

}  // namespace tavraw

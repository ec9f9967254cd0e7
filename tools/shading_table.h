// Shading correction table files. A file is a 16-byte header followed by the
// library's table words unchanged (mode, height, width, parameter words),
// every field little-endian:
//   bytes 0..7   "TAVSHADE"
//   bytes 8..11  format version, 1
//   bytes 12..15 sample depth of the frames the table corrects (8, 10, 12)
//   bytes 16..   the table words
// Files from before the header (the table words alone) are still read; their
// depth is unknown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavraw {

constexpr uint32_t kShadingFileVersion = 1;

struct ShadingTable {
    std::vector<uint32_t> words;  // the library's table: mode, height, width, parameters
    int bits = 0;                 // depth the table was made for; 0 when the file does not say
    uint32_t mode() const { return words[0]; }
    int32_t height() const { return static_cast<int32_t>(words[1]); }
    int32_t width() const { return static_cast<int32_t>(words[2]); }
    bool headerless() const { return bits == 0; }
};

// Parameter words that a header describes, or -1 when it describes no valid
// table (mode above 1, sizes not positive).
int64_t parameterWordCount(uint32_t mode, int32_t height, int32_t width);

// Decodes a table file's bytes; `name` is used in messages. Fails with
// "<name>: not a shading table: <why>" (exit 1) for anything that is not one
// (a file with a plausible header but the wrong number of words is returned,
// see tableSizeMatchesHeader).
ShadingTable parseShadingTable(const std::string& name, const std::vector<uint8_t>& bytes);
ShadingTable readShadingTable(const std::string& path);

std::vector<uint8_t> encodeShadingTable(const std::vector<uint32_t>& words, int bits);
void writeShadingTable(const std::string& path, const std::vector<uint32_t>& words, int bits);

// True when the file holds exactly the parameter words its header asks for.
bool tableSizeMatchesHeader(const ShadingTable& table);

// Multi-line human-readable summary: header, sizes, gain and offset ranges.
std::string describeTable(const ShadingTable& table);

}  // namespace tavraw

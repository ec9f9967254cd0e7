#include "shading_table.h"

#include <algorithm>
#include <cstdio>

#include "cli.h"
#include "raw_io.h"

namespace tavraw {

int64_t parameterWordCount(uint32_t mode, int32_t height, int32_t width) {
    if (mode > 1 || height <= 0 || width <= 0) return -1;
    if (mode == 1) return static_cast<int64_t>(height) * width;
    return static_cast<int64_t>(height / 2) * (width / 2);
}

namespace {

const char kMagic[8] = {'T', 'A', 'V', 'S', 'H', 'A', 'D', 'E'};
constexpr size_t kFileHeaderBytes = 16;
constexpr int32_t kLargestSide = 1 << 16;

uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

void appendWord(std::vector<uint8_t>& bytes, uint32_t word) {
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(word >> (8 * b)));
}

bool plausibleHeader(uint32_t mode, uint32_t height, uint32_t width) {
    return mode <= 1 && height >= 1 && height <= kLargestSide && width >= 1 && width <= kLargestSide;
}

}  // namespace

ShadingTable parseShadingTable(const std::string& name, const std::vector<uint8_t>& bytes) {
    auto refuse = [&](const std::string& why) { failure(name + ": not a shading table: " + why); };
    const bool tagged = bytes.size() >= sizeof kMagic && std::equal(kMagic, kMagic + sizeof kMagic, bytes.begin());
    const size_t start = tagged ? kFileHeaderBytes : 0;
    ShadingTable table;
    if (tagged) {
        if (bytes.size() < kFileHeaderBytes) refuse("the header is cut short");
        const uint32_t version = wordAt(bytes, 8);
        if (version != kShadingFileVersion) {
            failure(name + ": shading table file version " + std::to_string(version) +
                    " is not supported (this tavraw reads version " + std::to_string(kShadingFileVersion) + ")");
        }
        const uint32_t bits = wordAt(bytes, 12);
        if (bits != 8 && bits != 10 && bits != 12) refuse("sample depth " + std::to_string(bits) + " in the header");
        table.bits = static_cast<int>(bits);
    }
    const size_t body = bytes.size() - start;
    if (body < 12 || body % 4 != 0) {
        refuse(std::to_string(bytes.size()) + " bytes is not " + (tagged ? "a 16-byte file header, " : "") +
               "a 12-byte table header and 32-bit words");
    }
    if (!plausibleHeader(wordAt(bytes, start), wordAt(bytes, start + 4), wordAt(bytes, start + 8))) {
        refuse("the header names mode " + std::to_string(wordAt(bytes, start)) + " for " +
               std::to_string(wordAt(bytes, start + 8)) + "x" + std::to_string(wordAt(bytes, start + 4)) +
               " frames");
    }
    table.words.resize(body / 4);
    for (size_t i = 0; i < table.words.size(); ++i) table.words[i] = wordAt(bytes, start + 4 * i);
    return table;
}

ShadingTable readShadingTable(const std::string& path) { return parseShadingTable(displayName(path), readFile(path)); }

std::vector<uint8_t> encodeShadingTable(const std::vector<uint32_t>& words, int bits) {
    std::vector<uint8_t> bytes(kMagic, kMagic + sizeof kMagic);
    appendWord(bytes, kShadingFileVersion);
    appendWord(bytes, static_cast<uint32_t>(bits));
    for (uint32_t word : words) appendWord(bytes, word);
    return bytes;
}

void writeShadingTable(const std::string& path, const std::vector<uint32_t>& words, int bits) {
    writeFileAtomic(path, encodeShadingTable(words, bits));
}

bool tableSizeMatchesHeader(const ShadingTable& table) {
    int64_t count = parameterWordCount(table.mode(), table.height(), table.width());
    return count >= 0 && static_cast<int64_t>(table.words.size()) == 3 + count;
}

std::string describeTable(const ShadingTable& table) {
    char line[256];
    std::string out;
    if (table.headerless()) {
        out += "file:              old form without a header (sample depth not recorded)\n";
    } else {
        std::snprintf(line, sizeof line, "file:              TAVSHADE version %u, for %d-bit frames\n",
                      kShadingFileVersion, table.bits);
        out += line;
    }
    std::snprintf(line, sizeof line, "table mode:        %u (%s)\n", table.mode(),
                  table.mode() == 1 ? "one word per pixel"
                                    : table.mode() == 0 ? "one word per 2x2 cell" : "invalid");
    out += line;
    std::snprintf(line, sizeof line, "frame size:        %d x %d\n", table.width(), table.height());
    out += line;
    int64_t count = parameterWordCount(table.mode(), table.height(), table.width());
    std::snprintf(line, sizeof line, "parameter words:   %zu in the file, %lld expected\n",
                  table.words.size() - 3, static_cast<long long>(count));
    out += line;
    if (!tableSizeMatchesHeader(table)) {
        out += "size check:        MISMATCH\n";
        return out;
    }
    out += "size check:        ok\n";
    if (count == 0) return out;
    uint32_t gainMin = UINT32_MAX, gainMax = 0, offsetMin = UINT32_MAX, offsetMax = 0;
    double gainSum = 0;
    for (size_t i = 3; i < table.words.size(); ++i) {
        uint32_t gain = table.words[i] >> 12;
        uint32_t offset = table.words[i] & 0xFFF;
        gainMin = gain < gainMin ? gain : gainMin;
        gainMax = gain > gainMax ? gain : gainMax;
        offsetMin = offset < offsetMin ? offset : offsetMin;
        offsetMax = offset > offsetMax ? offset : offsetMax;
        gainSum += gain;
    }
    const double unit = 131072.0;  // gains carry 17 fractional bits
    std::snprintf(line, sizeof line, "gain:              %.4f .. %.4f (mean %.4f)\n", gainMin / unit,
                  gainMax / unit, gainSum / count / unit);
    out += line;
    std::snprintf(line, sizeof line, "dark offset:       %u .. %u (12-bit scale)\n", offsetMin, offsetMax);
    out += line;
    return out;
}

}  // namespace tavraw

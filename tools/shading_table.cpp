#include "shading_table.h"

#include <cstdio>

#include "cli.h"
#include "raw_io.h"

namespace tavraw {

int64_t parameterWordCount(uint32_t mode, int32_t height, int32_t width) {
    if (mode > 1 || height <= 0 || width <= 0) return -1;
    if (mode == 1) return static_cast<int64_t>(height) * width;
    return static_cast<int64_t>(height / 2) * (width / 2);
}

ShadingTable readShadingTable(const std::string& path) {
    std::vector<uint8_t> bytes = readFile(path);
    if (bytes.size() < 12 || bytes.size() % 4 != 0) {
        failure(path + ": not a shading table: " + std::to_string(bytes.size()) +
                " bytes is not a 12-byte header followed by 32-bit words");
    }
    ShadingTable table;
    table.words.resize(bytes.size() / 4);
    for (size_t i = 0; i < table.words.size(); ++i) {
        table.words[i] = uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8 |
                         uint32_t(bytes[4 * i + 2]) << 16 | uint32_t(bytes[4 * i + 3]) << 24;
    }
    return table;
}

void writeShadingTable(const std::string& path, const std::vector<uint32_t>& words) {
    std::vector<uint8_t> bytes(words.size() * 4);
    for (size_t i = 0; i < words.size(); ++i) {
        for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<uint8_t>(words[i] >> (8 * b));
    }
    writeFileAtomic(path, bytes);
}

bool tableSizeMatchesHeader(const ShadingTable& table) {
    int64_t count = parameterWordCount(table.mode(), table.height(), table.width());
    return count >= 0 && static_cast<int64_t>(table.words.size()) == 3 + count;
}

std::string describeTable(const ShadingTable& table) {
    char line[256];
    std::string out;
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

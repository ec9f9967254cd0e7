#include "calibration_checks.h"

#include <cstdio>
#include <string>

#include "cli.h"
#include "tav_lsc.h"

namespace tavraw {

namespace {

// 'R', 'G' or 'B' at a site of the Bayer order; the second row of a 2x2
// cell holds G under the first row's R or B, and the missing colour under G.
char bayerColour(const char* order, int32_t x, int32_t y) {
    const char top = order[x % 2];
    if (y % 2 == 0) return top;
    if (top != 'G') return 'G';
    const char other = order[1 - x % 2];
    return other == 'R' ? 'B' : 'R';
}

std::string oneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

void requireBrighterGrey(const PixelFormat& format, int32_t width, int32_t height,
                         const std::vector<float>& grey, const std::vector<float>& dark) {
    const char channels[3] = {'R', 'G', 'B'};
    double greySum[3] = {0, 0, 0}, darkSum[3] = {0, 0, 0};
    int64_t count[3] = {0, 0, 0};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const char colour = format.order ? bayerColour(format.order, x, y) : 'G';
            const int c = colour == 'R' ? 0 : colour == 'G' ? 1 : 2;
            const size_t i = static_cast<size_t>(y) * width + x;
            greySum[c] += grey[i];
            darkSum[c] += dark[i];
            ++count[c];
        }
    }
    for (int c = 0; c < 3; ++c) {
        if (count[c] == 0 || greySum[c] > darkSum[c]) continue;
        const std::string channel = format.order ? std::string(1, channels[c]) + " channel" : "frame";
        failure("the grey frames are not brighter than the dark frames (" + channel + " mean " +
                oneDecimal(greySum[c] / count[c]) + ", dark mean " + oneDecimal(darkSum[c] / count[c]) +
                "); are --grey and --dark swapped, or the same frames?");
    }
}

void requireNonZeroGains(const std::vector<uint32_t>& table) {
    const bool cells = table[0] == TAV_LSC_MODE_2X2;
    const int32_t width = static_cast<int32_t>(table[2]);
    const int32_t perRow = cells ? width / 2 : width;
    int64_t zero = 0, first = -1;
    for (size_t i = TAV_LSC_TABLE_HEADER_WORDS; i < table.size(); ++i) {
        if ((table[i] >> TAV_LSC_GAIN_SHIFT) != 0) continue;
        if (first < 0) first = static_cast<int64_t>(i - TAV_LSC_TABLE_HEADER_WORDS);
        ++zero;
    }
    if (zero == 0) return;
    const int64_t total = static_cast<int64_t>(table.size()) - TAV_LSC_TABLE_HEADER_WORDS;
    const int scale = cells ? 2 : 1;
    failure(std::to_string(zero) + " of " + std::to_string(total) + (cells ? " cells" : " pixels") +
            " would get gain 0 because the grey frames are not brighter than the dark frames there (first at x=" +
            std::to_string(first % perRow * scale) + ", y=" + std::to_string(first / perRow * scale) +
            "); that would turn them black");
}

}  // namespace tavraw

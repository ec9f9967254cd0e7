#include "calibration_checks.h"

#include <cmath>
#include <cstdio>

#include "tav_lsc.h"

namespace tavcalibration {

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

std::string at(size_t index, int32_t width) {
    return "x=" + std::to_string(index % size_t(width)) + ", y=" + std::to_string(index / size_t(width));
}

}  // namespace

std::string averagesProblem(const char* what, const float* average, int32_t width, int32_t height, int bits) {
    if (width <= 0 || height <= 0) return "";
    const size_t count = size_t(width) * size_t(height);
    const double top = double((1 << bits) - 1);
    for (size_t i = 0; i < count; ++i) {
        const float value = average[i];
        if (std::isnan(value) || std::isinf(value) || value < 0) {
            return std::string("the ") + what + " average at " + at(i, width) + " is " +
                   (std::isnan(value) ? "NaN" : std::isinf(value) ? "infinite" : oneDecimal(value)) +
                   "; averages of frames are finite and not negative";
        }
        if (value > top) {
            return std::string("the ") + what + " average at " + at(i, width) + " is " + oneDecimal(value) +
                   ", above the " + std::to_string(bits) + "-bit range (0.." + std::to_string(int(top)) +
                   "); are the frames deeper than the table's depth?";
        }
    }
    return "";
}

std::string brighterGreyProblem(const char* bayerOrder, int32_t width, int32_t height, const float* grey,
                                const float* dark) {
    const char channels[3] = {'R', 'G', 'B'};
    double greySum[3] = {0, 0, 0}, darkSum[3] = {0, 0, 0};
    int64_t count[3] = {0, 0, 0};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const char colour = bayerOrder ? bayerColour(bayerOrder, x, y) : 'G';
            const int c = colour == 'R' ? 0 : colour == 'G' ? 1 : 2;
            const size_t i = static_cast<size_t>(y) * width + x;
            greySum[c] += grey[i];
            darkSum[c] += dark[i];
            ++count[c];
        }
    }
    for (int c = 0; c < 3; ++c) {
        if (count[c] == 0 || greySum[c] > darkSum[c]) continue;
        const std::string channel = bayerOrder ? std::string(1, channels[c]) + " channel" : "frame";
        return "the grey frames are not brighter than the dark frames (" + channel + " mean " +
               oneDecimal(greySum[c] / count[c]) + ", dark mean " + oneDecimal(darkSum[c] / count[c]) +
               "); are --grey and --dark swapped, or the same frames?";
    }
    return "";
}

std::string zeroGainProblem(const uint32_t* table, size_t words) {
    if (words < TAV_LSC_TABLE_HEADER_WORDS) return "";
    const bool cells = table[0] == TAV_LSC_MODE_2X2;
    const int32_t width = static_cast<int32_t>(table[2]);
    const int32_t perRow = cells ? width / 2 : width;
    if (perRow <= 0) return "";
    int64_t zero = 0, first = -1;
    for (size_t i = TAV_LSC_TABLE_HEADER_WORDS; i < words; ++i) {
        if ((table[i] >> TAV_LSC_GAIN_SHIFT) != 0) continue;
        if (first < 0) first = static_cast<int64_t>(i - TAV_LSC_TABLE_HEADER_WORDS);
        ++zero;
    }
    if (zero == 0) return "";
    const int64_t total = static_cast<int64_t>(words) - TAV_LSC_TABLE_HEADER_WORDS;
    const int scale = cells ? 2 : 1;
    return std::to_string(zero) + " of " + std::to_string(total) + (cells ? " cells" : " pixels") +
           " would get gain 0 because the grey frames are not brighter than the dark frames there (first at x=" +
           std::to_string(first % perRow * scale) + ", y=" + std::to_string(first / perRow * scale) +
           "); that would turn them black";
}

}  // namespace tavcalibration

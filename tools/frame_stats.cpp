#include "frame_stats.h"

#include <cstdio>

namespace tavraw {

namespace {

constexpr double kLargestGain = 64.0;

double gainTowardsGreen(uint64_t green, uint64_t other) {
    if (green == 0 || other == 0) return 1.0;
    const double gain = static_cast<double>(green) / (2.0 * static_cast<double>(other));
    return gain < kLargestGain ? gain : kLargestGain;
}

std::string formatted(const char* format, double a, double b, double c) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

}  // namespace

GreyWorldGains greyWorld(const TavFrameStats& stats) {
    GreyWorldGains gains;
    gains.red = gainTowardsGreen(stats.sum[1], stats.sum[0]);
    gains.blue = gainTowardsGreen(stats.sum[1], stats.sum[2]);
    return gains;
}

std::string describeGains(const GreyWorldGains& gains) {
    return formatted("%.4g,%.4g,%.4g", gains.red, gains.green, gains.blue);
}

std::string describeStats(const TavFrameStats& stats, const PixelFormat& format, const int32_t black[4]) {
    const uint64_t all = static_cast<uint64_t>(stats.tiles) + stats.saturated;
    std::string text = "statistics:        " + std::to_string(stats.tiles) + " of " + std::to_string(all) +
                       " 2x2 tiles summed, " + std::to_string(stats.saturated) + " saturated" +
                       formatted(" (%.2f %%)\n", all ? 100.0 * stats.saturated / all : 0.0, 0, 0);
    std::string blackText = std::to_string(black[0]);
    if (format.order && !(black[1] == black[0] && black[2] == black[0] && black[3] == black[0])) {
        for (int i = 1; i < 4; ++i) blackText += "," + std::to_string(black[i]);
    }
    if (stats.tiles == 0) return text + "means:             none (no tile without a saturated sample)\n";
    const double tiles = stats.tiles;
    const double first = stats.sum[0] / tiles, pair = stats.sum[1] / (2.0 * tiles), last = stats.sum[2] / tiles;
    if (!format.order) {
        return text + formatted("means:             %.1f top-left, %.1f top-right and bottom-left, %.1f bottom-right",
                                first, pair, last) + " (after black level " + blackText + ")\n";
    }
    text += formatted("means R, G, B:     %.1f, %.1f, %.1f", first, pair, last) + " (after black level " + blackText +
            ")\n";
    return text + "grey-world gains:  " + describeGains(greyWorld(stats)) + "\n";
}

}  // namespace tavraw

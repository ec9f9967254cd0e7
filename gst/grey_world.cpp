#include "grey_world.h"

#include <math.h>

namespace {

// Share of the remaining ratio each frame closes.
const double kStep = 0.25;
const double kVisibleChange = 1.0 / 512.0;

double clampGain(double gain) {
    return gain < TAV_GREY_WORLD_MIN_GAIN ? TAV_GREY_WORLD_MIN_GAIN
                                          : (gain > TAV_GREY_WORLD_MAX_GAIN ? TAV_GREY_WORLD_MAX_GAIN : gain);
}

}  // namespace

void tavGreyWorldReset(TavGreyWorld* state) {
    state->gains[0] = state->gains[1] = state->gains[2] = 1.0;
    state->primed = FALSE;
}

gboolean tavGreyWorldGainsOf(const TavFrameStats* stats, double gains[3]) {
    if (stats->tiles == 0 || stats->sum[0] == 0 || stats->sum[1] == 0 || stats->sum[2] == 0) return FALSE;
    // sum[1] holds both greens of each tile.
    const double green = double(stats->sum[1]) / 2.0;
    gains[0] = clampGain(green / double(stats->sum[0]));
    gains[1] = 1.0;
    gains[2] = clampGain(green / double(stats->sum[2]));
    return TRUE;
}

gboolean tavGreyWorldUpdate(TavGreyWorld* state, const TavFrameStats* stats) {
    double target[3];
    if (!tavGreyWorldGainsOf(stats, target)) return FALSE;
    for (int c = 0; c < 3; ++c) {
        state->gains[c] = state->primed ? exp(log(state->gains[c]) + kStep * (log(target[c]) - log(state->gains[c])))
                                        : target[c];
    }
    state->primed = TRUE;
    return TRUE;
}

gboolean tavGreyWorldMoved(const TavGreyWorld* state, const float applied[3]) {
    for (int c = 0; c < 3; ++c) {
        if (fabs(state->gains[c] - double(applied[c])) > kVisibleChange * double(applied[c])) return TRUE;
    }
    return FALSE;
}

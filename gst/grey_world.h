// Automatic white balance for a live stream: grey-world gains from each
// frame's statistics (tav_pipeline.h), smoothed over frames so that the
// picture does not flicker with the scene's noise.
//
// The first frame's gains are taken as they are. After that each frame
// moves the gains a quarter of the way towards its own grey-world gains,
// measured as a ratio (on a log scale): a colour whose gain must double
// settles to within 1 % in 15 frames, and frame-to-frame noise in the
// gains is cut to under 40 %. Frames with nothing to go on (no unsaturated tile,
// or a colour whose sum is 0) leave the gains as they are.
#ifndef TAV_GST_GREY_WORLD_H
#define TAV_GST_GREY_WORLD_H

#include <glib.h>

#include "tav_pipeline.h"

// The library's gain range is (0, 64]; grey-world gains are kept within
// [1/64, 64] so that a nearly black channel cannot ask for more.
#define TAV_GREY_WORLD_MIN_GAIN (1.0 / 64.0)
#define TAV_GREY_WORLD_MAX_GAIN 64.0

struct TavGreyWorld {
    double gains[3];  // R, G (always 1), B
    gboolean primed;  // a frame's statistics have set the gains
};

void tavGreyWorldReset(TavGreyWorld* state);

// The grey-world gains of one frame, (sum[1] / (2 sum[0]), 1, sum[1] /
// (2 sum[2])) clamped to the range above; FALSE when the frame gives none.
gboolean tavGreyWorldGainsOf(const TavFrameStats* stats, double gains[3]);

// Takes one frame's statistics into the smoothed gains; FALSE when the
// frame gave no gains (state unchanged).
gboolean tavGreyWorldUpdate(TavGreyWorld* state, const TavFrameStats* stats);

// TRUE when the smoothed gains differ from those the context runs with by
// more than 1/512 of a gain (well below one output level), so that the
// pipeline is not set again for changes nobody could see.
gboolean tavGreyWorldMoved(const TavGreyWorld* state, const float applied[3]);

#endif

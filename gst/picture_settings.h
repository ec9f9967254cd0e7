// The picture settings of tavdemosaic (black level, white balance, colour
// matrix, curve, shading table, automatic white balance, statistics) as
// values, and the library pipeline they make.
#ifndef TAV_GST_PICTURE_SETTINGS_H
#define TAV_GST_PICTURE_SETTINGS_H

#include <glib.h>
#include <stdint.h>

#include "shared_shading_table.h"
#include "tav_pipeline.h"

struct TavPictureSettings {
    int32_t blackLevel[4];     // input sample units, tile positions as in TavPipeline
    float whiteBalance[3];     // R, G, B
    float colorMatrix[9];      // row-major
    int32_t curve;             // TAV_CURVE_*
    double gamma;              // TAV_CURVE_GAMMA only
    TavSharedTable* table;     // a reference, or NULL
    gboolean autoWhiteBalance;
    gboolean postStats;
};

// The defaults: black 0, gains 1, identity matrix, linear curve, gamma 2.2,
// no table, no automatic white balance, no statistics.
void tavPictureSettingsInit(TavPictureSettings* settings);
// Drops the table reference.
void tavPictureSettingsClear(TavPictureSettings* settings);
// *to = *from, with a reference of its own to the table (to's old one dropped).
void tavPictureSettingsAssign(TavPictureSettings* to, const TavPictureSettings* from);

// FALSE when every stage is neutral and neither automatic white balance nor
// statistics are asked for: the element then gives the plain conversion.
gboolean tavPictureSettingsNeedPipeline(const TavPictureSettings* settings);

// The library pipeline for frames whose samples the element narrows by
// preShift bits before the library sees them (black levels narrowed alike),
// converted with `gains` (the white balance, or automatic gains).
void tavPictureSettingsToPipeline(const TavPictureSettings* settings, int32_t preShift, const float gains[3],
                                  TavPipeline* pipeline);

#endif

#include "picture_settings.h"

#include <string.h>

void tavPictureSettingsInit(TavPictureSettings* settings) {
    memset(settings, 0, sizeof *settings);
    for (float& gain : settings->whiteBalance) gain = 1.0f;
    settings->colorMatrix[0] = settings->colorMatrix[4] = settings->colorMatrix[8] = 1.0f;
    settings->curve = TAV_CURVE_LINEAR;
    settings->gamma = 2.2;
    settings->table = nullptr;
    settings->autoWhiteBalance = FALSE;
    settings->postStats = FALSE;
}

void tavPictureSettingsClear(TavPictureSettings* settings) {
    tavSharedTableUnref(settings->table);
    settings->table = nullptr;
}

void tavPictureSettingsAssign(TavPictureSettings* to, const TavPictureSettings* from) {
    if (to == from) return;
    TavSharedTable* old = to->table;
    *to = *from;
    to->table = tavSharedTableRef(from->table);
    tavSharedTableUnref(old);
}

gboolean tavPictureSettingsNeedPipeline(const TavPictureSettings* s) {
    if (s->autoWhiteBalance || s->postStats || s->table != nullptr || s->curve != TAV_CURVE_LINEAR) return TRUE;
    for (int32_t black : s->blackLevel) {
        if (black != 0) return TRUE;
    }
    for (float gain : s->whiteBalance) {
        if (gain != 1.0f) return TRUE;
    }
    for (int i = 0; i < 9; ++i) {
        if (s->colorMatrix[i] != (i % 4 == 0 ? 1.0f : 0.0f)) return TRUE;
    }
    return FALSE;
}

void tavPictureSettingsToPipeline(const TavPictureSettings* s, int32_t preShift, const float gains[3],
                                  TavPipeline* pipeline) {
    tavPipelineInit(pipeline);
    for (int i = 0; i < 4; ++i) pipeline->blackLevel[i] = s->blackLevel[i] >> preShift;
    for (int c = 0; c < 3; ++c) pipeline->whiteBalance[c] = gains[c];
    memcpy(pipeline->colorMatrix, s->colorMatrix, sizeof pipeline->colorMatrix);
    pipeline->curve = s->curve;
    pipeline->gamma = float(s->gamma);
    pipeline->shadingTable = s->table != nullptr ? tavSharedTableGet(s->table)->words : nullptr;
}

// The pipeline's settings: checking them, keeping them on the context and
// handing out the last frame's statistics.
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "context/context.h"
#include "diagnostics.h"
#include "picture/pictureState.h"
#include "tav_lsc.h"
#include "tav_pipeline.h"

namespace {

TavStatus fail(tav::DiagnosticLine line, TavStatus status) {
    tav::printErrorLine(line);
    return status;
}

bool finite(float v) { return isfinite(v) != 0; }

// The first refusal of a setting, or TAV_OK; `line` names it.
TavStatus refusalOf(const TavPipeline& p, tav::DiagnosticLine* line) {
    bool allFinite = finite(p.gamma);
    for (float g : p.whiteBalance) allFinite = allFinite && finite(g);
    for (float m : p.colorMatrix) allFinite = allFinite && finite(m);
    if (!allFinite) return *line = tav::kLinePipelineNotFinite, TAV_E_UNSUPPORTED;
    for (float g : p.whiteBalance)
        if (!(g > 0.0f && g <= 64.0f)) return *line = tav::kLinePipelineGain, TAV_E_UNSUPPORTED;
    for (float m : p.colorMatrix)
        if (!(m >= -16.0f && m <= 16.0f)) return *line = tav::kLinePipelineMatrix, TAV_E_UNSUPPORTED;
    for (int32_t b : p.blackLevel)
        if (b < 0 || b > 65534) return *line = tav::kLinePipelineBlack, TAV_E_UNSUPPORTED;
    if (p.curve != TAV_CURVE_LINEAR && p.curve != TAV_CURVE_SRGB && p.curve != TAV_CURVE_GAMMA)
        return *line = tav::kLinePipelineCurve, TAV_E_UNSUPPORTED;
    if (p.curve == TAV_CURVE_GAMMA && !(p.gamma >= 0.1f && p.gamma <= 10.0f))
        return *line = tav::kLinePipelineGamma, TAV_E_UNSUPPORTED;
    if (p.shadingTable != nullptr && p.shadingTable[0] > TAV_LSC_MODE_PIXEL)
        return *line = tav::kLinePipelineTableMode, TAV_E_UNSUPPORTED;
    return TAV_OK;
}

double curveAt(const TavPipeline& p, double x) {
    switch (p.curve) {
        case TAV_CURVE_SRGB: return x <= 0.0031308 ? 12.92 * x : 1.055 * pow(x, 1.0 / 2.4) - 0.055;
        case TAV_CURVE_GAMMA: return pow(x, 1.0 / (double)p.gamma);
        default: return x;
    }
}

bool sameCurve(const TavPipeline& a, const TavPipeline& b) {
    return a.curve == b.curve && (a.curve != TAV_CURVE_GAMMA || memcmp(&a.gamma, &b.gamma, sizeof a.gamma) == 0);
}

// The matrix and the curve table; a curve already made for the same curve
// (the gains changing every frame, say) is copied, not made again.
void deriveIntegerForms(tav::PictureState* state, const tav::PictureState* previous) {
    const TavPipeline& p = state->settings;
    for (int i = 0; i < 9; ++i) state->matrix[i] = (int32_t)lround(1024.0 * (double)p.colorMatrix[i]);
    state->tableMode = p.shadingTable != nullptr ? p.shadingTable[0] : 0;
    if (previous != nullptr && sameCurve(previous->settings, p)) {
        memcpy(state->curve, previous->curve, sizeof state->curve);
        return;
    }
    for (int32_t v = 0; v <= tav::kLinearMax; ++v) {
        const long level = lround(255.0 * curveAt(p, (double)v / tav::kLinearMax));
        state->curve[v] = (uint8_t)(level < 0 ? 0 : (level > 255 ? 255 : level));
    }
}

}  // namespace

extern "C" TavStatus tavPipelineInit(TavPipeline* pipeline) {
    if (pipeline == nullptr) return fail(tav::kLinePipelineInitNull, TAV_E_NULL_POINTER);
    memset(pipeline, 0, sizeof *pipeline);
    for (float& g : pipeline->whiteBalance) g = 1.0f;
    pipeline->colorMatrix[0] = pipeline->colorMatrix[4] = pipeline->colorMatrix[8] = 1.0f;
    pipeline->curve = TAV_CURVE_LINEAR;
    pipeline->gamma = 1.0f;
    pipeline->shadingTable = nullptr;
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicSetPipeline(TavContext* context, const TavPipeline* pipeline) {
    if (context == nullptr) return fail(tav::kLinePipelineSetNull, TAV_E_NULL_POINTER);
    if (pipeline == nullptr) {
        free(context->picture);
        context->picture = nullptr;
        return TAV_OK;
    }
    tav::DiagnosticLine line;
    const TavStatus refused = refusalOf(*pipeline, &line);
    if (refused != TAV_OK) return fail(line, refused);
    // A new state first, so a failed allocation keeps the old one.
    tav::PictureState* state = static_cast<tav::PictureState*>(malloc(sizeof(tav::PictureState)));
    if (state == nullptr) return fail(tav::kLinePipelineNoMemory, TAV_E_NO_MEMORY);
    state->settings = *pipeline;
    deriveIntegerForms(state, context->picture);
    free(context->picture);
    context->picture = state;
    return TAV_OK;
}

extern "C" TavStatus tavDemosaicGetStats(const TavContext* context, TavFrameStats* stats) {
    if (context == nullptr || stats == nullptr) return fail(tav::kLinePipelineStatsNull, TAV_E_NULL_POINTER);
    *stats = context->stats;
    return TAV_OK;
}

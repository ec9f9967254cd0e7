#include "picture_apply.h"

#include "frame_stats_message.h"
#include "library_diagnostics.h"

namespace {

struct PipelineCall {
    TavContext* context;
    const TavPipeline* pipeline;  // NULL: off
};

TavStatus runSetPipeline(void* data) {
    const PipelineCall* call = static_cast<const PipelineCall*>(data);
    return tavDemosaicSetPipeline(call->context, call->pipeline);
}

// TRUE when the library took the pipeline (NULL: switched it off).
gboolean setPipeline(GstTavDemosaic* self, const TavPipeline* pipeline) {
    PipelineCall call{self->context, pipeline};
    TavDiagnosticText lines;
    const TavStatus status = tavCallWithDiagnostics(runSetPipeline, &call, &lines);
    if (status == TAV_OK) return TRUE;
    gchar* text = tavDescribeRefusal("tavDemosaicSetPipeline refused the picture settings; the previous ones stay",
                                     &lines, status);
    GST_ELEMENT_WARNING(self, LIBRARY, SETTINGS, ("%s", text), (nullptr));
    g_free(text);
    return FALSE;
}

// The context's pipeline now reads `table` (or none): hold it, and let go
// of the one it read before, which a refused setting would have kept.
void holdContextTable(GstTavDemosaic* self, TavSharedTable* table) {
    TavSharedTable* old = self->contextTable;
    self->contextTable = tavSharedTableRef(table);
    tavSharedTableUnref(old);
}

gboolean colourInput(const GstTavDemosaic* self) {
    return self->input != nullptr && g_str_equal(self->input->mediaType, "video/x-bayer");
}

}  // namespace

void tavPictureStart(GstTavDemosaic* self) {
    tavPictureSettingsClear(&self->applied);
    tavPictureSettingsInit(&self->applied);
    self->appliedGeneration = 0;  // the properties' generation starts at 1
    self->pipelineOn = FALSE;
    tavGreyWorldReset(&self->greyWorld);
}

void tavPictureStop(GstTavDemosaic* self) {
    // The context that read the table is released before this.
    tavPictureSettingsClear(&self->applied);
    holdContextTable(self, nullptr);
    self->pipelineOn = FALSE;
}

void tavPictureBeforeFrame(GstTavDemosaic* self, gint* method, gint* threads) {
    const gboolean wasAuto = self->applied.autoWhiteBalance;
    gboolean changed = FALSE;
    pthread_mutex_lock(&self->settingsLock);
    *method = self->method;
    *threads = self->threads;
    if (self->settingsGeneration != self->appliedGeneration) {
        tavPictureSettingsAssign(&self->applied, &self->settings);
        self->appliedGeneration = self->settingsGeneration;
        changed = TRUE;
    }
    pthread_mutex_unlock(&self->settingsLock);

    const TavPictureSettings* s = &self->applied;
    if (s->autoWhiteBalance && !wasAuto) tavGreyWorldReset(&self->greyWorld);
    if (!tavPictureSettingsNeedPipeline(s)) {
        if (self->pipelineOn && setPipeline(self, nullptr)) {
            self->pipelineOn = FALSE;
            holdContextTable(self, nullptr);
        }
        return;
    }
    const gboolean automatic = s->autoWhiteBalance && self->greyWorld.primed;
    if (!changed && self->pipelineOn && !(automatic && tavGreyWorldMoved(&self->greyWorld, self->appliedGains))) {
        return;
    }
    float gains[3];
    for (int c = 0; c < 3; ++c) gains[c] = automatic ? float(self->greyWorld.gains[c]) : s->whiteBalance[c];
    TavPipeline pipeline;
    tavPictureSettingsToPipeline(s, self->input != nullptr ? self->input->preShift : 0, gains, &pipeline);
    if (setPipeline(self, &pipeline)) {
        self->pipelineOn = TRUE;
        holdContextTable(self, s->table);
        for (int c = 0; c < 3; ++c) self->appliedGains[c] = gains[c];
    }
}

void tavPictureAfterFrame(GstTavDemosaic* self, GstBuffer* input) {
    if (!self->pipelineOn) return;
    TavFrameStats stats;
    if (tavDemosaicGetStats(self->context, &stats) != TAV_OK) return;
    if (self->applied.autoWhiteBalance && colourInput(self)) tavGreyWorldUpdate(&self->greyWorld, &stats);
    if (self->applied.postStats) {
        gst_element_post_message(GST_ELEMENT(self), tavFrameStatsMessage(GST_OBJECT(self), GST_BUFFER_PTS(input),
                                                                         &stats, self->appliedGains));
    }
}

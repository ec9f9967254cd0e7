#include "picture_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tavgst {

bool parseStatsMessage(GstMessage* message, StatsMessage* out) {
    const GstStructure* s = gst_message_get_structure(message);
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ELEMENT || s == nullptr ||
        !gst_structure_has_name(s, "tav-frame-stats")) {
        return false;
    }
    std::memset(out, 0, sizeof *out);
    guint64 sums[3] = {0, 0, 0};
    guint tiles = 0, saturated = 0;
    bool ok = gst_structure_get(s, "sum-red", G_TYPE_UINT64, &sums[0], "sum-green", G_TYPE_UINT64, &sums[1],
                                "sum-blue", G_TYPE_UINT64, &sums[2], "tiles", G_TYPE_UINT, &tiles, "saturated",
                                G_TYPE_UINT, &saturated, "grey-world-red", G_TYPE_DOUBLE, &out->greyWorld[0],
                                "grey-world-blue", G_TYPE_DOUBLE, &out->greyWorld[1], "red-gain", G_TYPE_DOUBLE,
                                &out->gains[0], "green-gain", G_TYPE_DOUBLE, &out->gains[1], "blue-gain",
                                G_TYPE_DOUBLE, &out->gains[2], "timestamp", G_TYPE_UINT64, &out->timestamp, NULL);
    for (int c = 0; c < 3; ++c) out->stats.sum[c] = sums[c];
    out->stats.tiles = tiles;
    out->stats.saturated = saturated;
    const GValue* histogram = gst_structure_get_value(s, "histogram");
    ok = ok && histogram != nullptr && gst_value_array_get_size(histogram) == 64;
    for (guint i = 0; ok && i < 64; ++i) out->stats.histogram[i] = g_value_get_uint(gst_value_array_get_value(histogram, i));
    EXPECT_TRUE(ok) << "malformed tav-frame-stats message";
    return ok;
}

PictureStream::PictureStream(const std::string& caps, const std::string& properties, const std::string& output)
    : pipeline_("appsrc name=src format=time caps=" + caps + " ! tavdemosaic name=demosaic " + properties +
                " ! video/x-raw,format=" + output + " ! appsink name=sink sync=false") {
    EXPECT_TRUE(pipeline_.play());
}

std::vector<uint8_t> PictureStream::convert(const std::vector<uint8_t>& frame) {
    GstBuffer* buffer = makeBuffer(frame);
    GST_BUFFER_PTS(buffer) = next_;
    GST_BUFFER_DURATION(buffer) = GST_SECOND / 30;
    next_ += GST_SECOND / 30;
    gst_app_src_push_buffer(GST_APP_SRC(pipeline_.element("src")), buffer);
    GstSample* sample = pipeline_.pull();
    std::vector<uint8_t> out;
    if (sample != nullptr) {
        out = tightFrame(sample);
        gst_sample_unref(sample);
    }
    drainBus();
    return out;
}

std::string PictureStream::finish() {
    gst_app_src_end_of_stream(GST_APP_SRC(pipeline_.element("src")));
    GstSample* rest;
    while ((rest = pipeline_.pull()) != nullptr) gst_sample_unref(rest);
    for (int waited = 0; !ended_ && waited < 50; ++waited) drainBus(100 * GST_MSECOND);
    return ended_ ? end_ : "timeout";
}

void PictureStream::drainBus(GstClockTime wait) {
    GstBus* bus = gst_element_get_bus(pipeline_.get());
    // Element messages are posted before the frame is pushed on, so every
    // message of a pulled frame is on the bus already. Every message is
    // taken (a filtered pop would drop the others).
    while (GstMessage* m = gst_bus_timed_pop(bus, wait)) {
        wait = 0;
        StatsMessage stats;
        if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_WARNING || GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gchar* debug = nullptr;
            if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_WARNING) {
                gst_message_parse_warning(m, &error, &debug);
                warnings_.push_back(error->message);
            } else {
                gst_message_parse_error(m, &error, &debug);
                ended_ = true;
                end_ = std::string(error->message) + " | " + (debug != nullptr ? debug : "");
            }
            g_error_free(error);
            g_free(debug);
        } else if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS) {
            ended_ = true;
        } else if (parseStatsMessage(m, &stats)) {
            stats_.push_back(stats);
        }
        gst_message_unref(m);
    }
    gst_object_unref(bus);
}

std::vector<StatsMessage> PictureStream::takeStats() {
    drainBus();
    std::vector<StatsMessage> taken;
    taken.swap(stats_);
    return taken;
}

std::vector<std::string> PictureStream::takeWarnings() {
    drainBus();
    std::vector<std::string> taken;
    taken.swap(warnings_);
    return taken;
}

std::vector<uint8_t> tightFrame(GstSample* sample) {
    GstVideoInfo info;
    EXPECT_TRUE(gst_video_info_from_caps(&info, gst_sample_get_caps(sample)));
    GstVideoFrame frame;
    std::vector<uint8_t> out;
    if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return out;
    for (guint p = 0; p < GST_VIDEO_FRAME_N_PLANES(&frame); ++p) {
        const size_t row = size_t(GST_VIDEO_FRAME_COMP_WIDTH(&frame, p)) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, p);
        const uint8_t* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, p));
        for (int y = 0; y < GST_VIDEO_FRAME_HEIGHT(&frame); ++y) {
            const uint8_t* r = data + size_t(y) * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, p);
            out.insert(out.end(), r, r + row);
        }
    }
    gst_video_frame_unmap(&frame);
    return out;
}

}  // namespace tavgst

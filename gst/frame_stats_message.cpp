#include "frame_stats_message.h"

#include "grey_world.h"

GstMessage* tavFrameStatsMessage(GstObject* source, GstClockTime timestamp, const TavFrameStats* stats,
                                 const float gains[3]) {
    double greyWorld[3] = {0.0, 0.0, 0.0};
    tavGreyWorldGainsOf(stats, greyWorld);
    GValue histogram = G_VALUE_INIT;
    gst_value_array_init(&histogram, 64);
    for (guint count : stats->histogram) {
        GValue bin = G_VALUE_INIT;
        g_value_init(&bin, G_TYPE_UINT);
        g_value_set_uint(&bin, count);
        gst_value_array_append_and_take_value(&histogram, &bin);
    }
    GstStructure* s = gst_structure_new(
        TAV_FRAME_STATS_MESSAGE, "timestamp", GST_TYPE_CLOCK_TIME, timestamp, "sum-red", G_TYPE_UINT64,
        guint64(stats->sum[0]), "sum-green", G_TYPE_UINT64, guint64(stats->sum[1]), "sum-blue", G_TYPE_UINT64,
        guint64(stats->sum[2]), "tiles", G_TYPE_UINT, guint(stats->tiles), "saturated", G_TYPE_UINT,
        guint(stats->saturated), "grey-world-red", G_TYPE_DOUBLE, greyWorld[0], "grey-world-blue", G_TYPE_DOUBLE,
        greyWorld[2], "red-gain", G_TYPE_DOUBLE, double(gains[0]), "green-gain", G_TYPE_DOUBLE, double(gains[1]),
        "blue-gain", G_TYPE_DOUBLE, double(gains[2]), NULL);
    gst_structure_take_value(s, "histogram", &histogram);
    return gst_message_new_element(source, s);
}

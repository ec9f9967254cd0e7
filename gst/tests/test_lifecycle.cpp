// Repeated NULL -> PLAYING -> NULL cycles leave nothing behind: the elements
// are finalized, and under AddressSanitizer the leak check at exit covers
// their contexts, tables and scratch frames.
#include <gtest/gtest.h>

#include <cstdio>

#include "gst_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

namespace {

void markFinalized(gpointer data, GObject*) { ++*static_cast<int*>(data); }

TEST(Lifecycle, RepeatedStateChangesLeakNothing) {
    std::vector<uint32_t> words = {TAV_LSC_MODE_PIXEL, 48, 66};
    words.resize(3 + 66 * 48, TAV_LSC_GAIN_ONE << TAV_LSC_GAIN_SHIFT);
    const std::string table = writeTableFile("cycle.tbl", 8, words);
    int finalized = 0;
    {
        // 66 columns: padded input rows and padded RGB output rows, so both
        // elements keep scratch frames.
        Pipeline p("videotestsrc num-buffers=3 ! video/x-raw,format=ARGB,width=66,height=48 ! rgb2bayer ! "
                   "tavshading name=shading table=" + table + " ! tavdemosaic name=demosaic method=edge ! "
                   "video/x-raw,format=RGB ! fakesink");
        g_object_weak_ref(G_OBJECT(p.element("shading")), markFinalized, &finalized);
        g_object_weak_ref(G_OBJECT(p.element("demosaic")), markFinalized, &finalized);
        for (int cycle = 0; cycle < 40; ++cycle) {
            ASSERT_TRUE(p.play());
            ASSERT_EQ(p.waitForEnd(), "") << "cycle " << cycle;
            p.stop();
        }
        // Stopping in the middle of a stream, and going only to PAUSED.
        for (int cycle = 0; cycle < 10; ++cycle) {
            ASSERT_NE(gst_element_set_state(p.get(), GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
            p.stop();
        }
    }
    EXPECT_EQ(finalized, 2);
    std::remove(table.c_str());
}

}  // namespace

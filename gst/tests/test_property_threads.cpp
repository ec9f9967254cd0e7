// Properties changed from another thread while frames flow: the settings
// lock orders the setters against the streaming thread, tables swapped under
// a converting frame stay alive until it is done, and refused values change
// nothing. CI runs this under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <thread>

#include "gst_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

namespace {

std::string unitTable(const std::string& name, uint32_t gain) {
    std::vector<uint32_t> words = {TAV_LSC_MODE_PIXEL, 48, 64};
    words.resize(3 + 64 * 48, gain << TAV_LSC_GAIN_SHIFT | 3);
    return writeTableFile(name, 8, words);
}

TEST(PropertyThreads, SettersOnAnotherThreadWhileFramesFlow) {
    const std::string tableA = unitTable("threads-a.tbl", TAV_LSC_GAIN_ONE);
    const std::string tableB = unitTable("threads-b.tbl", TAV_LSC_GAIN_ONE + 0x4000);
    Pipeline p("videotestsrc num-buffers=300 pattern=smpte ! video/x-raw,format=ARGB,width=64,height=48 ! "
               "rgb2bayer ! tavdemosaic name=demosaic threads=2 post-stats=true ! fakesink sync=false");
    GstElement* demosaic = p.element("demosaic");
    std::atomic<bool> running{true};
    std::atomic<int> changes{0};
    // From the first frame on: the caps are negotiated, so a black level
    // above this stream's white point is refused when set (before them it
    // would fail negotiation, as it should).
    ASSERT_TRUE(p.play());
    ASSERT_EQ(gst_element_get_state(p.get(), nullptr, nullptr, 20 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
    std::thread setter([&] {
        std::mt19937 random(5);
        const char* const blacks[] = {"0", "8,4,6,2", "300", "1,2"};
        const char* const gains[] = {"1,1,1", "2.5,1,1.7", "nan,1,1", "0.5,1,0.25"};
        const char* const matrices[] = {"1,0,0,0,1,0,0,0,1", "1.5,-0.3,-0.2,-0.2,1.4,-0.2,-0.1,-0.4,1.5", "1,2"};
        const std::string tables[] = {tableA, tableB, "", "/nonexistent.tbl"};
        while (running.load()) {
            switch (random() % 9) {
                case 0: g_object_set(demosaic, "black-level", blacks[random() % 4], nullptr); break;
                case 1: g_object_set(demosaic, "white-balance", gains[random() % 4], nullptr); break;
                case 2: g_object_set(demosaic, "color-matrix", matrices[random() % 3], nullptr); break;
                case 3: g_object_set(demosaic, "curve", int(random() % 3), "gamma", 0.5 + random() % 4, nullptr); break;
                case 4: g_object_set(demosaic, "shading-table", tables[random() % 4].c_str(), nullptr); break;
                case 5: g_object_set(demosaic, "auto-white-balance", gboolean(random() % 2), nullptr); break;
                case 6: g_object_set(demosaic, "post-stats", gboolean(random() % 2), nullptr); break;
                case 7: g_object_set(demosaic, "method", int(random() % 4), "threads", int(random() % 3), nullptr); break;
                default: {
                    gchar* gains = nullptr;
                    gchar* table = nullptr;
                    g_object_get(demosaic, "white-balance", &gains, "shading-table", &table, nullptr);
                    g_free(gains);
                    g_free(table);
                }
            }
            ++changes;
        }
    });
    // Waiting takes the warnings and statistics off the bus as they come.
    const std::string end = p.waitForEnd(120);
    running = false;
    setter.join();
    EXPECT_EQ(end, "");
    EXPECT_GT(changes.load(), 20);
    std::remove(tableA.c_str());
    std::remove(tableB.c_str());
}

}  // namespace

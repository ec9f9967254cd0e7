#include "gst_test_support.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

namespace tavgst {

Pipeline::Pipeline(const std::string& description) {
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
        ADD_FAILURE() << "cannot parse " << description << ": " << error->message;
        g_error_free(error);
    }
}

Pipeline::~Pipeline() {
    if (pipeline_ != nullptr) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
}

GstElement* Pipeline::element(const char* name) const {
    GstElement* found = gst_bin_get_by_name(GST_BIN(pipeline_), name);
    if (found != nullptr) gst_object_unref(found);  // the pipeline keeps it alive
    return found;
}

bool Pipeline::play() { return gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE; }

void Pipeline::stop() { gst_element_set_state(pipeline_, GST_STATE_NULL); }

std::string Pipeline::waitForEnd(int seconds) {
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, GstClockTime(seconds) * GST_SECOND,
                                                     GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (message == nullptr) return "timeout";
    std::string text;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        text = std::string(GST_OBJECT_NAME(GST_MESSAGE_SRC(message))) + ": " + error->message + " | " +
               (debug != nullptr ? debug : "");
        g_error_free(error);
        g_free(debug);
    }
    gst_message_unref(message);
    return text;
}

void Pipeline::pushAndEnd(GstBuffer* buffer) {
    GstAppSrc* src = GST_APP_SRC(element("src"));
    gst_app_src_push_buffer(src, buffer);
    gst_app_src_end_of_stream(src);
}

GstSample* Pipeline::pull(const char* name) {
    return gst_app_sink_try_pull_sample(GST_APP_SINK(element(name)), 20 * GST_SECOND);
}

GstBuffer* makeBuffer(const std::vector<uint8_t>& bytes) {
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes.size(), nullptr);
    gst_buffer_fill(buffer, 0, bytes.data(), bytes.size());
    return buffer;
}

void addPlaneMeta(GstBuffer* buffer, int width, int height, size_t offset, int stride) {
    gsize offsets[GST_VIDEO_MAX_PLANES] = {offset};
    gint strides[GST_VIDEO_MAX_PLANES] = {stride};
    gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_FORMAT_GRAY8, width, height, 1,
                                   offsets, strides);
}

std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = std::string(g_get_tmp_dir()) + "/tavgst-" + std::to_string(getpid()) + "-" + name;
    FILE* file = fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file != nullptr) {
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
    return path;
}

std::string writeTableFile(const std::string& name, uint32_t bits, const std::vector<uint32_t>& words) {
    std::vector<uint8_t> bytes = {'T', 'A', 'V', 'S', 'H', 'A', 'D', 'E'};
    auto put = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    };
    put(1);
    put(bits);
    for (uint32_t w : words) put(w);
    return writeBytes(name, bytes);
}

}  // namespace tavgst

// GLib allocates a block in its library constructor that it never frees;
// the leak check skips what library constructors allocate, nothing else.
// GLib has no frame pointers, so only the slow unwinder sees that caller.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (ctest's discovery) needs no plugin registry.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    // This build's plugin beside the few system plugins the tests use, a
    // registry of our own, and plugins loaded in this process rather than in
    // the scanner helper, which carries no sanitizer runtime for a sanitized
    // plugin.
    g_setenv("GST_PLUGIN_PATH", TAV_GST_PLUGIN_DIR, TRUE);
    g_setenv("GST_PLUGIN_SYSTEM_PATH_1_0", TAV_GST_SYSTEM_PLUGIN_DIR, TRUE);
    g_setenv("GST_REGISTRY_1_0", TAV_GST_TEST_REGISTRY, TRUE);
    g_setenv("GST_REGISTRY_FORK", "no", TRUE);
    gst_init(&argc, &argv);
    const int result = RUN_ALL_TESTS();
    gst_deinit();
    return result;
}

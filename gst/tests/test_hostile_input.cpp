// Hostile buffers and files: video metas whose offsets and strides would wrap
// the frame-size arithmetic, refusals whose diagnostics must stay off the
// process's stdout, table paths that are not regular files, caps too large.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "gst_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

namespace {

#define EXPECT_CONTAINS(text, part)                                          \
    do {                                                                     \
        const std::string text_ = (text);                                    \
        EXPECT_NE(text_.find(part), std::string::npos) << "in: " << text_;   \
    } while (0)

const char* const kCaps32 = "video/x-bayer,format=rggb,width=32,height=32,framerate=30/1";

std::string unitTableFile(const char* name, uint32_t width, uint32_t height) {
    std::vector<uint32_t> words = {TAV_LSC_MODE_PIXEL, height, width};
    words.resize(3 + size_t(width) * height, TAV_LSC_GAIN_ONE << TAV_LSC_GAIN_SHIFT);
    return writeTableFile(name, 8, words);
}

// One 32x32 rggb frame whose video meta names `offset` and `stride`.
std::string pushWithMeta(const std::string& element, size_t offset, int stride) {
    Pipeline p(std::string("appsrc name=src caps=") + kCaps32 + " ! " + element + " ! fakesink");
    GstBuffer* buffer = makeBuffer(std::vector<uint8_t>(32 * 32, 7));
    addPlaneMeta(buffer, 32, 32, offset, stride);
    if (p.play()) p.pushAndEnd(buffer);
    return p.waitForEnd(10);
}

TEST(HostileVideoMeta, OffsetsAndStridesThatWrapAreRefused) {
    const std::string table = unitTableFile("meta.tbl", 32, 32);
    const size_t offsets[] = {size_t(-4096), size_t(-(int64_t(1) << 40)), size_t(INT64_MAX), 1, 32 * 32};
    for (const std::string element : {std::string("tavdemosaic"), "tavshading table=" + table}) {
        for (size_t offset : offsets) {
            SCOPED_TRACE(element + " offset " + std::to_string(offset));
            EXPECT_CONTAINS(pushWithMeta(element, offset, 32), "does not hold");
        }
        // Strides whose product with the rows wraps, or is negative, or short.
        for (int stride : {INT32_MAX, -32, 31, 0}) {
            SCOPED_TRACE(element + " stride " + std::to_string(stride));
            EXPECT_CONTAINS(pushWithMeta(element, 0, stride), "does not hold");
        }
        // The same frame described honestly passes.
        EXPECT_EQ(pushWithMeta(element, 0, 32), "") << element;
    }
    std::remove(table.c_str());
}

// Runs `run` with descriptor 1 sent to a file and returns what reached it.
template <typename Run>
std::string processStdout(const Run& run) {
    fflush(stdout);
    char path[] = "/tmp/tavgst-stdout-XXXXXX";
    const int file = mkstemp(path);
    const int saved = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
    run();
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string text;
    char chunk[256];
    lseek(file, 0, SEEK_SET);
    for (ssize_t n; (n = read(file, chunk, sizeof chunk)) > 0;) text.append(chunk, size_t(n));
    close(file);
    unlink(path);
    return text;
}

TEST(LibraryDiagnostics, RefusalsReachTheErrorAndNeverStdout) {
    std::string error;
    const std::string printed = processStdout([&] {
        Pipeline p("appsrc name=src caps=video/x-bayer,format=rggb,width=4,height=4,framerate=30/1 ! "
                   "tavdemosaic method=edge ! fakesink");
        if (p.play()) p.pushAndEnd(makeBuffer(std::vector<uint8_t>(16, 0)));
        error = p.waitForEnd(5);
    });
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(std::regex_search(error, std::regex("frame \\(method edge, output [A-Za-z]+\\): "
                                                    "error line = \\[[0-9]+\\] \\(status -104 TAV_E_SIZE\\)")))
        << error;
}

TEST(NegotiationLimits, HugeCapsAreTooLargeAndReportedOnce) {
    Pipeline p("appsrc name=src caps=video/x-bayer,format=rggb,width=65536,height=65536,framerate=30/1 ! "
               "tavdemosaic ! fakesink");
    if (p.play()) p.pushAndEnd(makeBuffer(std::vector<uint8_t>(64, 0)));
    const std::string first = p.waitForEnd(10);
    EXPECT_CONTAINS(first, "too large");
    GstBus* bus = gst_element_get_bus(p.get());
    int more = 0;
    while (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* e = nullptr;
        gst_message_parse_error(m, &e, nullptr);
        if (std::string(GST_OBJECT_NAME(GST_MESSAGE_SRC(m))).find("tavdemosaic") == 0) ++more;
        g_error_free(e);
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    EXPECT_EQ(more, 0) << "the element posted its negotiation error more than once";
}

TEST(ShadingTableFiles, OnlyRegularFilesAndOnlyWhatTheHeaderPromises) {
    // A FIFO would block start forever, /dev/zero would be read without end.
    const std::string fifo = std::string(g_get_tmp_dir()) + "/tavgst-" + std::to_string(getpid()) + "-fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), std::string(g_get_tmp_dir())}) {
        SCOPED_TRACE(path);
        Pipeline p(std::string("appsrc name=src caps=") + kCaps32 + " ! tavshading table=" + path + " ! fakesink");
        if (p.play()) p.pushAndEnd(makeBuffer(std::vector<uint8_t>(32 * 32, 0)));
        const std::string error = p.waitForEnd(5);
        EXPECT_CONTAINS(error, path);
        EXPECT_CONTAINS(error, "not a regular file");
    }
    unlink(fifo.c_str());
}

}  // namespace

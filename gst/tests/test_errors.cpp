// Bad tables, caps that cannot be negotiated and frames the library refuses
// end in element errors that say what is wrong, never in a crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "gst_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

// The error text contains part.
#define EXPECT_CONTAINS(text, part)                                          \
    do {                                                                     \
        const std::string text_ = (text);                                    \
        EXPECT_NE(text_.find(part), std::string::npos) << "in: " << text_;   \
    } while (0)

namespace {

// A valid per-cell 64x48 table with unit gains.
std::vector<uint32_t> unitTable(uint32_t width = 64, uint32_t height = 48) {
    std::vector<uint32_t> words = {TAV_LSC_MODE_2X2, height, width};
    words.resize(3 + size_t(width / 2) * (height / 2), TAV_LSC_GAIN_ONE << TAV_LSC_GAIN_SHIFT);
    return words;
}

// Runs appsrc ! <element> ! fakesink with one zero frame and returns the error.
std::string runOneFrame(const std::string& caps, const std::string& element, size_t bytes) {
    Pipeline p("appsrc name=src caps=" + caps + " ! " + element + " ! fakesink");
    if (p.play()) p.pushAndEnd(makeBuffer(std::vector<uint8_t>(bytes, 0)));
    return p.waitForEnd(5);
}

std::vector<uint8_t> tableBytes(const std::vector<uint32_t>& words, uint32_t version, uint32_t bits,
                                const char* magic = "TAVSHADE") {
    std::vector<uint8_t> bytes(magic, magic + 8);
    auto put = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    };
    put(version);
    put(bits);
    for (uint32_t w : words) put(w);
    return bytes;
}

const char* const kCaps8 = "video/x-bayer,format=rggb,width=64,height=48,framerate=30/1";

TEST(ShadingErrors, BadTablesNameTheFile) {
    std::vector<uint8_t> truncated = tableBytes(unitTable(), 1, 8);
    truncated.resize(truncated.size() - 4);
    std::vector<uint8_t> trailing = tableBytes(unitTable(), 1, 8);
    trailing.push_back(0);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* problem;
    } cases[] = {
        {"magic.tbl", tableBytes(unitTable(), 1, 8, "TAVSHADX"), "magic"},
        {"version.tbl", tableBytes(unitTable(), 2, 8), "version 2"},
        {"bits.tbl", tableBytes(unitTable(), 1, 9), "sample bits 9"},
        {"truncated.tbl", truncated, "parameter words"},
        {"trailing.tbl", trailing, "whole number of words"},
        {"mode.tbl", tableBytes({2, 48, 64}, 1, 8), "mode 2"},
        {"empty.tbl", {}, "too short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeBytes(c.name, c.bytes);
        const std::string error = runOneFrame(kCaps8, "tavshading table=" + path, 64 * 48);
        EXPECT_CONTAINS(error, path);
        EXPECT_CONTAINS(error, c.problem);
        std::remove(path.c_str());
    }
    EXPECT_CONTAINS(runOneFrame(kCaps8, "tavshading table=/nonexistent/t.tbl", 64 * 48), "/nonexistent/t.tbl");
    EXPECT_CONTAINS(runOneFrame(kCaps8, "tavshading", 64 * 48), "no table");
}

TEST(ShadingErrors, TableForAnotherFrameSizeFailsNegotiation) {
    const std::string path = writeTableFile("size.tbl", 8, unitTable(64, 48));
    const std::string error = runOneFrame("video/x-bayer,format=rggb,width=48,height=64,framerate=30/1",
                                          "tavshading table=" + path, 64 * 48);
    EXPECT_CONTAINS(error, path);
    EXPECT_CONTAINS(error, "64x48");
    // The same table on its own size corrects without complaint.
    EXPECT_EQ(runOneFrame(kCaps8, "tavshading table=" + path, 64 * 48), "");
    std::remove(path.c_str());
}

TEST(NegotiationErrors, FormatsTheElementsDoNotTakeAreRefused) {
    const std::string table = writeTableFile("caps.tbl", 12, unitTable());
    // No shading correction for 16-bit samples.
    EXPECT_NE(runOneFrame("video/x-bayer,format=rggb16le,width=64,height=48,framerate=30/1",
                          "tavshading table=" + table, 64 * 48 * 2),
              "");
    {
        // No YUV output (asked for once the pipeline is linked).
        Pipeline p(std::string("appsrc name=src caps=") + kCaps8 + " ! tavdemosaic ! appsink name=sink");
        GstCaps* yuv = gst_caps_from_string("video/x-raw,format=I420");
        g_object_set(p.element("sink"), "caps", yuv, nullptr);
        gst_caps_unref(yuv);
        if (p.play()) p.pushAndEnd(makeBuffer(std::vector<uint8_t>(64 * 48, 0)));
        EXPECT_CONTAINS(p.waitForEnd(5), "not-negotiated");
    }
    // No such input.
    EXPECT_NE(runOneFrame("video/x-raw,format=RGB,width=64,height=48,framerate=30/1", "tavdemosaic", 64 * 48 * 3), "");
    std::remove(table.c_str());
}

TEST(DemosaicErrors, RefusedFramesGiveTheStatusAndDiagnosticLine) {
    // The edge-directed method needs more than 5 rows and columns.
    const std::string error = runOneFrame("video/x-bayer,format=rggb,width=4,height=4,framerate=30/1",
                                          "tavdemosaic method=edge", 16);
    EXPECT_CONTAINS(error, "TAV_E_SIZE");
    EXPECT_TRUE(std::regex_search(error, std::regex("error line = \\[[0-9]+\\]"))) << error;
    // The same frame by bilinear or hq is fine.
    EXPECT_EQ(runOneFrame("video/x-bayer,format=rggb,width=4,height=4,framerate=30/1", "tavdemosaic", 16), "");
    EXPECT_EQ(runOneFrame("video/x-bayer,format=rggb,width=4,height=4,framerate=30/1", "tavdemosaic method=hq", 16),
              "");
    // The library's smallest frame is 4x4.
    const std::string tiny =
        runOneFrame("video/x-bayer,format=rggb,width=3,height=3,framerate=30/1", "tavdemosaic", 12);
    EXPECT_CONTAINS(tiny, "error line = [96]");
    EXPECT_CONTAINS(tiny, "TAV_E_SIZE");
}

TEST(DemosaicErrors, ShortBuffersAreRefusedBeforeTheLibraryReadsThem) {
    EXPECT_CONTAINS(runOneFrame("video/x-bayer,format=rggb12le,width=64,height=48,framerate=30/1", "tavdemosaic",
                            64 * 48 * 2 - 1), "does not hold");
    const std::string table = writeTableFile("short.tbl", 8, unitTable());
    EXPECT_CONTAINS(runOneFrame(kCaps8, "tavshading table=" + table, 64 * 47), "does not hold");
    std::remove(table.c_str());
}

}  // namespace

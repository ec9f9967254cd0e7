// tavdemosaic's picture properties while frames flow: hostile values are
// refused with a warning that names the property, the value stays, and the
// frames do not change; accepted values apply from the next frame; values
// that do not fit the stream are refused at negotiation.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "picture_test_support.h"
#include "tav_lsc.h"

using namespace tavgst;

namespace {

#define EXPECT_CONTAINS(text, part)                                          \
    do {                                                                     \
        const std::string text_ = (text);                                    \
        EXPECT_NE(text_.find(part), std::string::npos) << "in: " << text_;   \
    } while (0)

const int kWidth = 32, kHeight = 16;
const std::string kCaps8 = "video/x-bayer,format=rggb,width=32,height=16,framerate=30/1";

std::vector<uint8_t> randomFrame(uint32_t seed, int top = 200) {
    std::mt19937 random(seed);
    std::vector<uint8_t> frame(size_t(kWidth) * kHeight);
    for (uint8_t& v : frame) v = uint8_t(random() % top);
    return frame;
}

std::string unitTable(const std::string& name, uint32_t width, uint32_t height) {
    std::vector<uint32_t> words = {TAV_LSC_MODE_PIXEL, height, width};
    words.resize(3 + size_t(width) * height, TAV_LSC_GAIN_ONE << TAV_LSC_GAIN_SHIFT);
    return writeTableFile(name, 8, words);
}

std::string stringProperty(GstElement* element, const char* name) {
    gchar* value = nullptr;
    g_object_get(element, name, &value, nullptr);
    std::string text = value != nullptr ? value : "(null)";
    g_free(value);
    return text;
}

// GLib log messages while `action` runs.
std::vector<std::string>* capturedLog = nullptr;
void captureLog(const gchar*, GLogLevelFlags, const gchar* message, gpointer) { capturedLog->push_back(message); }

template <typename Action>
std::vector<std::string> logOf(Action action) {
    std::vector<std::string> log;
    capturedLog = &log;
    GLogFunc previous = g_log_set_default_handler(captureLog, nullptr);
    action();
    g_log_set_default_handler(previous, nullptr);
    capturedLog = nullptr;
    return log;
}

struct Hostile {
    const char* property;
    std::string value;
    const char* problem;  // part of the warning
};

TEST(PictureProperties, HostileValuesAreRefusedAndChangeNothing) {
    const std::string wrongSize = unitTable("wrong-size.tbl", 64, 48);
    const std::string garbage = writeBytes("garbage.tbl", std::vector<uint8_t>(100, 'x'));
    const std::string folder = std::string(g_get_tmp_dir()) + "/tavgst-folder-" + std::to_string(getpid());
    mkdir(folder.c_str(), 0700);
    const Hostile cases[] = {
        {"black-level", "1,2", "expected one or four integers, got 2"},
        {"black-level", "", "got 0"},
        {"black-level", "1,2,3,4,5", "got 5"},
        {"black-level", "abc", "\"abc\" is not an integer"},
        {"black-level", "1.5", "not an integer"},
        {"black-level", "0x10", "not an integer"},
        {"black-level", "-1", "outside 0 .. 65534"},
        {"black-level", "65535", "outside"},
        {"black-level", "99999999999999999999999", "outside"},
        {"black-level", "255", "white point 255"},  // the 8-bit stream's white point
        {"black-level", "16,16,300,16", "white point"},
        {"white-balance", "1,2", "expected 3 numbers, got 2"},
        {"white-balance", "1,1,1,1", "got 4"},
        {"white-balance", "nan,1,1", "not a finite number"},
        {"white-balance", "1,inf,1", "not a finite number"},
        {"white-balance", "1,1,-inf", "not a finite number"},
        {"white-balance", "1e400,1,1", "not a finite number"},
        {"white-balance", "0,1,1", "outside (0, 64]"},
        {"white-balance", "1e-50,1,1", "outside"},  // 0 as a float
        {"white-balance", "-1,1,1", "outside"},
        {"white-balance", "64.5,1,1", "outside"},
        {"white-balance", "red,green,blue", "\"red\" is not a number"},
        {"white-balance", "1,,1", "\"\" is not a number"},
        {"color-matrix", "1,0,0,0,1,0,0,0", "expected 9 numbers, got 8"},
        {"color-matrix", "1,0,0,0,1,0,0,0,nan", "not a finite number"},
        {"color-matrix", "1,0,0,0,17,0,0,0,1", "outside [-16, 16]"},
        {"color-matrix", "1,0,0,0,1,0,-16.5,0,1", "outside"},
        {"color-matrix", "1 0 0 0 1 0 0 0 1", "got 1"},
        {"shading-table", "/nonexistent/t.tbl", "No such file"},
        {"shading-table", wrongSize, "the table is for 64x48 frames, the stream is 32x16"},
        {"shading-table", garbage, "not a shading table"},
        {"shading-table", folder, "not a regular file"},
    };
    PictureStream stream(kCaps8, "post-stats=true black-level=8 white-balance=1.5,1,1.25", "RGB");
    const std::vector<uint8_t> frame = randomFrame(1);
    const std::vector<uint8_t> before = stream.convert(frame);
    ASSERT_FALSE(before.empty());
    GstElement* demosaic = stream.demosaic();
    for (const Hostile& c : cases) {
        SCOPED_TRACE(std::string(c.property) + "=" + c.value);
        const std::string old = stringProperty(demosaic, c.property);
        g_object_set(demosaic, c.property, c.value.c_str(), nullptr);
        EXPECT_EQ(stringProperty(demosaic, c.property), old);
        const std::vector<std::string> warnings = stream.takeWarnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_CONTAINS(warnings[0], std::string(c.property) + " \"" + c.value + "\" refused");
        EXPECT_CONTAINS(warnings[0], c.problem);
        EXPECT_CONTAINS(warnings[0], "it stays \"" + (old == "(null)" ? std::string() : old) + "\"");
        EXPECT_EQ(stream.convert(frame), before);
    }
    // gamma: GObject's range check refuses NaN, infinities and values
    // outside [0.1, 10] with a warning of its own, and the value stays.
    g_object_set(demosaic, "curve", 2, "gamma", 1.8, nullptr);
    const std::vector<uint8_t> gamma18 = stream.convert(frame);
    for (double gamma : {std::nan(""), HUGE_VAL, -HUGE_VAL, 0.0, -2.2, 10.5}) {
        SCOPED_TRACE(gamma);
        const std::vector<std::string> log = logOf([&] { g_object_set(demosaic, "gamma", gamma, nullptr); });
        ASSERT_EQ(log.size(), 1u);
        EXPECT_CONTAINS(log[0], "property 'gamma'");
        double now = 0;
        g_object_get(demosaic, "gamma", &now, nullptr);
        EXPECT_EQ(now, 1.8);
        EXPECT_EQ(stream.convert(frame), gamma18);
    }
    EXPECT_EQ(stream.finish(), "");
    std::remove(wrongSize.c_str());
    std::remove(garbage.c_str());
    rmdir(folder.c_str());
}

TEST(PictureProperties, ChangesApplyFromTheNextFrame) {
    PictureStream stream(kCaps8, "", "RGB");
    const std::vector<uint8_t> frame = randomFrame(2, 120);  // doubled red does not clip
    const std::vector<uint8_t> plain = stream.convert(frame);
    GstElement* demosaic = stream.demosaic();
    g_object_set(demosaic, "post-stats", TRUE, nullptr);
    EXPECT_EQ(stream.convert(frame).size(), plain.size());
    g_object_set(demosaic, "white-balance", " 2 , 1 ,0.5", nullptr);
    EXPECT_EQ(stringProperty(demosaic, "white-balance"), " 2 , 1 ,0.5");
    const std::vector<uint8_t> balanced = stream.convert(frame);
    std::vector<StatsMessage> stats = stream.takeStats();
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_EQ(stats[0].gains[0], 1.0);
    EXPECT_EQ(stats[1].gains[0], 2.0);
    EXPECT_EQ(stats[1].gains[2], 0.5);
    // Red doubled (up to clipping and rounding), blue halved, green kept.
    for (size_t i = 0; i < balanced.size(); i += 3) {
        EXPECT_NEAR(balanced[i], 2 * plain[i], 2) << i;
        EXPECT_NEAR(balanced[i + 1], plain[i + 1], 1) << i;  // the pipeline rounds on its own scale
        EXPECT_NEAR(balanced[i + 2], plain[i + 2] / 2.0, 1) << i;
    }
    // Back to neutral without statistics: the plain conversion again.
    g_object_set(demosaic, "white-balance", "1,1,1", "post-stats", FALSE, nullptr);
    EXPECT_EQ(stream.convert(frame), plain);
    EXPECT_TRUE(stream.takeStats().empty());
    // Four black levels in tile order: only the top-left (red) sites darken.
    g_object_set(demosaic, "black-level", "40,0,0,0", nullptr);
    const std::vector<uint8_t> darker = stream.convert(frame);
    EXPECT_EQ(stringProperty(demosaic, "black-level"), "40,0,0,0");
    long redDrop = 0, greenDrop = 0;
    for (size_t i = 0; i < darker.size(); i += 3) {
        redDrop += plain[i] - darker[i];
        greenDrop += std::abs(plain[i + 1] - darker[i + 1]);
    }
    EXPECT_GT(redDrop, long(kWidth * kHeight) * 20);
    EXPECT_LT(greenDrop, long(kWidth * kHeight) * 2);
    EXPECT_EQ(stream.finish(), "");
    EXPECT_TRUE(stream.takeWarnings().empty());
}

TEST(PictureProperties, SettingsThatDoNotFitTheStreamFailNegotiation) {
    const std::string table = unitTable("negotiation.tbl", 64, 48);
    const struct {
        std::string properties;
        const char* parts[2];
    } cases[] = {
        {"black-level=255", {"black-level \"255\" does not fit 32x16 rggb frames", "white point 255"}},
        {"black-level=0,0,0,70000", {"black-level \"0\"", "does not fit"}},  // refused when set: default stays
        {"shading-table=" + table, {"does not fit 32x16 rggb frames", "the table is for 64x48 frames"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.properties);
        std::unique_ptr<Pipeline> p;
        // Properties given at parse time are set before the element has a bus.
        const std::vector<std::string> log = logOf([&] {
            p.reset(new Pipeline("appsrc name=src caps=" + kCaps8 + " ! tavdemosaic " + c.properties + " ! fakesink"));
        });
        if (p->play()) p->pushAndEnd(makeBuffer(randomFrame(3)));
        const std::string error = p->waitForEnd(5);
        if (c.properties.find("70000") != std::string::npos) {
            ASSERT_EQ(log.size(), 1u);
            EXPECT_CONTAINS(log[0], "black-level \"0,0,0,70000\" refused: 70000 is outside 0 .. 65534");
            EXPECT_EQ(error, "");  // the refused value never took effect
            continue;
        }
        EXPECT_TRUE(log.empty());
        EXPECT_CONTAINS(error, c.parts[0]);
        EXPECT_CONTAINS(error, c.parts[1]);
    }
    // 14-bit samples lose 6 bits before the library: the white point is 255 << 6.
    Pipeline p("appsrc name=src caps=video/x-bayer,format=rggb14le,width=32,height=16,framerate=30/1 ! "
               "tavdemosaic black-level=16320 ! fakesink");
    if (p.play()) p.pushAndEnd(makeBuffer(std::vector<uint8_t>(2 * kWidth * kHeight, 0)));
    EXPECT_CONTAINS(p.waitForEnd(5), "white point 16320");
    std::remove(table.c_str());
}

// Without a bus to post to, a refusal is a GLib warning.
TEST(PictureProperties, RefusalsWithoutABusAreLogged) {
    GstElement* demosaic = gst_element_factory_make("tavdemosaic", "loose");
    ASSERT_NE(demosaic, nullptr);
    const std::vector<std::string> log = logOf([&] { g_object_set(demosaic, "color-matrix", "1,2", nullptr); });
    EXPECT_EQ(stringProperty(demosaic, "color-matrix"), "1,0,0,0,1,0,0,0,1");
    gst_object_unref(demosaic);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_CONTAINS(log[0], "loose: color-matrix \"1,2\" refused: expected 9 numbers, got 2");
}

}  // namespace

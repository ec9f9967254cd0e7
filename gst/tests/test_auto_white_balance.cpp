// Automatic white balance: a grey patch seen through a colour cast ends
// neutral after a few frames (videotestsrc ! rgb2bayer, every Bayer order);
// the gains move smoothly after a change of light, and frames with nothing
// to go on leave them alone.
#include <gtest/gtest.h>

#include <cmath>

#include "picture_test_support.h"

using namespace tavgst;

namespace {

// A grey card as a green-heavy sensor records it: R 90, G 180, B 110 (ARGB).
const char* const kCastGrey = "0xff5ab46e";

TEST(AutoWhiteBalance, AColourCastGreyPatchEndsNeutral) {
    for (const char* order : {"rggb", "grbg", "gbrg", "bggr"}) {
        for (const char* extra : {"", "black-level=16 curve=srgb method=edge"}) {
            SCOPED_TRACE(std::string(order) + " " + extra);
            Pipeline p(std::string("videotestsrc num-buffers=6 pattern=solid-color foreground-color=") + kCastGrey +
                       " ! video/x-raw,format=ARGB,width=64,height=48 ! rgb2bayer ! video/x-bayer,format=" + order +
                       " ! tavdemosaic auto-white-balance=true " + extra +
                       " ! video/x-raw,format=RGB ! appsink name=sink sync=false");
            ASSERT_TRUE(p.play());
            std::vector<uint8_t> first, last;
            while (GstSample* sample = p.pull()) {
                last = tightFrame(sample);
                if (first.empty()) first = last;
                gst_sample_unref(sample);
            }
            EXPECT_EQ(p.waitForEnd(), "");
            ASSERT_EQ(last.size(), size_t(64 * 48 * 3));
            // The first frame still shows the cast; the last is grey everywhere.
            EXPECT_GT(first[1] - first[0], 40);
            for (size_t i = 0; i < last.size(); i += 3) {
                ASSERT_LE(std::abs(last[i] - last[i + 1]), 2) << i;
                ASSERT_LE(std::abs(last[i + 2] - last[i + 1]), 2) << i;
            }
            EXPECT_GT(last[1], 150);  // green kept its level (gain 1)
        }
    }
}

// A flat 32x32 rggb frame of the given site values.
std::vector<uint8_t> flatMosaic(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> frame(32 * 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) frame[size_t(y) * 32 + x] = y % 2 == 0 ? (x % 2 == 0 ? r : g) : (x % 2 == 0 ? g : b);
    }
    return frame;
}

TEST(AutoWhiteBalance, GainsFollowAChangeOfLightSmoothly) {
    PictureStream stream("video/x-bayer,format=rggb,width=32,height=32,framerate=30/1",
                         "auto-white-balance=true post-stats=true white-balance=1.2,1,1.1", "RGB");
    const std::vector<uint8_t> lightA = flatMosaic(60, 120, 80);   // grey world (2, 1, 1.5)
    const std::vector<uint8_t> lightB = flatMosaic(120, 120, 60);  // grey world (1, 1, 2)
    for (int i = 0; i < 3; ++i) stream.convert(lightA);
    // Nothing to go on: a black frame (zero sums) and a saturated one (no tile).
    stream.convert(std::vector<uint8_t>(32 * 32, 0));
    stream.convert(std::vector<uint8_t>(32 * 32, 255));
    for (int i = 0; i < 20; ++i) stream.convert(lightB);
    const std::vector<StatsMessage> stats = stream.takeStats();
    ASSERT_EQ(stats.size(), 25u);
    // The first frame runs on white-balance; its statistics set the gains.
    EXPECT_FLOAT_EQ(stats[0].gains[0], 1.2f);
    EXPECT_FLOAT_EQ(stats[0].gains[2], 1.1f);
    EXPECT_DOUBLE_EQ(stats[0].greyWorld[0], 2.0);
    EXPECT_DOUBLE_EQ(stats[0].greyWorld[1], 1.5);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_FLOAT_EQ(stats[i].gains[0], 2.0f) << i;
        EXPECT_FLOAT_EQ(stats[i].gains[2], 1.5f) << i;
    }
    EXPECT_EQ(stats[3].greyWorld[0], 0.0);  // the black frame gives none
    EXPECT_EQ(stats[4].stats.tiles, 0u);            // every tile saturated
    // Light B from frame 5 on: frame 6 is the first to move, a quarter of the
    // way on a log scale, and each later frame moves on towards (1, 1, 2).
    EXPECT_NEAR(stats[6].gains[0], std::pow(2.0, 0.75), 0.01);
    EXPECT_NEAR(stats[6].gains[2], 1.5 * std::pow(2.0 / 1.5, 0.25), 0.01);
    for (int i = 7; i < 25; ++i) {
        EXPECT_LE(stats[i].gains[0], stats[i - 1].gains[0]) << i;
        EXPECT_GE(stats[i].gains[2], stats[i - 1].gains[2]) << i;
        EXPECT_EQ(stats[i].gains[1], 1.0);
    }
    EXPECT_NEAR(stats[24].gains[0], 1.0, 0.01);
    EXPECT_NEAR(stats[24].gains[2], 2.0, 0.02);
    // Off again: white-balance applies from the next frame.
    g_object_set(stream.demosaic(), "auto-white-balance", FALSE, nullptr);
    stream.convert(lightB);
    const std::vector<StatsMessage> after = stream.takeStats();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_FLOAT_EQ(after[0].gains[0], 1.2f);
    EXPECT_EQ(stream.finish(), "");
}

TEST(AutoWhiteBalance, ExtremeCastsStayWithinTheLibrarysGains) {
    PictureStream stream("video/x-bayer,format=rggb,width=32,height=32,framerate=30/1",
                         "auto-white-balance=true post-stats=true black-level=10", "RGB");
    // Red 1 above black against green 190: a grey-world gain of 190, kept at 64.
    for (int i = 0; i < 2; ++i) stream.convert(flatMosaic(11, 200, 200));
    const std::vector<StatsMessage> stats = stream.takeStats();
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_EQ(stats[0].greyWorld[0], 64.0);
    EXPECT_EQ(stats[1].gains[0], 64.0);
    EXPECT_EQ(stats[1].gains[2], 1.0);
    EXPECT_EQ(stream.finish(), "");
    EXPECT_TRUE(stream.takeWarnings().empty());
}

TEST(AutoWhiteBalance, GreyInputKeepsItsGain) {
    PictureStream stream("video/x-raw,format=GRAY8,width=32,height=32,framerate=30/1",
                         "auto-white-balance=true post-stats=true white-balance=1,1.5,1", "GRAY8");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(stream.convert(std::vector<uint8_t>(32 * 32, 100)).front(), 150);
    for (const StatsMessage& s : stream.takeStats()) EXPECT_FLOAT_EQ(s.gains[1], 1.5f);
    EXPECT_EQ(stream.finish(), "");
}

}  // namespace

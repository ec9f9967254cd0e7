// Output formats tavdemosaic picks when downstream leaves the choice open.
#include <gtest/gtest.h>

#include "gst_test_support.h"

using namespace tavgst;

namespace {

std::string negotiatedFormat(const std::string& inputCaps) {
    Pipeline p("videotestsrc num-buffers=1 ! " + inputCaps + " ! tavdemosaic ! appsink name=sink");
    EXPECT_TRUE(p.play());
    GstSample* sample = p.pull();
    if (sample == nullptr) return p.waitForEnd(1);
    const char* format = gst_structure_get_string(gst_caps_get_structure(gst_sample_get_caps(sample), 0), "format");
    std::string result = format != nullptr ? format : "";
    gst_sample_unref(sample);
    return result;
}

TEST(Negotiation, GreyInputStaysGreyAndBayerInputBecomesColour) {
    EXPECT_EQ(negotiatedFormat("video/x-raw,format=GRAY8,width=64,height=48"), "GRAY8");
    EXPECT_EQ(negotiatedFormat("video/x-raw,format=GRAY16_LE,width=64,height=48"), "GRAY8");
    EXPECT_EQ(negotiatedFormat("video/x-raw,format=ARGB,width=64,height=48 ! rgb2bayer"), "RGB");
}

}  // namespace

// Helpers of the picture-pipeline tests: frames through appsrc ! tavdemosaic
// ! appsink with tight output rows, the element's statistics messages and
// the warnings it posts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gst_test_support.h"
#include "tav_pipeline.h"

namespace tavgst {

// What tav-frame-stats carried.
struct StatsMessage {
    TavFrameStats stats;
    double greyWorld[2];  // red, blue
    double gains[3];      // the gains the frame was converted with
    GstClockTime timestamp;
};
bool parseStatsMessage(GstMessage* message, StatsMessage* out);

// Frames pushed one at a time through "appsrc caps=<caps> ! tavdemosaic
// name=demosaic <properties> ! video/x-raw,format=<output> ! appsink".
class PictureStream {
public:
    PictureStream(const std::string& caps, const std::string& properties, const std::string& output);
    Pipeline& pipeline() { return pipeline_; }
    GstElement* demosaic() const { return pipeline_.element("demosaic"); }
    // Pushes one frame and returns the converted frame, rows without
    // padding (empty when none came).
    std::vector<uint8_t> convert(const std::vector<uint8_t>& frame);
    // Ends the stream; "" at its end, else the error (or "timeout").
    std::string finish();
    // Messages posted so far, oldest first, and removed from the bus.
    std::vector<StatsMessage> takeStats();
    std::vector<std::string> takeWarnings();

private:
    void drainBus(GstClockTime wait = 0);
    Pipeline pipeline_;
    bool ended_ = false;
    std::string end_;  // "" at end of stream, else the error
    GstClockTime next_ = 0;
    std::vector<StatsMessage> stats_;
    std::vector<std::string> warnings_;
};

// The bytes of a sample's frame, rows and planes without padding.
std::vector<uint8_t> tightFrame(GstSample* sample);

}  // namespace tavgst

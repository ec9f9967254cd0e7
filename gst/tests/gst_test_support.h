// Helpers of the plugin tests: pipelines from a description, frames in
// through appsrc and out of appsink, and the error a pipeline posts.
#pragma once

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavgst {

// A parsed pipeline, set to NULL and released on destruction.
class Pipeline {
public:
    explicit Pipeline(const std::string& description);
    ~Pipeline();
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    GstElement* get() const { return pipeline_; }
    GstElement* element(const char* name) const;  // borrowed reference
    bool play();                                   // false when the state change failed outright
    void stop();
    // Waits for end of stream or an error; returns "" at end of stream, else
    // the error's message and debug text.
    std::string waitForEnd(int seconds = 20);

    // Pushes one buffer into the appsrc "src" and ends the stream.
    void pushAndEnd(GstBuffer* buffer);
    // Pulls the next sample of the appsink "name" (nullptr at end of stream).
    GstSample* pull(const char* name = "sink");

private:
    GstElement* pipeline_ = nullptr;
};

// A buffer holding bytes, optionally described by a video meta of one plane.
GstBuffer* makeBuffer(const std::vector<uint8_t>& bytes);
void addPlaneMeta(GstBuffer* buffer, int width, int height, size_t offset, int stride);

// Writes a shading table file: the 16-byte header then the table words.
std::string writeTableFile(const std::string& name, uint32_t bits, const std::vector<uint32_t>& words);
std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace tavgst

// End to end over GigE Vision: Aravis's fake camera, in this process, films
// a grey chart as a raw sensor records it (black level 16, green about twice
// as sensitive as red, blue in between) on BayerGR8 frames; aravissrc
// receives them and tavdemosaic with auto-white-balance must turn every grey
// patch neutral within 2 levels after a few frames.
//   grey_chart_camera        run inside a network namespace with lo up;
//                            exit 0 passed, 1 failed
#include <arv.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int kBlack = 16;
const double kResponse[3] = {0.45, 0.9, 0.6};   // R, G, B of a white card, share of (255 - black)
const double kPatches[4] = {0.2, 0.4, 0.6, 0.8};  // reflectance of the chart's vertical bands

int patchOf(int x, int width) { return x * 4 / width; }

// The fake camera's frame callback: the chart's mosaic in GR order.
void fillChart(ArvBuffer* buffer, void* camera, guint32, guint32, ArvPixelFormat format) {
    // The buffer's sizes are set after the pattern is drawn; it was made for
    // the camera's payload, which bounds the writes.
    const size_t size = arv_fake_camera_get_payload(static_cast<ArvFakeCamera*>(camera));
    guint8* data = static_cast<guint8*>(const_cast<void*>(arv_buffer_get_data(buffer, nullptr)));
    const int width = arv_buffer_get_image_width(buffer), height = arv_buffer_get_image_height(buffer);
    if (data == nullptr || size < size_t(width) * height || format != ARV_PIXEL_FORMAT_BAYER_GR_8) return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // G R / B G
            const int colour = y % 2 == 0 ? (x % 2 == 0 ? 1 : 0) : (x % 2 == 0 ? 2 : 1);
            const double level = kPatches[patchOf(x, width)] * kResponse[colour];
            data[size_t(y) * width + x] = guint8(kBlack + int(level * (255 - kBlack) + 0.5));
        }
    }
}

// The frames tavdemosaic made, as RGB rows without padding.
std::vector<std::vector<guint8>> streamFrames(int count, int* width, int* height, std::string* error) {
    const std::string description =
        "aravissrc num-buffers=" + std::to_string(count) +
        " ! video/x-bayer,format=grbg ! tavdemosaic black-level=16 auto-white-balance=true ! "
        "video/x-raw,format=RGB ! appsink name=sink sync=false";
    GError* parseError = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &parseError);
    std::vector<std::vector<guint8>> frames;
    if (parseError != nullptr) {
        *error = parseError->message;
        g_error_free(parseError);
        return frames;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 20 * GST_SECOND)) {
        GstVideoInfo info;
        GstVideoFrame frame;
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
            gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
            *width = GST_VIDEO_FRAME_WIDTH(&frame);
            *height = GST_VIDEO_FRAME_HEIGHT(&frame);
            std::vector<guint8> rgb;
            for (int y = 0; y < *height; ++y) {
                const guint8* row = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                                    size_t(y) * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
                rgb.insert(rgb.end(), row, row + 3 * *width);
            }
            frames.push_back(rgb);
            gst_video_frame_unmap(&frame);
        }
        gst_sample_unref(sample);
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    if (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* e = nullptr;
        gst_message_parse_error(m, &e, nullptr);
        *error = e->message;
        g_error_free(e);
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return frames;
}

// Largest |R - G| or |B - G| in the middle half of each patch, and the
// patches' green levels.
int worstCast(const std::vector<guint8>& rgb, int width, int height, int greens[4]) {
    int worst = 0;
    for (int patch = 0; patch < 4; ++patch) {
        const int x0 = patch * width / 4 + width / 16, x1 = (patch + 1) * width / 4 - width / 16;
        for (int y = height / 4; y < 3 * height / 4; ++y) {
            for (int x = x0; x < x1; ++x) {
                const guint8* p = &rgb[(size_t(y) * width + x) * 3];
                worst = std::max(worst, std::max(std::abs(p[0] - p[1]), std::abs(p[2] - p[1])));
                greens[patch] = p[1];
            }
        }
    }
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    ArvGvFakeCamera* camera = arv_gv_fake_camera_new("127.0.0.1", "TAVGREY");
    if (camera == nullptr || !arv_gv_fake_camera_is_running(camera)) {
        std::printf("the fake camera did not start on 127.0.0.1\n");
        return 1;
    }
    ArvFakeCamera* device = arv_gv_fake_camera_get_fake_camera(camera);
    arv_fake_camera_set_fill_pattern(device, fillChart, device);

    int width = 0, height = 0;
    std::string error;
    const std::vector<std::vector<guint8>> frames = streamFrames(12, &width, &height, &error);
    g_object_unref(camera);
    if (!error.empty() || frames.size() < 12) {
        std::printf("stream failed after %zu frames: %s\n", frames.size(), error.c_str());
        return 1;
    }
    int greensFirst[4] = {}, greensLast[4] = {};
    const int first = worstCast(frames.front(), width, height, greensFirst);
    const int last = worstCast(frames.back(), width, height, greensLast);
    std::printf("%dx%d, %zu frames: largest colour cast of a grey patch %d levels in the first frame, %d in the "
                "last; patch greens %d %d %d %d\n",
                width, height, frames.size(), first, last, greensLast[0], greensLast[1], greensLast[2],
                greensLast[3]);
    // The first frame is still cast; the last must be grey, patches in order.
    const bool ordered = greensLast[0] < greensLast[1] && greensLast[1] < greensLast[2] && greensLast[2] < greensLast[3];
    if (first <= 20 || last > 2 || !ordered) {
        std::printf("failed\n");
        return 1;
    }
    return 0;
}

#include "demosaic_frame.h"

#include <cstring>

#include "cli.h"
#include "library_call.h"
#include "tav_demosaic.h"
#include "tav_kernels16.h"

namespace tavraw {

namespace {

const char* const kRgbNames[3] = {"R", "G", "B"};
const char* const kBgrNames[3] = {"B", "G", "R"};

// Smallest side the 16-bit bilinear kernel accepts.
constexpr int32_t kMinimumSide16 = 4;

// What a size refusal of the library means, for the tool's error line.
std::string sizeLimit(const LibraryResult& result, const std::string& limit) {
    return result.status == TAV_E_SIZE ? "; " + limit : std::string();
}

// Splits the library's 8-bit output into PNG images: RGB (alpha dropped,
// blue-first types swapped back), grey, or three grey planes.
void imagesFrom8Bit(const FrameGeometry& g, const OutputType& type, DemosaicResult& result) {
    const size_t n = static_cast<size_t>(g.pixels());
    const uint8_t* out = result.libraryOutput.data();
    if (type.planar) {
        for (int p = 0; p < 3; ++p) {
            PngImage plane;
            plane.width = g.width;
            plane.height = g.height;
            plane.channels = 1;
            plane.samples8.assign(out + p * n, out + (p + 1) * n);
            result.images.push_back(std::move(plane));
            result.planeNames.push_back(type.bgrOrder ? kBgrNames[p] : kRgbNames[p]);
        }
        return;
    }
    PngImage image;
    image.width = g.width;
    image.height = g.height;
    if (type.bytesPerPixel == 1) {
        image.channels = 1;
        image.samples8.assign(out, out + n);
    } else {
        image.channels = 3;
        image.samples8.resize(3 * n);
        const int step = type.bytesPerPixel;
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* px = out + i * step;
            image.samples8[3 * i] = type.bgrOrder ? px[2] : px[0];
            image.samples8[3 * i + 1] = px[1];
            image.samples8[3 * i + 2] = type.bgrOrder ? px[0] : px[2];
        }
    }
    result.images.push_back(std::move(image));
}

}  // namespace

DemosaicResult demosaic8(const std::string& what, std::vector<uint8_t>& raw,
                         const FrameGeometry& g, const Method& method, const OutputType& type,
                         int32_t threads, const TavPipeline* pipeline, TavFrameStats* stats) {
    DemosaicResult result;
    result.libraryOutput.assign(static_cast<size_t>(g.pixels()) * type.bytesPerPixel, 0);

    TavContext* context = nullptr;
    LibraryResult created = callLibrary([&] { return tavCreate(&context); });
    if (created.status != TAV_OK) failure(describeFailure(what + ": cannot create a context", created));
    TavDemosaicConfig config;
    config.outputType = type.code;
    TavImage input = {g.height, g.width, g.format->code, raw.data(), g.lineBytes};
    TavImage output = {0, 0, 0, result.libraryOutput.data(), 0};
    LibraryResult configured = callLibrary([&] { return tavDemosaicSetConfig(context, &config); });
    LibraryResult threaded = callLibrary([&] { return tavDemosaicSetThreads(context, threads); });
    LibraryResult picture;
    if (pipeline != nullptr) picture = callLibrary([&] { return tavDemosaicSetPipeline(context, pipeline); });
    LibraryResult done;
    if (configured.status == TAV_OK && threaded.status == TAV_OK && picture.status == TAV_OK) {
        done = callLibrary([&] { return tavDemosaicing(context, &input, method.value, &output); });
    }
    if (done.status == TAV_OK && stats != nullptr) done = callLibrary([&] { return tavDemosaicGetStats(context, stats); });
    tavRelease(&context);
    if (configured.status != TAV_OK) {
        failure(describeFailure(what + ": output type " + type.name + " refused", configured));
    }
    if (threaded.status != TAV_OK) failure(describeFailure(what + ": thread count refused", threaded));
    if (picture.status != TAV_OK) failure(describeFailure(what + ": picture settings refused", picture));
    if (done.status != TAV_OK) {
        failure(describeFailure(what + ": demosaicing failed", done) +
                sizeLimit(done, method.value == TAV_METHOD_EDGE ? "the edge method needs at least 6x6 pixels"
                                                                : "frames must be at least 4x4 pixels"));
    }
    imagesFrom8Bit(g, type, result);
    return result;
}

#if defined(TAVRAW_HAVE_U16_BILINEAR)
bool have16BitBilinear() { return true; }
#else
bool have16BitBilinear() { return false; }
#endif
#if defined(TAVRAW_HAVE_U16_EDGE)
bool have16BitEdge() { return true; }
#else
bool have16BitEdge() { return false; }
#endif

namespace {

#if defined(TAVRAW_HAVE_U16_BILINEAR)
// The 16-bit bilinear path reads red first. Other orders get one mirrored
// column in front (GR, BG) and/or one mirrored row on top (GB, BG); the
// mirror keeps every neighbour of the original pixels what the border rule
// would read, so dropping that column and row afterwards gives their result.
std::vector<uint16_t> padToRedFirst(const std::vector<uint16_t>& samples, int32_t width,
                                    int32_t height, int padX, int padY) {
    const int32_t w = width + padX;
    const int32_t h = height + padY;
    std::vector<uint16_t> padded(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y) {
        // A 1-row or 1-column frame has no neighbour to mirror: repeat the edge.
        int32_t sy = y - padY < 0 ? (height > 1 ? 1 : 0) : y - padY;
        for (int32_t x = 0; x < w; ++x) {
            int32_t sx = x - padX < 0 ? (width > 1 ? 1 : 0) : x - padX;
            padded[static_cast<size_t>(y) * w + x] = samples[static_cast<size_t>(sy) * width + sx];
        }
    }
    return padded;
}

// Crops `count` interleaved or planar channels back to width x height.
std::vector<uint16_t> crop(const std::vector<uint16_t>& full, int32_t fullWidth, int32_t fullHeight,
                           int32_t width, int32_t height, int padX, int padY, int channels,
                           bool planar) {
    std::vector<uint16_t> out(static_cast<size_t>(width) * height * 3);
    const size_t fullPlane = static_cast<size_t>(fullWidth) * fullHeight;
    const size_t plane = static_cast<size_t>(width) * height;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            size_t src = static_cast<size_t>(y + padY) * fullWidth + (x + padX);
            size_t dst = static_cast<size_t>(y) * width + x;
            for (int c = 0; c < channels; ++c) {
                if (planar) out[c * plane + dst] = full[c * fullPlane + src];
                else out[3 * dst + c] = full[3 * src + c];
            }
        }
    }
    return out;
}
#endif

}  // namespace

DemosaicResult demosaic16(const std::string& what, const std::vector<uint8_t>& raw,
                          const FrameGeometry& g, const Method& method, const OutputType& type) {
    if (!g.format->order || g.format->storage != Storage::Words16) {
        usageError(std::string("--u16 needs 16-bit Bayer input (BayerXX10, BayerXX12 or BayerXX16), not ") +
                   g.format->name);
    }
    if (type.bytesPerPixel != 3) {
        usageError(std::string("--u16 writes RGB8, BGR8, RGB8_Planar or BGR8_Planar layouts, not ") +
                   type.name);
    }
    if (method.value != TAV_METHOD_BILINEAR && method.value != TAV_METHOD_EDGE) {
        usageError("--u16 supports the bilinear and edge methods");
    }
    if ((method.value == TAV_METHOD_BILINEAR && !have16BitBilinear()) ||
        (method.value == TAV_METHOD_EDGE && !have16BitEdge())) {
        failure(std::string("the 16-bit ") + method.name + " path is not available in this build");
    }
    const std::vector<uint16_t> samples = decodeSamples(raw, g);
    std::vector<uint16_t> bgr;  // B, G, R interleaved, or B, G, R planes when type.planar
    const std::string order = g.format->order;
    LibraryResult done;
    if (method.value == TAV_METHOD_BILINEAR) {
#if defined(TAVRAW_HAVE_U16_BILINEAR)
        // Frames below the kernel's minimum go to the library unpadded, so that
        // every order is refused at the same size, with the library's status.
        const bool belowMinimum = g.width < kMinimumSide16 || g.height < kMinimumSide16;
        const int padX = !belowMinimum && (order == "GR" || order == "BG") ? 1 : 0;
        const int padY = !belowMinimum && (order == "GB" || order == "BG") ? 1 : 0;
        std::vector<uint16_t> source = padToRedFirst(samples, g.width, g.height, padX, padY);
        const int32_t w = g.width + padX;
        const int32_t h = g.height + padY;
        const size_t plane = static_cast<size_t>(w) * h;
        std::vector<uint16_t> full(3 * plane);
        if (type.planar) {
            done = callLibrary([&] {
                return tavDemosaicingBilinearU16P(source.data(), h, w, full.data(), full.data() + plane,
                                                  full.data() + 2 * plane);
            });
        } else {
            done = callLibrary([&] { return tavDemosaicingBilinearU16(source.data(), h, w, full.data()); });
        }
        if (done.status == TAV_OK) bgr = crop(full, w, h, g.width, g.height, padX, padY, 3, type.planar);
#endif
    } else {
#if defined(TAVRAW_HAVE_U16_EDGE)
        // The kernels refuse frames too small for their borders themselves.
        std::vector<uint16_t> interleaved(3 * static_cast<size_t>(g.pixels()));
        auto kernel = order == "RG"   ? demosaicingEdgeRGGBU16
                      : order == "GR" ? demosaicingEdgeGRBGU16
                      : order == "GB" ? demosaicingEdgeGBRGU16
                                      : demosaicingEdgeBGGRU16;
        done = callLibrary([&] {
            return static_cast<int32_t>(kernel(samples.data(), g.height, g.width, interleaved.data()));
        });
        if (type.planar) {
            const size_t plane = static_cast<size_t>(g.pixels());
            bgr.resize(3 * plane);
            for (size_t i = 0; i < plane; ++i) {
                for (int c = 0; c < 3; ++c) bgr[c * plane + i] = interleaved[3 * i + c];
            }
        } else {
            bgr = std::move(interleaved);
        }
#endif
    }
    if (done.status != TAV_OK) {
        failure(describeFailure(what + ": 16-bit demosaicing failed", done) +
                sizeLimit(done, method.value == TAV_METHOD_BILINEAR
                                    ? "frames must be at least 4x4 pixels"
                                    : "frames must be at least 5 pixels wide and 6 rows high (7 for GB and BG order)"));
    }

    DemosaicResult result;
    result.libraryOutput.resize(bgr.size() * 2);
    for (size_t i = 0; i < bgr.size(); ++i) {
        result.libraryOutput[2 * i] = static_cast<uint8_t>(bgr[i]);
        result.libraryOutput[2 * i + 1] = static_cast<uint8_t>(bgr[i] >> 8);
    }
    // PNG wants full-scale samples: shift the significant bits to the top
    // (lossless) and record the depth in sBIT.
    const int shift = 16 - g.format->bits;
    const size_t n = static_cast<size_t>(g.pixels());
    const uint16_t largest = static_cast<uint16_t>((1u << g.format->bits) - 1);
    auto scaled = [&](uint16_t v) { return static_cast<uint16_t>((v < largest ? v : largest) << shift); };
    if (type.planar) {
        for (int p = 0; p < 3; ++p) {
            // Planes come out B, G, R; show them in the order the type names.
            int source = type.bgrOrder ? p : 2 - p;
            PngImage plane;
            plane.width = g.width;
            plane.height = g.height;
            plane.channels = 1;
            plane.bitDepth = 16;
            plane.significantBits = g.format->bits;
            plane.samples16.resize(n);
            for (size_t i = 0; i < n; ++i) plane.samples16[i] = scaled(bgr[source * n + i]);
            result.images.push_back(std::move(plane));
            result.planeNames.push_back(type.bgrOrder ? kBgrNames[p] : kRgbNames[p]);
        }
    } else {
        PngImage image;
        image.width = g.width;
        image.height = g.height;
        image.channels = 3;
        image.bitDepth = 16;
        image.significantBits = g.format->bits;
        image.samples16.resize(3 * n);
        for (size_t i = 0; i < n; ++i) {
            image.samples16[3 * i] = scaled(bgr[3 * i + 2]);
            image.samples16[3 * i + 1] = scaled(bgr[3 * i + 1]);
            image.samples16[3 * i + 2] = scaled(bgr[3 * i]);
        }
        result.images.push_back(std::move(image));
    }
    return result;
}

}  // namespace tavraw

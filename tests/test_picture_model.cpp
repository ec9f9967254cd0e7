// The integer picture rule against the floating-point model of the same
// stages (8-bit outputs within one level on at least 99.9 % of samples), and
// the reference's demosaicing rules against the 8-bit references they
// generalise.
#include <cstdio>

#include "picture_support.h"
#include "ref_bilinear.h"
#include "ref_edge.h"
#include "ref_nearest.h"
#include "ref_picture_float.h"

using pictest::Context;
using pictest::Frame;
using picref::InputFormat;

namespace {

// The three colours of every pixel of an output buffer (grey: all three).
picref::Planes<int> colours(const std::vector<uint8_t>& bytes, int32_t height, int32_t width, int64_t outputType) {
    const size_t n = size_t(height) * width;
    picref::Planes<int> c;
    c.r.resize(n), c.g.resize(n), c.b.resize(n);
    const bool blueFirst = outputType == TAV_PIXEL_BGR8 || outputType == TAV_PIXEL_BGRA8;
    const int bpp = picref::bytesPerPixel(outputType);
    for (size_t i = 0; i < n; ++i) {
        if (outputType == TAV_PIXEL_MONO8) {
            c.r[i] = c.g[i] = c.b[i] = bytes[i];
        } else if (outputType == TAV_PIXEL_RGB8_PLANAR || outputType == TAV_PIXEL_BGR8_PLANAR) {
            const bool bgr = outputType == TAV_PIXEL_BGR8_PLANAR;
            c.r[i] = bytes[(bgr ? 2 : 0) * n + i], c.g[i] = bytes[n + i], c.b[i] = bytes[(bgr ? 0 : 2) * n + i];
        } else {
            c.r[i] = bytes[bpp * i + (blueFirst ? 2 : 0)], c.g[i] = bytes[bpp * i + 1];
            c.b[i] = bytes[bpp * i + (blueFirst ? 0 : 2)];
        }
    }
    return c;
}

struct Agreement {
    size_t samples = 0, within = 0;
    int worst = 0;
    void add(int got, double model) {
        const int off = std::abs(got - int(std::lround(model)));
        ++samples;
        within += off <= 1;
        worst = off > worst ? off : worst;
    }
    double share() const { return samples ? double(within) / samples : 0; }
};

// A 12-bit scene: smooth shading from black to near white across the frame,
// with sensor noise and a band of pure random samples.
Frame cameraFrame(const InputFormat& format, int32_t height, int32_t width, std::mt19937& rng) {
    Frame frame(format, height, width, 0);
    std::normal_distribution<double> noise(0.0, 12.0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double v = 64 + 3900.0 * (x + y * 0.5) / (width + height * 0.5) * (0.6 + 0.4 * ((y / 8 + x / 8) % 3) / 2.0);
            v += noise(rng);
            if (y >= height - 8) v = double(rng() % 4096);
            frame.set(y, x, v < 0 ? 0 : v > 4095 ? 4095 : int(v));
        }
    }
    return frame;
}

}  // namespace

// The realistic pipeline on 12-bit frames, every method: the library's bytes
// stay within one level of the real-valued stages almost everywhere.
TEST(PictureModel, EightBitOutputsFollowTheRealValuedStages) {
    const int32_t codes[] = {TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_GB12_PACKED, TAV_PIXEL_BAYER_BG12,
                             TAV_PIXEL_MONO12};
    const TavPipeline p = pictest::cameraPipeline();
    uint32_t seed = 40;
    for (int32_t method : {TAV_METHOD_NEAREST, TAV_METHOD_BILINEAR, TAV_METHOD_EDGE, TAV_METHOD_HQ}) {
        for (int64_t outputType : {TAV_PIXEL_RGB8, TAV_PIXEL_MONO8}) {
            Agreement agreement;
            for (int32_t code : codes) {
                const InputFormat& format = *picref::findFormat(code);
                std::mt19937 rng(++seed);
                Frame frame = cameraFrame(format, 64, 80, rng);
                Context context;
                context.setPipeline(&p);
                const pictest::Conversion got = pictest::convert(context, frame, method, outputType);
                ASSERT_EQ(got.status, TAV_OK);
                const picref::Planes<int> c = colours(got.bytes, 64, 80, outputType);
                const picref::Planes<double> model = picref::modelPicture(frame.image, method, outputType, p);
                for (size_t i = 0; i < c.r.size(); ++i) {
                    agreement.add(c.r[i], model.r[i]);
                    if (outputType == TAV_PIXEL_MONO8) continue;
                    agreement.add(c.g[i], model.g[i]);
                    agreement.add(c.b[i], model.b[i]);
                }
            }
            EXPECT_GE(agreement.share(), 0.999) << "method " << method << " output " << std::hex << outputType
                                                << std::dec << ": " << agreement.samples - agreement.within
                                                << " of " << agreement.samples << " off by more than 1, worst "
                                                << agreement.worst;
        }
    }
}

// With neutral settings an 8-bit frame goes to the linear scale and back
// exactly, so nearest colour output is the plain nearest conversion for every
// order and layout (grey within one level): the reference's phases and
// layouts are those of the 8-bit path.
TEST(PictureModel, NeutralNearestOnEightBitsIsThePlainRule) {
    TavPipeline p;
    ASSERT_EQ(tavPipelineInit(&p), TAV_OK);
    for (int32_t code : {TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_BG8}) {
        for (const auto& size : {std::pair<int, int>{6, 7}, {7, 6}}) {
            std::vector<uint8_t> raw = tavtest::randomBytes(size_t(size.first) * size.second, uint32_t(code));
            TavImage image = {size.first, size.second, code, raw.data(), size.second};
            for (int64_t outputType : picref::outputTypes()) {
                const std::vector<uint8_t> got = picref::picture(image, TAV_METHOD_NEAREST, outputType, p).bytes;
                const std::vector<uint8_t> want =
                    nearestref::referenceNearestFrame(raw, size.first, size.second, code, outputType);
                ASSERT_EQ(got.size(), want.size());
                // Grey is weighed on the linear values, before the curve rounds.
                const int tolerance = outputType == TAV_PIXEL_MONO8 ? 1 : 0;
                for (size_t i = 0; i < got.size(); ++i) {
                    ASSERT_LE(std::abs(got[i] - want[i]), tolerance) << std::hex << code << " " << outputType << " byte " << std::dec << i;
                }
            }
        }
    }
}

// The bilinear and edge rules on int samples give the 8-bit references'
// values where those do not clamp (edge: samples below 64 never reach 255).
TEST(PictureModel, DemosaicRulesGeneraliseTheEightBitOnes) {
    const struct {
        picref::Cfa cfa;
        refbilinear::Phase phase;
    } orders[] = {{picref::Cfa::RG, refbilinear::kRG},
                  {picref::Cfa::GR, refbilinear::kGR},
                  {picref::Cfa::GB, refbilinear::kGB},
                  {picref::Cfa::BG, refbilinear::kBG}};
    for (const auto& order : orders) {
        for (const auto& size : {std::pair<int, int>{6, 9}, {9, 6}, {7, 7}}) {
            const int h = size.first, w = size.second;
            std::vector<uint8_t> raw = tavtest::randomBytes(size_t(h) * w, uint32_t(h * 10 + w));
            std::vector<int> samples(raw.begin(), raw.end());
            const picref::Planes<int> bil = picref::demosaic(samples, h, w, order.cfa, TAV_METHOD_BILINEAR);
            const refbilinear::Rgb want = refbilinear::demosaic(raw, h, w, order.phase);
            EXPECT_TRUE(std::vector<int>(want.r.begin(), want.r.end()) == bil.r) << order.phase.name;
            EXPECT_TRUE(std::vector<int>(want.g.begin(), want.g.end()) == bil.g) << order.phase.name;
            EXPECT_TRUE(std::vector<int>(want.b.begin(), want.b.end()) == bil.b) << order.phase.name;

            for (uint8_t& s : raw) s &= 63;
            samples.assign(raw.begin(), raw.end());
            const picref::Planes<int> edge = picref::demosaic(samples, h, w, order.cfa, TAV_METHOD_EDGE);
            const bool exchanged = order.cfa == picref::Cfa::BG || order.cfa == picref::Cfa::GR;
            const tavtest::EdgeReference e = tavtest::edgeReference(
                raw.data(), h, w, order.cfa == picref::Cfa::GB || order.cfa == picref::Cfa::GR);
            const std::vector<uint8_t>& red = exchanged ? e.blue : e.red;
            const std::vector<uint8_t>& blue = exchanged ? e.red : e.blue;
            EXPECT_TRUE(std::vector<int>(red.begin(), red.end()) == edge.r) << order.phase.name;
            EXPECT_TRUE(std::vector<int>(e.green.begin(), e.green.end()) == edge.g) << order.phase.name;
            EXPECT_TRUE(std::vector<int>(blue.begin(), blue.end()) == edge.b) << order.phase.name;
        }
    }
}

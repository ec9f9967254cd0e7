// Correction with a parameter table: the library against the plain reference
// in both traversal modes and all depths, in place and out of place, the
// worked values, refused calls, and a full calibration round trip.
#include <cmath>
#include <cstring>

#include "ref_lsc.h"
#include "tav_lsc.h"
#include "test_support.h"

using tavtest::errorLine;

namespace {

using tavtest::captureStdout;
using tavtest::GuardedBuffer;

const int32_t kTypes8[] = {TAV_PIXEL_MONO8, TAV_PIXEL_BAYER_GR8, TAV_PIXEL_BAYER_RG8, TAV_PIXEL_BAYER_GB8, TAV_PIXEL_BAYER_BG8};
const int32_t kTypes10[] = {TAV_PIXEL_MONO10, TAV_PIXEL_BAYER_GR10, TAV_PIXEL_BAYER_RG10, TAV_PIXEL_BAYER_GB10, TAV_PIXEL_BAYER_BG10};
const int32_t kTypes12[] = {TAV_PIXEL_MONO12, TAV_PIXEL_BAYER_GR12, TAV_PIXEL_BAYER_RG12, TAV_PIXEL_BAYER_GB12, TAV_PIXEL_BAYER_BG12};

int32_t typeFor(int depth, int variant) {
    const int32_t* types = depth == 8 ? kTypes8 : depth == 10 ? kTypes10 : kTypes12;
    return types[variant % 5];
}

std::vector<uint32_t> randomTable(uint32_t mode, int h, int w, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> table = {mode, uint32_t(h), uint32_t(w)};
    size_t words = mode == 1 ? size_t(h) * w : size_t(h / 2) * (w / 2);
    for (size_t i = 0; i < words; ++i) {
        uint32_t word = rng();
        if (i % 3 == 0) word = (word & 0x0007FFFFu) | 0x10000000u;  // gains near 1 keep results off the clamps
        table.push_back(word);
    }
    return table;
}

// A frame held in a guarded buffer, one or two bytes per sample.
struct Frame {
    int depth;
    GuardedBuffer buffer;
    Frame(int depth_, size_t samples) : depth(depth_), buffer(samples * (depth_ == 8 ? 1 : 2)) {}
    size_t count() const { return buffer.size() / (depth == 8 ? 1 : 2); }
    uint32_t get(size_t i) const {
        if (depth == 8) return buffer.data()[i];
        uint16_t s;
        memcpy(&s, buffer.data() + 2 * i, 2);
        return s;
    }
    void set(size_t i, uint32_t v) {
        if (depth == 8) {
            buffer.data()[i] = uint8_t(v);
        } else {
            uint16_t s = uint16_t(v);
            memcpy(buffer.data() + 2 * i, &s, 2);
        }
    }
    std::vector<uint32_t> samples() const {
        std::vector<uint32_t> out(count());
        for (size_t i = 0; i < out.size(); ++i) out[i] = get(i);
        return out;
    }
};

Frame randomFrame(int depth, size_t count, uint32_t seed) {
    Frame frame(depth, count);
    // 16-bit samples are not masked to their depth: use the whole range.
    std::vector<uint16_t> values = tavtest::randomSamples16(count, seed, depth == 8 ? 255 : 65535);
    for (size_t i = 0; i < count; ++i) frame.set(i, values[i]);
    return frame;
}

TavStatus correct(const Frame& in, uint8_t* outData, int h, int w, int32_t type, const std::vector<uint32_t>& table,
                  std::string* printed) {
    TavImage input = {h, w, type, const_cast<uint8_t*>(in.buffer.data()), 0};
    TavImage output = {0, 0, 0, outData, 0};
    TavStatus status = 0;
    *printed = captureStdout([&] { status = tavLSCorrection(&input, &output, table.data()); });
    return status;
}

TEST(LscCorrection, MatchesReferenceInPlaceAndOutOfPlace) {
    const int sizes[][2] = {{2, 2}, {4, 6}, {6, 4}, {10, 34}, {32, 32}, {34, 50}, {3, 5}, {7, 1}, {1, 9}};
    uint32_t seed = 100;
    for (auto& size : sizes) {
        const int h = size[0], w = size[1];
        for (uint32_t mode : {0u, 1u}) {
            if (mode == 0 && (h % 2 != 0 || w % 2 != 0)) continue;
            for (int depth : {8, 10, 12}) {
                SCOPED_TRACE(testing::Message() << h << "x" << w << " mode " << mode << " depth " << depth);
                std::vector<uint32_t> table = randomTable(mode, h, w, seed++);
                Frame in = randomFrame(depth, size_t(h) * w, seed++);
                std::vector<uint32_t> expected = tavref::correct(table, in.samples(), depth);
                int32_t type = typeFor(depth, int(seed));

                Frame out(depth, size_t(h) * w);
                std::string printed;
                ASSERT_EQ(correct(in, out.buffer.data(), h, w, type, table, &printed), TAV_OK);
                EXPECT_EQ(printed, "");
                EXPECT_EQ(out.samples(), expected);
                EXPECT_TRUE(out.buffer.intact());

                Frame inPlace = in;
                ASSERT_EQ(correct(inPlace, inPlace.buffer.data(), h, w, type, table, &printed), TAV_OK);
                EXPECT_EQ(inPlace.samples(), expected);
                EXPECT_TRUE(inPlace.buffer.intact());
            }
        }
    }
}

// Applies one word to one sample through the whole entry point.
uint32_t correctOne(uint32_t sample, uint32_t word, int depth, uint32_t mode = 1) {
    const int h = 2, w = 2;
    std::vector<uint32_t> table = {mode, 2, 2};
    table.resize(3 + (mode == 1 ? 4 : 1), word);
    Frame in(depth, 4);
    for (size_t i = 0; i < 4; ++i) in.set(i, sample);
    Frame out(depth, 4);
    std::string printed;
    EXPECT_EQ(correct(in, out.buffer.data(), h, w, typeFor(depth, 0), table, &printed), TAV_OK);
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(out.get(i), out.get(0));
    return out.get(0);
}

TEST(LscCorrection, WorkedValues) {
    for (uint32_t mode : {0u, 1u}) {
        for (int depth : {8, 10, 12}) {
            const uint32_t max = (1u << depth) - 1;
            for (uint32_t s : {0u, 1u, max / 2, max}) EXPECT_EQ(correctOne(s, 0x20000000u, depth, mode), s);
            EXPECT_EQ(correctOne(max, 0x00000000u, depth, mode), 0u);  // gain 0: black
            EXPECT_EQ(correctOne(5, 0x20000000u | 0x0A0u, depth, mode), 0u);  // below the offset
        }
        // K = 1.5, 12-bit offset 160 (10 at 8 bits): (90 * 196608 + 65536) >> 17 = 135.
        EXPECT_EQ(correctOne(100, (0x30000u << 12) | 160u, 8, mode), 135u);
        // K = 2.0, no offset: 4095 doubles to 8190, clamped; at 10 bits anything above 511 clamps.
        EXPECT_EQ(correctOne(4095, 0x40000000u, 12, mode), 4095u);
        EXPECT_EQ(correctOne(512, 0x40000000u, 10, mode), 1023u);
        EXPECT_EQ(correctOne(511, 0x40000000u, 10, mode), 1022u);
        // 10-bit offset is the 12-bit one / 4; unmasked 16-bit samples still clamp.
        EXPECT_EQ(correctOne(100, 0x20000000u | 400u, 10, mode), 0u);
        EXPECT_EQ(correctOne(101, 0x20000000u | 400u, 10, mode), 1u);
        EXPECT_EQ(correctOne(65535, 0xFFFFF000u, 12, mode), 4095u);
        // Flooring shift: half a code rounds up, just under stays.
        EXPECT_EQ(correctOne(1, (0x10000u << 12), 12, mode), 1u);
        EXPECT_EQ(correctOne(1, (0x0FFFFu << 12), 12, mode), 0u);
    }
}

// Every combination of extreme gains, offsets and samples, one per pixel,
// against the 64-bit rule.
TEST(LscCorrection, ExtremeWordsAndSamples) {
    const uint32_t gains[] = {0, 1, 0x3FF, 0x400, 0x401, 0x1FFFF, 0x20000, 0x20001, 0x7FFFF, 0x80000, 0xFFBFF, 0xFFC00, 0xFFFFF};
    const uint32_t offsets[] = {0, 1, 3, 4, 15, 16, 160, 2048, 4094, 4095};
    const uint32_t samples[] = {0, 1, 2, 9, 10, 255, 256, 511, 512, 1023, 1024, 4094, 4095, 4096, 32767, 32768, 65534, 65535};
    for (int depth : {8, 10, 12}) {
        std::vector<uint32_t> words, values;
        for (uint32_t g : gains)
            for (uint32_t o : offsets)
                for (uint32_t s : samples) {
                    if (depth == 8 && s > 255) continue;
                    words.push_back((g << 12) | o);
                    values.push_back(s);
                }
        const int w = 13 * 10 * (depth == 8 ? 6 : 18);
        ASSERT_EQ(words.size(), size_t(w));
        std::vector<uint32_t> table = {1, 1, uint32_t(w)};
        table.insert(table.end(), words.begin(), words.end());
        Frame in(depth, size_t(w));
        for (int i = 0; i < w; ++i) in.set(size_t(i), values[size_t(i)]);
        Frame out(depth, size_t(w));
        std::string printed;
        ASSERT_EQ(correct(in, out.buffer.data(), 1, w, typeFor(depth, 2), table, &printed), TAV_OK);
        EXPECT_EQ(out.samples(), tavref::correct(table, values, depth)) << "depth " << depth;
    }
}

TEST(LscCorrection, DepthTable) {
    for (int depth : {8, 10, 12})
        for (int v = 0; v < 5; ++v) EXPECT_EQ(getBits(typeFor(depth, v)), depth);
    for (int64_t type : {int64_t(TAV_PIXEL_MONO14), int64_t(TAV_PIXEL_MONO16), int64_t(TAV_PIXEL_BAYER_RG16),
                         int64_t(TAV_PIXEL_BAYER_RG12_PACKED), int64_t(TAV_PIXEL_MONO10_PACKED), int64_t(TAV_PIXEL_BGR8),
                         int64_t(0), int64_t(-1), (int64_t(1) << 32) | TAV_PIXEL_MONO8})
        EXPECT_EQ(getBits(type), TAV_E_PIXEL_TYPE);
}

TEST(LscCorrection, RefusedCallsWriteNothing) {
    const int h = 48, w = 64;
    std::vector<uint32_t> table = randomTable(1, h, w, 7);
    Frame in = randomFrame(12, size_t(h) * w, 8);
    GuardedBuffer out(size_t(h) * w * 2);
    TavImage input = {h, w, TAV_PIXEL_BAYER_RG12, in.buffer.data(), 0};
    TavImage output = {h, w, TAV_PIXEL_BAYER_RG12, out.data(), 0};
    TavImage noData = {h, w, TAV_PIXEL_BAYER_RG12, nullptr, 0};

    auto expectRefused = [&](const TavImage* i, const TavImage* o, const uint32_t* t, TavStatus status,
                             const std::string& printed) {
        TavStatus got = 0;
        EXPECT_EQ(captureStdout([&] { got = tavLSCorrection(i, o, t); }), printed);
        EXPECT_EQ(got, status);
        EXPECT_EQ(out.contents(), std::vector<uint8_t>(out.size(), 0xCD));
        EXPECT_TRUE(out.intact());
    };
    expectRefused(&input, nullptr, table.data(), TAV_E_NULL_POINTER, errorLine(tav::kLineCorrectionNull));
    expectRefused(nullptr, &output, table.data(), TAV_E_NULL_POINTER, errorLine(tav::kLineCorrectionNull));
    expectRefused(&input, &output, nullptr, TAV_E_NULL_POINTER, errorLine(tav::kLineCorrectionNull));
    expectRefused(&noData, &output, table.data(), TAV_E_NULL_POINTER,
                  errorLine(tav::kLineCorrectionNullData));
    expectRefused(&input, &noData, table.data(), TAV_E_NULL_POINTER, errorLine(tav::kLineCorrectionNullData));

    std::vector<uint32_t> badMode = table;
    badMode[0] = 2;
    expectRefused(&input, &output, badMode.data(), TAV_E_NULL_POINTER,
                  errorLine(tav::kLineCorrectionTableMode));

    TavImage swapped = {w, h, TAV_PIXEL_BAYER_RG12, in.buffer.data(), 0};  // 64 rows of 48
    expectRefused(&swapped, &output, table.data(), TAV_E_SIZE, errorLine(tav::kLineCorrectionTableSize));

    // Sizes that describe no buffer are refused even when the table claims them.
    std::vector<uint32_t> negative = {1, uint32_t(-2), uint32_t(-2), 0, 0, 0, 0};
    TavImage negativeImage = {-2, -2, TAV_PIXEL_MONO8, in.buffer.data(), 0};
    expectRefused(&negativeImage, &output, negative.data(), TAV_E_SIZE,
                  errorLine(tav::kLineCorrectionTableSize));
    std::vector<uint32_t> huge = {0, 65536, 32768};
    TavImage hugeImage = {65536, 32768, TAV_PIXEL_MONO8, in.buffer.data(), 0};
    expectRefused(&hugeImage, &output, huge.data(), TAV_E_SIZE, errorLine(tav::kLineCorrectionTableSize));

    // No correction for these pixel types: status -102, no line, no sample written.
    for (int32_t type : {TAV_PIXEL_BAYER_RG12_PACKED, TAV_PIXEL_MONO16, TAV_PIXEL_MONO14, TAV_PIXEL_RGB8}) {
        TavImage other = {h, w, type, in.buffer.data(), 0};
        expectRefused(&other, &output, table.data(), TAV_E_PIXEL_TYPE, "");
    }

    // The routines refuse a mode or depth they have no rule for.
    EXPECT_EQ(LSCcorrect16_2x2(reinterpret_cast<const uint16_t*>(in.buffer.data()), reinterpret_cast<uint16_t*>(out.data()), 1,
                               table.data() + 3, h, w, 14),
              TAV_E_UNSUPPORTED);
    EXPECT_EQ(LSCcorrect8_2x2(in.buffer.data(), out.data(), 2, table.data() + 3, h, w), TAV_E_UNSUPPORTED);
    EXPECT_EQ(out.contents(), std::vector<uint8_t>(out.size(), 0xCD));
}

// Calibrate from a vignetted grey frame and a dark frame, then correct a frame
// lit like the grey one: the interior comes out flat.
void expectFlatAfterCalibration(uint32_t mode, int depth) {
    const int h = 48, w = 64;
    const float max = float((1 << depth) - 1);
    std::vector<float> grey(h * w), dark(h * w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // In 2x2 mode the shading is taken as constant over each cell.
            int cy = mode == 0 ? y & ~1 : y, cx = mode == 0 ? x & ~1 : x;
            double dy = (cy - h / 2.0) / h, dx = (cx - w / 2.0) / w;
            double fallOff = 1.0 - 1.2 * (dx * dx + dy * dy);
            float d = std::floor(0.05f * max) + float((cx * 7 + cy * 3) % 5);
            dark[y * w + x] = d;
            grey[y * w + x] = d + std::floor(float(0.7 * max * fallOff));
        }
    std::vector<uint32_t> table(3 + (mode == 1 ? h * w : (h / 2) * (w / 2)));
    TavLSCInput calibration = {mode, uint32_t(depth), w, h, grey.data(), dark.data()};
    ASSERT_EQ(tavGetLSCParameter(&calibration, table.data()), TAV_OK);
    const double target = getTargetLSCMono(dark.data(), grey.data(), h * w);

    Frame frame(depth, size_t(h) * w);
    for (int i = 0; i < h * w; ++i) frame.set(i, uint32_t(grey[i]));
    TavImage image = {h, w, typeFor(depth, 1), frame.buffer.data(), 0};
    ASSERT_EQ(tavLSCorrection(&image, &image, table.data()), TAV_OK);
    for (int y = 2; y < h - 2; ++y)
        for (int x = 2; x < w - 2; ++x) ASSERT_NEAR(double(frame.get(size_t(y) * w + x)), target, 1.0) << y << "," << x;
}

TEST(LscCorrection, CalibrationRoundTripIsFlat) {
    expectFlatAfterCalibration(1, 12);
    expectFlatAfterCalibration(1, 10);
    expectFlatAfterCalibration(0, 12);
    expectFlatAfterCalibration(0, 8);
}

}  // namespace

// Input classification, the normalisation routines and mono8Convert against
// the plain references.
#include "ref_normalise.h"
#include "tavcore.h"
#include "test_support.h"

using tavref::Storage;
using tavtest::captureStdout;
using tavtest::GuardedBuffer;

namespace {

// A raw frame of `lineBytes` x height random bytes, placed one byte past an
// aligned address so that 16-bit reads are unaligned.
struct RawFrame {
    std::vector<uint8_t> storage;
    uint8_t* data() { return storage.data() + 1; }
    RawFrame(int32_t height, int32_t lineBytes, uint32_t seed)
        : storage(tavtest::randomBytes(static_cast<size_t>(height) * lineBytes + 1, seed)) {}
};

TavImage describe(RawFrame& raw, int32_t type, int32_t height, int32_t width, int32_t lineBytes) {
    return TavImage{height, width, type, raw.data(), lineBytes};
}

}  // namespace

TEST(Classify, EveryAcceptedTypeAndRejection) {
    for (const tavref::InputType& type : tavref::inputTypes()) {
        TavImage input = {4, 4, type.code, nullptr, 4};
        int64_t base = -1;
        int32_t conversion = 99;
        ASSERT_EQ(demosaicDataInit(&input, nullptr, &base, &conversion), TAV_OK);
        EXPECT_EQ(base, int64_t{type.baseType});
        const int32_t expected = type.storage == Storage::Bits8 ? 0 : type.storage == Storage::Packed ? -1 : type.shift;
        EXPECT_EQ(conversion, expected) << std::hex << type.code;
    }
    for (int32_t code : {int32_t{TAV_PIXEL_RGB8}, int32_t{0}, int32_t(0x81080009u)}) {
        TavImage input = {4, 4, code, nullptr, 4};
        int64_t base = 0;
        int32_t conversion = 99;
        std::string printed = captureStdout(
            [&] { EXPECT_EQ(demosaicDataInit(&input, nullptr, &base, &conversion), TAV_E_PIXEL_TYPE); });
        EXPECT_EQ(printed, "");
        EXPECT_EQ(base, int64_t{code});  // sign-extended
        EXPECT_EQ(conversion, 0);
    }
}

// Each routine against the reference, over every parity of width and height,
// tight and padded rows (odd padding too), with guard bytes after the frame.
TEST(Normalise, RoutinesMatchReference) {
    uint32_t seed = 1;
    for (int32_t height = 1; height <= 6; ++height) {
        for (int32_t width = 1; width <= 9; ++width) {
            const size_t n = static_cast<size_t>(height) * width;
            for (int32_t padding : {0, 1, 2, 5}) {
                // 16-bit storage, each shift.
                for (int32_t shift : {2, 4, 6, 8}) {
                    const int32_t lineBytes = 2 * width + padding;
                    RawFrame raw(height, lineBytes, seed++);
                    const int32_t type = shift == 2   ? TAV_PIXEL_MONO10
                                         : shift == 4 ? TAV_PIXEL_BAYER_GR12
                                         : shift == 6 ? TAV_PIXEL_MONO14
                                                      : TAV_PIXEL_BAYER_BG16;
                    TavImage image = describe(raw, type, height, width, lineBytes);
                    GuardedBuffer out(n);
                    if (padding == 0) {
                        u16Tou8_old(raw.data(), height, width, shift, out.data());
                    } else {
                        u16Tou8(raw.data(), height, width, lineBytes, shift, out.data());
                    }
                    ASSERT_EQ(out.contents(), tavref::referenceNormalise(image)) << height << "x" << width;
                    ASSERT_TRUE(out.intact());
                }
                // Packed storage.
                {
                    const int32_t lineBytes = 3 * ((width + 1) / 2) + padding;
                    RawFrame raw(height, lineBytes, seed++);
                    TavImage image = describe(raw, TAV_PIXEL_BAYER_GB12_PACKED, height, width, lineBytes);
                    GuardedBuffer out(n);
                    unpacked(raw.data(), height, width, lineBytes, out.data());
                    ASSERT_EQ(out.contents(), tavref::referenceNormalise(image)) << height << "x" << width;
                    ASSERT_TRUE(out.intact());
                }
                // 8-bit rows, copied and in place.
                {
                    const int32_t lineBytes = width + padding;
                    RawFrame raw(height, lineBytes, seed++);
                    TavImage image = describe(raw, TAV_PIXEL_BAYER_RG8, height, width, lineBytes);
                    const std::vector<uint8_t> expected = tavref::referenceNormalise(image);
                    GuardedBuffer out(n);
                    u8Tou8(raw.data(), height, width, lineBytes, out.data());
                    ASSERT_EQ(out.contents(), expected);
                    ASSERT_TRUE(out.intact());
                    std::vector<uint8_t> before = raw.storage;
                    u8Tou8(raw.data(), height, width, lineBytes, raw.data());
                    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), raw.data()));
                    // Bytes past the compacted frame keep their old values.
                    ASSERT_TRUE(std::equal(raw.storage.begin() + 1 + n, raw.storage.end(), before.begin() + 1 + n));
                }
            }
            // Packed frame as one run of groups; an odd sample count stops at the last sample.
            {
                const size_t runBytes = 3 * ((n + 1) / 2);
                std::vector<uint8_t> run = tavtest::randomBytes(runBytes, seed++);
                std::vector<uint8_t> expected(n);
                for (size_t i = 0; i < n; ++i) expected[i] = run[3 * (i / 2) + (i % 2 == 0 ? 0 : 2)];
                GuardedBuffer out(n);
                unpacked_old(run.data(), height, width, out.data());
                ASSERT_EQ(out.contents(), expected) << height << "x" << width;
                ASSERT_TRUE(out.intact());
            }
        }
    }
}

TEST(Normalise, SamplesShiftWithoutClampingAndPackedKeepsOuterBytes) {
    const uint8_t samples[] = {0x00, 0x04, 0xFF, 0x03, 0xBC, 0x0A, 0x34, 0x12};  // 0x0400 0x03FF 0x0ABC 0x1234
    uint8_t out[4] = {};
    u16Tou8_old(samples, 1, 2, 2, out);
    EXPECT_EQ(out[0], 0x00);  // 0x0400 >> 2 wraps
    EXPECT_EQ(out[1], 0xFF);
    u16Tou8_old(samples + 4, 1, 2, 4, out);
    EXPECT_EQ(out[0], 0xAB);
    u16Tou8_old(samples + 6, 1, 1, 8, out);
    EXPECT_EQ(out[0], 0x12);
    const uint8_t group[] = {0x11, 0x22, 0x33};
    unpacked_old(group, 1, 2, out);
    EXPECT_EQ(out[0], 0x11);
    EXPECT_EQ(out[1], 0x33);
}

// Sizes the routines cannot handle leave the destination alone and read
// nothing (the one-byte sources would otherwise be overrun).
TEST(Normalise, UnusableSizesDoNothing) {
    uint8_t source[1] = {0x77};
    GuardedBuffer out(16);
    const std::vector<uint8_t> untouched = out.contents();
    for (int32_t bad : {0, -1, INT32_MIN}) {
        u16Tou8_old(source, bad, 4, 2, out.data());
        u16Tou8_old(source, 4, bad, 2, out.data());
        u16Tou8(source, bad, 4, 8, 2, out.data());
        u16Tou8(source, 4, bad, 8, 2, out.data());
        u8Tou8(source, bad, 4, 4, out.data());
        u8Tou8(source, 4, bad, 4, out.data());
        unpacked_old(source, bad, 4, out.data());
        unpacked_old(source, 4, bad, out.data());
        unpacked(source, bad, 4, 6, out.data());
        unpacked(source, 4, bad, 6, out.data());
    }
    u16Tou8_old(source, 1 << 16, 1 << 15, 2, out.data());  // 2^31 samples
    unpacked_old(source, 1 << 16, 1 << 15, out.data());
    u16Tou8_old(source, 2, 2, -1, out.data());            // shifts a 16-bit sample cannot take
    u16Tou8_old(source, 2, 2, 16, out.data());
    u16Tou8(source, 2, 2, 4, 40, out.data());
    u16Tou8(source, 2, 4, 7, 2, out.data());  // rows shorter than their storage
    u8Tou8(source, 2, 4, 3, out.data());
    unpacked(source, 2, 5, 8, out.data());
    u8Tou8(nullptr, 2, 2, 2, out.data());
    unpacked(source, 2, 2, 3, nullptr);
    EXPECT_EQ(out.contents(), untouched);
    EXPECT_TRUE(out.intact());
}

TEST(Mono8Convert, EveryOutputTypeMatchesReference) {
    uint32_t seed = 100;
    for (int32_t height : {1, 4, 5}) {
        for (int32_t width : {1, 4, 7}) {
            const std::vector<uint8_t> grey = tavtest::randomBytes(static_cast<size_t>(height) * width, seed++);
            for (int64_t type : tavref::outputTypes()) {
                GuardedBuffer out(grey.size() * tavref::outputBytesPerPixel(type));
                std::string printed = captureStdout(
                    [&] { EXPECT_EQ(mono8Convert(grey.data(), out.data(), height, width, type), TAV_OK); });
                EXPECT_EQ(printed, "");
                ASSERT_EQ(out.contents(), tavref::referenceMono8Convert(grey, height, width, type));
                ASSERT_TRUE(out.intact());
            }
        }
    }
}

TEST(Mono8Convert, RefusalsWriteNothing) {
    const std::vector<uint8_t> grey(16, 9);
    GuardedBuffer out(64);
    const std::vector<uint8_t> untouched = out.contents();
    std::string printed = captureStdout([&] {
        for (int64_t type : {(int64_t{1} << 32) | TAV_PIXEL_BGR8, int64_t{TAV_PIXEL_BAYER_RG8}, int64_t{0}}) {
            EXPECT_EQ(mono8Convert(grey.data(), out.data(), 4, 4, type), TAV_E_UNSUPPORTED);
        }
        EXPECT_EQ(mono8Convert(grey.data(), out.data(), -4, -4, TAV_PIXEL_MONO8), TAV_E_SIZE);
        EXPECT_EQ(mono8Convert(grey.data(), out.data(), 4, -1, TAV_PIXEL_MONO8), TAV_E_SIZE);
        EXPECT_EQ(mono8Convert(grey.data(), out.data(), 1 << 16, 1 << 15, TAV_PIXEL_MONO8), TAV_E_SIZE);
        EXPECT_EQ(mono8Convert(grey.data(), out.data(), 0, 4, TAV_PIXEL_BGRA8), TAV_OK);
        EXPECT_EQ(mono8Convert(nullptr, out.data(), 4, 4, TAV_PIXEL_MONO8), TAV_E_NULL_POINTER);
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(out.contents(), untouched);
    EXPECT_TRUE(out.intact());
}

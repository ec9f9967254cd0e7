// The Bayer converters: refusals, and the mapping from Bayer order, method and
// output type to kernel, flag, plane order and luma weights. The mapping tests
// hold whatever kernels are built in: a kernel that is not available refuses
// (and then nothing may be written); a kernel that runs must give the layout
// the output type names.
#include "ref_normalise.h"
#include "tavcore.h"
#include "test_support.h"

using tavtest::captureStdout;
using tavtest::GuardedBuffer;

namespace {

using Converter = TavStatus (*)(const uint8_t*, uint8_t*, int32_t, int32_t, int64_t, int32_t, uint8_t*);

struct Order {
    const char* name;
    Converter convert;
    // Colour of the 2x2 cell's sites, row-major: 'R', 'G' or 'B'.
    char cell[4];
};

const Order kOrders[] = {
    {"RG", rg8Convert, {'R', 'G', 'G', 'B'}},
    {"GR", gr8Convert, {'G', 'R', 'B', 'G'}},
    {"GB", gb8Convert, {'G', 'B', 'R', 'G'}},
    {"BG", bg8Convert, {'B', 'G', 'G', 'R'}},
};

constexpr uint8_t kRed = 200, kGreen = 90, kBlue = 20;

// A frame whose red, green and blue sites hold one value each: every method
// reproduces those three colours at every pixel, borders included.
std::vector<uint8_t> uniformColourFrame(const Order& order, int height, int width) {
    std::vector<uint8_t> frame(static_cast<size_t>(height) * width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            char colour = order.cell[(y % 2) * 2 + x % 2];
            frame[static_cast<size_t>(y) * width + x] = colour == 'R' ? kRed : colour == 'G' ? kGreen : kBlue;
        }
    }
    return frame;
}

std::vector<uint8_t> expectedUniformOutput(int64_t outputType, size_t n) {
    std::vector<uint8_t> out;
    auto planes = [&](uint8_t a, uint8_t b, uint8_t c) {
        out.insert(out.end(), n, a);
        out.insert(out.end(), n, b);
        out.insert(out.end(), n, c);
    };
    for (size_t i = 0; i < n; ++i) {
        switch (outputType) {
            case TAV_PIXEL_RGB8: out.insert(out.end(), {kRed, kGreen, kBlue}); break;
            case TAV_PIXEL_BGR8: out.insert(out.end(), {kBlue, kGreen, kRed}); break;
            case TAV_PIXEL_RGBA8: out.insert(out.end(), {kRed, kGreen, kBlue, 0}); break;
            case TAV_PIXEL_BGRA8: out.insert(out.end(), {kBlue, kGreen, kRed, 0}); break;
            default: break;
        }
    }
    if (outputType == TAV_PIXEL_RGB8_PLANAR) planes(kRed, kGreen, kBlue);
    if (outputType == TAV_PIXEL_BGR8_PLANAR) planes(kBlue, kGreen, kRed);
    return out;
}

}  // namespace

TEST(Converters, UnknownOutputTypeOrMethodRefusedSilently) {
    const std::vector<uint8_t> frame = tavtest::randomBytes(64, 1);
    std::vector<uint8_t> scratch(8 + 64);
    for (const Order& order : kOrders) {
        GuardedBuffer out(4 * 64);
        const std::vector<uint8_t> untouched = out.contents();
        std::string printed = captureStdout([&] {
            for (int32_t method : {0, 1, 2, 3}) {
                EXPECT_EQ(order.convert(frame.data(), out.data(), 8, 8, (int64_t{1} << 32) | TAV_PIXEL_BGR8, method,
                                        scratch.data()),
                          TAV_E_UNSUPPORTED);
                EXPECT_EQ(order.convert(frame.data(), out.data(), 8, 8, TAV_PIXEL_MONO10, method, scratch.data()),
                          TAV_E_UNSUPPORTED);
            }
            for (int64_t type : tavref::outputTypes()) {
                for (int32_t method : {4, 5, -1, INT32_MIN}) {
                    EXPECT_EQ(order.convert(frame.data(), out.data(), 8, 8, type, method, scratch.data()),
                              TAV_E_UNSUPPORTED);
                }
            }
        });
        EXPECT_EQ(printed, "") << order.name;
        EXPECT_EQ(out.contents(), untouched) << order.name;
        EXPECT_TRUE(out.intact());
    }
}

TEST(Converters, UnusableSizesAndPointersRefusedSilently) {
    const std::vector<uint8_t> frame(64, 1);
    GuardedBuffer out(4 * 64);
    const std::vector<uint8_t> untouched = out.contents();
    std::string printed = captureStdout([&] {
        for (const Order& order : kOrders) {
            for (int32_t method : {0, 1, 2, 3}) {
                for (int64_t type : tavref::outputTypes()) {
                    uint8_t* d = out.data();
                    const uint8_t* f = frame.data();
                    EXPECT_EQ(order.convert(f, d, 0, 8, type, method, d), TAV_E_SIZE);
                    EXPECT_EQ(order.convert(f, d, 8, -8, type, method, d), TAV_E_SIZE);
                    EXPECT_EQ(order.convert(f, d, -8, -8, type, method, d), TAV_E_SIZE);
                    EXPECT_EQ(order.convert(f, d, 1 << 16, 1 << 15, type, method, d), TAV_E_SIZE);
                    EXPECT_EQ(order.convert(nullptr, d, 8, 8, type, method, d), TAV_E_NULL_POINTER);
                    EXPECT_EQ(order.convert(f, nullptr, 8, 8, type, method, d), TAV_E_NULL_POINTER);
                }
                // Only the edge-directed grey and planar kernels need line memory.
                EXPECT_EQ(order.convert(frame.data(), out.data(), 8, 8, TAV_PIXEL_MONO8, 2, nullptr),
                          TAV_E_NULL_POINTER);
                EXPECT_EQ(order.convert(frame.data(), out.data(), 8, 8, TAV_PIXEL_BGR8_PLANAR, 2, nullptr),
                          TAV_E_NULL_POINTER);
            }
        }
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(out.contents(), untouched);
    EXPECT_TRUE(out.intact());
}

// Every order, method and output type on frames of uniform colour sites: the
// colour at each site must land in the byte or plane the output type names,
// and grey must weight red 77, green 150 and blue 29.
TEST(Converters, EachCombinationPutsColoursWhereTheOutputTypeSays) {
    const uint8_t sizes[][2] = {{8, 8}, {7, 9}, {9, 6}};
    for (const Order& order : kOrders) {
        for (int32_t method : {0, 1, 2, 3}) {
            for (int64_t type : tavref::outputTypes()) {
                for (const auto& size : sizes) {
                    const int height = size[0], width = size[1];
                    const size_t n = static_cast<size_t>(height) * width;
                    const std::vector<uint8_t> frame = uniformColourFrame(order, height, width);
                    const size_t bytes = n * static_cast<unsigned>(tavref::outputBytesPerPixel(type));
                    GuardedBuffer out(bytes);
                    const std::vector<uint8_t> untouched = out.contents();
                    std::vector<uint8_t> scratch(width + 64);
                    const TavStatus status =
                        order.convert(frame.data(), out.data(), height, width, type, method, scratch.data());
                    ASSERT_TRUE(out.intact());
                    SCOPED_TRACE(testing::Message() << order.name << " method " << method << " type " << std::hex
                                                    << type << std::dec << " " << height << "x" << width);
                    if (status != TAV_OK) {
                        EXPECT_EQ(out.contents(), untouched);
                        continue;
                    }
                    if (type == TAV_PIXEL_MONO8) {
                        const int grey = (77 * kRed + 150 * kGreen + 29 * kBlue) / 256;
                        for (size_t i = 0; i < n; ++i) ASSERT_NEAR(out[i], grey, 1) << "pixel " << i;
                    } else {
                        ASSERT_EQ(out.contents(), expectedUniformOutput(type, n));
                    }
                }
            }
        }
    }
}

// With the bilinear method, the same bytes declared BG and converted to RGB8
// run the same kernel as when declared RG and converted to BGR8 (likewise GB
// and GR).
TEST(Converters, BilinearExchangedOrderIsThePartnerKernel) {
    const int height = 8, width = 10;
    const std::vector<uint8_t> frame = tavtest::randomBytes(height * width, 9);
    const std::pair<Converter, Converter> partners[] = {{bg8Convert, rg8Convert}, {rg8Convert, bg8Convert},
                                                        {gb8Convert, gr8Convert}, {gr8Convert, gb8Convert}};
    for (const auto& pair : partners) {
        for (auto types : {std::pair<int64_t, int64_t>{TAV_PIXEL_RGB8, TAV_PIXEL_BGR8},
                           std::pair<int64_t, int64_t>{TAV_PIXEL_RGBA8, TAV_PIXEL_BGRA8}}) {
            const size_t bytes = static_cast<size_t>(height) * width * tavref::outputBytesPerPixel(types.first);
            GuardedBuffer a(bytes, 0x11), b(bytes, 0x11);
            EXPECT_EQ(pair.first(frame.data(), a.data(), height, width, types.first, 1, nullptr),
                      pair.second(frame.data(), b.data(), height, width, types.second, 1, nullptr));
            EXPECT_EQ(a.contents(), b.contents());
            EXPECT_TRUE(a.intact() && b.intact());
        }
    }
}

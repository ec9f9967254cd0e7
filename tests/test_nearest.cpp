// Nearest-neighbour kernels against the per-pixel reference, the worked
// cases of the rule, and the refusal of sizes the rule cannot serve.
#include <cstring>

#include "ref_nearest.h"
#include "tav_kernels.h"
#include "test_support.h"

namespace {

using nearestref::Kind;
using nearestref::Phase;
using tavtest::GuardedBuffer;

// One exported kernel with a uniform call: the planar kernels get three
// plane pointers into consecutive stretches of n bytes and ignore the flag.
struct Kernel {
    const char* name;
    Phase phase;
    Kind kind;
    uint32_t (*interleaved)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint32_t);
    uint32_t (*planar)(const uint8_t*, uint32_t, uint32_t, uint8_t*, uint8_t*, uint8_t*);
};

const Kernel kKernels[] = {
    {"rg8ToBgr8_nearest", Phase::RG, Kind::Bgr8, rg8ToBgr8_nearest, nullptr},
    {"gb8ToBgr8_nearest", Phase::GB, Kind::Bgr8, gb8ToBgr8_nearest, nullptr},
    {"rg8ToBgra8_nearest", Phase::RG, Kind::Bgra8, rg8ToBgra8_nearest, nullptr},
    {"gb8ToBgra8_nearest", Phase::GB, Kind::Bgra8, gb8ToBgra8_nearest, nullptr},
    {"rg8ToBgr8P_nearest", Phase::RG, Kind::Planar, nullptr, rg8ToBgr8P_nearest},
    {"gb8ToBgr8P_nearest", Phase::GB, Kind::Planar, nullptr, gb8ToBgr8P_nearest},
    {"rg8ToMono8_nearest", Phase::RG, Kind::Mono8, rg8ToMono8_nearest, nullptr},
    {"gb8ToMono8_nearest", Phase::GB, Kind::Mono8, gb8ToMono8_nearest, nullptr},
};

// Output of one call, with each plane (or the single output) in its own
// guarded buffer so that a write past any of them shows.
struct KernelOutput {
    uint32_t status;
    std::vector<uint8_t> bytes;  // planes concatenated
    bool guardsIntact;
};

// Test frames are small; byte-sized sides keep the buffer sizes obviously bounded.
KernelOutput run(const Kernel& k, const uint8_t* frame, uint8_t height, uint8_t width, uint32_t flag,
                 uint8_t fill = 0xCD) {
    KernelOutput r;
    if (k.planar) {
        const size_t n = static_cast<size_t>(height) * width;
        GuardedBuffer p0(n, fill), p1(n, fill), p2(n, fill);
        r.status = k.planar(frame, height, width, p0.data(), p1.data(), p2.data());
        r.bytes = p0.contents();
        for (const GuardedBuffer* p : {&p1, &p2}) {
            const auto c = p->contents();
            r.bytes.insert(r.bytes.end(), c.begin(), c.end());
        }
        r.guardsIntact = p0.intact() && p1.intact() && p2.intact();
    } else {
        GuardedBuffer out(nearestref::outputSize(k.kind, height, width), fill);
        r.status = k.interleaved(frame, height, width, out.data(), flag);
        r.bytes = out.contents();
        r.guardsIntact = out.intact();
    }
    return r;
}

// Compares with the reference; the frame sits in a guarded buffer too, so a
// read past it is caught under AddressSanitizer only, but a write shows here.
void expectMatchesReference(const Kernel& k, int height, int width, uint32_t flag, uint32_t seed) {
    SCOPED_TRACE(testing::Message() << k.name << " " << width << "x" << height << " flag " << flag);
    const auto frame = tavtest::randomBytes(static_cast<size_t>(height) * width, seed);
    GuardedBuffer source(frame.size());
    std::memcpy(source.data(), frame.data(), frame.size());
    const KernelOutput r = run(k, source.data(), height, width, flag);
    ASSERT_EQ(r.status, 0u);
    EXPECT_TRUE(r.guardsIntact);
    EXPECT_TRUE(source.intact());
    EXPECT_EQ(source.contents(), frame) << "the source was written";
    EXPECT_EQ(r.bytes, nearestref::referenceNearest(frame, height, width, k.phase, k.kind, flag));
}

TEST(Nearest, EveryKernelMatchesReferenceOnSmallFrames) {
    // Every parity of width and height; flag 2 and the top bit act as 1.
    const uint32_t flags[] = {0, 1, 2, 0x80000000u};
    uint32_t seed = 1;
    for (const Kernel& k : kKernels) {
        for (int height = 4; height <= 11; ++height) {
            for (int width = 4; width <= 11; ++width) {
                for (uint32_t flag : flags) {
                    if (k.planar && flag != 0) continue;
                    expectMatchesReference(k, height, width, flag, seed++);
                }
            }
        }
    }
}

TEST(Nearest, EveryKernelMatchesReferenceOnLargerFrames) {
    const int sizes[][2] = {{37, 53}, {48, 64}, {33, 20}};
    uint32_t seed = 1000;
    for (const Kernel& k : kKernels) {
        for (const auto& s : sizes) {
            expectMatchesReference(k, s[0], s[1], 0, seed++);
            if (!k.planar) expectMatchesReference(k, s[0], s[1], 1, seed++);
        }
    }
}

// A frame whose sample at (y, x) is y * 16 + x, so every byte names its site.
std::vector<uint8_t> indexFrame(int height, int width) {
    std::vector<uint8_t> f(static_cast<size_t>(height) * width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) f[y * width + x] = static_cast<uint8_t>(y * 16 + x);
    return f;
}

TEST(Nearest, WorkedSelections) {
    const int h = 6, w = 6;
    const auto f = indexFrame(h, w);
    GuardedBuffer bgr(3 * h * w);
    ASSERT_EQ(rg8ToBgr8_nearest(f.data(), h, w, bgr.data(), 0), 0u);
    auto pixel = [&](int y, int x) {
        const uint8_t* p = bgr.data() + 3 * (y * w + x);
        return std::vector<int>{p[2], p[1], p[0]};  // R, G, B
    };
    // Red site in column 0: row 0 takes green from its right, row 2 from above.
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{0x00, 0x01, 0x11}));
    EXPECT_EQ(pixel(2, 0), (std::vector<int>{0x20, 0x10, 0x11}));
    // Red site inside: green from its own row, blue from the row above.
    EXPECT_EQ(pixel(2, 2), (std::vector<int>{0x22, 0x21, 0x11}));
    // Last row of an even-height RG frame is green/blue: red from the row above.
    EXPECT_EQ(pixel(5, 0), (std::vector<int>{0x40, 0x50, 0x51}));
    EXPECT_EQ(pixel(5, 3), (std::vector<int>{0x42, 0x52, 0x53}));
    // Even width: the last column is odd and follows the odd-column rule.
    EXPECT_EQ(pixel(1, 5), (std::vector<int>{0x04, 0x14, 0x15}));
    EXPECT_EQ(pixel(2, 5), (std::vector<int>{0x24, 0x25, 0x15}));
    EXPECT_TRUE(bgr.intact());

    // GB phase: row 0 takes red from row 1.
    ASSERT_EQ(gb8ToBgr8_nearest(f.data(), h, w, bgr.data(), 0), 0u);
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{0x10, 0x00, 0x01}));
    EXPECT_EQ(pixel(0, 1), (std::vector<int>{0x10, 0x00, 0x01}));
    EXPECT_EQ(pixel(0, 2), (std::vector<int>{0x12, 0x02, 0x01}));
    EXPECT_EQ(pixel(1, 0), (std::vector<int>{0x10, 0x00, 0x01}));
}

TEST(Nearest, GreyWeightsFollowTheFlag) {
    // Red sites 255, all others 0: every pixel sees R = 255, G = B = 0.
    const int h = 6, w = 7;
    for (Phase phase : {Phase::RG, Phase::GB}) {
        std::vector<uint8_t> f(h * w, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (nearestref::siteColour(phase, y, x) == nearestref::Colour::Red) f[y * w + x] = 255;
        const auto kernel = phase == Phase::RG ? rg8ToMono8_nearest : gb8ToMono8_nearest;
        GuardedBuffer grey(h * w);
        ASSERT_EQ(kernel(f.data(), h, w, grey.data(), 0), 0u);
        EXPECT_EQ(grey.contents(), std::vector<uint8_t>(h * w, 77));
        ASSERT_EQ(kernel(f.data(), h, w, grey.data(), 1), 0u);
        EXPECT_EQ(grey.contents(), std::vector<uint8_t>(h * w, 29));
    }
}

TEST(Nearest, UniformFrameGivesTheSameValueAndAZeroFourthByte) {
    // The outputs start as 0xFF so that an unwritten fourth byte shows.
    const int h = 7, w = 6;
    for (uint8_t v : {0, 1, 128, 255}) {
        const std::vector<uint8_t> f(h * w, v);
        for (const Kernel& k : kKernels) {
            for (uint32_t flag : {0u, 1u}) {
                const KernelOutput r = run(k, f.data(), h, w, flag, 0xFF);
                for (size_t i = 0; i < r.bytes.size(); ++i) {
                    const bool alpha = k.kind == Kind::Bgra8 && i % 4 == 3;
                    ASSERT_EQ(r.bytes[i], alpha ? 0 : v) << k.name << " flag " << flag << " byte " << i;
                }
            }
        }
    }
}

TEST(Nearest, RefusedSizesWriteNothing) {
    // Heights and widths below 4, "negative" counts, and sizes whose output
    // does not fit 32 bits; the buffers are tiny, so any access would show.
    const uint32_t cases[][2] = {
        {2, 8}, {3, 8}, {8, 3}, {0, 8}, {8, 0}, {0xFFFFFFFFu, 8}, {8, 0xFFFFFFFFu},
        {65536, 65536},  // n = 2^32
    };
    const auto frame = tavtest::randomBytes(64, 3);
    for (const Kernel& k : kKernels) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << k.name << " h " << c[0] << " w " << c[1]);
            GuardedBuffer p0(16, 0x5A), p1(16, 0x5A), p2(16, 0x5A);
            uint32_t status = 0;
            const std::string out = tavtest::captureStdout([&] {
                status = k.planar ? k.planar(frame.data(), c[0], c[1], p0.data(), p1.data(), p2.data())
                                  : k.interleaved(frame.data(), c[0], c[1], p0.data(), 1);
            });
            EXPECT_EQ(status, static_cast<uint32_t>(TAV_E_SIZE));
            EXPECT_EQ(out, "");
            for (GuardedBuffer* p : {&p0, &p1, &p2}) {
                EXPECT_TRUE(p->intact());
                EXPECT_EQ(p->contents(), std::vector<uint8_t>(16, 0x5A));
            }
        }
    }
    // The bytes per pixel are part of the product: this pixel count fits 32
    // bits, three or four bytes per pixel do not.
    GuardedBuffer out(16, 0x5A);
    const uint32_t width = 0x15555556u;
    EXPECT_EQ(rg8ToBgr8_nearest(frame.data(), 4, width, out.data(), 0), static_cast<uint32_t>(TAV_E_SIZE));
    EXPECT_EQ(gb8ToBgra8_nearest(frame.data(), 4, width, out.data(), 0), static_cast<uint32_t>(TAV_E_SIZE));
    EXPECT_EQ(out.contents(), std::vector<uint8_t>(16, 0x5A));
}

TEST(Nearest, NullPointersAreRefused) {
    const auto frame = tavtest::randomBytes(16, 4);
    GuardedBuffer out(64, 0x5A);
    const uint32_t nullStatus = static_cast<uint32_t>(TAV_E_NULL_POINTER);
    for (const Kernel& k : kKernels) {
        if (k.planar) {
            EXPECT_EQ(k.planar(nullptr, 4, 4, out.data(), out.data(), out.data()), nullStatus);
            EXPECT_EQ(k.planar(frame.data(), 4, 4, out.data(), nullptr, out.data()), nullStatus);
        } else {
            EXPECT_EQ(k.interleaved(nullptr, 4, 4, out.data(), 0), nullStatus);
            EXPECT_EQ(k.interleaved(frame.data(), 4, 4, nullptr, 0), nullStatus);
        }
    }
    EXPECT_EQ(out.contents(), std::vector<uint8_t>(64, 0x5A));
}

}  // namespace

// The correction works on blocks of samples in 16-bit lanes, with the gain
// split at bit 16 and capped terms for samples beyond the depth. These
// tests push that form where it could drift from the plain 64-bit rule:
// rows that cross block edges, odd widths, extreme gains and offsets,
// unmasked 10/12-bit samples around the cap thresholds, in place and out.
#include <cstring>

#include "ref_lsc.h"
#include "tav_lsc.h"
#include "test_support.h"

namespace {

using tavtest::captureStdout;
using tavtest::GuardedBuffer;

int32_t typeFor(int depth) {
    return depth == 8 ? TAV_PIXEL_BAYER_GB8 : depth == 10 ? TAV_PIXEL_MONO10 : TAV_PIXEL_BAYER_BG12;
}

std::vector<uint8_t> toBytes(const std::vector<uint32_t>& samples, int depth) {
    const size_t bytes = depth == 8 ? 1 : 2;
    std::vector<uint8_t> out(samples.size() * bytes);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (depth == 8) {
            out[i] = uint8_t(samples[i]);
        } else {
            const uint16_t s = uint16_t(samples[i]);
            memcpy(&out[2 * i], &s, 2);
        }
    }
    return out;
}

std::vector<uint32_t> fromBytes(const uint8_t* data, size_t count, int depth) {
    std::vector<uint32_t> out(count);
    for (size_t i = 0; i < count; ++i) {
        if (depth == 8) {
            out[i] = data[i];
        } else {
            uint16_t s;
            memcpy(&s, data + 2 * i, 2);
            out[i] = s;
        }
    }
    return out;
}

// Corrects the frame out of place and in place, each in a guarded buffer,
// and compares both with the plain rule.
void expectMatchesRule(const std::vector<uint32_t>& table, const std::vector<uint32_t>& samples, int depth) {
    const int h = int(table[1]), w = int(table[2]);
    const std::vector<uint32_t> expected = tavref::correct(table, samples, depth);
    const std::vector<uint8_t> bytes = toBytes(samples, depth);

    GuardedBuffer in(bytes.size()), out(bytes.size()), same(bytes.size());
    memcpy(in.data(), bytes.data(), bytes.size());
    memcpy(same.data(), bytes.data(), bytes.size());
    TavImage input = {h, w, typeFor(depth), in.data(), 0};
    TavImage output = {0, 0, 0, out.data(), 0};
    TavImage inPlace = {h, w, typeFor(depth), same.data(), 0};
    TavStatus first = -1, second = -1;
    const std::string printed = captureStdout([&] {
        first = tavLSCorrection(&input, &output, table.data());
        second = tavLSCorrection(&inPlace, &inPlace, table.data());
    });
    EXPECT_EQ(printed, "");
    ASSERT_EQ(first, TAV_OK);
    ASSERT_EQ(second, TAV_OK);

    const std::vector<uint32_t> got = fromBytes(out.data(), samples.size(), depth);
    const std::vector<uint32_t> gotInPlace = fromBytes(same.data(), samples.size(), depth);
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint32_t word = table[0] == 1 ? table[3 + i] : table[3 + (i / w / 2) * (w / 2) + (i % w) / 2];
        ASSERT_EQ(got[i], expected[i]) << "sample " << i << " value " << samples[i] << " word " << std::hex << word;
        ASSERT_EQ(gotInPlace[i], expected[i]) << "in place, sample " << i;
    }
    EXPECT_EQ(fromBytes(in.data(), samples.size(), depth), samples);  // source untouched
    EXPECT_TRUE(in.intact());
    EXPECT_TRUE(out.intact());
    EXPECT_TRUE(same.intact());
}

// Words mixing every gain-high value, extreme gains and offsets, and gains
// near 1.
uint32_t randomWord(std::mt19937& rng) {
    const uint32_t offsets[] = {0, 1, 15, 16, 0x3FF, 0xFFE, 0xFFF};
    uint32_t gain = rng() & 0xFFFFFu;
    switch (rng() % 6) {
        case 0: gain = (rng() % 2) ? 0 : 0xFFFFFu; break;
        case 1: gain = 0x20000u + (rng() % 0x4000u) - 0x2000u; break;
        case 2: gain = ((rng() % 16) << 16) | ((rng() % 2) ? 0xFFFFu : 0u); break;
        default: break;
    }
    const uint32_t offset = (rng() % 3) ? rng() & 0xFFFu : offsets[rng() % 7];
    return (gain << 12) | offset;
}

std::vector<uint32_t> randomTable(uint32_t mode, int h, int w, std::mt19937& rng) {
    std::vector<uint32_t> table = {mode, uint32_t(h), uint32_t(w)};
    const size_t words = mode == 1 ? size_t(h) * w : size_t(h / 2) * (w / 2);
    for (size_t i = 0; i < words; ++i) table.push_back(randomWord(rng));
    return table;
}

// Unmasked wide samples: the whole 16-bit range, the depth's own range, and
// the extremes.
std::vector<uint32_t> randomSamples(size_t count, int depth, std::mt19937& rng) {
    std::vector<uint32_t> samples(count);
    const uint32_t depthMax = (1u << depth) - 1;
    for (auto& s : samples) {
        switch (rng() % 4) {
            case 0: s = depth == 8 ? rng() & 0xFFu : rng() & 0xFFFFu; break;
            case 1: s = (rng() % 2) ? depthMax : (depth == 8 ? 0u : 0xFFFFu); break;
            default: s = rng() % (depthMax + 1); break;
        }
    }
    return samples;
}

TEST(LscCorrectionLanes, RowsAcrossBlockEdgesMatchTheRule) {
    // Widths around the 256-sample block and the 128-cell block of a row,
    // odd widths and heights in per-pixel mode.
    const int sizes[][2] = {{1, 255}, {1, 256}, {1, 257}, {3, 171}, {2, 254}, {2, 258}, {4, 514}, {6, 130}, {5, 77}, {2, 2}};
    std::mt19937 rng(2024);
    for (auto& size : sizes) {
        const int h = size[0], w = size[1];
        for (uint32_t mode : {0u, 1u}) {
            if (mode == 0 && (h % 2 != 0 || w % 2 != 0)) continue;
            for (int depth : {8, 10, 12}) {
                SCOPED_TRACE(testing::Message() << h << "x" << w << " mode " << mode << " depth " << depth);
                expectMatchesRule(randomTable(mode, h, w, rng), randomSamples(size_t(h) * w, depth, rng), depth);
            }
        }
    }
}

// For each gain-high value and a set of low parts, samples around the
// points where the whole-gain product reaches 2^14 and 2^16 (the caps) and
// where the result reaches the clamp, above every offset extreme.
TEST(LscCorrectionLanes, CapThresholdsOfWideSamples) {
    for (int depth : {10, 12}) {
        std::vector<uint32_t> words, samples;
        for (uint32_t high = 0; high < 16; ++high)
            for (uint32_t low : {0u, 1u, 0x7FFFu, 0xFFFFu})
                for (uint32_t offset : {0u, 0xFFFu}) {
                    const uint32_t word = (((high << 16) | low) << 12) | offset;
                    const uint32_t b = offset >> (12 - depth);
                    const uint32_t k = (high << 16) | low;
                    // Large differences whose fractional term alone nears 2^16.
                    std::vector<uint32_t> diffs = {0, 1, 2, 0x8000, 0xC000, 0xD000, 0xE000, 0xFFFF};
                    for (uint32_t limit : {1u << 14, 1u << 16})
                        if (high != 0)
                            for (int delta = -1; delta <= 1; ++delta) diffs.push_back((limit + high - 1) / high + delta);
                    if (k != 0) {
                        // Smallest difference that reaches the depth's maximum.
                        const uint64_t clampAt = ((uint64_t((1u << depth) - 1) << 17) - 65536 + k - 1) / k;
                        for (int delta = -1; delta <= 1; ++delta) diffs.push_back(uint32_t(clampAt + delta));
                    }
                    for (uint32_t d : diffs) {
                        if (d + b > 0xFFFF) continue;
                        words.push_back(word);
                        samples.push_back(d + b);
                    }
                }
        const int w = int(words.size());
        std::vector<uint32_t> table = {1, 1, uint32_t(w)};
        table.insert(table.end(), words.begin(), words.end());
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        expectMatchesRule(table, samples, depth);
    }
}

// 8-bit frames: every sample value against gains whose nibbles and bytes
// sit at their extremes (the gain is split at bits 4 and 12 in places) and
// offsets whose 8-bit form straddles the nibble boundary.
TEST(LscCorrectionLanes, EverySampleOfEightBitFrames) {
    const uint32_t gains[] = {0, 1, 0xF, 0x10, 0xFF, 0xFFF, 0x1000, 0xFFFF, 0x10000, 0x1FFFF,
                              0x20000, 0x20001, 0xF0000, 0xFF00F, 0xFFFFF};
    std::vector<uint32_t> words, samples;
    for (uint32_t gain : gains)
        for (uint32_t offset : {0u, 0xFu, 0x10u, 0x7F8u, 0xFF0u, 0xFFFu})
            for (uint32_t s = 0; s < 256; ++s) {
                words.push_back((gain << 12) | offset);
                samples.push_back(s);
            }
    std::vector<uint32_t> table = {1, 1, uint32_t(words.size())};
    table.insert(table.end(), words.begin(), words.end());
    expectMatchesRule(table, samples, 8);
}

}  // namespace

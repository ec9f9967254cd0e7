// Shared test helpers: stdout capture for diagnostics, output buffers with
// guard bytes, and deterministic random frames.
#ifndef TAV_TEST_SUPPORT_H
#define TAV_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "../core/diagnostics.h"

namespace tavtest {

// The diagnostic line a failing check prints, e.g. "error line = [96]".
inline std::string errorLine(tav::DiagnosticLine line) {
    return "error line = [" + std::to_string(int(line)) + "]";
}

// Runs fn and returns everything it printed to stdout.
inline std::string captureStdout(const std::function<void()>& fn) {
    fflush(stdout);
    testing::internal::CaptureStdout();
    fn();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// A byte buffer of `size` usable bytes surrounded by guard bytes; intact()
// tells whether anything wrote before or after the usable range.
class GuardedBuffer {
public:
    static constexpr size_t kGuard = 64;
    static constexpr uint8_t kGuardValue = 0xA5;

    explicit GuardedBuffer(size_t size, uint8_t fill = 0xCD)
        : size_(size), storage_(size + 2 * kGuard, kGuardValue) {
        std::fill(storage_.begin() + kGuard, storage_.begin() + kGuard + size, fill);
    }
    uint8_t* data() { return storage_.data() + kGuard; }
    const uint8_t* data() const { return storage_.data() + kGuard; }
    size_t size() const { return size_; }
    uint8_t& operator[](size_t i) { return data()[i]; }
    std::vector<uint8_t> contents() const { return std::vector<uint8_t>(data(), data() + size_); }
    bool intact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (storage_[i] != kGuardValue || storage_[kGuard + size_ + i] != kGuardValue) return false;
        }
        return true;
    }

private:
    size_t size_;
    std::vector<uint8_t> storage_;
};

inline std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

inline std::vector<uint16_t> randomSamples16(size_t n, uint32_t seed, uint32_t maxValue = 65535) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<uint32_t> dist(0, maxValue);
    std::vector<uint16_t> v(n);
    for (auto& s : v) s = static_cast<uint16_t>(dist(rng));
    return v;
}

// Mirror reflection without repeating the edge: -1 -> 1, n -> n - 2.
inline int mirror(int i, int n) {
    while (i < 0 || i >= n) {
        if (i < 0) i = -i;
        if (i >= n) i = 2 * (n - 1) - i;
    }
    return i;
}

}  // namespace tavtest

#endif

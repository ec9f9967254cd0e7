// Helpers for comparing every instruction-set variant with the plain path in
// one binary: the variants this machine runs, a scope that caps the active
// set, and buffers that end at a page boundary (a PROT_NONE page follows),
// so that any read or write past the end faults.
#ifndef TAV_TESTS_ISA16_VARIANT_SUPPORT_H
#define TAV_TESTS_ISA16_VARIANT_SUPPORT_H

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "simd/isa.h"

namespace isa16 {

using tav::simd::Isa;

inline const char* isaName(Isa isa) {
    switch (isa) {
        case Isa::Plain: return "plain";
        case Isa::Sse2: return "sse2";
        case Isa::Avx2: return "avx2";
        case Isa::Neon: return "neon";
    }
    return "?";
}

// The vector sets this machine runs, each distinct (the plain path excluded).
inline std::vector<Isa> vectorIsas() {
#if defined(__x86_64__)
    const Isa built[] = {Isa::Sse2, Isa::Avx2};
#elif defined(__arm__)
    const Isa built[] = {Isa::Neon};
#else
    const Isa built[] = {Isa::Plain};
#endif
    std::vector<Isa> found;
    for (Isa cap : built) {
        tav::simd::setIsaCap(cap);
        const Isa active = tav::simd::activeIsa();
        if (active != Isa::Plain && (found.empty() || found.back() != active)) found.push_back(active);
    }
    tav::simd::setIsaCap(Isa::Neon);  // the highest: no cap
    return found;
}

// Runs the body with the active set capped, then lifts the cap.
template <class Body>
void withIsa(Isa cap, const Body& body) {
    tav::simd::setIsaCap(cap);
    ASSERT_EQ(tav::simd::activeIsa(), cap);
    body();
    tav::simd::setIsaCap(Isa::Neon);
}

// `size` bytes whose last byte is the last of a page; the next page is
// inaccessible. `offset` shifts the start back by that many bytes, so the
// data can begin at an odd address and still end at the boundary.
class PageEndBuffer {
public:
    explicit PageEndBuffer(size_t size, uint8_t fill = 0xCD) : size_(size) {
        const size_t page = (size_t)sysconf(_SC_PAGESIZE);
        mapped_ = ((size + page - 1) / page + 1) * page;
        void* base = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            base_ = nullptr;
            return;
        }
        base_ = static_cast<uint8_t*>(base);
        mprotect(base_ + mapped_ - page, page, PROT_NONE);
        data_ = base_ + mapped_ - page - size;
        memset(data_, fill, size);
    }
    ~PageEndBuffer() {
        if (base_) munmap(base_, mapped_);
    }
    PageEndBuffer(const PageEndBuffer&) = delete;
    PageEndBuffer& operator=(const PageEndBuffer&) = delete;

    uint8_t* data() { return data_; }
    uint16_t* words() { return reinterpret_cast<uint16_t*>(data_); }
    size_t size() const { return size_; }
    std::vector<uint8_t> contents() const { return std::vector<uint8_t>(data_, data_ + size_); }
    void fill(const void* bytes) { memcpy(data_, bytes, size_); }

private:
    size_t size_;
    size_t mapped_ = 0;
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
};

}  // namespace isa16

#endif

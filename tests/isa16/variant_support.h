// Helpers for comparing every instruction-set variant with the plain path in
// one binary: the variants this machine runs, a scope that caps the active
// set, and buffers that end at a page boundary (a PROT_NONE page follows),
// so that any read or write past the end faults.
#ifndef TAV_TESTS_ISA16_VARIANT_SUPPORT_H
#define TAV_TESTS_ISA16_VARIANT_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "page_end_buffer.h"
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

using PageEndBuffer = tavtest::PageEndBuffer;

}  // namespace isa16

#endif

// The one harness of the kernel-table tests: the tables this machine runs
// (the plain rule first, then each vector set the build holds and the CPU
// has), and a scope that makes one of them the active table. Buffers that
// end at a page boundary come from page_end_buffer.h.
#ifndef TAV_TESTS_KERNEL_TABLES_H
#define TAV_TESTS_KERNEL_TABLES_H

#include <vector>

#include "page_end_buffer.h"
#include "simd/isa.h"
#include "simd/kernelTable.h"

namespace kerneltables {

using tav::simd::Isa;
using tav::simd::KernelTable;
using PageEndBuffer = tavtest::PageEndBuffer;

inline const char* isaName(Isa isa) {
    switch (isa) {
        case Isa::Plain: return "plain";
        case Isa::Sse2: return "sse2";
        case Isa::Avx2: return "avx2";
        case Isa::Neon: return "neon";
    }
    return "?";
}

// Every table the build holds and this CPU runs, the plain rule first.
inline std::vector<Isa> runnableTables() {
    std::vector<Isa> found;
    for (Isa isa : {Isa::Plain, Isa::Sse2, Isa::Avx2, Isa::Neon}) {
        if (tav::simd::kernelTableOf(isa) != nullptr && isa <= tav::simd::detectedIsa()) found.push_back(isa);
    }
    return found;
}

// The vector tables only.
inline std::vector<Isa> vectorTables() {
    std::vector<Isa> found = runnableTables();
    found.erase(found.begin());
    return found;
}

// Makes `isa`'s table the active one while alive; the uncapped choice comes
// back however the scope ends.
struct ActiveTable {
    explicit ActiveTable(Isa isa) { tav::simd::setIsaCap(isa); }
    ~ActiveTable() { tav::simd::setIsaCap(Isa::Neon); }  // the highest: no cap
    ActiveTable(const ActiveTable&) = delete;
    ActiveTable& operator=(const ActiveTable&) = delete;
};

// Runs the body with `isa`'s table active.
template <class Body>
void withTable(Isa isa, const Body& body) {
    ActiveTable active(isa);
    body();
}

}  // namespace kerneltables

#endif

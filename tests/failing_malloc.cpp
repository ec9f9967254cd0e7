#include "failing_malloc.h"

#include <stdlib.h>

#if TAV_TEST_FAIL_MALLOC

extern "C" void* __libc_malloc(size_t size);

namespace {
size_t failSize = 0;
int failSkip = 0;
int seen = 0;
}  // namespace

extern "C" void* malloc(size_t size) __THROW {
    if (failSize != 0 && (size == failSize || failSize == tavtest::kEverySize)) {
        ++seen;
        if (failSkip-- <= 0) return nullptr;
    }
    return __libc_malloc(size);
}

namespace tavtest {
void failAllocationsOf(size_t size, int skip) {
    if (size != 0) seen = 0;  // disarming keeps the count for the test to read
    failSkip = skip;
    failSize = size;
}
int allocationsOfFailSize() { return seen; }
}  // namespace tavtest

#endif

// A malloc interposed in the test binary (forwarding to the C library's
// allocator) so that allocations of one chosen size can be made to fail.
// Works natively and under qemu-arm; sanitizer runtimes own malloc
// themselves, so it is compiled out under them (TAV_TEST_FAIL_MALLOC 0).
#ifndef TAV_TEST_FAILING_MALLOC_H
#define TAV_TEST_FAILING_MALLOC_H

#include <stddef.h>
#include <stdlib.h>  // defines __GLIBC__ on glibc systems

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TAV_TEST_FAIL_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TAV_TEST_FAIL_MALLOC 0
#endif
#endif
#if !defined(TAV_TEST_FAIL_MALLOC) && defined(__GLIBC__)
#define TAV_TEST_FAIL_MALLOC 1
#endif
#if !defined(TAV_TEST_FAIL_MALLOC)
#define TAV_TEST_FAIL_MALLOC 0
#endif

namespace tavtest {

// Armed with this size, allocations of every size count and fail.
constexpr size_t kEverySize = static_cast<size_t>(-1);

// From now on, allocations of exactly `size` bytes fail once `skip` earlier
// ones of that size have succeeded; size 0 disarms.
void failAllocationsOf(size_t size, int skip = 0);
// Allocations of the armed size seen since it was last armed.
int allocationsOfFailSize();

}  // namespace tavtest

#endif

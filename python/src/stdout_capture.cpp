#include "stdout_capture.h"

#include <errno.h>
#include <stdio.h>
#include <unistd.h>

namespace tavpy {

namespace {

// The capture of the current thread, or null outside a library call. Writes
// are delivered on the thread that printed (the stream is unbuffered), so a
// thread-local target attributes every byte to the right call without a lock.
thread_local std::string* threadCapture = nullptr;

ssize_t writeToCaptureOrStdout(void*, const char* data, size_t size) {
    if (threadCapture != nullptr) {
        // No exception may leave through printf: a failed append is a failed write.
        try {
            threadCapture->append(data, size);
        } catch (...) {
            return -1;
        }
        return static_cast<ssize_t>(size);
    }
    size_t written = 0;
    while (written < size) {
        ssize_t n = write(STDOUT_FILENO, data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return written > 0 ? static_cast<ssize_t>(written) : -1;
        written += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(written);
}

}  // namespace

bool installStdoutCapture() {
    static const bool installed = [] {
        cookie_io_functions_t functions = {};
        functions.write = writeToCaptureOrStdout;
        FILE* stream = fopencookie(nullptr, "w", functions);
        if (stream == nullptr) return false;
        // Unbuffered: each write reaches the cookie on the printing thread,
        // before printf returns.
        setvbuf(stream, nullptr, _IONBF, 0);
        fflush(stdout);  // whatever earlier C code left buffered goes out first
        stdout = stream;
        return true;
    }();
    return installed;
}

StdoutCapture::StdoutCapture(std::string& text) : previous_(threadCapture) { threadCapture = &text; }

StdoutCapture::~StdoutCapture() {
    fflush(stdout);
    threadCapture = previous_;
}

}  // namespace tavpy

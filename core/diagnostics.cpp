#include "diagnostics.h"

#include <stdio.h>
#include <string.h>

#include "tav_types.h"

namespace tav {
namespace {

// Where this thread's diagnostics go: a caller's buffer, or stdout when
// `buffer` is null. A plain thread-local POD: no constructor, no C++ runtime.
// Initial-exec TLS is reached without __tls_get_addr, which would make the
// dynamic loader a needed library; the few bytes fit the static TLS that the
// loader keeps for libraries opened later (Python and GStreamer modules).
struct ThreadDiagnostics {
    char* buffer;
    int32_t capacity;
};
__thread ThreadDiagnostics threadDiagnostics __attribute__((tls_model("initial-exec"))) = {nullptr, 0};

// Appends to the NUL-terminated text in the thread's buffer, dropping what
// does not fit; the text stays terminated. The current length is measured
// each time, so a caller that empties the buffer (buffer[0] = 0) reuses it.
void appendToBuffer(const char* text) {
    char* buffer = threadDiagnostics.buffer;
    const size_t capacity = size_t(threadDiagnostics.capacity);
    size_t length = strnlen(buffer, capacity);
    if (length == capacity) length = capacity - 1;  // the caller overwrote the terminator
    const size_t room = capacity - 1 - length;
    size_t count = strlen(text);
    if (count > room) count = room;
    memcpy(buffer + length, text, count);
    buffer[length + count] = '\0';
}

}  // namespace

void printErrorLine(DiagnosticLine line) {
    if (threadDiagnostics.buffer == nullptr) {
        printf("error line = [%d]", int(line));
        return;
    }
    char text[32];
    snprintf(text, sizeof text, "error line = [%d]", int(line));
    appendToBuffer(text);
}

void printDiagnosticMessage(const char* message) {
    if (threadDiagnostics.buffer == nullptr) {
        puts(message);
        return;
    }
    appendToBuffer(message);
    appendToBuffer("\n");  // as puts would end it
}

}  // namespace tav

extern "C" TAV_API TavStatus tavSetThreadDiagnostics(char* buffer, int32_t capacity) {
    if (buffer == nullptr) {
        tav::threadDiagnostics.buffer = nullptr;
        tav::threadDiagnostics.capacity = 0;
        return TAV_OK;
    }
    if (capacity < 1) return TAV_E_SIZE;
    buffer[0] = '\0';
    tav::threadDiagnostics.buffer = buffer;
    tav::threadDiagnostics.capacity = capacity;
    return TAV_OK;
}

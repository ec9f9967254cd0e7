#include "library_diagnostics.h"

#include <stdio.h>
#include <unistd.h>

const char* tavStatusName(TavStatus status) {
    switch (status) {
        case TAV_OK: return "TAV_OK";
        case TAV_E_LSC_FIT: return "TAV_E_LSC_FIT";
        case TAV_E_PIXEL_TYPE: return "TAV_E_PIXEL_TYPE";
        case TAV_E_SIZE: return "TAV_E_SIZE";
        case TAV_E_UNSUPPORTED: return "TAV_E_UNSUPPORTED";
        case TAV_E_NULL_POINTER: return "TAV_E_NULL_POINTER";
        case TAV_E_NO_MEMORY: return "TAV_E_NO_MEMORY";
        default: return "unknown status";
    }
}

namespace {
GMutex captureLock;  // standard output is one per process
}

gchar* tavRepeatWithDiagnostics(TavStatus (*call)(void* data), void* data, TavStatus* status) {
    g_mutex_lock(&captureLock);
    fflush(stdout);
    FILE* capture = tmpfile();
    const int saved = capture != nullptr ? dup(STDOUT_FILENO) : -1;
    if (saved < 0 || dup2(fileno(capture), STDOUT_FILENO) < 0) {
        // Nowhere to capture into: the line goes to standard output as usual.
        if (saved >= 0) close(saved);
        if (capture != nullptr) fclose(capture);
        *status = call(data);
        g_mutex_unlock(&captureLock);
        return g_strdup("");
    }
    *status = call(data);
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    g_mutex_unlock(&captureLock);

    GString* text = g_string_new(nullptr);
    rewind(capture);
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, capture)) > 0) g_string_append_len(text, buffer, gssize(n));
    fclose(capture);
    g_strdelimit(text->str, "\r\n", ' ');
    return g_strstrip(g_string_free(text, FALSE));
}

gchar* tavDescribeRefusal(const char* what, TavStatus (*call)(void* data), void* data,
                          TavStatus firstStatus) {
    TavStatus again = firstStatus;
    gchar* lines = tavRepeatWithDiagnostics(call, data, &again);
    // A refusal that does not repeat (an allocation that succeeds the second
    // time) still reports the first status.
    gchar* text = g_strdup_printf("%s: %s%s(status %d %s)", what, lines, lines[0] ? " " : "",
                                  int(firstStatus), tavStatusName(firstStatus));
    g_free(lines);
    return text;
}

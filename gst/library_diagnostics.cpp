#include "library_diagnostics.h"

#include "tav_header_names.h"

const char* tavStatusName(TavStatus status) {
    for (const TavHeaderName& entry : kTavStatusNames) {
        if (entry.code == status) return entry.name;
    }
    return "unknown status";
}

TavStatus tavCallWithDiagnostics(TavStatus (*call)(void* data), void* data, TavDiagnosticText* lines) {
    tavSetThreadDiagnostics(lines->text, sizeof lines->text);
    const TavStatus status = call(data);
    tavSetThreadDiagnostics(nullptr, 0);
    return status;
}

gchar* tavDescribeRefusal(const char* what, const TavDiagnosticText* lines, TavStatus status) {
    gchar* text = g_strstrip(g_strdelimit(g_strdup(lines->text), "\r\n", ' '));
    gchar* message = g_strdup_printf("%s: %s%s(status %d %s)", what, text, text[0] ? " " : "", int(status),
                                     tavStatusName(status));
    g_free(text);
    return message;
}

#include "library_diagnostics.h"

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

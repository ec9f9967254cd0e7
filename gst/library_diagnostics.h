// Reading the library's diagnostics for element error messages. The library
// prints "error line = [N]" when it refuses a call; the elements have the
// streaming thread's lines written to a buffer of their own instead
// (tavSetThreadDiagnostics), so nothing reaches the process's stdout and no
// other thread is affected.
#ifndef TAV_GST_LIBRARY_DIAGNOSTICS_H
#define TAV_GST_LIBRARY_DIAGNOSTICS_H

#include <glib.h>

#include "tav_types.h"

// "TAV_E_SIZE" and so on; "unknown status" for other codes.
const char* tavStatusName(TavStatus status);

// What a call printed; longer text is cut short (always terminated).
struct TavDiagnosticText {
    char text[256];
};

// Runs call(data) once, with this thread's diagnostics going to *lines, and
// returns its status. The thread's diagnostics go to stdout again afterwards.
TavStatus tavCallWithDiagnostics(TavStatus (*call)(void* data), void* data, TavDiagnosticText* lines);

// The element error text: "<what>: error line = [96] (status -104 TAV_E_SIZE)".
gchar* tavDescribeRefusal(const char* what, const TavDiagnosticText* lines, TavStatus status);

#endif

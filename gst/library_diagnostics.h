// Reading the library's diagnostics for element error messages. The library
// prints "error line = [N]" to standard output when it refuses a call.
#ifndef TAV_GST_LIBRARY_DIAGNOSTICS_H
#define TAV_GST_LIBRARY_DIAGNOSTICS_H

#include <glib.h>

#include "tav_types.h"

// "TAV_E_SIZE" and so on; "unknown status" for other codes.
const char* tavStatusName(TavStatus status);

// Runs call(data) once more with standard output captured and returns what
// the library printed (trimmed; "" when nothing), plus its status. Used only
// after a call was refused, to put its diagnostic line into the element
// error. Captures are serialised across all elements of the process.
gchar* tavRepeatWithDiagnostics(TavStatus (*call)(void* data), void* data, TavStatus* status);

// The element error text: "<what>: error line = [96] (status -104 TAV_E_SIZE)".
gchar* tavDescribeRefusal(const char* what, TavStatus (*call)(void* data), void* data,
                          TavStatus firstStatus);

#endif

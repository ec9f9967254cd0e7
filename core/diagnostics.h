// The one diagnostic line every failing check prints: "error line = [N]" on
// stdout, no newline, nothing flushed, so consecutive failures run together.
#ifndef TAV_CORE_DIAGNOSTICS_H
#define TAV_CORE_DIAGNOSTICS_H

namespace tav {
void printErrorLine(int line);
}

#endif

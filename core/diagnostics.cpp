#include "diagnostics.h"

#include <stdio.h>

namespace tav {
void printErrorLine(DiagnosticLine line) { printf("error line = [%d]", int(line)); }
}  // namespace tav

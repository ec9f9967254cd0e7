#include "diagnostics.h"

#include <stdio.h>

namespace tav {
void printErrorLine(int line) { printf("error line = [%d]", line); }
}  // namespace tav

// Checks of shading table words handed in from Python: the library reads as
// many parameter words as a table's header names, so the header must
// describe exactly the words the array holds.
#pragma once

#include <pybind11/numpy.h>

namespace tavpy {

// Raises ValueError (naming `argument`) unless `table` is a contiguous array
// of 32-bit words whose header matches its length. Tables of a mode the
// library refuses pass: the library refuses them before reading parameters.
void requireWholeTable(const pybind11::array& table, const char* argument = "table");

}  // namespace tavpy

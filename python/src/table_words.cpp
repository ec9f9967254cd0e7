#include "table_words.h"

#include <cstdint>
#include <string>

#include "tav_lsc.h"

namespace py = pybind11;

namespace tavpy {

void requireWholeTable(const py::array& table, const char* argument) {
    const std::string name(argument);
    if (table.ndim() != 1 || table.itemsize() != 4 || !(table.flags() & py::array::c_style)) {
        throw py::value_error(name + ": expected a contiguous array of 32-bit words");
    }
    const size_t count = size_t(table.shape(0));
    if (count < TAV_LSC_TABLE_HEADER_WORDS) throw py::value_error(name + ": fewer words than a table header");
    const uint32_t* words = static_cast<const uint32_t*>(table.data());
    const uint64_t mode = words[0], height = words[1], width = words[2];
    uint64_t parameters = 0;
    if (mode == TAV_LSC_MODE_PIXEL) {
        parameters = height * width;
    } else if (mode == TAV_LSC_MODE_2X2) {
        if (height % 2 != 0 || width % 2 != 0) throw py::value_error(name + ": a per-cell table of odd size");
        parameters = (height / 2) * (width / 2);
    } else {
        return;
    }
    if (count != TAV_LSC_TABLE_HEADER_WORDS + parameters) {
        throw py::value_error(name + ": the header describes " + std::to_string(parameters) +
                              " parameter words, the array holds " +
                              std::to_string(count - TAV_LSC_TABLE_HEADER_WORDS));
    }
}

}  // namespace tavpy

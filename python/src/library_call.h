// Library calls from the module: without the GIL, with this thread's
// diagnostics sent to a buffer of the call's own (tavSetThreadDiagnostics: no
// process-wide state), returning the status together with whatever the
// library printed.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>

#include "tav_types.h"

namespace tavpy {

template <typename Call>
pybind11::tuple callLibrary(Call&& call) {
    char diagnostics[512];
    int32_t status;
    {
        pybind11::gil_scoped_release release;
        tavSetThreadDiagnostics(diagnostics, sizeof diagnostics);
        status = call();
        tavSetThreadDiagnostics(nullptr, 0);
    }
    return pybind11::make_tuple(status, pybind11::bytes(diagnostics).attr("decode")("utf-8", "replace"));
}

}  // namespace tavpy

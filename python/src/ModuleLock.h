#pragma once

#include <pybind11/pybind11.h>

namespace tonalyx::python {

// The value of compute, computed with the interpreter's lock released, so that other Python
// threads run meanwhile.
template <typename Compute>
auto WithoutTheLock(Compute compute) {
    pybind11::gil_scoped_release release;
    return compute();
}

}  // namespace tonalyx::python

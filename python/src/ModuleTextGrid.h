#pragma once

#include <pybind11/pybind11.h>

namespace tonalyx::python {

// The TextGrid functions of the module: read_textgrid, write_textgrid and measure, and the
// TextGridError they raise for a file that cannot be read or a grid that cannot be written.
void AddTextGridFunctions(pybind11::module_& module);

}  // namespace tonalyx::python

// The command line's own entry for Python: tonalyx.run_cli runs tonalyx-cli inside the calling
// process, for scripts that want its exact output without starting a program.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliMain.h"

namespace py = pybind11;

PYBIND11_MODULE(_tonalyx_cli, module) {
    module.doc() = "tonalyx-cli run inside the Python process.";
    module.def(
        "run_cli",
        [](const std::vector<std::string>& arguments) {
            std::ostringstream out;
            std::ostringstream err;
            int status = 0;
            {
                py::gil_scoped_release release;
                status = tonalyx::cli::RunCli(arguments, out, err, false);
            }
            return py::make_tuple(status, py::bytes(out.str()), py::bytes(err.str()));
        },
        py::arg("arguments"),
        R"(run_cli(arguments: list[str]) -> tuple[int, bytes, bytes]

Runs tonalyx-cli on the arguments (without the program's name, e.g. ["pitch", "a.wav",
"--step", "0.01"]) in this process, without a progress bar, and returns (status, out, err):
the exit status (0 every file done, 1 a file or an output failed, 2 a usage error), the bytes
it wrote to standard output and the bytes of its messages ("tonalyx-cli: ..." lines). Files
named with -o are written as the program writes them.)");
}

#include <unistd.h>

#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliMain.h"
#include "requests/FreedBuffers.h"
#include "requests/StandardOutput.h"
#include "requests/TemporaryFiles.h"

// tonalyx-cli: the window's analyses for scripts and long corpora, without a display.
int main(int argc, char* argv[]) {
    // Before any file is opened, so that no output lands on a closed standard descriptor.
    const tonalyx::requests::ClosedDescriptors closed =
        tonalyx::requests::OpenClosedStandardDescriptors();
    tonalyx::requests::RemoveTemporariesOnSignals();
    tonalyx::requests::KeepFreedBuffers();
    std::ios::sync_with_stdio(false);
    // Standard output through a buffer that keeps the system's reason for a failed write, so
    // that a full disk or a closed pipe is reported and never taken for success.
    tonalyx::requests::DescriptorOutput standardOutput(STDOUT_FILENO, closed.output);
    std::ostream out(&standardOutput);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    int status = tonalyx::cli::RunCli(arguments, out, std::cerr, isatty(STDERR_FILENO) == 1);
    if (auto failure = standardOutput.Close()) {
        std::cerr << "tonalyx-cli: cannot write standard output: " << *failure << '\n';
        if (status == tonalyx::cli::kExitDone) status = tonalyx::cli::kExitFileFailed;
    }
    return status;
}

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/CliMain.h"

// tonalyx-cli: the window's analyses for scripts and long corpora, without a display.
int main(int argc, char* argv[]) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return tonalyx::cli::RunCli(arguments, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}

#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tonalyx::cli {

// Exit statuses of tonalyx-cli.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFileFailed = 1;
inline constexpr int kExitUsage = 2;

// The whole program on its arguments (without the program name): results go to out, errors
// as "tonalyx-cli: message" lines and the progress bar (when progressOnTerminal) to err. Files
// are written in their order (several may be analysed at once); a failed file is reported and
// the others still run. When out
// fails, the run stops with kExitFileFailed and nothing said: the owner of out knows why.
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           bool progressOnTerminal);

}  // namespace tonalyx::cli

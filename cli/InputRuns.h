#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "requests/SettingsTable.h"

namespace tonalyx::cli {

// Where the results go: standard output, one file for all inputs (a table), or one file per
// input.
enum class OutputMode { StandardOutput, OneFile, OnePerInput };

OutputMode ModeOf(const CliOptions& options);

// How many inputs run at once: two per processor when there are several inputs, each read only
// up to the length limit; one at a time when each may be read whole (--whole, --max-seconds),
// so that an hour's table streams out and is never held.
int InputsAtOnce(const CliOptions& options);

// Runs the command on every input into its output (outputs: each input's file, or the one
// table's) and returns the exit status. A failed input is reported and the others still run.
// Inputs run at once are written in their order, the same bytes as one after another.
int RunInputs(const CliOptions& options, const std::vector<std::string>& outputs,
              const RecordSet& records, std::ostream& out, std::ostream& err,
              bool progressOnTerminal);

}  // namespace tonalyx::cli

#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "cli/CliArguments.h"
#include "cli/ProgressBar.h"
#include "cli/SettingsTable.h"

namespace tonalyx::cli {

// What every command needs besides its file.
struct CommandContext {
    const CliOptions& options;
    const RecordSet& records;
    std::ostream& out;       // the command's results
    std::ostream& messages;  // notes and warnings, one line each
    ProgressBar& progress;
    // The tables of several files form one table under one header.
    bool headerWritten = false;
};

// Each command runs on one file and returns why it failed, or none when it is done.
std::optional<std::string> RunLevels(const std::string& path, CommandContext& context);
std::optional<std::string> RunPitch(const std::string& path, CommandContext& context);
std::optional<std::string> RunSpectrum(const std::string& path, CommandContext& context);
std::optional<std::string> RunInfo(const std::string& path, CommandContext& context);

// The settings listing: name, record, accepted values, current value and unit.
void ListSettings(const RecordSet& records, std::ostream& out);

}  // namespace tonalyx::cli

#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/LevelImage.h"
#include "cli/CliArguments.h"
#include "cli/ProgressBar.h"
#include "requests/CommandView.h"
#include "requests/SettingsTable.h"
#include "requests/StreamedView.h"

namespace tonalyx::cli {

// What every command needs besides its file.
struct CommandContext {
    const CliOptions& options;
    const RecordSet& records;
    std::ostream& out;       // the command's results: standard output, or an output file's bytes
    std::ostream& messages;  // notes and warnings, one line each
    ProgressBar& progress;
    // The tables written to one output form one table under one header.
    bool headerWritten = false;
    // The command's failure is a usage error that only the file could show (a --step shorter
    // than its sample period).
    bool usageError = false;
};

// "tonalyx-cli: FILE: text" on the messages stream.
void Note(CommandContext& context, const std::string& path, const std::string& text);

// The notes of the shared analysis path on the file at path, written as Note writes them.
requests::NoteSink NotesOf(CommandContext& context, const std::string& path);

// LoadSound with the notes on every change the read made to the input.
std::optional<std::string> LoadSoundWithNotes(const std::string& path, CommandContext& context,
                                              SoundData& sound, LoadReport& report);

// Each command runs on one file and returns why it failed, or none when it is done.
std::optional<std::string> RunLevels(const std::string& path, CommandContext& context);
std::optional<std::string> RunPitch(const std::string& path, CommandContext& context);
std::optional<std::string> RunSpectrum(const std::string& path, CommandContext& context);
std::optional<std::string> RunInfo(const std::string& path, CommandContext& context);
std::optional<std::string> RunFormants(const std::string& path, CommandContext& context);
std::optional<std::string> RunIntensity(const std::string& path, CommandContext& context);
std::optional<std::string> RunIntervals(const std::string& path, CommandContext& context);
std::optional<std::string> RunMeasure(const std::string& path, CommandContext& context);

// An output of measure that is the TextGrid of its sound (or, for one output, of any sound):
// the message, or none.
std::optional<std::string> MeasureOutputClash(const CliOptions& options,
                                              const std::vector<std::string>& outputs);

// The file of the levels command from the top-left columns x rows of the level image: PNG of
// grey 255 - level or PGM of the levels, as the options choose.
std::vector<std::uint8_t> LevelsImageBytes(const LevelImage& levels, int columns, int rows,
                                           const CliOptions& options);

// The settings listing: name, record, accepted values, current value, meaning and whether the
// field changes what the command line computes.
void ListSettings(const RecordSet& records, std::ostream& out);

}  // namespace tonalyx::cli

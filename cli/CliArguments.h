#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "requests/AnalysisRequest.h"
#include "requests/ImageFiles.h"
#include "requests/OutputNames.h"

namespace tonalyx::cli {

// The command line is one front end of the request library: its names are used unqualified.
using namespace tonalyx::requests;

enum class Command {
    Help,
    Version,
    Levels,
    Pitch,
    Spectrum,
    Info,
    Settings,
    Formants,
    Intensity,
    Intervals,
    Measure,
};

// The command line's arguments: the command, its files and output, and the analysis request
// they make of every file.
struct CliOptions : AnalysisRequest {
    Command command = Command::Help;
    Command helpTopic = Command::Help;  // Help: the command whose help is asked for, or Help
    std::vector<std::string> files;
    // Where the results go: a file name in which {name} and {path} stand for each input, "-"
    // for standard output; empty for standard output (tables) or none (levels).
    std::string output;
};

inline constexpr std::string_view kStandardOutput = "-";

// Reads the arguments after the program name. Returns the options, or sets error to a message
// for the user (an unknown command or option, a missing or bad value, options that do not go
// together) and returns none. --help anywhere asks for the usage text, of the command when one
// is named; --version for the version line.
std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         std::string& error);

// The image type levels writes: --format when given, else the output name's extension.
ImageFileType LevelsImageType(const CliOptions& options);

// The usage text: of the whole program for Command::Help, else of that command alone.
std::string UsageText(Command topic = Command::Help);

// "tonalyx-cli 2.0": the program's name and the project's version.
std::string VersionText();

}  // namespace tonalyx::cli

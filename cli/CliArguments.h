#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ImageFiles.h"

namespace tonalyx::cli {

enum class Command { Help, Version, Levels, Pitch, Spectrum, Info, Settings };

enum class TableFormat { Csv, Tsv };

// How a table prints a value that the analysis could not give: an unvoiced frame of the pitch
// track, a level at the dB floor of pure digital silence. Window prints what the window
// computes (0 Hz, the floor in dB); Empty leaves the cell empty; NaN writes "NaN".
enum class MissingValues { Window, Empty, NaN };

// The stretch of sound in view, as the window would show it.
struct ViewOptions {
    int columns = 1024;  // the wave view's width in pixel columns
    bool fit = false;    // Fit To Window left on
    std::optional<int> samplesPerColumn;
    std::optional<int> firstColumn;
};

struct CliOptions {
    Command command = Command::Help;
    Command helpTopic = Command::Help;  // Help: the command whose help is asked for, or Help
    std::vector<std::string> files;
    // Where the results go: a file name in which {name} and {path} stand for each input, "-"
    // for standard output; empty for standard output (tables) or none (levels).
    std::string output;
    int kind = 1;  // AnalysisKind: FFT unless --kind says otherwise
    bool overlayPitch = false;
    ViewOptions view;
    std::optional<int> channel;
    std::vector<std::string> settings;  // NAME=VALUE, in the order given
    TableFormat format = TableFormat::Csv;
    std::optional<ImageFileType> imageFormat;  // levels: --format png|pgm
    MissingValues missing = MissingValues::Window;
    int column = -1;              // spectrum: the first column of the range
    std::optional<int> toColumn;  // spectrum: the last column of the range (included)
    std::optional<double> time;   // spectrum: seconds from the start of the sound
    std::optional<double> toTime;
    std::optional<double> maxSeconds;  // read up to that many seconds of each file
    bool whole = false;                // read all of each file
    std::optional<double> step;        // pitch: one row every step seconds
};

inline constexpr int kMaxViewColumns = 32768;
inline constexpr std::string_view kNamePlaceholder = "{name}";
inline constexpr std::string_view kPathPlaceholder = "{path}";
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

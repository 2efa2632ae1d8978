#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonalyx::cli {

enum class Command { Help, Levels, Pitch, Spectrum, Info, Settings };

enum class TableFormat { Csv, Tsv };

// The stretch of sound in view, as the window would show it.
struct ViewOptions {
    int columns = 1024;  // the wave view's width in pixel columns
    bool fit = false;    // Fit To Window left on
    std::optional<int> samplesPerColumn;
    std::optional<int> firstColumn;
};

struct CliOptions {
    Command command = Command::Help;
    std::vector<std::string> files;
    std::string output;  // levels: the image file, "{name}" standing for each input's name
    int kind = 1;        // AnalysisKind: FFT unless --kind says otherwise
    bool overlayPitch = false;
    ViewOptions view;
    std::optional<int> channel;
    std::vector<std::string> settings;  // NAME=VALUE, in the order given
    TableFormat format = TableFormat::Csv;
    int column = -1;              // spectrum: the first column of the range
    std::optional<int> toColumn;  // spectrum: the last column of the range (included)
};

inline constexpr int kMaxViewColumns = 32768;
inline constexpr std::string_view kNamePlaceholder = "{name}";

// Reads the arguments after the program name. Returns the options, or sets error to a message
// for the user (an unknown command or option, a missing or bad value, options that do not go
// together) and returns none. --help anywhere asks for the usage text.
std::optional<CliOptions> ParseArguments(const std::vector<std::string>& arguments,
                                         std::string& error);

// The usage text printed by --help.
const char* UsageText();

}  // namespace tonalyx::cli

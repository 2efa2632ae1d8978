#pragma once

#include <span>
#include <string_view>

#include "cli/CliArguments.h"

namespace tonalyx::cli {

// The commands an option applies to, as bits.
enum CommandMask : unsigned {
    kLevels = 1u << 0,
    kPitch = 1u << 1,
    kSpectrum = 1u << 2,
    kInfo = 1u << 3,
    kSettings = 1u << 4,
    kFormants = 1u << 5,
    kIntensity = 1u << 6,
    kIntervals = 1u << 7,
    kMeasure = 1u << 8,
    kMeasureCommands = kFormants | kIntensity,
    kViewCommands = kLevels | kSpectrum,
    kValueTables = kPitch | kSpectrum | kMeasureCommands | kMeasure,
    kTableCommands = kValueTables | kIntervals,
    kSoundCommands = kLevels | kPitch | kSpectrum | kInfo | kMeasureCommands | kMeasure,
    kAllCommands = kSoundCommands | kSettings | kIntervals,
};

struct CommandEntry {
    std::string_view name;
    Command command;
    unsigned mask;
    std::string_view synopsis;     // what follows the command's name in the usage line
    std::string_view description;  // what it does and prints, lines of at most 80 columns
};

struct OptionSpec {
    std::string_view name;
    std::string_view valueName;  // empty for an option without a value
    unsigned commands;
    std::string_view help;  // one line
};

std::span<const CommandEntry> CommandTable();
// Every option; one name may have an entry per group of commands (--format).
std::span<const OptionSpec> OptionTable();

const CommandEntry* FindCommand(std::string_view name);
// The entry of that name for one of the commands in mask; none when there is none.
const OptionSpec* FindOption(std::string_view name, unsigned mask);

}  // namespace tonalyx::cli

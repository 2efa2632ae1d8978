#include <algorithm>

#include "cli/CliArguments.h"
#include "cli/CliOptionTable.h"

#ifndef TONALYX_VERSION
#error "TONALYX_VERSION must name the project's version"
#endif

namespace tonalyx::cli {

namespace {

constexpr std::size_t kHelpColumn = 36;

constexpr std::string_view kIntroduction =
    "Tonalyx's analyses without a window: the computations of the window's\n"
    "commands.\n";

constexpr std::string_view kOutputNames =
    "Output names: {name} in OUT stands for the input's file name without its\n"
    "extension, {path} for its path without extension relative to the deepest\n"
    "folder that holds all the inputs (folders are created as needed; nothing is\n"
    "written above OUT's folder). With several files levels needs one of them;\n"
    "pitch and spectrum write one table per input with one, else one table of all\n"
    "files. Before any work, files are compared, not names: an output that is an\n"
    "input (under any spelling or link) and two inputs that would write one file\n"
    "are refused. Files are written whole or not at all, through a temporary\n"
    "file beside them that an interrupted run removes (or the next run, after a\n"
    "kill); a replaced file keeps its permissions and a link its target. Devices,\n"
    "pipes and /dev/stdout or /dev/fd/N are written directly, never replaced. A\n"
    "table of several files keeps only the files read whole: a failed file's rows\n"
    "are taken out, and when no file gives a table the old file stays. Several\n"
    "files are analysed at once, two per processor, and written in their order;\n"
    "with --whole or --max-seconds one at a time, so that long tables stream.\n";

constexpr std::string_view kTables =
    "Tables always begin with the file column, for one file as for many. CSV quotes\n"
    "a file name that holds a comma, a quote or a line break; TSV writes a tab, a\n"
    "line break, a carriage return and a backslash in a name as \\t, \\n, \\r and \\\\.\n";

constexpr std::string_view kNotes =
    "Notes on standard error say whenever the input is changed: a sound cut to its\n"
    "length limit, a channel that does not exist replaced by the last one, a file\n"
    "shorter than its header claims (every container's claim is checked), a data\n"
    "size of 0xFFFFFFFF read to the end of the file, float samples clipped or\n"
    "replaced (counted once the file is done), a pipe read as a WAV stream up to\n"
    "the limit, a --fit that a short sound ignores, a first column beyond the\n"
    "scroll range.\n";

constexpr std::string_view kFiles =
    "Files: waves, FLAC, Ogg, Opus, MP3, AIFF, AU, CAF, W64, RF64, NIST SPHERE and\n"
    "compressed waves, recognised by their content. Each is read up to maxSoundLength\n"
    "seconds (120 by default, at most 300, as in the window), or up to S seconds with\n"
    "--max-seconds S, or all of it with --whole: recordings of hours are worked in\n"
    "bounded memory, reading only the frames each command needs.\n";

constexpr std::string_view kView =
    "Without --fit and --samples-per-column the view is the one the window shows\n"
    "after opening the file in a wave view N columns wide and switching Fit To\n"
    "Window off.\n";

constexpr std::string_view kExitStatus =
    "Exit status: 0 when every file was done, 1 when a file or an output failed, 2\n"
    "for a usage error (nothing is then read or written; a --step shorter than a\n"
    "file's sample period is found when that file is opened).\n";

std::string OptionLine(std::string_view name, std::string_view value, std::string_view help) {
    std::string line = "  ";
    line.append(name);
    if (!value.empty()) line.append(" ").append(value);
    line.resize(std::max(line.size() + 2, kHelpColumn), ' ');
    line.append(help).append("\n");
    return line;
}

std::string Indented(std::string_view text, std::string_view indent) {
    std::string out(indent);
    for (char c : text) {
        out += c;
        if (c == '\n') out += indent;
    }
    return out + "\n";
}

std::string ProgramUsage() {
    std::string text =
        "Usage: tonalyx-cli COMMAND [OPTIONS] FILE...\n"
        "       tonalyx-cli COMMAND --help\n"
        "       tonalyx-cli --version\n\n";
    text += kIntroduction;
    text += "\nCommands:\n";
    for (const CommandEntry& entry : CommandTable()) {
        text += "  " + std::string(entry.name) + " " + std::string(entry.synopsis) + "\n";
        text += Indented(entry.description, "        ");
    }
    text += "\nOptions (tonalyx-cli COMMAND --help lists those of one command):\n";
    for (const OptionSpec& option : OptionTable())
        text += OptionLine(option.name, option.valueName, option.help);
    text += OptionLine("-h, --help", "", "this text (after a command: its options)");
    text += OptionLine("--version", "", "the program's version");
    text += "\n";
    text += kOutputNames;
    text += "\n";
    text += kTables;
    text += "\n";
    text += kFiles;
    text += "\n";
    text += kNotes;
    text += "\n";
    text += kView;
    text += "\n";
    text += kExitStatus;
    return text;
}

std::string CommandUsage(const CommandEntry& command) {
    std::string text = "Usage: tonalyx-cli " + std::string(command.name) + " " +
                       std::string(command.synopsis) + "\n\n";
    text += command.description;
    text += "\n\nOptions:\n";
    for (const OptionSpec& option : OptionTable()) {
        if (option.commands & command.mask)
            text += OptionLine(option.name, option.valueName, option.help);
    }
    text += OptionLine("-h, --help", "", "this text");
    if (command.mask & (kLevels | kTableCommands)) text += "\n" + std::string(kOutputNames);
    if (command.mask & kTableCommands) text += "\n" + std::string(kTables);
    if (command.mask & kSoundCommands) {
        text += "\n" + std::string(kFiles);
        text += "\n" + std::string(kNotes);
    }
    if (command.mask & kViewCommands) text += "\n" + std::string(kView);
    text += "\n" + std::string(kExitStatus);
    return text;
}

}  // namespace

std::string UsageText(Command topic) {
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.command == topic) return CommandUsage(entry);
    }
    return ProgramUsage();
}

std::string VersionText() {
    return "tonalyx-cli " TONALYX_VERSION "\n";
}

}  // namespace tonalyx::cli

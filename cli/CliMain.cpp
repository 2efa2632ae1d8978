#include "cli/CliMain.h"

#include <exception>
#include <filesystem>
#include <optional>

#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/OutputFiles.h"
#include "cli/OutputNames.h"
#include "cli/SettingsTable.h"

namespace tonalyx::cli {

namespace {

constexpr std::string_view kProgram = "tonalyx-cli: ";

// Where the results go: standard output, one file for all inputs (a table), or one file per
// input.
enum class OutputMode { StandardOutput, OneFile, OnePerInput };

OutputMode ModeOf(const CliOptions& options) {
    if (options.output.empty() || options.output == kStandardOutput) {
        return OutputMode::StandardOutput;
    }
    if (options.command == Command::Levels || NamesOnePerInput(options.output)) {
        return OutputMode::OnePerInput;
    }
    return OutputMode::OneFile;
}

// The records from the factory defaults, the --set assignments in order and --channel last,
// checked for settings that contradict each other.
std::optional<std::string> BuildRecords(const CliOptions& options, RecordSet& records) {
    for (const std::string& assignment : options.settings) {
        if (auto error = ApplySetting(records, assignment)) return error;
    }
    if (options.channel) {
        const std::string text = std::to_string(*options.channel);
        if (ApplySetting(records, "channelIndex=" + text)) {
            return "--channel must be " + DescribeValues(*FindSettingField("channelIndex")) +
                   ", not '" + text + "'";
        }
    }
    return CheckSettingsAgree(records);
}

std::optional<std::string> RunOnFile(const std::string& path, CommandContext& context) {
    switch (context.options.command) {
        case Command::Levels:
            return RunLevels(path, context);
        case Command::Pitch:
            return RunPitch(path, context);
        case Command::Spectrum:
            return RunSpectrum(path, context);
        case Command::Info:
            return RunInfo(path, context);
        case Command::Help:
        case Command::Version:
        case Command::Settings:
            break;
    }
    return std::nullopt;
}

std::optional<std::string> RunGuarded(const std::string& path, CommandContext& context) {
    try {
        return RunOnFile(path, context);
    } catch (const std::exception& exception) {
        return exception.what();
    }
}

// The usage errors that need the outputs: two inputs writing one file, an output replacing
// an input.
std::optional<std::string> CheckOutputs(const CliOptions& options, OutputMode mode) {
    if (mode == OutputMode::OnePerInput) return FindOutputClash(options.output, options.files);
    if (mode == OutputMode::OneFile) {
        // One table of all inputs: only an input it would replace is a clash.
        for (const std::string& input : options.files) {
            if (auto clash = FindOutputClash(options.output, {input})) return clash;
        }
    }
    return std::nullopt;
}

// The folders of each output made where {path} asks for them.
std::optional<std::string> MakeFolders(const std::string& target) {
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (folder.empty()) return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return "cannot write '" + target + "': " + SystemReason(error.value());
    return std::nullopt;
}

int RunFiles(const CliOptions& options, const RecordSet& records, std::ostream& out,
             std::ostream& err, bool progressOnTerminal) {
    const OutputMode mode = ModeOf(options);
    const bool makeFolders = options.output.find(kPathPlaceholder) != std::string::npos;
    // One table of all inputs goes to its file as it grows, and into place at the end.
    WholeFileStream wholeTable(options.output);
    std::ostream wholeTableStream(&wholeTable);
    if (mode == OutputMode::OneFile) {
        if (auto failure = wholeTable.Open()) {
            err << kProgram << *failure << '\n';
            return kExitFileFailed;
        }
    }
    ProgressBar progress(err, progressOnTerminal);
    bool headerWritten = false;
    int status = kExitDone;
    const int count = static_cast<int>(options.files.size());
    for (int number = 1; number <= count; ++number) {
        const std::string& path = options.files[static_cast<std::size_t>(number - 1)];
        progress.SetFile(number, count);
        const std::string target =
            mode == OutputMode::OnePerInput ? OutputPath(options.output, path) : std::string();
        WholeFileStream fileOutput(target);
        std::ostream fileStream(&fileOutput);
        std::ostream& results = mode == OutputMode::StandardOutput ? out
                                : mode == OutputMode::OneFile      ? wholeTableStream
                                                                   : fileStream;
        CommandContext context{options, records, results, err, progress};
        context.headerWritten = mode != OutputMode::OnePerInput && headerWritten;
        std::optional<std::string> failure;
        if (mode == OutputMode::OnePerInput) {
            if (makeFolders) failure = MakeFolders(target);
            if (!failure) failure = fileOutput.Open();
        }
        if (!failure) failure = RunGuarded(path, context);
        headerWritten = context.headerWritten;
        progress.Finish();
        if (!failure && mode == OutputMode::OnePerInput) failure = fileOutput.Commit();
        if (failure) {
            err << kProgram << path << ": " << *failure << '\n';
            status = kExitFileFailed;
        }
        // A standard output that fails takes every later result too: stop here.
        if (!out.flush()) return kExitFileFailed;
        // So does the one table's file.
        if (mode == OutputMode::OneFile && wholeTable.Failure()) break;
    }
    if (mode == OutputMode::OneFile && headerWritten) {
        wholeTableStream.flush();
        if (auto failure = wholeTable.Commit()) {
            err << kProgram << *failure << '\n';
            status = kExitFileFailed;
        }
    }
    return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           bool progressOnTerminal) {
    if (arguments.empty()) {
        err << UsageText();
        return kExitUsage;
    }
    std::string error;
    const std::optional<CliOptions> options = ParseArguments(arguments, error);
    if (!options) {
        err << kProgram << error << "; see tonalyx-cli --help\n";
        return kExitUsage;
    }
    if (options->command == Command::Help) {
        out << UsageText(options->helpTopic);
        return out.flush() ? kExitDone : kExitFileFailed;
    }
    if (options->command == Command::Version) {
        out << VersionText();
        return out.flush() ? kExitDone : kExitFileFailed;
    }
    RecordSet records;
    if (auto settingError = BuildRecords(*options, records)) {
        err << kProgram << *settingError << '\n';
        return kExitUsage;
    }
    if (options->command == Command::Settings) {
        ListSettings(records, out);
        return out.flush() ? kExitDone : kExitFileFailed;
    }
    if (auto clash = CheckOutputs(*options, ModeOf(*options))) {
        err << kProgram << *clash << '\n';
        return kExitUsage;
    }
    return RunFiles(*options, records, out, err, progressOnTerminal);
}

}  // namespace tonalyx::cli

#include "cli/CliMain.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>

#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "requests/OutputFiles.h"
#include "requests/OutputNames.h"
#include "requests/RequestCheck.h"
#include "requests/SettingsTable.h"
#include "requests/TemporaryFiles.h"

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
        case Command::Formants:
            return RunFormants(path, context);
        case Command::Intensity:
            return RunIntensity(path, context);
        case Command::Intervals:
            return RunIntervals(path, context);
        case Command::Measure:
            return RunMeasure(path, context);
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

// Each input's output: its own file, or the one file of all of them.
std::vector<std::string> OutputsOf(const CliOptions& options, OutputMode mode) {
    if (mode == OutputMode::OneFile) return {options.output};
    std::vector<std::string> outputs;
    if (mode != OutputMode::OnePerInput) return outputs;
    const std::string base = CommonFolder(options.files);
    for (const std::string& input : options.files)
        outputs.push_back(OutputPath(options.output, input, base));
    return outputs;
}

// Before any work: the folders that will hold the outputs take a file (made first where {path}
// asks for them), and the temporary files an earlier run left there when it was killed are
// removed, with a note.
std::optional<std::string> PrepareOutputFolders(const CliOptions& options,
                                                const std::vector<std::string>& outputs,
                                                std::ostream& err) {
    const bool makeFolders = options.output.find(kPathPlaceholder) != std::string::npos;
    std::set<std::string> folders;
    for (const std::string& output : outputs) {
        if (!folders.insert(std::filesystem::path(output).parent_path().string()).second) continue;
        std::optional<std::string> temporaryFolder;
        if (auto failure = CheckOutputFolder(output, makeFolders, &temporaryFolder)) return failure;
        if (!temporaryFolder) continue;  // a device, a pipe or a descriptor
        if (const int removed = RemoveStaleTemporaries(*temporaryFolder)) {
            err << kProgram << "removed " << removed << " temporary "
                << (removed == 1 ? "file" : "files") << " left by an interrupted run in '"
                << (temporaryFolder->empty() ? "." : *temporaryFolder) << "'\n";
        }
    }
    return std::nullopt;
}

int RunFiles(const CliOptions& options, const std::vector<std::string>& outputs,
             const RecordSet& records, std::ostream& out, std::ostream& err,
             bool progressOnTerminal) {
    const OutputMode mode = ModeOf(options);
    if (auto failure = PrepareOutputFolders(options, outputs, err)) {
        err << kProgram << *failure << '\n';
        return kExitFileFailed;
    }
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
    bool anyDone = false;
    int status = kExitDone;
    const int count = static_cast<int>(options.files.size());
    for (int number = 1; number <= count; ++number) {
        const auto index = static_cast<std::size_t>(number - 1);
        const std::string& path = options.files[index];
        progress.SetFile(number, count);
        WholeFileStream fileOutput(mode == OutputMode::OnePerInput ? outputs[index] : "");
        std::ostream fileStream(&fileOutput);
        std::ostream& results = mode == OutputMode::StandardOutput ? out
                                : mode == OutputMode::OneFile      ? wholeTableStream
                                                                   : fileStream;
        CommandContext context{options, records, results, err, progress};
        context.headerWritten = mode != OutputMode::OnePerInput && headerWritten;
        wholeTableStream.flush();
        const std::uint64_t tableSizeBefore = wholeTable.Size();
        std::optional<std::string> failure;
        if (mode == OutputMode::OnePerInput) failure = fileOutput.Open();
        if (!failure) failure = RunGuarded(path, context);
        progress.Finish();
        if (!failure && mode == OutputMode::OnePerInput) failure = fileOutput.Commit();
        if (failure) {
            err << kProgram << path << ": " << *failure << '\n';
            status = std::max(status, context.usageError ? kExitUsage : kExitFileFailed);
            // The one table keeps only whole tables: a failed input's rows are taken back.
            wholeTableStream.flush();
            if (mode == OutputMode::OneFile && wholeTable.TruncateTo(tableSizeBefore)) {
                context.headerWritten = headerWritten;
            }
        } else {
            anyDone = true;
        }
        headerWritten = context.headerWritten;
        // A standard output that fails takes every later result too: stop here.
        if (!out.flush()) return kExitFileFailed;
        // So does the one table's file.
        if (mode == OutputMode::OneFile && wholeTable.Failure()) break;
    }
    if (mode == OutputMode::OneFile) {
        wholeTableStream.flush();
        if (!anyDone && wholeTable.TruncateTo(0)) {
            err << kProgram << "nothing written to '" << options.output
                << "': no input gave a table\n";
        } else if (auto failure = wholeTable.Commit()) {
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
    const std::vector<std::string> outputs = OutputsOf(*options, ModeOf(*options));
    if (auto clash = FindOutputClash(options->files, outputs,
                                     options->output.find(kPathPlaceholder) != std::string::npos)) {
        err << kProgram << *clash << '\n';
        return kExitUsage;
    }
    if (options->command == Command::Measure) {
        if (auto clash = MeasureOutputClash(*options, outputs)) {
            err << kProgram << *clash << '\n';
            return kExitUsage;
        }
    }
    return RunFiles(*options, outputs, records, out, err, progressOnTerminal);
}

}  // namespace tonalyx::cli

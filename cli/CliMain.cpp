#include "cli/CliMain.h"

#include <filesystem>
#include <optional>
#include <set>

#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/InputRuns.h"
#include "requests/OutputFiles.h"
#include "requests/OutputNames.h"
#include "requests/RequestCheck.h"
#include "requests/SettingsTable.h"
#include "requests/TemporaryFiles.h"

namespace tonalyx::cli {

namespace {

constexpr std::string_view kProgram = "tonalyx-cli: ";

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
    if (auto failure = PrepareOutputFolders(*options, outputs, err)) {
        err << kProgram << *failure << '\n';
        return kExitFileFailed;
    }
    return RunInputs(*options, outputs, records, out, err, progressOnTerminal);
}

}  // namespace tonalyx::cli

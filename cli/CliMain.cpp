#include "cli/CliMain.h"

#include <exception>
#include <optional>

#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/SettingsTable.h"

namespace tonalyx::cli {

namespace {

constexpr std::string_view kProgram = "tonalyx-cli: ";

// The records from the factory defaults, the --set assignments in order and --channel last.
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
    return std::nullopt;
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
        case Command::Settings:
            break;
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
        out << UsageText();
        return kExitDone;
    }
    RecordSet records;
    if (auto settingError = BuildRecords(*options, records)) {
        err << kProgram << *settingError << '\n';
        return kExitUsage;
    }
    if (options->command == Command::Settings) {
        ListSettings(records, out);
        return kExitDone;
    }

    ProgressBar progress(err, progressOnTerminal);
    CommandContext context{*options, records, out, err, progress};
    int status = kExitDone;
    for (const std::string& path : options->files) {
        std::optional<std::string> failure;
        try {
            failure = RunOnFile(path, context);
        } catch (const std::exception& exception) {
            failure = exception.what();
        }
        progress.Finish();
        out.flush();
        if (failure) {
            err << kProgram << path << ": " << *failure << '\n';
            status = kExitFileFailed;
        }
    }
    return status;
}

}  // namespace tonalyx::cli

#include "cli/InputRuns.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <sstream>
#include <string_view>

#include "analysis/FrameBlocks.h"
#include "cli/CliMain.h"
#include "cli/Commands.h"
#include "dsp/OrderedBlocks.h"
#include "requests/CommandView.h"
#include "requests/OutputFiles.h"
#include "requests/OutputNames.h"

namespace tonalyx::cli {

namespace {

constexpr std::string_view kProgram = "tonalyx-cli: ";

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

// What the run over the inputs keeps from one input to the next.
struct InputsState {
    const CliOptions& options;
    const std::vector<std::string>& outputs;
    const RecordSet& records;
    const OutputMode mode;
    std::ostream& out;
    std::ostream& err;
    ProgressBar& progress;
    // The one table of all inputs: it goes to its file as it grows, and into place at the end.
    WholeFileStream& wholeTable;
    std::ostream& wholeTableStream;
    bool headerWritten = false;
    bool anyDone = false;
    int status = kExitDone;

    std::ostream& Results() { return mode == OutputMode::OneFile ? wholeTableStream : out; }
    std::string OwnOutput(std::size_t index) const {
        return mode == OutputMode::OnePerInput ? outputs[index] : std::string();
    }

    // The input's failure said, or the input counted as done.
    void Report(const std::string& path, const std::optional<std::string>& failure,
                bool usageError) {
        if (failure) {
            err << kProgram << path << ": " << *failure << '\n';
            status = std::max(status, usageError ? kExitUsage : kExitFileFailed);
        } else {
            anyDone = true;
        }
    }

    // False when standard output or the one table's file failed: every later result would be
    // lost too.
    bool OutputsHold() {
        if (!out.flush()) {
            status = kExitFileFailed;
            return false;
        }
        return !(mode == OutputMode::OneFile && wholeTable.Failure());
    }
};

// One input after another, each writing its results as they come.
void RunOneAtATime(InputsState& state) {
    const int count = static_cast<int>(state.options.files.size());
    for (int number = 1; number <= count; ++number) {
        const auto index = static_cast<std::size_t>(number - 1);
        const std::string& path = state.options.files[index];
        state.progress.SetFile(number, count);
        WholeFileStream fileOutput(state.OwnOutput(index));
        std::ostream fileStream(&fileOutput);
        std::ostream& results =
            state.mode == OutputMode::OnePerInput ? fileStream : state.Results();
        CommandContext context{state.options, state.records, results, state.err, state.progress};
        context.headerWritten = state.mode != OutputMode::OnePerInput && state.headerWritten;
        state.wholeTableStream.flush();
        const std::uint64_t tableSizeBefore = state.wholeTable.Size();
        std::optional<std::string> failure;
        if (state.mode == OutputMode::OnePerInput) failure = fileOutput.Open();
        if (!failure) failure = RunGuarded(path, context);
        state.progress.Finish();
        if (!failure && state.mode == OutputMode::OnePerInput) failure = fileOutput.Commit();
        if (failure) {
            // The one table keeps only whole tables: a failed input's rows are taken back.
            state.wholeTableStream.flush();
            if (state.mode == OutputMode::OneFile && state.wholeTable.TruncateTo(tableSizeBefore))
                context.headerWritten = state.headerWritten;
        }
        state.Report(path, failure, context.usageError);
        state.headerWritten = context.headerWritten;
        if (!state.OutputsHold()) return;
    }
}

// An input run on a thread of its own: its results (unless they went to its own file) and its
// messages, held until the inputs before it are written.
struct HeldRun {
    std::optional<std::string> failure;
    bool usageError = false;
    bool wroteHeader = false;
    std::string results;
    std::string messages;
};

HeldRun RunHeld(const std::string& path, const std::string& ownOutput, const CliOptions& options,
                const RecordSet& records) {
    std::ostringstream results, messages;
    ProgressBar silent(messages, false);
    WholeFileStream fileOutput(ownOutput);
    std::ostream fileStream(&fileOutput);
    CommandContext context{options, records, ownOutput.empty() ? results : fileStream, messages,
                           silent};
    HeldRun held;
    if (!ownOutput.empty()) held.failure = fileOutput.Open();
    if (!held.failure) held.failure = RunGuarded(path, context);
    if (!held.failure && !ownOutput.empty()) held.failure = fileOutput.Commit();
    held.usageError = context.usageError;
    held.wroteHeader = context.headerWritten;
    held.results = std::move(results).str();
    held.messages = std::move(messages).str();
    return held;
}

// Thrown by the writer of the held runs when the outputs fail: no further input is started.
struct OutputsFailed {};

// Several inputs at once, each held until those before it are written, then written as one
// input after another would have written it: the header once, a failed input's rows kept on
// standard output and taken back from the one table.
void RunSeveralAtOnce(InputsState& state, int threads) {
    const std::vector<std::string>& files = state.options.files;
    const int count = static_cast<int>(files.size());
    // One bar for the whole run: the input waited for and the share of inputs written. It is
    // taken off the terminal only to write there, so that a run of short inputs still shows it.
    const auto showWaitingFor = [&](int64_t index) {
        if (index >= count) return;
        state.progress.SetFile(static_cast<int>(index) + 1, count);
        state.progress.Start(FileNamePart(files[static_cast<std::size_t>(index)]));
        state.progress.Update(static_cast<double>(index) / count);
    };
    OrderedSteps<char, HeldRun> steps;
    steps.read = [](int64_t, char&) {};
    steps.makeWorker = [&] {
        return [&](int64_t index, const char&, HeldRun& held) {
            const auto i = static_cast<std::size_t>(index);
            held = RunHeld(files[i], state.OwnOutput(i), state.options, state.records);
        };
    };
    steps.receive = [&](int64_t index, HeldRun& held) {
        const bool toTerminal = state.mode == OutputMode::StandardOutput && !held.results.empty();
        if (held.failure || !held.messages.empty() || toTerminal) state.progress.Finish();
        state.err << held.messages;
        std::string_view results = held.results;
        const bool kept = !held.failure || state.mode == OutputMode::StandardOutput;
        if (kept && held.wroteHeader && state.headerWritten)
            results.remove_prefix(std::min(results.size(), results.find('\n') + 1));
        if (kept) {
            state.Results().write(results.data(), static_cast<std::streamsize>(results.size()));
            state.headerWritten = state.headerWritten || held.wroteHeader;
        }
        state.Report(files[static_cast<std::size_t>(index)], held.failure, held.usageError);
        held = HeldRun();
        state.wholeTableStream.flush();
        if (!state.OutputsHold()) throw OutputsFailed();
        showWaitingFor(index + 1);
    };
    showWaitingFor(0);
    try {
        RunInOrder(count, threads, steps);
    } catch (const OutputsFailed&) {
    }
    state.progress.Finish();
}

}  // namespace

OutputMode ModeOf(const CliOptions& options) {
    if (options.output.empty() || options.output == kStandardOutput) {
        return OutputMode::StandardOutput;
    }
    if (options.command == Command::Levels || NamesOnePerInput(options.output)) {
        return OutputMode::OnePerInput;
    }
    return OutputMode::OneFile;
}

int InputsAtOnce(const CliOptions& options) {
    const int inputs = static_cast<int>(options.files.size());
    if (inputs < 2 || options.whole || options.maxSeconds) return 1;
    // Two per processor: while one input waits for the disk (its reading, or the flush of its
    // output), the other keeps the processor busy.
    return std::min(inputs, 2 * HardwareThreads());
}

int RunInputs(const CliOptions& options, const std::vector<std::string>& outputs,
              const RecordSet& records, std::ostream& out, std::ostream& err,
              bool progressOnTerminal) {
    const OutputMode mode = ModeOf(options);
    WholeFileStream wholeTable(mode == OutputMode::OneFile ? options.output : "");
    std::ostream wholeTableStream(&wholeTable);
    if (mode == OutputMode::OneFile) {
        if (auto failure = wholeTable.Open()) {
            err << kProgram << *failure << '\n';
            return kExitFileFailed;
        }
    }
    ProgressBar progress(err, progressOnTerminal);
    InputsState state{options,  outputs,    records,         mode, out, err,
                      progress, wholeTable, wholeTableStream};
    if (const int threads = InputsAtOnce(options); threads > 1)
        RunSeveralAtOnce(state, threads);
    else
        RunOneAtATime(state);
    if (mode == OutputMode::OneFile) {
        wholeTableStream.flush();
        if (!state.anyDone && wholeTable.TruncateTo(0)) {
            err << kProgram << "nothing written to '" << options.output
                << "': no input gave a table\n";
        } else if (auto failure = wholeTable.Commit()) {
            err << kProgram << *failure << '\n';
            state.status = kExitFileFailed;
        }
    }
    return state.status;
}

}  // namespace tonalyx::cli

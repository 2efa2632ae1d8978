#include "python/src/ModuleAnalyses.h"

#include <algorithm>
#include <sstream>

#include "analysis/AnalysisKind.h"
#include "analysis/PitchSteps.h"
#include "cli/CliMain.h"
#include "cli/Commands.h"
#include "cli/ViewAnalysis.h"
#include "pitch/SoundPitchTrack.h"
#include "requests/PitchRows.h"
#include "requests/SpectrumRows.h"
#include "requests/TableWriter.h"

namespace tonalyx::python {

namespace {

// The file name the parser sees; the sound itself is already loaded.
constexpr const char* kLoadedSound = "loaded-sound";
// The options and records the command line builds from one command's arguments.
struct ParsedCommand {
    cli::CliOptions options;
    requests::RecordSet records;
    std::ostringstream out;
    std::ostringstream messages;
    cli::ProgressBar progress{messages, false};

    cli::CommandContext Context() { return {options, records, out, messages, progress}; }
};

void Parse(const std::string& command, const std::vector<std::string>& options,
           ParsedCommand& parsed) {
    std::vector<std::string> arguments{command};
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (command == "levels") arguments.insert(arguments.end(), {"-o", "image.pgm"});
    arguments.insert(arguments.end(), {"--", kLoadedSound});
    std::string error;
    std::optional<cli::CliOptions> read = cli::ParseArguments(arguments, error);
    if (!read) throw UsageProblem(error);
    parsed.options = std::move(*read);
    for (const std::string& assignment : parsed.options.settings) {
        if (auto problem = requests::ApplySetting(parsed.records, assignment)) {
            throw UsageProblem(*problem);
        }
    }
    if (auto problem = requests::CheckSettingsAgree(parsed.records)) throw UsageProblem(*problem);
}

// The notes the command line printed, with the program name and the stand-in file name gone.
std::string Notes(const ParsedCommand& parsed, const std::string& name) {
    std::string notes = parsed.messages.str();
    const std::string prefix = std::string("tonalyx-cli: ") + kLoadedSound;
    for (std::size_t at = notes.find(prefix); at != std::string::npos;
         at = notes.find(prefix, at + name.size())) {
        notes.replace(at, prefix.size(), name);
    }
    return notes;
}

void Analyse(const ModuleSound& sound, int kind, bool withPitch, ParsedCommand& parsed,
             cli::ViewAnalysis& analysis) {
    analysis.sound = *sound.data;
    cli::CommandContext context = parsed.Context();
    cli::AnalyseLoadedSound(kLoadedSound, kind, withPitch, context, analysis);
}

}  // namespace

LevelsResult ComputeLevels(const ModuleSound& sound, const std::vector<std::string>& options) {
    ParsedCommand parsed;
    Parse("levels", options, parsed);
    const cli::CliOptions& chosen = parsed.options;
    cli::ViewAnalysis analysis;
    Analyse(sound, chosen.kind, chosen.overlayPitch, parsed, analysis);

    LevelsResult result;
    result.image = std::make_shared<LevelImage>();
    const std::optional<PitchOverlay> pitch = cli::PitchToDraw(analysis);
    std::vector<double> levelColumn;
    SpectrogramEngine& engine = analysis.engine;
    RenderLevelImage(engine, chosen.kind, parsed.records.display, analysis.geometry,
                     pitch ? &*pitch : nullptr, *result.image, levelColumn);
    result.columns = engine.ColumnCount();
    result.rows = engine.ImageHeight();
    result.lag = engine.LagAxis();

    const double rate = sound.data->format.sampleRate;
    const int first = analysis.geometry.VisibleColumns().first;
    for (int i = 0; i < result.columns; ++i) {
        const SampleSpan span = analysis.geometry.VisibleSampleRange(first + i);
        result.times.push_back((static_cast<double>(span.start) + span.end) / 2 / rate);
    }
    // Image line 0 is the top row.
    result.axis = requests::RowPositions(engine);
    std::reverse(result.axis.begin(), result.axis.end());
    result.notes = Notes(parsed, sound.name);
    return result;
}

SpectrumResult ComputeSpectrum(const ModuleSound& sound, const std::vector<std::string>& options) {
    ParsedCommand parsed;
    Parse("spectrum", options, parsed);
    const cli::CliOptions& chosen = parsed.options;
    cli::ViewAnalysis analysis;
    Analyse(sound, chosen.kind, false, parsed, analysis);
    const int first = chosen.column.value_or(0);
    const int last = chosen.toColumn.value_or(first);
    if (auto problem = requests::ColumnRangeProblem(last, analysis.engine.ColumnCount())) {
        throw UsageProblem(sound.name + ": " + *problem);
    }
    SpectrumResult result;
    result.rows = requests::ComputeSpectrumRows(analysis.engine, chosen.kind,
                                                parsed.records.display, first, last + 1);
    result.notes = Notes(parsed, sound.name);
    return result;
}

PitchResult ComputePitch(const ModuleSound& sound, const std::vector<std::string>& options) {
    ParsedCommand parsed;
    Parse("pitch", options, parsed);
    int hop = 1;
    std::vector<double> track = ComputeSoundPitchTrack(*sound.data, parsed.records.analysis, hop);
    const double rate = sound.data->format.sampleRate;
    PitchResult result;
    if (parsed.options.step) {
        // The times and values that pitch --step prints.
        PitchStepSampler steps(hop, rate, *parsed.options.step, sound.data->sampleCount);
        const auto keep = [&](std::int64_t, double seconds, double f0) {
            result.times.push_back(seconds);
            result.values.push_back(f0);
        };
        steps.Add(track, keep);
        steps.Finish(keep);
        return result;
    }
    result.times.reserve(track.size());
    // Value i describes the block of samples that starts at i hop.
    for (std::size_t i = 0; i < track.size(); ++i)
        result.times.push_back(static_cast<double>(i) * hop / rate);
    result.values = std::move(track);
    return result;
}

std::string PitchTable(const std::vector<double>& times, const std::vector<double>& values,
                       const std::string& file, const std::vector<std::string>& options) {
    if (times.size() != values.size()) {
        throw std::invalid_argument("a pitch table needs as many times as values");
    }
    ParsedCommand parsed;
    Parse("pitch", options, parsed);
    std::ostringstream out;
    {
        requests::TableWriter writer(out, parsed.options.format, file);
        requests::WritePitchHeader(writer);
        for (std::size_t i = 0; i < times.size(); ++i) {
            requests::WritePitchRow(writer, parsed.options.missing, static_cast<std::int64_t>(i),
                                    times[i], values[i]);
        }
    }
    return out.str();
}

CommandLineRun RunCommandLine(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::RunCli(arguments, out, err, false);
    return {status, out.str(), err.str()};
}

}  // namespace tonalyx::python

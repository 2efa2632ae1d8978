#include <set>

#include "annotations/TextGridReader.h"
#include "cli/Commands.h"
#include "requests/IntervalMeasure.h"
#include "requests/OutputNames.h"

namespace tonalyx::cli {

std::optional<std::string> RunMeasure(const std::string& path, CommandContext& context) {
    const CliOptions& options = context.options;
    const std::string gridPath = TextGridPathFor(path, options.textGrid);
    TextGrid grid;
    if (auto refused = ReadTextGridFile(gridPath, grid)) return refused;
    std::string why;
    const AnnotationTier* tier = FindIntervalTier(grid, options.tier, why);
    if (!tier) return "'" + gridPath + "': " + why;

    OpenedSound sound;
    if (auto refused =
            OpenSoundWithNotes(path, options, context.records, NotesOf(context, path), sound)) {
        return refused;
    }
    FrameSource& source = *sound.source;
    const SampleReader read = [&source](std::int64_t first, std::span<std::int16_t> out) {
        return source.ReadFrames(first, out);
    };
    const IntervalMeasureSettings settings = IntervalMeasureSettingsOf(options, context.records);
    TableWriter table(context.out, options.format, path);
    if (!context.headerWritten) table.Header(MeasureColumns(settings.points));
    context.headerWritten = true;

    const std::vector<std::size_t> chosen = SelectIntervals(*tier, options.labels);
    context.progress.Start(FileNamePart(path) + ": measure");
    std::set<std::string> said;
    for (std::size_t n = 0; n < chosen.size(); ++n) {
        const AnnotationInterval& interval = tier->intervals[chosen[n]];
        const IntervalMeasurement measured =
            MeasureInterval(read, sound.frames, static_cast<int>(sound.sampleRate), interval.start,
                            interval.end, settings);
        // A note that every interval would repeat is said once, at its first interval.
        for (const std::string& note : measured.notes) {
            if (said.insert(note).second) {
                Note(context, path, "interval " + std::to_string(chosen[n] + 1) + ": " + note);
            }
        }
        WriteMeasureRow(table, options.missing, tier->name, chosen[n] + 1, interval, measured);
        context.progress.Update(static_cast<double>(n + 1) / static_cast<double>(chosen.size()));
    }
    context.progress.Finish();
    if (chosen.empty()) Note(context, path, "no interval of tier \"" + tier->name + "\" matches");
    if (auto note = RepairNote(source.Info().repairs)) Note(context, path, *note);
    return std::nullopt;
}

std::optional<std::string> MeasureOutputClash(const CliOptions& options,
                                              const std::vector<std::string>& outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t k = 0; k < options.files.size(); ++k) {
            if (outputs.size() > 1 && k != i) continue;
            const std::string grid = TextGridPathFor(options.files[k], options.textGrid);
            if (auto clash = FindOutputClash({grid}, {outputs[i]}, false)) return clash;
        }
    }
    return std::nullopt;
}

}  // namespace tonalyx::cli

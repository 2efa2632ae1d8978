#include <optional>
#include <vector>

#include "analysis/PitchSteps.h"
#include "cli/Commands.h"
#include "requests/CommandView.h"
#include "requests/PitchRows.h"
#include "requests/RequestCheck.h"
#include "requests/StreamedView.h"

namespace tonalyx::cli {

std::optional<std::string> RunPitch(const std::string& path, CommandContext& context) {
    OpenedSound sound;
    if (auto refused = OpenSoundWithNotes(path, context.options, context.records,
                                          NotesOf(context, path), sound))
        return refused;
    context.progress.Start(FileNamePart(path) + ": pitch track");

    const double rate = sound.sampleRate;
    if (context.options.step) {
        if (auto refused = CheckStepForRate(*context.options.step, rate)) {
            context.usageError = true;
            return refused;
        }
    }
    const MissingValues missing = context.options.missing;
    TableWriter table(context.out, context.options.format, path);
    if (!context.headerWritten) WritePitchHeader(table);
    context.headerWritten = true;

    const auto row = [&](std::int64_t index, double seconds, double f0) {
        WritePitchRow(table, missing, index, seconds, f0);
    };
    // The rows go out as the track comes, so that an hour's track is never held whole.
    int hop = 1;
    std::optional<PitchStepSampler> steps;
    const auto write = [&](std::int64_t first, std::span<const double> values) {
        if (context.options.step) {
            if (!steps) steps.emplace(hop, rate, *context.options.step, sound.frames);
            steps->Add(values, row);
        } else {
            // Value i describes the block of samples that starts at i hop.
            for (std::size_t i = 0; i < values.size(); ++i) {
                const std::int64_t index = first + static_cast<std::int64_t>(i);
                row(index, static_cast<double>(index) * hop / rate, values[i]);
            }
        }
        context.progress.Update(static_cast<double>(first) * hop /
                                static_cast<double>(sound.frames));
    };
    StreamPitchTrack(sound, context.records.analysis, hop, write);
    if (context.options.step) {
        if (!steps) steps.emplace(hop, rate, *context.options.step, sound.frames);
        steps->Finish(row);
    }
    context.progress.Finish();
    if (auto note = RepairNote(sound.source->Info().repairs)) Note(context, path, *note);
    return std::nullopt;
}

}  // namespace tonalyx::cli

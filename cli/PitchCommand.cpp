#include <optional>
#include <vector>

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

    // The rows go out as the track comes, so that an hour's track is never held whole.
    StreamPitchRows(
        sound, context.records.analysis, context.options.step,
        [&](std::int64_t index, double seconds, double f0) {
            WritePitchRow(table, missing, index, seconds, f0);
        },
        [&](double fraction) { context.progress.Update(fraction); });
    context.progress.Finish();
    if (auto note = RepairNote(sound.source->Info().repairs)) Note(context, path, *note);
    return std::nullopt;
}

}  // namespace tonalyx::cli

#include <optional>
#include <string>

#include "cli/Commands.h"
#include "requests/MeasurementRows.h"
#include "requests/StreamedView.h"

namespace tonalyx::cli {

namespace {

// How a measurement reads an opened sound: its frames up to the read limit, its progress on the
// command's bar.
struct MeasuredSound {
    OpenedSound sound;
    SampleReader read;
    MeasureRun run;
};

std::optional<std::string> OpenMeasured(const std::string& path, const std::string& stage,
                                        CommandContext& context, MeasuredSound& measured) {
    if (auto refused = OpenSoundWithNotes(path, context.options, context.records,
                                          NotesOf(context, path), measured.sound)) {
        return refused;
    }
    FrameSource& source = *measured.sound.source;
    measured.read = [&source](std::int64_t first, std::span<std::int16_t> out) {
        return source.ReadFrames(first, out);
    };
    measured.run.progress = [&context](std::int64_t done, std::int64_t frames) {
        if (frames > 0) context.progress.Update(static_cast<double>(done) / frames);
    };
    context.progress.Start(FileNamePart(path) + ": " + stage);
    return std::nullopt;
}

// The notes once the measurement is done: what it changed of the settings, and the samples
// the reader clipped or replaced.
void FinishMeasured(const std::string& path, const std::string& note, CommandContext& context,
                    const MeasuredSound& measured) {
    context.progress.Finish();
    if (!note.empty()) Note(context, path, note);
    if (auto repaired = RepairNote(measured.sound.source->Info().repairs)) {
        Note(context, path, *repaired);
    }
}

int SampleRate(const OpenedSound& sound) {
    return static_cast<int>(sound.sampleRate);
}

}  // namespace

std::optional<std::string> RunFormants(const std::string& path, CommandContext& context) {
    MeasuredSound measured;
    if (auto refused = OpenMeasured(path, "formants", context, measured)) return refused;
    const FormantSettings settings = FormantSettingsOf(context.options);
    TableWriter table(context.out, context.options.format, path);
    if (!context.headerWritten) WriteFormantHeader(table, settings.track ? 3 : settings.count);
    context.headerWritten = true;
    // The rows go out as the frames come, so that an hour's formants are never held.
    const FormantSummary summary = StreamFormants(
        measured.read, measured.sound.frames, SampleRate(measured.sound), settings,
        [&](const FormantBlock& block) { WriteFormantRows(table, context.options.missing, block); },
        measured.run);
    FinishMeasured(path, summary.note, context, measured);
    return std::nullopt;
}

std::optional<std::string> RunIntensity(const std::string& path, CommandContext& context) {
    MeasuredSound measured;
    if (auto refused = OpenMeasured(path, "intensity", context, measured)) return refused;
    TableWriter table(context.out, context.options.format, path);
    if (!context.headerWritten) WriteIntensityHeader(table);
    context.headerWritten = true;
    const IntensitySummary summary = StreamIntensity(
        measured.read, measured.sound.frames, SampleRate(measured.sound),
        IntensitySettingsOf(context.options),
        [&](const IntensityBlock& block) {
            WriteIntensityRows(table, context.options.missing, block);
        },
        measured.run);
    FinishMeasured(path, summary.note, context, measured);
    return std::nullopt;
}

}  // namespace tonalyx::cli

#include <vector>

#include "cli/CommandView.h"
#include "cli/Commands.h"
#include "cli/TableWriter.h"
#include "pitch/SoundPitchTrack.h"

namespace tonalyx::cli {

namespace {

constexpr int kTimeDecimals = 6;
constexpr int kFrequencyDigits = 6;

}  // namespace

std::optional<std::string> RunPitch(const std::string& path, CommandContext& context) {
    SoundData sound;
    LoadReport report;
    if (auto refused = LoadSoundWithNotes(path, context, sound, report)) return refused;
    context.progress.Start(FileNamePart(path) + ": pitch track");
    int hop = 1;
    const std::vector<double> track = ComputeSoundPitchTrack(sound, context.records.analysis, hop);
    context.progress.Finish();

    const double rate = sound.format.sampleRate;
    const MissingValues missing = context.options.missing;
    TableWriter table(context.out, context.options.format, path);
    if (!context.headerWritten) table.Header({"index", "time_s", "f0_hz"});
    context.headerWritten = true;
    for (std::size_t i = 0; i < track.size(); ++i) {
        // Value i describes the block of samples that starts at i hop.
        const double start = static_cast<double>(i) * hop / rate;
        table.Integer(static_cast<long long>(i)).Fixed(start, kTimeDecimals);
        if (track[i] == 0 && missing != MissingValues::Window) {
            table.Missing(missing);
        } else {
            table.General(track[i], kFrequencyDigits);
        }
        table.EndLine();
    }
    return std::nullopt;
}

}  // namespace tonalyx::cli

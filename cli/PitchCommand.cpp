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
    if (auto refused = LoadSound(path, context.records.file, sound)) return refused;
    context.progress.Start(FileNamePart(path) + ": pitch track");
    int hop = 1;
    const std::vector<double> track = ComputeSoundPitchTrack(sound, context.records.analysis, hop);
    context.progress.Finish();

    const double rate = sound.format.sampleRate;
    const bool several = context.options.files.size() > 1;
    TableWriter table(context.out, context.options.format, several ? path : std::string());
    if (!context.headerWritten) table.Header({"index", "time_s", "f0_hz"});
    context.headerWritten = true;
    for (std::size_t i = 0; i < track.size(); ++i) {
        // Value i describes the block of samples that starts at i hop.
        const double start = static_cast<double>(i) * hop / rate;
        table.Integer(static_cast<long long>(i))
            .Fixed(start, kTimeDecimals)
            .General(track[i], kFrequencyDigits)
            .EndLine();
    }
    return std::nullopt;
}

}  // namespace tonalyx::cli

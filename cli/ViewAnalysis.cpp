#include "cli/ViewAnalysis.h"

#include "analysis/AnalysisKind.h"
#include "analysis/SpectrogramFraming.h"
#include "pitch/SoundPitchTrack.h"
#include "requests/CommandView.h"

namespace tonalyx::cli {

std::optional<std::string> AnalyseView(const std::string& path, int kind, bool withPitch,
                                       CommandContext& context, ViewAnalysis& analysis) {
    if (auto refused = LoadSoundWithNotes(path, context, analysis.sound, analysis.load)) {
        return refused;
    }
    AnalyseLoadedSound(path, kind, withPitch, context, analysis);
    return std::nullopt;
}

void AnalyseLoadedSound(const std::string& path, int kind, bool withPitch, CommandContext& context,
                        ViewAnalysis& analysis) {
    std::string note;
    analysis.geometry = CommandLineView(analysis.sound.sampleCount, context.options.view, note);
    if (!note.empty()) Note(context, path, note);

    const std::string label = FileNamePart(path);
    analysis.showPitch = withPitch || kind == PitchAnalysis;
    if (analysis.showPitch) {
        context.progress.Start(label + ": pitch track");
        analysis.pitchTrack =
            ComputeSoundPitchTrack(analysis.sound, context.records.analysis, analysis.pitchHop);
    }
    context.progress.Start(label + ": columns");
    ComputeSpectrogramColumns(analysis.engine, analysis.sound, analysis.geometry, kind,
                              context.records.analysis,
                              [&](double fraction) { context.progress.Update(fraction); });
}

std::optional<PitchOverlay> PitchToDraw(const ViewAnalysis& analysis) {
    // The window draws a track only when it has one.
    if (!analysis.showPitch || analysis.pitchTrack.empty()) return std::nullopt;
    return PitchOverlay{analysis.pitchTrack.data(), static_cast<int>(analysis.pitchTrack.size()),
                        analysis.pitchHop};
}

}  // namespace tonalyx::cli

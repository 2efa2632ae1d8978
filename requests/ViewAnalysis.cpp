#include "requests/ViewAnalysis.h"

#include "analysis/AnalysisKind.h"
#include "analysis/SpectrogramFraming.h"
#include "pitch/SoundPitchTrack.h"

namespace tonalyx::requests {

void AnalyseLoadedSound(const AnalysisRequest& request, const RecordSet& records,
                        ViewAnalysis& analysis, const std::function<void(const std::string&)>& note,
                        const ProgressCallback& progress) {
    std::string viewNote;
    analysis.geometry = CommandLineView(analysis.sound.sampleCount, request.view, viewNote);
    if (!viewNote.empty()) note(viewNote);
    analysis.showPitch = request.overlayPitch || request.kind == PitchAnalysis;
    if (analysis.showPitch) {
        analysis.pitchTrack =
            ComputeSoundPitchTrack(analysis.sound, records.analysis, analysis.pitchHop);
    }
    ComputeSpectrogramColumns(analysis.engine, analysis.sound, analysis.geometry, request.kind,
                              records.analysis, progress);
}

std::optional<PitchOverlay> PitchToDraw(const ViewAnalysis& analysis) {
    // The window draws a track only when it has one.
    if (!analysis.showPitch || analysis.pitchTrack.empty()) return std::nullopt;
    return PitchOverlay{analysis.pitchTrack.data(), static_cast<int>(analysis.pitchTrack.size()),
                        analysis.pitchHop};
}

}  // namespace tonalyx::requests

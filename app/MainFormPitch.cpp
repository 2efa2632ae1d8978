#include <QAction>
#include <QStatusBar>

#include "analysis/SpectrogramFraming.h"
#include "app/TMainForm.h"
#include "pitch/PitchExtractor.h"
#include "settings/TOptionForm.h"

namespace tonalyx {

void TMainForm::ComputePitchTrack() {
    SetStatusText(4, "********");
    statusBar()->repaint();
    AnalysisSettings settings = optionForm_ ? optionForm_->Settings().analysis : analysisSettings_;
    if (settings.pitchMaxFreq < settings.pitchMinFreq + 1) {
        settings.pitchMaxFreq = settings.pitchMinFreq + 1;
    }
    const int channels = PitchChannelCount(settings.pitchMinFreq, settings.pitchMaxFreq,
                                           settings.pitchChannelsPerOctave);
    pitchTrack_.clear();
    // The extractor decimates in place: it works on a copy of the samples.
    std::vector<double> samples(sound_.samples.begin(), sound_.samples.end());
    PitchTrack track = ExtractPitch(samples.data(), sound_.sampleCount, sound_.format.sampleRate,
                                    settings.pitchMinFreq, channels,
                                    settings.pitchChannelsPerOctave, 1.1,
                                    settings.pitchSnThreshold, pitchStep_);
    pitchTrack_ = std::move(track.values);
}

void TMainForm::AViewShowPitchOverlayExecute() {
    pitchOverlay_ = !pitchOverlay_;
    Action("AViewShowPitchOverlay")->setChecked(pitchOverlay_);
    if (!fileOpen_) return;
    if (analysisKind_ == 0) {
        // Nothing is shown yet: the track is shown alone.
        if (pitchOverlay_) {
            analysisKind_ = 6;
            ComputeSpectrogram(6);
        }
    } else if (pitchOverlay_ && pitchTrack_.empty()) {
        // Only the track is computed: the kind on show keeps its columns and its set-up.
        ComputePitchTrack();
    }
    RenderSpectrogram();
}

}  // namespace tonalyx

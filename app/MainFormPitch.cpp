#include <QAction>
#include <QStatusBar>

#include "analysis/SpectrogramFraming.h"
#include "app/TMainForm.h"
#include "pitch/SoundPitchTrack.h"
#include "settings/TOptionForm.h"

namespace tonalyx {

void TMainForm::ComputePitchTrack() {
    SetStatusText(4, "********");
    statusBar()->repaint();
    const AnalysisSettings settings =
        optionForm_ ? optionForm_->Settings().analysis : analysisSettings_;
    pitchTrack_.clear();
    pitchTrack_ = ComputeSoundPitchTrack(sound_, settings, pitchStep_);
}

void TMainForm::AViewShowPitchOverlayExecute() {
    pitchOverlay_ = !pitchOverlay_;
    Action("AViewShowPitchOverlay")->setChecked(pitchOverlay_);
    if (!fileOpen_) return;
    if (analysisKind_ == 0) {
        // Nothing is shown yet: the track is shown alone, computed only when there is none.
        if (pitchOverlay_) {
            analysisKind_ = 6;
            if (pitchTrack_.empty()) ComputeSpectrogram(6);
        }
    } else if (pitchOverlay_ && pitchTrack_.empty()) {
        // Only the track is computed: the kind on show keeps its columns and its set-up.
        ComputePitchTrack();
    }
    RenderSpectrogram();
}

}  // namespace tonalyx

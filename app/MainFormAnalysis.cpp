#include <QAction>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QStatusBar>

#include <algorithm>

#include "analysis/SpectrogramFraming.h"
#include "app/TMainForm.h"
#include "display/PaintBox.h"
#include "display/TFreqForm.h"
#include "settings/TOptionForm.h"

namespace tonalyx {

namespace {

QString ElapsedText(const QElapsedTimer& clock) {
    return QString::asprintf("%.2fsec", static_cast<double>(clock.elapsed()) * 0.001);
}

}  // namespace

void TMainForm::RunAnalysis(int kind) {
    if (!fileOpen_) return;
    analysisKind_ = kind;
    QElapsedTimer clock;
    clock.start();
    ComputeSpectrogram(kind);
    RenderSpectrogram();
    SetStatusText(4, ElapsedText(clock));
}

void TMainForm::ComputeSpectrogram(int kind) {
    if (optionForm_) analysisSettings_ = optionForm_->Settings().analysis;
    analysisGeometry_ = geometry_;
    progressShown_ = -1;
    ComputeSpectrogramColumns(engine_, sound_, analysisGeometry_, kind, analysisSettings_,
                              [this](double fraction) { ShowProgress(fraction); });
    if (kind == 6) ComputePitchTrack();
}

void TMainForm::RenderSpectrogram() {
    if (analysisKind_ == 0) return;
    QElapsedTimer clock;
    clock.start();
    if (optionForm_) displaySettings_ = optionForm_->Settings().display;
    progressShown_ = -1;
    const PitchOverlay pitch{pitchTrack_.data(), static_cast<int>(pitchTrack_.size()), pitchStep_};
    const bool showPitch = (pitchOverlay_ || analysisKind_ == 6) && !pitchTrack_.empty();
    RenderLevelImage(engine_, analysisKind_, displaySettings_, analysisGeometry_,
                     showPitch ? &pitch : nullptr, levelImage_, levelColumn_,
                     [this](double fraction) { ShowProgress(fraction); });
    paletteBitmap_.Update(levelImage_, displaySettings_.blueToRed);

    const ViewGeometry shown = geometry_;
    geometry_ = analysisGeometry_;
    SetTimeAxis(spgmTimeScale_);
    geometry_ = shown;
    SetFrequencyAxes();

    const int imageHeight = engine_.ImageHeight();
    ShowSpectrogramPanel(imageHeight);
    FitSpectrumWindow();
    const int columns = engine_.ColumnCount();
    columnSelectionStart_ = std::min(columnSelectionStart_, columns);
    columnSelectionEnd_ = std::min(columnSelectionEnd_, columns);
    // The cross-hair stays on a column and row of the new image, so that the power-spectrum
    // plot and Copy Spectrum Values never read a column that is no longer there.
    spgmCursorX_ = std::clamp(spgmCursorX_, 0, std::max(columns - 1, 0));
    spgmCursorY_ = std::clamp(spgmCursorY_, 0, std::max(imageHeight - 1, 0));
    paintBoxSpgmX_->update();
    paintBoxSpgmY_->update();
    paintBoxSpgm_->update();
    if (freqForm_ && freqForm_->isVisible()) freqForm_->update();
    SetStatusText(4, ElapsedText(clock));
    UpdateActionStates();
    MeasureOverlays();
}

void TMainForm::ShowSpectrogramPanel(int imageHeight) {
    // The spectrogram view becomes exactly imageHeight high; the window grows or shrinks by the
    // difference, so the wave view keeps its height.
    const int chrome = paintBoxSpgmX_->height() + 2 * panelSpgm_->frameWidth();
    if (panelSpgm_->isHidden()) {
        const int panelHeight = imageHeight + chrome;
        panelSpgm_->setFixedHeight(panelHeight);
        resize(width(), height() + panelHeight);
        panelSpgm_->show();
    } else if (paintBoxSpgm_->height() != imageHeight) {
        const int change = imageHeight - paintBoxSpgm_->height();
        const int windowHeight = height() + change;
        panelSpgm_->setFixedHeight(panelSpgm_->height() + change);
        // A lower panel lowers the window's minimum height only once the layouts are redone;
        // resizing before that would leave the window at the old minimum, and the wave view
        // would take up the difference. (A higher one may grow the window to its new minimum
        // on the way, hence the height taken before.)
        centralWidget()->layout()->activate();
        layout()->activate();
        resize(width(), windowHeight);
    }
}

void TMainForm::ApplyAnalysisOptions(int kind) {
    if (kind == kOverlayPageCode) {
        ApplyOverlayOptions();
    } else if (kind != 0) {
        RunAnalysis(kind);
    } else {
        RenderSpectrogram();
    }
}

void TMainForm::ShowProgress(double fraction) {
    const int steps = static_cast<int>(fraction * 20);
    if (steps == progressShown_) return;
    progressShown_ = steps;
    SetStatusText(4, QString(std::max(steps, 0), QChar(']')));
    statusBar()->repaint();
}

}  // namespace tonalyx

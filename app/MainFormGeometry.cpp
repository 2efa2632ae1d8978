#include <QAction>
#include <QScrollBar>
#include <QSignalBlocker>

#include "app/TMainForm.h"
#include "display/PaintBox.h"

namespace tonalyx {

int TMainForm::WaveViewWidth() const {
    return paintBoxWave_->width();
}

void TMainForm::UpdateGeometry(GeometryChange change) {
    geometry_.sampleCount = sound_.sampleCount;
    geometry_.viewWidth = WaveViewWidth();
    const GeometryUpdate update = geometry_.Update(change, selectionStart_, selectionEnd_);
    if (update.fitChanged) UpdateFitCheck();
    ApplyScrollBarState();
    if (update.zoomReadout) SetStatusText(0, QString::number(*update.zoomReadout));
    if (update.amplitudeReadout) SetStatusText(1, QString::number(*update.amplitudeReadout));
    RepaintWaveViews();
}

void TMainForm::UpdateFitCheck() {
    Action("AViewFitToWindow")->setChecked(geometry_.fitToWindow);
    if (geometry_.fitToWindow) {
        geometry_.scroll.enabled = false;
        horzScrollBar_->setEnabled(false);
    }
}

void TMainForm::ApplyScrollBarState() {
    const ScrollBarState& state = geometry_.scroll;
    const QSignalBlocker block(horzScrollBar_);
    if (state.enabled) {
        // The thumb may travel to C - W - 1: the range's top is that position.
        horzScrollBar_->setRange(0, std::max(state.maximum - state.pageSize, 0));
        horzScrollBar_->setPageStep(state.pageSize);
        horzScrollBar_->setValue(state.position);
    }
    horzScrollBar_->setEnabled(state.enabled);
}

void TMainForm::HorzScrollBarScroll(int action) {
    // Page steps move by the large change (7/8 of the view) rather than a whole page.
    const int large = geometry_.scroll.largeChange;
    if (action == QAbstractSlider::SliderPageStepAdd) {
        horzScrollBar_->setSliderPosition(
            geometry_.ClampScrollPosition(horzScrollBar_->value() + large));
    } else if (action == QAbstractSlider::SliderPageStepSub) {
        horzScrollBar_->setSliderPosition(
            geometry_.ClampScrollPosition(horzScrollBar_->value() - large));
    }
    scrollPending_ = true;
}

void TMainForm::HorzScrollBarChange(int position) {
    geometry_.scroll.position = geometry_.ClampScrollPosition(position);
    if (scrollPending_ && fileOpen_) {
        RepaintWaveViews();
        scrollPending_ = false;
    }
}

void TMainForm::AViewFitToWindowExecute() {
    geometry_.fitToWindow = !geometry_.fitToWindow;
    UpdateFitCheck();
    UpdateGeometry(GeometryChange::Refresh);
}

void TMainForm::RepaintWaveViews() {
    paintBoxWaveX_->update();
    paintBoxWaveY_->update();
    paintBoxWave_->update();
    RepaintTierStrip();
}

}  // namespace tonalyx

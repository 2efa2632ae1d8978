#include <QPainter>

#include "app/TMainForm.h"
#include "display/AxisPainter.h"
#include "display/PaintBox.h"
#include "display/SpectrumPlot.h"
#include "display/TFreqForm.h"

namespace tonalyx {

namespace {

constexpr int kMinTickSpacing = 5;
constexpr int kHorizontalLabelSpacing = 10;
constexpr int kVerticalLabelSpacing = 4;

}  // namespace

void TMainForm::SetTimeAxis(AxisScale& axis) {
    // The axis belongs to the whole sound at the current zoom; only the stretch in view gets
    // ticks.
    const std::int64_t n = sound_.sampleCount;
    const std::int64_t s = geometry_.samplesPerPixel;
    const bool fit = geometry_.fitToWindow;
    const std::int64_t width = fit ? geometry_.viewWidth : (n + s - 1) / s;
    const double span = fit ? static_cast<double>(n) : static_cast<double>(width * s);
    const double rate = sound_.format.sampleRate;
    const ColumnSpan visible = geometry_.VisibleColumns();
    SetAxis(axis, AxisKind::Linear, static_cast<int>(width), 0.0, rate > 0 ? span / rate : 0.0,
            kMinTickSpacing, kHorizontalLabelSpacing, visible.first, visible.first + visible.count);
}

void TMainForm::SetFrequencyAxes() {
    const DisplaySettings& display = engine_.Display();
    const int rows = engine_.ImageHeight();
    AxisKind kind = AxisKind::Linear;
    double from = 0;
    double to = 0;
    if (engine_.LagAxis()) {
        from = display.minTime * 1000;
        to = display.maxTime * 1000;
    } else {
        kind = display.logScale ? AxisKind::Logarithmic : AxisKind::Linear;
        from = display.minFreq * 0.001;
        to = display.maxFreq * 0.001;
    }
    SetAxis(spgmFreqScale_, kind, rows, from, to, kMinTickSpacing, kVerticalLabelSpacing);
    SetAxis(freqXScale_, kind, rows, from, to, kMinTickSpacing, kHorizontalLabelSpacing);
}

void TMainForm::DrawWaveTimeAxis(QPainter& painter) {
    SetTimeAxis(waveTimeScale_);
    DrawHorizontalAxis(painter, waveTimeScale_, paintBoxWaveY_->width());
}

void TMainForm::DrawWaveAmplitudeAxis(QPainter& painter) {
    const double range = 100.0 / geometry_.amplitudeScale;
    SetAxis(waveAmplitudeScale_, AxisKind::Linear, paintBoxWaveY_->height(), -range, range,
            kMinTickSpacing, kVerticalLabelSpacing);
    DrawVerticalAxis(painter, waveAmplitudeScale_, paintBoxWaveY_->width(),
                     paintBoxWaveY_->height());
}

void TMainForm::DrawSpgmTimeAxis(QPainter& painter) {
    DrawHorizontalAxis(painter, spgmTimeScale_, paintBoxSpgmY_->width());
}

void TMainForm::DrawSpgmFrequencyAxis(QPainter& painter) {
    DrawVerticalAxis(painter, spgmFreqScale_, paintBoxSpgmY_->width(), paintBoxSpgmY_->height());
}

void TMainForm::DrawSpectrumFrequencyAxis(QPainter& painter) {
    if (analysisKind_ == 0 || !freqForm_) return;
    DrawHorizontalAxis(painter, freqXScale_, freqForm_->PaintBoxFreqY()->width());
}

void TMainForm::SetSpectrumLevelAxis() {
    const LevelRange range = SpectrumLevelRange(analysisKind_, engine_.Display());
    SetAxis(freqYScale_, AxisKind::Linear, freqForm_->PaintBoxFreqY()->height(), range.lo,
            range.hi, kMinTickSpacing, kVerticalLabelSpacing);
}

void TMainForm::DrawSpectrumLevelAxis(QPainter& painter) {
    if (analysisKind_ == 0 || !freqForm_) return;
    SetSpectrumLevelAxis();
    const PaintBox* box = freqForm_->PaintBoxFreqY();
    DrawVerticalAxis(painter, freqYScale_, box->width(), box->height());
}

}  // namespace tonalyx

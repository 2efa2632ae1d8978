#include <QLabel>
#include <QPainter>

#include "app/TMainForm.h"
#include "display/PaintBox.h"
#include "display/SpectrumPlot.h"
#include "display/TFreqForm.h"
#include "interaction/Readouts.h"

namespace tonalyx {

namespace {

void DrawStrokes(QPainter& painter, const std::vector<PlotStroke>& strokes) {
    for (const PlotStroke& stroke : strokes) {
        painter.drawLine(stroke.x, stroke.firstRow, stroke.x, stroke.endRow - 1);
    }
}

}  // namespace

void TMainForm::AttachSpectrumWindow() {
    if (!freqForm_) return;
    freqForm_->PaintBoxFreq()->SetPaintHandler([this](QPainter& p) { PaintBoxFreqPaint(p); });
    freqForm_->SetSpectrumCursorHandler([this](int x, int y) { SetSpectrumCursor(x, y); });
    FitReadoutPanels();
}

void TMainForm::ShowSpectrumWindow() {
    if (!freqForm_) return;
    if (freqForm_->isHidden()) {
        freqForm_->show();
        return;
    }
    freqForm_->PaintBoxFreqY()->update();
    freqForm_->PaintBoxFreqX()->update();
    freqForm_->PaintBoxFreq()->update();
}

// The plot is as wide as the image is high (plot column i is image row i).
void TMainForm::FitSpectrumWindow() {
    if (!freqForm_ || analysisKind_ == 0) return;
    freqForm_->SetPlotWidth(engine_.ImageHeight());
    // A wider window may now reach past the screen's edge or over this window.
    PlaceSpectrumWindow(false);
}

void TMainForm::RepaintSpectrumPlot() {
    if (freqForm_) freqForm_->PaintBoxFreq()->update();
}

void TMainForm::PaintBoxFreqPaint(QPainter& painter) {
    DrawSpectrum(painter);
    // The cursor's read-outs go with its line when the drag is over.
    if (!SpectrumCursorShown()) {
        freqForm_->StatusPanel(0)->setText(QString());
        freqForm_->StatusPanel(1)->setText(QString());
    }
}

void TMainForm::SetSpectrumCursor(int x, int y) {
    if (!freqForm_) return;
    // Plot column i is image row i; a plot widened beyond the image has no rows to read out.
    const int columns = std::min(freqForm_->PaintBoxFreq()->width(), engine_.ImageHeight());
    spgmCursorY_ = std::clamp(x, 0, std::max(columns - 1, 0));
    freqForm_->PaintBoxFreq()->update();
}

void TMainForm::DrawSpectrum(QPainter& painter) {
    if (analysisKind_ == 0 || !freqForm_) return;
    const int width = freqForm_->PaintBoxFreq()->width();
    const int height = freqForm_->PaintBoxFreq()->height();
    painter.setPen(Qt::black);

    // The selected columns, or the cross-hair's column when none are selected.
    int first = spgmCursorX_;
    int end = spgmCursorX_ + 1;
    if (columnSelectionStart_ != columnSelectionEnd_) {
        first = columnSelectionStart_;
        end = columnSelectionEnd_;
    }
    const int rows = engine_.ImageHeight();
    if (levelColumn_.size() < static_cast<size_t>(rows)) levelColumn_.resize(rows);

    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (analysisKind_ == LifteringAnalysis) {
        // The unsmoothed power spectrum as a solid area behind the liftered curve.
        engine_.RenderLifterBackground(levelColumn_.data(), first, end, height, false);
        BackgroundStrokes(levelColumn_.data(), rows, width, height, plotStrokes_);
        DrawStrokes(painter, plotStrokes_);
    }
    engine_.RenderLevelColumn(levelColumn_.data(), first, end, height, true);
    PlotHeights(levelColumn_.data(), rows, width, height, plotHeights_);
    SpectrumStrokes(plotHeights_, width, height, SpectrumStyleOf(analysisKind_), plotStrokes_);

    // Inverted strokes show the liftered curve white where it crosses the black area.
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    DrawStrokes(painter, plotStrokes_);
    if (SpectrumCursorShown()) {
        const int x = spgmCursorY_;
        painter.drawLine(x, 0, x, height - 1);
        if (x >= 0 && x < rows) {
            // The axis may not have painted yet: set it up before reading a level off it.
            SetSpectrumLevelAxis();
            const double level = ValueAt(freqYScale_, levelColumn_[static_cast<size_t>(x)]);
            const double value = ValueAt(freqXScale_, x);
            freqForm_->StatusPanel(1)->setText(
                QString::fromStdString(LevelReadout(level, analysisKind_)));
            freqForm_->StatusPanel(0)->setText(
                QString::fromStdString(FrequencyReadout(value, engine_.LagAxis())));
        }
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace tonalyx

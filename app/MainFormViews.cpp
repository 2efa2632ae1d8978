#include <QFrame>
#include <QLayout>
#include <QPainter>

#include "app/TMainForm.h"
#include "display/PaintBox.h"
#include "display/TFreqForm.h"
#include "display/WaveStrokes.h"

namespace tonalyx {

void TMainForm::ConnectPaintHandlers() {
    paintBoxWave_->SetPaintHandler([this](QPainter& p) { PaintBoxWavePaint(p); });
    paintBoxWaveX_->SetPaintHandler([this](QPainter& p) {
        if (fileOpen_) DrawWaveTimeAxis(p);
    });
    paintBoxWaveY_->SetPaintHandler([this](QPainter& p) {
        if (fileOpen_) DrawWaveAmplitudeAxis(p);
    });
    paintBoxSpgm_->SetPaintHandler([this](QPainter& p) { PaintBoxSpgmPaint(p); });
    paintBoxSpgmX_->SetPaintHandler([this](QPainter& p) {
        if (analysisKind_ != 0) DrawSpgmTimeAxis(p);
    });
    paintBoxSpgmY_->SetPaintHandler([this](QPainter& p) {
        if (analysisKind_ != 0) DrawSpgmFrequencyAxis(p);
    });
}

void TMainForm::PaintBoxWavePaint(QPainter& painter) {
    if (!fileOpen_) return;
    DrawWave(painter);
    if (playCursorX_ >= 0) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.drawLine(playCursorX_, 0, playCursorX_, paintBoxWave_->height() - 1);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void TMainForm::PaintBoxSpgmPaint(QPainter& painter) {
    if (analysisKind_ == 0) return;
    DrawSpectrogram(painter);
    if (crossHairShown_) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        const int row = engine_.ImageHeight() - spgmCursorY_ - 1;
        painter.drawLine(spgmCursorX_, 0, spgmCursorX_, paintBoxSpgm_->height() - 1);
        painter.drawLine(0, row, paintBoxSpgm_->width() - 1, row);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void TMainForm::DrawSpectrogram(QPainter& painter) {
    paletteBitmap_.Draw(painter, engine_.ColumnCount(), engine_.ImageHeight(),
                        columnSelectionStart_, columnSelectionEnd_);
    DrawOverlays(painter);
}

// The cursor lines are state drawn over the views by their paint handlers with an inverting
// pen, so that a repaint keeps them and no stray line is ever left behind.
void TMainForm::DrawCrossHair() {
    crossHairShown_ = !crossHairShown_;
    paintBoxSpgm_->update();
}

void TMainForm::DrawPlayCursor(int position) {
    const int x = position == -1 ? -1 : geometry_.SampleToPixel(position);
    if (x == playCursorX_) return;
    const int height = paintBoxWave_->height();
    if (playCursorX_ >= 0) paintBoxWave_->update(playCursorX_, 0, 1, height);
    playCursorX_ = x;
    if (playCursorX_ >= 0) paintBoxWave_->update(playCursorX_, 0, 1, height);
}

void TMainForm::DrawWave(QPainter& painter) {
    const int height = paintBoxWave_->height();
    WaveStrokeInput input;
    input.samples = sound_.samples.data();
    input.geometry = &geometry_;
    input.height = height;
    input.selectionStart = selectionStart_;
    input.selectionEnd = selectionEnd_;
    std::vector<WaveStroke> strokes;
    ComputeWaveStrokes(input, strokes);

    painter.setPen(Qt::black);
    const auto column = [&painter](int x, int firstRow, int endRow) {
        if (endRow > firstRow) painter.drawLine(x, firstRow, x, endRow - 1);
    };
    for (size_t i = 0; i < strokes.size(); ++i) {
        const int x = static_cast<int>(i);
        const WaveStroke& stroke = strokes[i];
        if (stroke.inverted) {
            column(x, 0, stroke.firstRow);
            column(x, stroke.endRow, height);
        } else {
            column(x, stroke.firstRow, stroke.endRow);
        }
    }
}

void TMainForm::AViewHideSpectrogramExecute() {
    if (analysisKind_ == 0) return;
    if (freqForm_) freqForm_->hide();
    columnSelectionStart_ = columnSelectionEnd_ = 0;
    analysisKind_ = 0;
    const int panelHeight = panelSpgm_->height();
    panelSpgm_->hide();
    // The window's minimum height still counts the panel until its layout is redone.
    centralWidget()->layout()->activate();
    layout()->activate();
    resize(width(), height() - panelHeight);
    UpdateActionStates();
}

}  // namespace tonalyx

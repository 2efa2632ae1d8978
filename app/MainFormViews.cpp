#include <QFrame>
#include <QPainter>

#include "display/PaintBox.h"
#include "app/TMainForm.h"
#include "display/TFreqForm.h"
#include "display/WaveStrokes.h"

namespace tonalyx {

void TMainForm::PaintBoxWavePaint(QPainter& painter) {
    if (fileOpen_) DrawWave(painter);
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
    // The repaint has removed any play cursor line.
    playCursorX_ = -1;
}

void TMainForm::AViewHideSpectrogramExecute() {
    if (analysisKind_ == 0) return;
    if (freqForm_) freqForm_->hide();
    columnSelectionStart_ = columnSelectionEnd_ = 0;
    analysisKind_ = 0;
    const int panelHeight = panelSpgm_->height();
    panelSpgm_->hide();
    resize(width(), height() - panelHeight);
}

}  // namespace tonalyx

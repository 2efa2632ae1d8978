#include <QMouseEvent>

#include "display/PaintBox.h"
#include "display/TFreqForm.h"

namespace tonalyx {

namespace {

constexpr int kPlotView = 0;  // the window's one mouse route: PaintBoxFreq

}  // namespace

void TFreqForm::ConnectMouseHandlers() {
    mouseCapture_.AddRoute(
        kPlotView, paintBoxFreq_,
        [this](MouseButton button, int x, int y) { PaintBoxFreqMouseUp(button, x, y); },
        [this](int x, int y) { PaintBoxFreqMouseMove(x, y); });
    paintBoxFreq_->SetMouseHandlers(
        [this](QMouseEvent* event) {
            mouseCapture_.FinishLostCapture(event);
            const QPoint p = PixelOf(event);
            PaintBoxFreqMouseDown(ButtonOf(event), p.x(), p.y());
        },
        [this](QMouseEvent* event) {
            const QPoint p = PixelOf(event);
            PaintBoxFreqMouseMove(p.x(), p.y());
        },
        [this](QMouseEvent* event) {
            const QPoint p = PixelOf(event);
            PaintBoxFreqMouseUp(ButtonOf(event), p.x(), p.y());
        });
}

bool TFreqForm::CursorDragActive() const {
    return mouseCapture_.Router().IsActive(kPlotView);
}

void TFreqForm::PaintBoxFreqMouseDown(MouseButton button, int x, int y) {
    if (!mouseCapture_.Router().BeginCapture(kPlotView, button)) return;
    if (setCursor_) setCursor_(x, y);
}

void TFreqForm::PaintBoxFreqMouseMove(int x, int y) {
    if (CursorDragActive() && setCursor_) setCursor_(x, y);
}

void TFreqForm::PaintBoxFreqMouseUp(MouseButton button, int x, int y) {
    if (mouseCapture_.Router().EndCapture(kPlotView, button)) paintBoxFreq_->update();
}

// Moves and releases that reach the window while the plot has the mouse go to the plot.
void TFreqForm::mouseMoveEvent(QMouseEvent* event) {
    FormMouseMove(event);
    QWidget::mouseMoveEvent(event);
}

void TFreqForm::mouseReleaseEvent(QMouseEvent* event) {
    FormMouseUp(event);
    QWidget::mouseReleaseEvent(event);
}

void TFreqForm::FormMouseMove(QMouseEvent* event) {
    mouseCapture_.ForwardMove(event);
}

void TFreqForm::FormMouseUp(QMouseEvent* event) {
    mouseCapture_.ForwardUp(event);
}

}  // namespace tonalyx

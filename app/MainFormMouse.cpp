#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include "app/TMainForm.h"
#include "display/PaintBox.h"
#include "display/TFreqForm.h"
#include "interaction/AutoScroll.h"
#include "interaction/Readouts.h"

namespace tonalyx {

namespace {

// View ids of the main window's mouse routes.
constexpr int kWaveView = 0;
constexpr int kSpgmView = 1;
constexpr int kDragTimerInterval = 100;  // ms between auto-scroll steps of a wave drag

// A read-out panel shows its numbers in the face of the axes they are read from, the face the
// panel widths were designed for. It reserves the room the longest text it shows needs, so
// that no leading digit is ever cut off and the status bar keeps its height when read-outs
// come and go; the panel is widened (never narrowed) only where even that face needs it.
void UseReadoutFace(QLabel* panel, const QFont& face, const std::string& longest) {
    const QString text = QString::fromStdString(longest);
    panel->setFont(face);
    const QString shown = panel->text();
    panel->setText(text);
    panel->setMinimumHeight(panel->sizeHint().height());
    panel->setText(shown);
    // A framed label indents its text by half an "x" from the side it is aligned to.
    const QFontMetrics metrics(face);
    const int width = metrics.horizontalAdvance(text) + metrics.horizontalAdvance(QChar('x')) / 2 +
                      2 * panel->frameWidth();
    if (width > panel->minimumWidth()) panel->setFixedWidth(width);
}

}  // namespace

void TMainForm::FitReadoutPanels() {
    const QFont& axisFace = paintBoxSpgmY_->font();
    // Panel 0: the samples per pixel column (at most 65536), or the sound's samples per column
    // of the view when fitting, which for the longest sound the reader keeps in the narrowest
    // view runs to seven digits.
    UseReadoutFace(statusPanels_[0], axisFace, "8888888");
    UseReadoutFace(statusPanels_[1], axisFace, std::to_string(kMaxAmplitudeScale));
    // Panel 4: a full progress bar, the pitch mark or an elapsed time.
    UseReadoutFace(statusPanels_[4], axisFace, std::string(20, ']'));
    UseReadoutFace(statusPanels_[4], axisFace, "9999.99sec");
    UseReadoutFace(statusPanels_[2], axisFace, TimeReadout(88.888));
    UseReadoutFace(statusPanels_[3], axisFace, FrequencyReadout(88.888, true));
    if (!freqForm_) return;
    const QFont& plotFace = freqForm_->PaintBoxFreqX()->font();
    UseReadoutFace(freqForm_->StatusPanel(0), plotFace, FrequencyReadout(88.888, true));
    UseReadoutFace(freqForm_->StatusPanel(1), plotFace, LevelReadout(-88.888, FftAnalysis));
}

void TMainForm::CreateMouseHandling() {
    timer_ = new QTimer(this);
    timer_->setObjectName("Timer");
    timer_->setInterval(kDragTimerInterval);
    connect(timer_, &QTimer::timeout, this, &TMainForm::TimerTimer);
    FitReadoutPanels();

    mouseCapture_.AddRoute(
        kWaveView, paintBoxWave_,
        [this](MouseButton button, int x, int y) { PaintBoxWaveMouseUp(button, x, y); },
        [this](int x, int y) { PaintBoxWaveMouseMove(x, y); });
    mouseCapture_.AddRoute(
        kSpgmView, paintBoxSpgm_,
        [this](MouseButton button, int x, int y) { PaintBoxSpgmMouseUp(button, x, y); },
        [this](int x, int y) { PaintBoxSpgmMouseMove(x, y); });

    using Down = void (TMainForm::*)(MouseButton, int, int);
    using Move = void (TMainForm::*)(int, int);
    const auto connectView = [this](PaintBox* view, Down down, Move moved, Down up) {
        view->SetMouseHandlers(
            [this, down](QMouseEvent* event) {
                mouseCapture_.FinishLostCapture(event);
                const QPoint p = PixelOf(event);
                (this->*down)(ButtonOf(event), p.x(), p.y());
            },
            [this, moved](QMouseEvent* event) {
                const QPoint p = PixelOf(event);
                (this->*moved)(p.x(), p.y());
            },
            [this, up](QMouseEvent* event) {
                const QPoint p = PixelOf(event);
                (this->*up)(ButtonOf(event), p.x(), p.y());
            });
    };
    connectView(paintBoxWave_, &TMainForm::PaintBoxWaveMouseDown, &TMainForm::PaintBoxWaveMouseMove,
                &TMainForm::PaintBoxWaveMouseUp);
    connectView(paintBoxSpgm_, &TMainForm::PaintBoxSpgmMouseDown, &TMainForm::PaintBoxSpgmMouseMove,
                &TMainForm::PaintBoxSpgmMouseUp);
}

// Moves and releases that reach the form while a view has the mouse go to that view.
void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    FormMouseMove(event);
    QMainWindow::mouseMoveEvent(event);
}

void TMainForm::mouseReleaseEvent(QMouseEvent* event) {
    FormMouseUp(event);
    QMainWindow::mouseReleaseEvent(event);
}

void TMainForm::FormMouseMove(QMouseEvent* event) {
    mouseCapture_.ForwardMove(event);
}

void TMainForm::FormMouseUp(QMouseEvent* event) {
    mouseCapture_.ForwardUp(event);
}

void TMainForm::StartSelection(int x) {
    waveDrag_.Start(ColumnRangeAt(geometry_, x));
    const SampleSpan selection = waveDrag_.Selection();
    selectionStart_ = selection.start;
    selectionEnd_ = selection.end;
}

bool TMainForm::ExtendSelection(int x) {
    if (!waveDrag_.Extend(ColumnRangeAt(geometry_, x))) return false;
    const SampleSpan selection = waveDrag_.Selection();
    selectionStart_ = selection.start;
    selectionEnd_ = selection.end;
    return true;
}

void TMainForm::PaintBoxWaveMouseDown(MouseButton button, int x, int y) {
    if (!fileOpen_) return;
    if (!mouseCapture_.Router().BeginCapture(kWaveView, button)) return;
    // The right button plays from the column under the mouse while it is held.
    if (button == MouseButton::Right) StartMousePlay(x);
    if (button != MouseButton::Left) return;
    if (!audioDisabled_) StopPlaybackIfActive();
    StartSelection(x);
    SetAnnotationCursor(selectionStart_);
    paintBoxWave_->update();
    waveDragX_ = x;
    timer_->setInterval(kDragTimerInterval);
    timer_->start();
}

void TMainForm::PaintBoxWaveMouseMove(int x, int y) {
    if (!fileOpen_) return;
    if (mouseCapture_.Router().IsActive(kWaveView, MouseButton::Left)) waveDragX_ = x;
}

// Each tick of a right-button play moves the play cursor. Each tick of a left drag scrolls the
// view toward a mouse beyond its edges and moves the selection's free end to the column under
// the mouse.
void TMainForm::TimerTimer() {
    if (fileOpen_ && mouseCapture_.Router().IsActive(kWaveView, MouseButton::Right)) {
        MovePlayCursor();
        return;
    }
    if (!fileOpen_ || !mouseCapture_.Router().IsActive(kWaveView, MouseButton::Left)) return;
    geometry_.viewWidth = WaveViewWidth();
    bool scrolled = false;
    const std::optional<int> position = AutoScrollPosition(geometry_, waveDragX_);
    if (position && *position != geometry_.scroll.position) {
        geometry_.scroll.position = *position;
        horzScrollBar_->setValue(*position);
        scrolled = true;
    }
    if (ExtendSelection(waveDragX_) || scrolled) {
        paintBoxWave_->update();
        paintBoxWaveX_->update();
        if (scrolled) RepaintTierStrip();
    }
}

void TMainForm::PaintBoxWaveMouseUp(MouseButton button, int x, int y) {
    // The capture ends even if the file went meanwhile, or the mouse would stay owned.
    if (!mouseCapture_.Router().EndCapture(kWaveView, button)) return;
    if (button == MouseButton::Right) EndMousePlay();
    if (button != MouseButton::Left) return;
    timer_->stop();
    // The selection ends where the button was let go, even when no tick came after the last
    // move.
    if (fileOpen_ && ExtendSelection(waveDragX_)) paintBoxWave_->update();
}

void TMainForm::StartColumnSelection(int x) {
    const ColumnSelection selection = columnDrag_.Start(x);
    columnSelectionStart_ = selection.start;
    columnSelectionEnd_ = selection.end;
}

void TMainForm::ExtendColumnSelection(int x) {
    const ColumnSelection selection = columnDrag_.Extend(x);
    columnSelectionStart_ = selection.start;
    columnSelectionEnd_ = selection.end;
}

void TMainForm::SetSpectrogramCursor(int x, int y) {
    const ImagePoint point = ClampToImage(x, y, engine_.ColumnCount(), engine_.ImageHeight());
    spgmCursorX_ = point.x;
    spgmCursorY_ = RowFromBottom(point.y, engine_.ImageHeight());
}

void TMainForm::PaintBoxSpgmMouseDown(MouseButton button, int x, int y) {
    if (analysisKind_ == 0) return;
    if (!mouseCapture_.Router().BeginCapture(kSpgmView, button)) return;
    const ImagePoint point = ClampToImage(x, y, engine_.ColumnCount(), engine_.ImageHeight());
    if (button == MouseButton::Left) {
        StartColumnSelection(point.x);
        paintBoxSpgm_->update();
        ShowSpectrumWindow();
    } else if (button == MouseButton::Right) {
        if (columnSelectionStart_ != columnSelectionEnd_) {
            columnSelectionStart_ = columnSelectionEnd_ = 0;
            paintBoxSpgm_->update();
        }
        SetSpectrogramCursor(point.x, point.y);
        ShowSpectrumWindow();
        DrawCrossHair();
    }
    // Brings the read-outs and the spectrum up to date at once.
    PaintBoxSpgmMouseMove(x, y);
}

void TMainForm::PaintBoxSpgmMouseMove(int x, int y) {
    const MouseCaptureRouter& router = mouseCapture_.Router();
    if (analysisKind_ == 0 || !router.IsActive(kSpgmView)) return;
    const ImagePoint point = ClampToImage(x, y, engine_.ColumnCount(), engine_.ImageHeight());
    if (router.ActiveButton() == MouseButton::Left) {
        ExtendColumnSelection(point.x);
        RepaintSpectrumPlot();
        paintBoxSpgm_->update();
    } else if (router.ActiveButton() == MouseButton::Right) {
        DrawCrossHair();
        SetSpectrogramCursor(point.x, point.y);
        DrawCrossHair();
        RepaintSpectrumPlot();
        // The time of the cursor column on the whole sound, as the time axis shows it.
        const double time = ValueAt(spgmTimeScale_, spgmTimeScale_.visibleFrom + spgmCursorX_);
        const double value = ValueAt(spgmFreqScale_, spgmCursorY_);
        SetStatusText(2, QString::fromStdString(TimeReadout(time)));
        SetStatusText(3, QString::fromStdString(FrequencyReadout(value, engine_.LagAxis())));
        ShowOverlayReadout();
    }
}

void TMainForm::PaintBoxSpgmMouseUp(MouseButton button, int x, int y) {
    if (!mouseCapture_.Router().EndCapture(kSpgmView, button)) return;
    if (button == MouseButton::Left) {
        RepaintSpectrumPlot();
        paintBoxSpgm_->update();
    } else if (button == MouseButton::Right) {
        DrawCrossHair();
        RepaintSpectrumPlot();
    }
}

bool TMainForm::SpectrumCursorShown() const {
    return mouseCapture_.Router().IsActive(kSpgmView, MouseButton::Right) ||
           (freqForm_ && freqForm_->CursorDragActive());
}

}  // namespace tonalyx

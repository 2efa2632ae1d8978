#pragma once

#include <QWidget>

#include <functional>

#include "interaction/MouseRouting.h"

class QLabel;

namespace tonalyx {

class PaintBox;

// The stay-on-top "Power Spectrum" tool window: the plot of one spectrogram column, or the mean
// of a column range, with a frequency axis below, a level axis on the left and a status bar.
class TFreqForm : public QWidget {
    Q_OBJECT
public:
    explicit TFreqForm(QWidget* parent = nullptr);

    PaintBox* PaintBoxFreq() const { return paintBoxFreq_; }
    PaintBox* PaintBoxFreqX() const { return paintBoxFreqX_; }
    PaintBox* PaintBoxFreqY() const { return paintBoxFreqY_; }
    QLabel* StatusPanel(int index) const;
    // Makes the plot width pixels wide and the window as wide as the plot needs, or as its
    // read-outs need when that is more, whether or not the window has been laid out yet.
    void SetPlotWidth(int width);

    // A press or drag on the plot moves the spectrum cursor through this handler (x, y in plot
    // pixels); the main window draws the cursor and its read-outs.
    void SetSpectrumCursorHandler(std::function<void(int x, int y)> handler) {
        setCursor_ = std::move(handler);
    }
    // A drag on the plot is in progress.
    bool CursorDragActive() const;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ConnectMouseHandlers();
    // The least width the window's layout allows with the sizes its controls have now.
    int LeastWidth();
    void PaintBoxFreqMouseDown(MouseButton button, int x, int y);
    void PaintBoxFreqMouseMove(int x, int y);
    void PaintBoxFreqMouseUp(MouseButton button, int x, int y);
    void FormMouseMove(QMouseEvent* event);
    void FormMouseUp(QMouseEvent* event);

    MouseRouting mouseCapture_{this};
    std::function<void(int x, int y)> setCursor_;
    PaintBox* paintBoxFreq_ = nullptr;
    PaintBox* paintBoxFreqX_ = nullptr;
    PaintBox* paintBoxFreqY_ = nullptr;
    QLabel* statusPanels_[3] = {};
};

}  // namespace tonalyx

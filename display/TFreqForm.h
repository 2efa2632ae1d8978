#pragma once

#include <QWidget>

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

private:
    PaintBox* paintBoxFreq_ = nullptr;
    PaintBox* paintBoxFreqX_ = nullptr;
    PaintBox* paintBoxFreqY_ = nullptr;
    QLabel* statusPanels_[3] = {};
};

}  // namespace tonalyx

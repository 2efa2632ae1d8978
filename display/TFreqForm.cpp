#include "display/TFreqForm.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

#include "display/PaintBox.h"

namespace tonalyx {

namespace {

constexpr int kClientWidth = 290;
constexpr int kClientHeight = 165;
constexpr int kDesignPlotWidth = 256;
constexpr int kAxisColumnWidth = 32;
constexpr int kAxisRowHeight = 16;

}  // namespace

TFreqForm::TFreqForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("FreqForm");
    setWindowTitle("Power Spectrum");

    auto* panel = new QFrame(this);
    panel->setObjectName("PanelFreq");
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(palette);
    QFont font("Arial");
    font.setPixelSize(11);
    panel->setFont(font);

    paintBoxFreq_ = new PaintBox("PaintBoxFreq");
    paintBoxFreqX_ = new PaintBox("PaintBoxFreqX");
    paintBoxFreqY_ = new PaintBox("PaintBoxFreqY");
    paintBoxFreqX_->setFixedHeight(kAxisRowHeight);
    paintBoxFreqY_->setFixedWidth(kAxisColumnWidth);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(paintBoxFreqY_, 0, 0);
    grid->addWidget(paintBoxFreq_, 0, 1);
    grid->addWidget(paintBoxFreqX_, 1, 0, 1, 2);
    grid->setRowStretch(0, 1);
    // The plot keeps its width; a window made wider by its read-outs leaves room at the right.
    grid->setColumnStretch(2, 1);

    // The frequency and level read-outs always show whole, and so set the window's least
    // width; the last panel, always empty, takes what is left.
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    const int widths[2] = {112, 51};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(status);
        label->setObjectName(QString("FreqStatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment((i == 1 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        if (i < 2) label->setFixedWidth(widths[i]);
        status->addWidget(label, i == 2 ? 1 : 0);
        statusPanels_[i] = label;
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(panel, 1);
    column->addWidget(status);
    resize(kClientWidth, kClientHeight);
    SetPlotWidth(kDesignPlotWidth);
    // Showing the window on a press in the main window leaves the keyboard with that window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    ConnectMouseHandlers();
}

void TFreqForm::SetPlotWidth(int width) {
    paintBoxFreq_->setFixedWidth(width);
    const auto* panel = findChild<QFrame*>("PanelFreq");
    const int chrome = paintBoxFreqY_->width() + 2 * panel->frameWidth();
    const int wanted = std::max(width + chrome, LeastWidth());
    if (this->width() != wanted) resize(wanted, height());
}

int TFreqForm::LeastWidth() {
    // A layout learns of its controls' new sizes only at a later event, and never while the
    // window is hidden: bring every one up to date at once.
    for (QLayout* each : findChildren<QLayout*>())
        each->invalidate();
    for (QWidget* each : findChildren<QWidget*>()) {
        if (each->layout()) each->updateGeometry();
    }
    // The window's own least size follows, so that a narrower window may now be had.
    layout()->activate();
    return layout()->totalMinimumSize().width();
}

QLabel* TFreqForm::StatusPanel(int index) const {
    return statusPanels_[index];
}

}  // namespace tonalyx

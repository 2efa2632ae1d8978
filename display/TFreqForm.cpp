#include "display/TFreqForm.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "display/PaintBox.h"
#include "display/ShrinkingStatusPanel.h"

namespace tonalyx {

namespace {

constexpr int kClientWidth = 290;
constexpr int kClientHeight = 165;
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
    grid->setColumnStretch(1, 1);

    // The panels give way to the plot: the window is exactly as wide as the plot needs, however
    // narrow an image height makes it.
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    const int widths[3] = {112, 51, 50};
    for (int i = 0; i < 3; ++i) {
        auto* label = new ShrinkingStatusPanel(widths[i], status);
        label->setObjectName(QString("FreqStatusPanel%1").arg(i));
        label->setAlignment((i == 1 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        status->addWidget(label, i == 2 ? 1 : 0);
        statusPanels_[i] = label;
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(panel, 1);
    column->addWidget(status);
    resize(kClientWidth, kClientHeight);
    // Showing the window on a press in the main window leaves the keyboard with that window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    ConnectMouseHandlers();
}

void TFreqForm::SetPlotWidth(int width) {
    const auto* panel = findChild<QFrame*>("PanelFreq");
    const int chrome = paintBoxFreqY_->width() + 2 * panel->frameWidth();
    if (this->width() != width + chrome) resize(width + chrome, height());
}

QLabel* TFreqForm::StatusPanel(int index) const {
    return statusPanels_[index];
}

}  // namespace tonalyx

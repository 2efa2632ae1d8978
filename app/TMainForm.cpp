#include "app/TMainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/ElidedLabel.h"
#include "app/HelpWindow.h"
#include "app/ModalDialogsOnTop.h"
#include "app/ToolWindowPlacement.h"
#include "app/ViewScrollBar.h"
#include "display/PaintBox.h"
#include "display/TFreqForm.h"
#include "settings/TOptionForm.h"

namespace tonalyx {

namespace {

constexpr int kAxisColumnWidth = 32;  // PaintBoxWaveY, PaintBoxSpgmY
constexpr int kAxisRowHeight = 16;    // PaintBoxWaveX, PaintBoxSpgmX
constexpr int kDesignWaveHeight = 128;
constexpr int kDesignSpgmHeight = 256;
constexpr int kPanelBevel = 1;
constexpr int kDesignClientWidth = 546;

struct StatusPanel {
    int width;
    Qt::Alignment alignment;
};
constexpr std::array<StatusPanel, 6> kStatusPanels{{
    {36, Qt::AlignRight},  // samples per pixel column
    {36, Qt::AlignRight},  // amplitude magnification
    {51, Qt::AlignRight},  // cursor time
    {112, Qt::AlignLeft},  // cursor frequency or lag
    {64, Qt::AlignLeft},   // analysis progress and elapsed time
    {50, Qt::AlignLeft},   // hint of the control under the mouse
}};

// A view panel: the view fills it, its value axis on the left, its time axis below.
QFrame* MakeViewPanel(const QString& name, PaintBox* view, PaintBox* xAxis, PaintBox* yAxis,
                      QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(kPanelBevel);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(palette);

    yAxis->setFixedWidth(kAxisColumnWidth);
    xAxis->setFixedHeight(kAxisRowHeight);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);  // the bevel is the frame itself
    grid->setSpacing(0);
    grid->addWidget(yAxis, 0, 0);
    grid->addWidget(view, 0, 1);
    grid->addWidget(xAxis, 1, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);
    return panel;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MainForm");
    setWindowTitle("Tonalyx");
    setWindowIcon(QIcon(":/icons/tonalyx.svg"));
    CreateActions();
    CreateMenus();
    ConnectReopenMenu();
    CreateToolBar();
    CreatePanels();
    CreateTierStrip();
    CreateStatusBar();
    ConnectActionHandlers();
    ConnectPaintHandlers();
    CreateMouseHandling();
    CreateOverlays();
    new ModalDialogsOnTop(this);

    baseCaption_ = windowTitle();
    fileOpen_ = false;

    // Size the window for the designed views, the spectrogram panel included, then hide that
    // panel: the program starts with the wave view only.
    const int chrome = menuBar()->sizeHint().height() + toolBar_->sizeHint().height() +
                       horzScrollBar_->sizeHint().height() + statusBar()->sizeHint().height();
    const int wavePanelHeight = kDesignWaveHeight + kAxisRowHeight + 2 * kPanelBevel;
    // Wide enough for every tool button, whatever the desktop style makes of them.
    const int width = std::max(kDesignClientWidth, toolBar_->sizeHint().width());
    resize(width, chrome + wavePanelHeight + panelSpgm_->height());
    analysisKind_ = 1;
    AViewHideSpectrogramExecute();
}

TMainForm::~TMainForm() = default;

void TMainForm::AttachWindows(TFreqForm* freqForm, TOptionForm* optionForm, TAboutBox* aboutBox) {
    freqForm_ = freqForm;
    optionForm_ = optionForm;
    aboutBox_ = aboutBox;
    if (optionForm_) {
        optionForm_->SetApplyHandler([this](int kind) { ApplyAnalysisOptions(kind); });
        RestoreOverlayToggles();
    }
    if (freqForm_) {
        freqForm_->PaintBoxFreqX()->SetPaintHandler(
            [this](QPainter& p) { DrawSpectrumFrequencyAxis(p); });
        freqForm_->PaintBoxFreqY()->SetPaintHandler(
            [this](QPainter& p) { DrawSpectrumLevelAxis(p); });
        AttachSpectrumWindow();
    }
}

void TMainForm::CreatePanels() {
    auto* central = new QWidget(this);
    central->setObjectName("ClientArea");
    // The views and axes use the designed small face; menus and status bar keep the desktop's.
    central->setFont(QFont("Arial", 8));

    paintBoxWave_ = new PaintBox("PaintBoxWave");
    paintBoxWaveX_ = new PaintBox("PaintBoxWaveX");
    paintBoxWaveY_ = new PaintBox("PaintBoxWaveY");
    paintBoxWave_->setMinimumSize(16, 16);
    panelWave_ = MakeViewPanel("PanelWave", paintBoxWave_, paintBoxWaveX_, paintBoxWaveY_, central);

    paintBoxSpgm_ = new PaintBox("PaintBoxSpgm");
    paintBoxSpgmX_ = new PaintBox("PaintBoxSpgmX");
    paintBoxSpgmY_ = new PaintBox("PaintBoxSpgmY");
    panelSpgm_ = MakeViewPanel("PanelSpgm", paintBoxSpgm_, paintBoxSpgmX_, paintBoxSpgmY_, central);
    panelSpgm_->setFixedHeight(kDesignSpgmHeight + kAxisRowHeight + 2 * kPanelBevel);

    horzScrollBar_ = new ViewScrollBar(central);
    horzScrollBar_->setObjectName("HorzScrollBar");
    horzScrollBar_->setSingleStep(kScrollSmallChange);
    horzScrollBar_->setEnabled(false);
    connect(horzScrollBar_, &QScrollBar::actionTriggered, this, &TMainForm::HorzScrollBarScroll);
    connect(horzScrollBar_, &QScrollBar::valueChanged, this, &TMainForm::HorzScrollBarChange);

    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(panelWave_, 1);
    column->addWidget(panelSpgm_, 0);
    column->addWidget(horzScrollBar_, 0);
    setCentralWidget(central);
}

void TMainForm::CreateStatusBar() {
    auto* bar = statusBar();
    bar->setObjectName("StatusBar");
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        // The last panel's hints and notes may be wider than the window: a cut shows as "…".
        const bool last = i + 1 == statusPanels_.size();
        QLabel* label = last ? new ElidedLabel(bar) : new QLabel(bar);
        label->setObjectName(QString("StatusPanel%1").arg(i));
        label->setAlignment(kStatusPanels[i].alignment | Qt::AlignVCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (last) {
            label->setMinimumWidth(kStatusPanels[i].width);
        } else {
            label->setFixedWidth(kStatusPanels[i].width);
        }
        bar->addWidget(label, last ? 1 : 0);
        statusPanels_[i] = label;
    }
}

void TMainForm::SetStatusText(int panel, const QString& text) {
    statusPanels_.at(static_cast<size_t>(panel))->setText(text);
}

QString TMainForm::StatusText(int panel) const {
    return statusPanels_.at(static_cast<size_t>(panel))->text();
}

void TMainForm::ShowHint(const QString& hint) {
    // Between hints the panel says what the open changed in the sound, if anything.
    SetStatusText(5, hint.isEmpty() ? openNote_ : hint);
}

bool TMainForm::event(QEvent* event) {
    // Hints go to status panel 5 instead of replacing the whole status bar.
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    if (firstPaintDone_) return;
    firstPaintDone_ = true;
    // Runs after the paint, from the event loop: it may open a file and show message boxes, one
    // after the other.
    QTimer::singleShot(0, this, [this] {
        ReportStoredDefaultsError();
        InitializeOnFirstPaint();
    });
}

// Stored defaults that could not all be read are said once, when the window first shows.
void TMainForm::ReportStoredDefaultsError() {
    if (!optionForm_) return;
    const QString error = optionForm_->TakeStoredDefaultsError();
    if (!error.isEmpty()) QMessageBox::warning(this, baseCaption_, error);
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FollowMove();
}

void TMainForm::FollowMove() {
    const QPoint current = pos();
    if (!moveRemembered_) {
        rememberedPosition_ = current;
        moveRemembered_ = true;
    }
    const QPoint delta = current - rememberedPosition_;
    if (delta.isNull()) return;
    if (optionForm_) optionForm_->move(optionForm_->pos() + delta);
    if (freqForm_) freqForm_->move(freqForm_->pos() + delta);
    rememberedPosition_ = current;
    PlaceSpectrumWindow(false);
}

void TMainForm::PlaceSpectrumWindow(bool always) {
    // Before the first paint this window has no place of its own yet.
    if (!freqForm_ || !firstPaintDone_) return;
    const QRect screenArea = screen()->availableGeometry();
    // A window not yet shown has no frame: take this window's frame as its likeness.
    QSize decoration = freqForm_->frameGeometry().size() - freqForm_->size();
    if (decoration.isNull()) decoration = frameGeometry().size() - size();
    const QSize toolFrame = freqForm_->size() + decoration;
    const QRect mainFrame = frameGeometry();
    if (!always &&
        ToolWindowWellPlaced(mainFrame, QRect(freqForm_->pos(), toolFrame), screenArea)) {
        return;
    }
    const QRect options = optionForm_ ? optionForm_->frameGeometry() : QRect();
    freqForm_->move(PlaceToolWindow(mainFrame, toolFrame, screenArea, options));
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (fileOpen_) UpdateGeometry(GeometryChange::Resize);
    PlaceSpectrumWindow(false);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!MayDropAnnotations()) {
        event->ignore();
        return;
    }
    CloseFile();
    if (helpWindow_) helpWindow_->close();
    event->accept();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) names << url.toLocalFile();
    }
    event->acceptProposedAction();
    OpenDroppedFile(names);
}

void TMainForm::OpenDroppedFile(const QStringList& names) {
    if (names.isEmpty()) return;
    // A TextGrid dropped on an open sound is its annotations, not a sound to open.
    if (fileOpen_ && names.front().endsWith(".TextGrid", Qt::CaseInsensitive)) {
        OpenAnnotations(names.front());
    } else {
        OpenFile(names.front());
    }
    raise();
    activateWindow();
}

}  // namespace tonalyx

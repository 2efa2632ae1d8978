#include "settings/TOptionForm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tonalyx {

namespace {

constexpr int kClientWidth = 249;
constexpr int kClientHeight = 508;

struct PageSpec {
    const char* name;
    const char* caption;
};
constexpr PageSpec kPages[] = {
    {"TabSheetCor", "AC"},       {"TabSheetFft", "FFT"},           {"TabSheetMem", "MEM"},
    {"TabSheetFrq", "Pitch"},    {"TabSheetCep", "Cepstrum"},      {"TabSheetLif", "Liftering"},
    {"TabSheetDisp", "Display"}, {"TabSheetGraphics", "Graphics"}, {"TabSheetFile", "File"},
};
constexpr int kLifteringPage = 5;
constexpr int kDisplayPage = 6;

}  // namespace

TOptionForm::TOptionForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("OptionForm");
    setWindowTitle("Options");
    QFont font("Arial");
    font.setPixelSize(11);
    setFont(font);

    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl1");
    pages_->setUsesScrollButtons(false);
    for (const PageSpec& spec : kPages) {
        auto* page = new QWidget;
        page->setObjectName(spec.name);
        pages_->addTab(page, spec.caption);
    }
    // The liftering page keeps its settings but its tab is never shown.
    pages_->setTabVisible(kLifteringPage, false);
    pages_->setCurrentIndex(kDisplayPage);

    auto* apply = new QPushButton("&Apply", this);
    apply->setObjectName("ApplyBtn");
    apply->setDefault(true);
    auto* cancel = new QPushButton("&Close", this);
    cancel->setObjectName("CancelBtn");
    cancel->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
    auto* registerDefault = new QPushButton("RegisterAs&Default", this);
    registerDefault->setObjectName("DefaultBtn");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    buttons->addWidget(registerDefault);
    auto* column = new QVBoxLayout(this);
    column->addWidget(pages_, 1);
    column->addLayout(buttons);
    resize(kClientWidth, kClientHeight);
}

void TOptionForm::ShowOptions() {
    if (isVisible()) return;
    show();
}

}  // namespace tonalyx

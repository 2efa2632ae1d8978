#include "app/TAboutBox.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tonalyx {

namespace {

constexpr int kClientWidth = 392;
constexpr int kClientHeight = 293;

const char* const kNotice =
    "Tonalyx shows the wave form, spectrograms and pitch of speech.\n"
    "Spectrograms by FFT power, auto-correlation, maximum entropy,\n"
    "cepstrum and liftering; a filter-bank pitch tracker.\n"
    "Written by the Tonalyx developers.\n"
    "Free for teaching, research and clinical use.\n"
    "Reports and suggestions are welcome.";

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("Version Info");

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);

    auto* icon = new QLabel(panel);
    icon->setObjectName("ProgramIcon");
    icon->setPixmap(QIcon(":/icons/tonalyx.svg").pixmap(64, 64));
    icon->setFixedSize(64, 64);

    productName_ = new QLabel(panel);
    productName_->setObjectName("ProductName");
    QFont nameFont("Arial");
    nameFont.setPixelSize(32);
    nameFont.setBold(true);
    productName_->setFont(nameFont);

    auto* version = new QLabel("version 2.00", panel);
    version->setObjectName("Version");
    QFont versionFont = version->font();
    versionFont.setBold(true);
    version->setFont(versionFont);

    auto* notice = new QPlainTextEdit(kNotice, panel);
    notice->setObjectName("Comments");
    notice->setReadOnly(true);
    notice->setFrameStyle(QFrame::NoFrame);
    notice->setLineWrapMode(QPlainTextEdit::NoWrap);
    notice->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    notice->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The memo is as large as its lines need in the desktop's font, so each reads whole.
    const QFontMetrics metrics(notice->font());
    int widest = 0;
    const QStringList lines = QString(kNotice).split('\n');
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int margins = 2 * static_cast<int>(std::ceil(notice->document()->documentMargin()));
    notice->setMinimumSize(widest + margins + metrics.averageCharWidth(),
                           static_cast<int>(lines.size()) * metrics.lineSpacing() + margins);
    QPalette palette = notice->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    notice->setPalette(palette);

    auto* grid = new QGridLayout(panel);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(productName_, 0, 1);
    grid->addWidget(version, 1, 1, Qt::AlignTop);
    grid->addWidget(notice, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addWidget(panel, 1);
    column->addLayout(buttons);
    setFixedSize(column->minimumSize().expandedTo(QSize(kClientWidth, kClientHeight)));
}

void TAboutBox::SetProductName(const QString& name) {
    productName_->setText(name);
}

QString TAboutBox::ProductName() const {
    return productName_->text();
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace tonalyx

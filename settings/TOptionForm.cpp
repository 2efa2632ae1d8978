#include "settings/TOptionForm.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

#include "settings/OptionControlsWidgets.h"
#include "settings/OptionPages.h"
#include "settings/OptionSnapshot.h"
#include "settings/OverlayPage.h"
#include "settings/OverlayRequest.h"
#include "settings/PageControl.h"
#include "settings/QtSettingsStore.h"

namespace tonalyx {

namespace {

constexpr int kClientWidth = 249;
constexpr int kClientHeight = 508;
constexpr int kFontPixelSize = 11;
constexpr int kMargin = 4;

struct PageCode {
    const char* page;
    int code;
};
constexpr PageCode kPageCodes[] = {
    {"TabSheetDisp", 0}, {"TabSheetFft", 1},
    {"TabSheetCor", 2},  {"TabSheetCep", 3},
    {"TabSheetLif", 4},  {"TabSheetMem", 5},
    {"TabSheetFrq", 6},  {"TabSheetOverlay", kOverlayPageCode},
};

QString Joined(const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines)
        texts << QString::fromStdString(line);
    return texts.join('\n');
}

}  // namespace

TOptionForm::TOptionForm(QWidget* parent)
    : TOptionForm(parent, std::make_unique<QtSettingsStore>(), std::string(kSettingsKey)) {}

TOptionForm::TOptionForm(QWidget* parent, std::unique_ptr<SettingsStore> store, std::string keyPath)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      store_(kSettingsVersion, std::move(keyPath), std::move(store)) {
    BuildWindow();
    FormCreate();
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::BuildWindow() {
    setObjectName("OptionForm");
    setWindowTitle("Options");
    // A fixed pixel size: the dialog does not grow with the desktop's font settings.
    QFont font("Arial");
    font.setPixelSize(kFontPixelSize);
    setFont(font);

    pages_ = new PageControl(this);
    pages_->setObjectName("PageControl1");
    AddOptionPages(*pages_);
    // The overlays' page comes last, its fields as wide as those of the other pages.
    AddOverlayPage(*pages_, findChild<QSpinBox*>("LHeight")->minimumWidth());

    auto* apply = new QPushButton("&Apply");
    apply->setObjectName("ApplyBtn");
    apply->setDefault(true);
    connect(apply, &QPushButton::clicked, this, &TOptionForm::ApplyBtnClick);
    auto* cancel = new QPushButton("&Close");
    cancel->setObjectName("CancelBtn");
    connect(cancel, &QPushButton::clicked, this, &TOptionForm::CancelBtnClick);
    auto* registerDefault = new QPushButton("RegisterAs&Default");
    registerDefault->setObjectName("DefaultBtn");
    connect(registerDefault, &QPushButton::clicked, this, &TOptionForm::DefaultBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kMargin);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    buttons->addWidget(registerDefault);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(kMargin);
    column->addWidget(pages_, 1);
    column->addLayout(buttons);

    // Start from the factory state: every control's initial value.
    WriteControlWidgets(*this, OptionControls{});
    WatchUpDownBesideItem("LMemSizeN", &TOptionForm::LMemSizeNClick);
    WatchUpDownBesideItem("LChannelIDG", &TOptionForm::LChannelIDGClick);
    resize(minimumSizeHint().expandedTo(QSize(kClientWidth, kClientHeight)));
}

void TOptionForm::FormCreate() {
    CaptureControls();  // the snapshot now holds the factory state
    store_.LoadFromRegistry();
    ApplyToControls();
    // A stored combo box text that is not a number keeps only its own field at the factory
    // value; everything else stored is still taken, and the user is told once.
    const auto failure =
        ReadSettingsPastErrors(ReadControlWidgets(*this), records_.analysis, records_.display,
                               records_.imageCopy, records_.file);
    if (failure) {
        storedDefaultsError_ =
            "A stored default could not be read: " + QString::fromStdString(failure->Message()) +
            ". Its factory value is used until it is corrected.";
    }
    std::string unreadable;
    LoadOverlaySettings(store_.Store(), store_.KeyPath(), overlay_, unreadable);
    // Stored values the shared check refuses are not taken either.
    if (unreadable.empty() && !CheckOverlaySettings(overlay_).empty()) {
        unreadable = std::string(kOverlayGroup) + "*";
        OverlaySettings factory;
        factory.showFormants = overlay_.showFormants;
        factory.showIntensity = overlay_.showIntensity;
        overlay_ = factory;
    }
    if (!unreadable.empty()) {
        if (!storedDefaultsError_.isEmpty()) storedDefaultsError_ += "\n";
        storedDefaultsError_ += "Stored overlay settings could not be read (" +
                                QString::fromStdString(unreadable) +
                                "). Their factory values are used until they are registered again.";
    }
    storedOverlay_ = overlay_;
    WriteOverlayControls(*this, storedOverlay_);
    pages_->SetCurrentIndex(kDisplayPageIndex);
}

void TOptionForm::StoreOverlayToggles(bool showFormants, bool showIntensity) {
    overlay_.showFormants = storedOverlay_.showFormants = showFormants;
    overlay_.showIntensity = storedOverlay_.showIntensity = showIntensity;
    SaveOverlayToggles(store_.Store(), store_.KeyPath(), showFormants, showIntensity);
}

bool TOptionForm::ReadOverlayPage(OverlaySettings& overlay) {
    const std::vector<std::string> refusals = ReadOverlayControls(*this, overlay);
    if (refusals.empty()) return true;
    QMessageBox::warning(this, windowTitle(), Joined(refusals));
    return false;
}

QString TOptionForm::TakeStoredDefaultsError() {
    return std::exchange(storedDefaultsError_, QString());
}

void TOptionForm::CaptureControls() {
    UpDownEditTexts editTexts;
    const OptionControls controls = ReadControlWidgets(*this, &editTexts);
    store_.SetSnapshot(EncodeOptionSnapshot(controls, editTexts));
}

void TOptionForm::ApplyToControls() {
    OptionControls controls;
    UpDownEditTexts editTexts;
    if (!DecodeOptionSnapshot(store_.Snapshot(), controls, editTexts)) return;
    restoring_ = true;
    WriteControlWidgets(*this, controls);
    WriteOverlayControls(*this, storedOverlay_);
    restoring_ = false;
}

bool TOptionForm::ReadSettingsQuietly(QString* error) {
    const auto failure = tonalyx::ReadSettings(ReadControlWidgets(*this), records_.analysis,
                                               records_.display, records_.imageCopy, records_.file);
    if (failure && error) *error = QString::fromStdString(failure->Message());
    return !failure;
}

bool TOptionForm::ReadSettings() {
    QString error;
    if (ReadSettingsQuietly(&error)) return true;
    QMessageBox::warning(this, windowTitle(), error);
    return false;
}

int TOptionForm::ActivePageCode() const {
    const QString page = pages_->Page(pages_->CurrentIndex())->objectName();
    for (const PageCode& entry : kPageCodes) {
        if (page == entry.page) return entry.code;
    }
    return -1;
}

void TOptionForm::ShowOptions() {
    if (isVisible()) return;
    ApplyToControls();
    show();
    raise();
}

void TOptionForm::ApplyBtnClick() {
    if (!ReadSettings() || !ReadOverlayPage(overlay_)) return;
    const int code = ActivePageCode();
    if (code >= 0 && applyHandler_) applyHandler_(code);
}

void TOptionForm::CancelBtnClick() {
    hide();
}

// Controls that cannot be read are refused before anything is stored: a stored snapshot must
// read back at the next start, and the records keep their values.
void TOptionForm::DefaultBtnClick() {
    SettingsRecordSet trial = records_;
    const auto failure = tonalyx::ReadSettings(ReadControlWidgets(*this), trial.analysis,
                                               trial.display, trial.imageCopy, trial.file);
    if (failure) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(failure->Message()));
        return;
    }
    OverlaySettings overlay = overlay_;
    if (!ReadOverlayPage(overlay)) return;
    CaptureControls();
    store_.SaveToRegistry();
    ReadSettings();
    overlay_ = storedOverlay_ = overlay;
    SaveOverlaySettings(store_.Store(), store_.KeyPath(), overlay_);
}

void TOptionForm::EditLMemSizeNClick() {
    findChild<QButtonGroup*>("LMemSize")->button(kMemSizeOtherItem)->setChecked(true);
}

void TOptionForm::LMemSizeNClick() {
    EditLMemSizeNClick();
}

void TOptionForm::EditLChannelIDGClick() {
    findChild<QButtonGroup*>("LChannelID")->button(kChannelIdMoreItem)->setChecked(true);
}

void TOptionForm::LChannelIDGClick() {
    EditLChannelIDGClick();
}

void TOptionForm::WatchUpDownBesideItem(const char* upDown, void (TOptionForm::*select)()) {
    auto* spin = findChild<QSpinBox*>(upDown);
    spin->installEventFilter(this);
    spin->findChild<QLineEdit*>()->installEventFilter(this);
    // Stepping by keyboard or wheel picks the item as a click does.
    connect(spin, &QSpinBox::valueChanged, this, [this, select] {
        if (!restoring_) (this->*select)();
    });
}

bool TOptionForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const QString name = watched->objectName();
        if (name == "LMemSizeN") LMemSizeNClick();
        if (name == "EditLMemSizeN") EditLMemSizeNClick();
        if (name == "LChannelIDG") LChannelIDGClick();
        if (name == "EditLChannelIDG") EditLChannelIDGClick();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tonalyx

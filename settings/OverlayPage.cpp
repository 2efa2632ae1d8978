#include "settings/OverlayPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/OptionWidgetKit.h"
#include "settings/OverlayRequest.h"
#include "settings/PageControl.h"

namespace tonalyx {

namespace {

using requests::RequestField;

constexpr int kPageSpacing = 6;
constexpr const char* kAuto = "auto";

// An editable field of a number, or of a number or "auto" when items are given.
QComboBox* MakeNumberField(const char* name, const QStringList& items) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->addItems(items);
    return combo;
}

QString NumberText(double value) {
    return QString::fromStdString(OverlayNumberText(value));
}

QString FieldText(const QWidget& form, const char* name) {
    return form.findChild<QComboBox*>(name)->currentText().trimmed();
}

// The field's number, or none with the refusal said; "auto" gives an empty inner value where
// allowed.
std::optional<std::optional<double>> ReadField(const QWidget& form, const char* name,
                                               RequestField field, bool autoAllowed,
                                               std::vector<std::string>& refusals) {
    const QString text = FieldText(form, name);
    if (autoAllowed && text == kAuto) return std::optional<double>();
    if (const auto number = ParseOverlayNumber(text.toStdString())) return number;
    refusals.push_back(requests::OutsideRange(field, text.toStdString(), OverlayFieldName));
    return std::nullopt;
}

}  // namespace

int AddOverlayPage(PageControl& pages, int fieldWidth) {
    auto* page = new QWidget;
    page->setObjectName("TabSheetOverlay");
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kPageSpacing);

    QGroupBox* formants = MakeGroup("Formants (linear prediction)");
    QGridLayout* formantFields = MakeFieldGrid();
    AddField(formantFields, "Ceiling [Hz]",
             MakeNumberField("LFormantCeiling", {kAuto, "5000", "5500"}));
    auto* count = new QSpinBox;
    count->setObjectName("LFormantCount");
    count->setRange(1, 10);
    count->setLocale(QLocale::c());
    AddField(formantFields, "Formants", count);
    AddField(formantFields, "Window [s]",
             MakeNumberField("LFormantWindow", {"0.015", "0.025", "0.05"}));
    AddField(formantFields, "Pre-emphasis from [Hz]",
             MakeNumberField("LFormantPreEmphasis", {"50", "100"}));
    formantFields->addWidget(MakeCheckBox("BFormantTrack", "Track F1-F3"),
                             formantFields->rowCount(), 0, 1, 2);
    static_cast<QVBoxLayout*>(formants->layout())->addLayout(formantFields);
    column->addWidget(formants);

    QGroupBox* intensity = MakeGroup("Intensity");
    QGridLayout* intensityFields = MakeFieldGrid();
    AddField(intensityFields, "Min pitch [Hz]",
             MakeNumberField("LIntensityMinPitch", {"50", "75", "100", "200"}));
    static_cast<QVBoxLayout*>(intensity->layout())->addLayout(intensityFields);
    column->addWidget(intensity);

    QGroupBox* both = MakeGroup("Both");
    QGridLayout* stepFields = MakeFieldGrid();
    AddField(stepFields, "Time step [s]", MakeNumberField("LOverlayStep", {kAuto, "0.01"}));
    static_cast<QVBoxLayout*>(both->layout())->addLayout(stepFields);
    column->addWidget(both);
    column->addStretch(1);

    for (QSpinBox* spin : page->findChildren<QSpinBox*>())
        spin->setFixedWidth(fieldWidth);
    for (QComboBox* combo : page->findChildren<QComboBox*>())
        combo->setFixedWidth(fieldWidth);
    return pages.AddPage(page, "Formants");
}

void WriteOverlayControls(QWidget& form, const OverlaySettings& settings) {
    const auto set = [&form](const char* name, const QString& text) {
        auto* combo = form.findChild<QComboBox*>(name);
        combo->setCurrentIndex(-1);
        combo->setEditText(text);
    };
    set("LFormantCeiling", settings.autoCeiling ? kAuto : NumberText(settings.ceilingHz));
    form.findChild<QSpinBox*>("LFormantCount")->setValue(settings.formantCount);
    set("LFormantWindow", NumberText(settings.windowSeconds));
    set("LFormantPreEmphasis", NumberText(settings.preEmphasisHz));
    form.findChild<QCheckBox*>("BFormantTrack")->setChecked(settings.track);
    set("LIntensityMinPitch", NumberText(settings.minPitchHz));
    set("LOverlayStep", settings.stepSeconds ? NumberText(*settings.stepSeconds) : kAuto);
}

std::vector<std::string> ReadOverlayControls(const QWidget& form, OverlaySettings& settings) {
    std::vector<std::string> refusals;
    OverlaySettings read = settings;
    if (const auto ceiling =
            ReadField(form, "LFormantCeiling", RequestField::Ceiling, true, refusals)) {
        read.autoCeiling = !*ceiling;
        if (*ceiling) read.ceilingHz = **ceiling;
    }
    read.formantCount = form.findChild<QSpinBox*>("LFormantCount")->value();
    if (const auto window =
            ReadField(form, "LFormantWindow", RequestField::Window, false, refusals))
        read.windowSeconds = **window;
    if (const auto corner =
            ReadField(form, "LFormantPreEmphasis", RequestField::PreEmphasis, false, refusals))
        read.preEmphasisHz = **corner;
    read.track = form.findChild<QCheckBox*>("BFormantTrack")->isChecked();
    if (const auto pitch =
            ReadField(form, "LIntensityMinPitch", RequestField::MinPitch, false, refusals))
        read.minPitchHz = **pitch;
    if (const auto step = ReadField(form, "LOverlayStep", RequestField::Step, true, refusals))
        read.stepSeconds = *step;
    // Fields that are no number keep their last value, which the check takes as it stands.
    const std::vector<std::string> checked = CheckOverlaySettings(read);
    refusals.insert(refusals.end(), checked.begin(), checked.end());
    if (refusals.empty()) settings = read;
    return refusals;
}

}  // namespace tonalyx

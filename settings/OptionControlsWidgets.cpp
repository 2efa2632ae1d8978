#include "settings/OptionControlsWidgets.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

namespace tonalyx {

namespace {

template <typename T>
T* Find(const QWidget& form, std::string_view name) {
    return form.findChild<T*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

// The item a combo box shows, or -1 when its text is not that item's (the user typed it).
int ShownItem(const QComboBox& combo) {
    const int index = combo.currentIndex();
    return index >= 0 && combo.itemText(index) == combo.currentText() ? index : -1;
}

void SelectItem(QButtonGroup& group, int item) {
    if (QAbstractButton* button = group.button(item)) {
        button->setChecked(true);
        return;
    }
    // No item (or one the group does not have): nothing checked.
    group.setExclusive(false);
    for (QAbstractButton* each : group.buttons())
        each->setChecked(false);
    group.setExclusive(true);
}

}  // namespace

OptionControls ReadControlWidgets(const QWidget& form, UpDownEditTexts* editTexts) {
    OptionControls controls;
    for (const RadioGroupControl& radio : kRadioGroupControls) {
        controls.*radio.item = Find<QButtonGroup>(form, radio.name)->checkedId();
    }
    for (const CheckBoxControl& check : kCheckBoxControls) {
        controls.*check.checked = Find<QCheckBox>(form, check.name)->isChecked();
    }
    for (size_t i = 0; i < kUpDownControls.size(); ++i) {
        const QSpinBox* spin = Find<QSpinBox>(form, kUpDownControls[i].name);
        controls.*kUpDownControls[i].position = spin->value();
        if (editTexts) (*editTexts)[i] = spin->text().toStdString();
    }
    for (const ComboBoxControl& box : kComboBoxControls) {
        const QComboBox* combo = Find<QComboBox>(form, box.name);
        controls.*box.state = {combo->currentText().toStdString(), ShownItem(*combo)};
    }
    return controls;
}

void WriteControlWidgets(QWidget& form, const OptionControls& controls) {
    for (const RadioGroupControl& radio : kRadioGroupControls) {
        SelectItem(*Find<QButtonGroup>(form, radio.name), controls.*radio.item);
    }
    for (const CheckBoxControl& check : kCheckBoxControls) {
        Find<QCheckBox>(form, check.name)->setChecked(controls.*check.checked);
    }
    for (const UpDownControl& upDown : kUpDownControls) {
        Find<QSpinBox>(form, upDown.name)->setValue(controls.*upDown.position);
    }
    for (const ComboBoxControl& box : kComboBoxControls) {
        QComboBox* combo = Find<QComboBox>(form, box.name);
        const ComboBoxState& state = controls.*box.state;
        const bool listed = state.itemIndex >= 0 && state.itemIndex < combo->count();
        combo->setCurrentIndex(listed ? state.itemIndex : -1);
        combo->setEditText(QString::fromStdString(state.text));
    }
}

}  // namespace tonalyx

#include "settings/OptionControlTable.h"

#include <string>

namespace tonalyx {

namespace {

template <typename Table>
auto FindByName(const Table& table, std::string_view name) -> decltype(&table[0]) {
    for (const auto& entry : table) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

}  // namespace

UpDownEditTexts EditTextsOfPositions(const OptionControls& controls) {
    UpDownEditTexts texts;
    for (std::size_t i = 0; i < kUpDownControls.size(); ++i) {
        texts[i] = std::to_string(controls.*kUpDownControls[i].position);
    }
    return texts;
}

const RadioGroupControl* FindRadioGroupControl(std::string_view name) {
    return FindByName(kRadioGroupControls, name);
}

const CheckBoxControl* FindCheckBoxControl(std::string_view name) {
    return FindByName(kCheckBoxControls, name);
}

const UpDownControl* FindUpDownControl(std::string_view name) {
    return FindByName(kUpDownControls, name);
}

const ComboBoxControl* FindComboBoxControl(std::string_view name) {
    return FindByName(kComboBoxControls, name);
}

}  // namespace tonalyx

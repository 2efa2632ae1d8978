#pragma once

#include "settings/OptionControlTable.h"

class QWidget;

namespace tonalyx {

// The options dialog's controls, found under form by their names, read into the record: radio
// groups as the checked item, up-downs as their position (the last valid one while the edit
// holds other text), combo boxes as their edit text with the item it shows (-1 once the text
// was typed). The up-downs' edit texts go to editTexts when given.
OptionControls ReadControlWidgets(const QWidget& form, UpDownEditTexts* editTexts = nullptr);

// Sets the controls from the record. Each edit then shows its up-down's position; a combo box
// shows its text, with the given item selected or none for -1.
void WriteControlWidgets(QWidget& form, const OptionControls& controls);

}  // namespace tonalyx

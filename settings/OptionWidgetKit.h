#pragma once

#include <QString>

#include <string_view>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QSpinBox;
class QWidget;

namespace tonalyx {

// Builders for the options dialog's controls. Each control is named as the control table names
// it and takes its items and range from there; initial states are set afterwards from the
// factory record.

// A captioned radio group: a group box holding the item buttons and, under the same name, the
// button group whose ids are the item indexes.
struct RadioGroupBox {
    QGroupBox* box = nullptr;
    QGridLayout* grid = nullptr;
    QButtonGroup* group = nullptr;
    int rows = 1;  // items per column
};

// Items run top to bottom, then on in the next column. Every item column is followed by a grid
// column for a control placed beside an item (see ItemNeighbourColumn).
RadioGroupBox MakeRadioGroup(std::string_view name, const QString& caption, int columns = 2);
// The grid row of an item and the grid column just right of it.
int ItemRow(const RadioGroupBox& radio, int item);
int ItemNeighbourColumn(const RadioGroupBox& radio, int item);

// An up-down: a spin box whose edit is named "Edit" + name.
QSpinBox* MakeUpDown(std::string_view name);
QCheckBox* MakeCheckBox(std::string_view name, const QString& caption);
// An editable combo box with the table's items; typed text is kept as typed, never added to
// the list or completed from it.
QComboBox* MakeComboBox(std::string_view name);

// A grid of labelled fields: caption on the left, the field right-aligned beside it.
QGridLayout* MakeFieldGrid();
void AddField(QGridLayout* grid, const QString& caption, QWidget* field);
// The same with a control of its own (a check box) in place of the caption.
void AddField(QGridLayout* grid, QWidget* label, QWidget* field);

// A group box laid out as a column, with the small margins the narrow dialog needs.
QGroupBox* MakeGroup(const QString& caption);

}  // namespace tonalyx

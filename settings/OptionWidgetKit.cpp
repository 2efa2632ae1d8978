#include "settings/OptionWidgetKit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/OptionControlTable.h"
#include "settings/OptionSnapshot.h"

namespace tonalyx {

namespace {

constexpr int kGroupMarginH = 6;
constexpr int kGroupMarginV = 3;
constexpr int kRowSpacing = 2;
constexpr int kColumnSpacing = 6;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

RadioGroupBox MakeRadioGroup(std::string_view name, const QString& caption, int columns) {
    const RadioGroupControl* control = FindRadioGroupControl(name);
    RadioGroupBox radio;
    radio.box = new QGroupBox(caption);
    radio.box->setObjectName(ToQString(name));
    radio.grid = new QGridLayout(radio.box);
    radio.grid->setContentsMargins(kGroupMarginH, kGroupMarginV, kGroupMarginH, kGroupMarginV);
    radio.grid->setVerticalSpacing(kRowSpacing);
    radio.grid->setHorizontalSpacing(kColumnSpacing);
    radio.group = new QButtonGroup(radio.box);
    radio.group->setObjectName(ToQString(name));

    const int count = static_cast<int>(control->items.size());
    radio.rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(ToQString(control->items[static_cast<size_t>(i)]));
        button->setObjectName(QString("%1Item%2").arg(ToQString(name)).arg(i));
        radio.group->addButton(button, i);
        radio.grid->addWidget(button, ItemRow(radio, i), ItemNeighbourColumn(radio, i) - 1);
    }
    for (int c = 0; c < columns; ++c)
        radio.grid->setColumnStretch(2 * c, 1);
    return radio;
}

int ItemRow(const RadioGroupBox& radio, int item) {
    return item % radio.rows;
}

int ItemNeighbourColumn(const RadioGroupBox& radio, int item) {
    return 2 * (item / radio.rows) + 1;
}

QSpinBox* MakeUpDown(std::string_view name) {
    const UpDownControl* control = FindUpDownControl(name);
    auto* spin = new QSpinBox;
    spin->setObjectName(ToQString(name));
    spin->setRange(control->range.min, control->range.max);
    spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // The edit's text is stored as typed: plain ASCII digits and minus sign in every locale, as
    // in the factory snapshot, so that stored defaults read back the same everywhere.
    spin->setLocale(QLocale::c());
    // The edit's own name, so that it can be told apart from the arrows.
    spin->findChild<QLineEdit*>()->setObjectName("Edit" + ToQString(name));
    return spin;
}

QCheckBox* MakeCheckBox(std::string_view name, const QString& caption) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(ToQString(name));
    return box;
}

QComboBox* MakeComboBox(std::string_view name) {
    const ComboBoxControl* control = FindComboBoxControl(name);
    auto* combo = new QComboBox;
    combo->setObjectName(ToQString(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // Completion would turn a typed "1" into "1000".
    combo->setCompleter(nullptr);
    // The stored snapshot keeps 64 bytes of the text; a number that fits is plain ASCII, so
    // limiting the characters keeps every storable number whole.
    combo->lineEdit()->setMaxLength(static_cast<int>(kTextSlotSize));
    for (std::string_view item : control->items)
        combo->addItem(ToQString(item));
    combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return combo;
}

QGridLayout* MakeFieldGrid() {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(kRowSpacing);
    grid->setHorizontalSpacing(kColumnSpacing);
    grid->setColumnStretch(0, 1);
    return grid;
}

void AddField(QGridLayout* grid, QWidget* label, QWidget* field) {
    // An empty grid still reports one row.
    const int row = grid->count() == 0 ? 0 : grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1, Qt::AlignRight);
}

void AddField(QGridLayout* grid, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    AddField(grid, label, field);
}

QGroupBox* MakeGroup(const QString& caption) {
    auto* group = new QGroupBox(caption);
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(kGroupMarginH, kGroupMarginV, kGroupMarginH, kGroupMarginV);
    column->setSpacing(kRowSpacing);
    return group;
}

}  // namespace tonalyx

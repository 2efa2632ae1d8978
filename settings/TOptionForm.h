#pragma once

#include <QWidget>

#include "settings/SettingsRecords.h"

class QPushButton;
class QTabWidget;

namespace tonalyx {

// The four settings records the dialog owns; consumers copy the one they need.
struct SettingsRecordSet {
    AnalysisSettings analysis;
    DisplaySettings display;
    ImageCopySettings imageCopy;
    FileSettings file;
};

// The non-modal, stay-on-top "Options" tool window. It owns the settings records; Apply asks the
// main window to recompute what the shown page concerns.
class TOptionForm : public QWidget {
    Q_OBJECT
public:
    explicit TOptionForm(QWidget* parent = nullptr);

    const SettingsRecordSet& Settings() const { return records_; }
    void ShowOptions();

private:
    QTabWidget* pages_ = nullptr;
    SettingsRecordSet records_;
};

}  // namespace tonalyx

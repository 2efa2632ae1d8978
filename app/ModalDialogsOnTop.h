#pragma once

#include <QObject>

namespace tonalyx {

// Keeps modal dialogs (message boxes, the file and print dialogs) above the stay-on-top tool
// windows, which would otherwise cover their buttons: as it opens, each modal dialog of the
// application is made stay-on-top itself, so that the window manager stacks it in the tool
// windows' layer, where the newest window is on top. Works for as long as it lives.
class ModalDialogsOnTop : public QObject {
public:
    explicit ModalDialogsOnTop(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tonalyx

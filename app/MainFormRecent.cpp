#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/TMainForm.h"

namespace tonalyx {

namespace {

// A path shows as it is: an ampersand in it is not an access key.
QString MenuText(const std::string& path) {
    return QString::fromStdString(path).replace('&', "&&");
}

}  // namespace

void TMainForm::ConnectReopenMenu() {
    void (TMainForm::*const handlers[])() = {
        &TMainForm::History0ItemClick, &TMainForm::History1ItemClick, &TMainForm::History2ItemClick,
        &TMainForm::History3ItemClick, &TMainForm::History4ItemClick, &TMainForm::History5ItemClick,
        &TMainForm::History6ItemClick, &TMainForm::History7ItemClick,
    };
    for (size_t i = 0; i < historyItems_.size(); ++i)
        connect(historyItems_[i], &QAction::triggered, this, handlers[i]);
    // Ctrl+R opens the submenu itself, where the File menu would open.
    QAction* reopen = reopenMenu_->menuAction();
    reopen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    reopen->setShortcutContext(Qt::WindowShortcut);
    connect(reopen, &QAction::triggered, this, &TMainForm::PopUpReopenMenu);
}

void TMainForm::PopUpReopenMenu() {
    reopenMenu_->popup(menuBar()->mapToGlobal(QPoint(0, menuBar()->height())));
}

// Stored entries without a path (a stored count larger than the paths stored) are left out:
// they would open nothing. With no entry left, the first item says so.
void TMainForm::UpdateReopenMenu() {
    recentFiles_.LoadRecentFiles();
    bool anyShown = false;
    for (size_t i = 0; i < historyItems_.size(); ++i) {
        RecentFileSlot slot = recentFiles_.GetRecentFile(static_cast<int>(i));
        if (slot.enabled && slot.text.empty()) slot = {};
        const QString caption = slot.enabled ? "&" + QString::number(i) + " " + MenuText(slot.text)
                                             : MenuText(slot.text);
        QAction* item = historyItems_[i];
        item->setText(caption);
        item->setVisible(!caption.isEmpty());
        item->setEnabled(slot.enabled);
        anyShown = anyShown || slot.enabled;
    }
    if (!anyShown) {
        historyItems_[0]->setText("(Nothing)");
        historyItems_[0]->setVisible(true);
    }
}

void TMainForm::OpenRecentFile(int index) {
    OpenFile(QString::fromStdString(recentFiles_.Entry(index)));
}

void TMainForm::History0ItemClick() {
    OpenRecentFile(0);
}
void TMainForm::History1ItemClick() {
    OpenRecentFile(1);
}
void TMainForm::History2ItemClick() {
    OpenRecentFile(2);
}
void TMainForm::History3ItemClick() {
    OpenRecentFile(3);
}
void TMainForm::History4ItemClick() {
    OpenRecentFile(4);
}
void TMainForm::History5ItemClick() {
    OpenRecentFile(5);
}
void TMainForm::History6ItemClick() {
    OpenRecentFile(6);
}
void TMainForm::History7ItemClick() {
    OpenRecentFile(7);
}

}  // namespace tonalyx

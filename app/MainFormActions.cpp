#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "app/MainActions.h"
#include "app/TMainForm.h"

namespace tonalyx {

namespace {

QIcon IconAt(int image) {
    if (image < 0) return {};
    return QIcon(QString(":/icons/%1.svg").arg(image, 2, 10, QChar('0')));
}

const ActionEntry* FindEntry(const QString& name) {
    for (const ActionEntry& entry : kMainActions) {
        if (name == entry.name) return &entry;
    }
    return nullptr;
}

}  // namespace

void TMainForm::CreateActions() {
    for (const ActionEntry& entry : kMainActions) {
        auto* action = new QAction(this);
        action->setObjectName(entry.name);
        action->setText(entry.caption);
        action->setIcon(IconAt(entry.image));
        action->setStatusTip(entry.hint);
        action->setToolTip(entry.hint);
        if (*entry.shortcut) action->setShortcut(QKeySequence(entry.shortcut));
        action->setCheckable(entry.checkable);
        action->setVisible(entry.visible);
        // Shortcuts work wherever the focus is in the main window, menus or not.
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        actions_[entry.name] = action;
    }
    Action("AAudioAutoRepeat")->setChecked(true);
    Action("AViewFitToWindow")->setChecked(true);
}

QAction* TMainForm::Action(const QString& name) const {
    const auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

void TMainForm::CreateMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("FileMenu");
    file->addAction(Action("AFileOpen"));
    reopenMenu_ = file->addMenu("&Reopen");
    reopenMenu_->setObjectName("FileReopenItem");
    const char* historyNames[] = {"History0Item", "History1Item", "History2tem", "History3Item",
                                  "History4Item", "History5Item", "History6tem", "History7Item"};
    for (size_t i = 0; i < historyItems_.size(); ++i) {
        QAction* item = reopenMenu_->addAction(QString());
        item->setObjectName(historyNames[i]);
        historyItems_[i] = item;
    }
    // With no history the first item reads "(Nothing)" and the others stay hidden.
    historyItems_[0]->setText("(Nothing)");
    historyItems_[0]->setEnabled(false);
    for (size_t i = 1; i < historyItems_.size(); ++i)
        historyItems_[i]->setVisible(false);

    file->addAction(Action("AFileSave"));
    file->addAction(Action("AFileSaveAs"));
    file->addAction(Action("AFileClose"));
    file->addSeparator();
    file->addAction(Action("AFilePrint"));
    file->addAction(Action("AFilePrinterSettings"));
    file->addSeparator();
    file->addAction(Action("AFileExit"));

    QMenu* edit = bar->addMenu("&Edit");
    edit->setObjectName("EditMenu");
    edit->addAction(Action("AEditCopy"));

    QMenu* audio = bar->addMenu("&Audio");
    audio->setObjectName("AudioMenu");
    for (const char* name : {"AAudioPlay", "AAudioStop", "AAudioAutoRepeat"}) {
        audio->addAction(Action(name));
    }

    QMenu* view = bar->addMenu("&View");
    view->setObjectName("ViewMenu");
    for (const char* name : {"AViewHighAmplitude", "AViewLowAmplitude", "AViewCompressed",
                             "AViewExtended", "AViewFitToWindow"}) {
        view->addAction(Action(name));
    }
    view->addSeparator();
    for (const char* name :
         {"AViewShowCor", "AViewShowFft", "AViewShowMem", "AViewShowCep", "AViewShowLif",
          "AViewHideSpectrogram", "AViewShowPitch", "AViewShowPitchOverlay"}) {
        view->addAction(Action(name));
    }

    // The Options item of the menu bar is a command of its own, not a menu.
    bar->addAction(Action("AOptions1"));

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("HelpMenu");
    help->addAction(Action("AHelpContents"));
    help->addAction(Action("AHelpSearch"));
    help->addAction(Action("AHelpHelp"));
    help->addSeparator();
    help->addAction(Action("AHelpAbout"));
    AddDataExportItems(file, edit);
    AddAnnotationItems(file, edit);
}

void TMainForm::CreateToolBar() {
    toolBar_ = addToolBar("Tool bar");
    toolBar_->setObjectName("ToolBar1");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(16, 16));
    const std::vector<std::vector<const char*>> groups{
        {"AFileOpen", "AFileSave", "AFilePrint"},
        {"AEditCopy"},
        {"AAudioPlay", "AAudioStop", "AAudioAutoRepeat"},
        {"AViewHighAmplitude", "AViewLowAmplitude", "AViewCompressed", "AViewExtended",
         "AViewFitToWindow"},
        {"AViewShowCor", "AViewShowFft", "AViewShowMem", "AViewShowCep", "AViewShowLif",
         "AViewShowPitch", "AViewHideSpectrogram"},
        {"AViewShowPitchOverlay"},
        {"AOptions"},
    };
    for (size_t g = 0; g < groups.size(); ++g) {
        if (g > 0) toolBar_->addSeparator();
        for (const char* name : groups[g]) {
            QAction* action = Action(name);
            const ActionEntry* entry = FindEntry(name);
            if (!entry->toolHint) {
                toolBar_->addAction(action);
                continue;
            }
            // This button describes its command differently from the menu item: it gets an
            // action of its own that follows the command's state and triggers it.
            auto* button = new QAction(action->icon(), action->text(), this);
            button->setObjectName(QString(name) + "Button");
            button->setStatusTip(entry->toolHint);
            button->setToolTip(entry->toolHint);
            button->setVisible(action->isVisible());
            button->setEnabled(action->isEnabled());
            connect(button, &QAction::triggered, action, &QAction::trigger);
            connect(action, &QAction::changed, button, [button, action] {
                button->setEnabled(action->isEnabled());
                button->setVisible(action->isVisible());
            });
            toolBar_->addAction(button);
        }
    }
}

void TMainForm::ConnectActionHandlers() {
    const auto on = [this](const char* name, void (TMainForm::*handler)()) {
        connect(Action(name), &QAction::triggered, this, handler);
    };
    on("AFileOpen", &TMainForm::AFileOpenExecute);
    on("AFileClose", &TMainForm::AFileCloseExecute);
    on("AFileExit", &TMainForm::AFileExitExecute);
    on("AFileSave", &TMainForm::AFileSaveExecute);
    on("AFileSaveAs", &TMainForm::AFileSaveAsExecute);
    on("AFilePrint", &TMainForm::AFilePrintExecute);
    on("AFilePrinterSettings", &TMainForm::AFilePrinterSettingsExecute);
    on("AEditCopy", &TMainForm::AEditCopyExecute);
    on("AEditCopy1", &TMainForm::AEditCopyExecute);
    on("AAudioPlay", &TMainForm::AAudioPlayExecute);
    on("AAudioStop", &TMainForm::AAudioStopExecute);
    on("AViewFitToWindow", &TMainForm::AViewFitToWindowExecute);
    on("AViewHideSpectrogram", &TMainForm::AViewHideSpectrogramExecute);
    on("AOptions", &TMainForm::AOptionsExecute);
    on("AOptions1", &TMainForm::AOptionsExecute);
    on("AHelpContents", &TMainForm::AHelpContentsExecute);
    on("AHelpSearch", &TMainForm::AHelpSearchExecute);
    on("AHelpHelp", &TMainForm::AHelpHelpExecute);
    on("AHelpAbout", &TMainForm::AHelpAboutExecute);
    const auto analysis = [this](const char* name, int kind) {
        connect(Action(name), &QAction::triggered, this, [this, kind] { RunAnalysis(kind); });
    };
    analysis("AViewShowFft", 1);
    analysis("AViewShowCor", 2);
    analysis("AViewShowCep", 3);
    analysis("AViewShowLif", 4);
    analysis("AViewShowMem", 5);
    analysis("AViewShowPitch", 6);
    on("AViewShowPitchOverlay", &TMainForm::AViewShowPitchOverlayExecute);
    connect(Action("AViewHighAmplitude"), &QAction::triggered, this,
            [this] { UpdateGeometry(GeometryChange::EnlargeAmplitude); });
    connect(Action("AViewLowAmplitude"), &QAction::triggered, this,
            [this] { UpdateGeometry(GeometryChange::ShrinkAmplitude); });
    connect(Action("AViewCompressed"), &QAction::triggered, this,
            [this] { UpdateGeometry(GeometryChange::WidenTime); });
    connect(Action("AViewExtended"), &QAction::triggered, this,
            [this] { UpdateGeometry(GeometryChange::NarrowTime); });
    ConnectDataExportHandlers();
}

void TMainForm::UpdateActionStates() {
    for (const char* name : kDocumentActions)
        Action(name)->setEnabled(fileOpen_);
    for (const char* name : kAudioActions)
        Action(name)->setEnabled(fileOpen_ && !audioDisabled_);
    UpdateDataExportStates();
    UpdateOverlayStates();
    UpdateAnnotationStates();
}

}  // namespace tonalyx

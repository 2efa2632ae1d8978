#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

#include "app/FileIdentity.h"
#include "app/FileNames.h"
#include "app/HelpWindow.h"
#include "app/OpenNotes.h"
#include "app/TAboutBox.h"
#include "app/TMainForm.h"
#include "display/TFreqForm.h"
#include "document/SoundFile.h"
#include "document/SoundFormats.h"
#include "requests/CommandView.h"
#include "settings/TOptionForm.h"

namespace tonalyx {

void TMainForm::InitializeOnFirstPaint() {
    // The options dialog goes to the right of this window, the power-spectrum window where it
    // fits beside or below it.
    const QRect frame = frameGeometry();
    if (optionForm_) optionForm_->move(frame.left() + frame.width(), frame.top());
    PlaceSpectrumWindow(true);
    if (optionForm_) fileSettings_ = optionForm_->Settings().file;
    audioDisabled_ = fileSettings_.disableAudio;

    ResetView();
    UpdateReopenMenu();
    if (!commandLineText_.isEmpty()) OpenFile(LongFileName(commandLineText_));
    setAcceptDrops(true);
}

void TMainForm::ResetView() {
    selectionStart_ = selectionEnd_ = 0;
    geometry_.Reset();
    for (int panel = static_cast<int>(statusPanels_.size()) - 1; panel >= 0; --panel) {
        SetStatusText(panel, QString());
    }
    playCursorX_ = -1;
    UpdateFitCheck();
    pitchOverlay_ = false;
    Action("AViewShowPitchOverlay")->setChecked(false);
    UpdateGeometry(GeometryChange::Refresh);
    UpdateActionStates();
}

bool TMainForm::OpenFile(const QString& path) {
    const QString requested = path;
    if (!MayDropAnnotations()) return false;
    CloseFile();
    fileName_ = StripQuotes(requested);

    if (optionForm_) {
        const FileSettings& current = optionForm_->Settings().file;
        fileSettings_.channelIndex = current.channelIndex;
        fileSettings_.maxSoundLength = current.maxSoundLength;
        fileSettings_.disableAudio = current.disableAudio;
    }
    sound_.maxSoundLength = fileSettings_.maxSoundLength;

    const std::string name = fileName_.toStdString();
    SoundReadError error;
    if (!ReadSoundFile(sound_, name, fileSettings_.channelIndex, &error)) {
        // The reader's reason on a line of its own, worded as the command line words it.
        QMessageBox::warning(this, baseCaption_,
                             "File Cannot Open: " + fileName_ + "\n" +
                                 QString::fromStdString(requests::RefusalText(name, error)));
        return false;
    }

    fileOpen_ = true;
    soundIdentity_ = IdentityOf(name);
    ShowOpenNote();
    setWindowTitle(baseCaption_ + " - " + QFileInfo(fileName_).fileName());
    if (!audioDisabled_) OpenPlayer();
    geometry_.samplesPerPixel = InitialSamplesPerPixel(sound_.sampleCount, WaveViewWidth());
    UpdateGeometry(GeometryChange::Refresh);
    UpdateActionStates();
    recentFiles_.AddRecentFile(fileName_.toStdString());
    UpdateReopenMenu();
    OpenAnnotationsBeside(fileName_);
    return true;
}

bool TMainForm::CloseFile() {
    if (!fileOpen_) return true;
    fileOpen_ = false;
    AViewHideSpectrogramExecute();
    CloseAnnotations();
    if (!audioDisabled_) ClosePlayer();
    sound_.Clear();
    ResetView();
    setWindowTitle(baseCaption_);
    fileName_.clear();
    soundIdentity_.reset();
    pitchTrack_.clear();
    ClearOverlays();
    openNote_.clear();
    statusPanels_[5]->setToolTip(QString());
    return true;
}

bool TMainForm::RefuseToReplaceSound(const QString& target) {
    // The file read at the open, and whatever file now has the sound's name: an output over
    // either would destroy the recording the window shows.
    const auto identity = IdentityOf(target.toStdString());
    if (!fileOpen_ || !identity ||
        (identity != soundIdentity_ && identity != IdentityOf(fileName_.toStdString()))) {
        return false;
    }
    QMessageBox::warning(this, baseCaption_,
                         "File Cannot Create: " + target + "\nIt is the sound file that is open (" +
                             fileName_ + "), which is never written over; choose another name.");
    return true;
}

void TMainForm::ShowOpenNote() {
    // The read as the command line reports it, so that both say the same of the same file.
    const SoundFileInfo& origin = sound_.origin;
    std::int64_t wanted = origin.frames;
    if (fileSettings_.maxSoundLength >= 1) {
        wanted = std::min<std::int64_t>(
            wanted, std::int64_t{fileSettings_.maxSoundLength} * origin.sampleRate);
    }
    requests::LoadReport report;
    requests::FillLoadReport(fileName_.toStdString(), origin, fileSettings_.channelIndex,
                             sound_.channelIndex, wanted, sound_.sampleCount, report);
    openNote_ = OpenNote(report, fileSettings_.maxSoundLength);
    statusPanels_[5]->setToolTip(openNote_);
    ShowHint(QString());
}

void TMainForm::AFileOpenExecute() {
    // Every kind the program opens first, then waves alone as before, then anything: a file
    // is recognised by its content, whatever its name.
    const QString filter = "Sound files (" + QString::fromStdString(SoundFilePatterns()) +
                           ");;Windows wave file (*.wav);;all files (*)";
    const QString chosen = QFileDialog::getOpenFileName(this, "Open", QString(), filter);
    if (!chosen.isEmpty()) OpenFile(chosen);
}

void TMainForm::AFileCloseExecute() {
    if (MayDropAnnotations()) CloseFile();
}

void TMainForm::AFileExitExecute() {
    close();
}

void TMainForm::AOptionsExecute() {
    if (optionForm_) optionForm_->ShowOptions();
}

HelpWindow* TMainForm::Help() {
    if (!helpWindow_) helpWindow_ = new HelpWindow(this);
    return helpWindow_;
}

void TMainForm::AHelpContentsExecute() {
    Help()->ShowContents();
}

void TMainForm::AHelpSearchExecute() {
    Help()->ShowKeywordSearch(QString());
}

void TMainForm::AHelpHelpExecute() {
    Help()->ShowHelpOnHelp();
}

void TMainForm::AHelpAboutExecute() {
    if (!aboutBox_) return;
    aboutBox_->SetProductName(baseCaption_);
    aboutBox_->exec();
}

}  // namespace tonalyx

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>
#include <sstream>

#include "analysis/AnalysisKind.h"
#include "app/DataExportTables.h"
#include "app/FileNames.h"
#include "app/TMainForm.h"
#include "display/TFreqForm.h"
#include "requests/OutputFiles.h"

namespace tonalyx {

namespace {

// The step of the pitch export's first file type, in seconds.
constexpr double kPitchExportStep = 0.01;

// The short kind names of the command line's --kind, for the suggested file names.
QString KindName(int kind) {
    switch (kind) {
        case FftAnalysis:
            return "fft";
        case AutoCorrelationAnalysis:
            return "ac";
        case CepstrumAnalysis:
            return "cep";
        case LifteringAnalysis:
            return "lif";
        case MemAnalysis:
            return "mem";
        default:
            return "levels";
    }
}

// The system's reason in a failure message of the whole-file writer, which names the path
// first; the whole message when it is worded otherwise.
QString ReasonOf(const std::string& message, const std::string& path) {
    const std::string prefix = "cannot write '" + path + "': ";
    if (message.rfind(prefix, 0) == 0) return QString::fromStdString(message.substr(prefix.size()));
    return QString::fromStdString(message);
}

}  // namespace

void TMainForm::AddDataExportItems(QMenu* fileMenu, QMenu* editMenu) {
    // A group of their own between Close and Print, each side parted by a separator.
    QAction* print = Action("AFilePrint");
    fileMenu->insertAction(print, Action("AFileExportSpectrogram"));
    fileMenu->insertAction(print, Action("AFileExportPitch"));
    fileMenu->insertSeparator(print);
    editMenu->addAction(Action("AEditCopySpectrum"));
}

void TMainForm::ConnectDataExportHandlers() {
    connect(Action("AFileExportSpectrogram"), &QAction::triggered, this,
            &TMainForm::AFileExportSpectrogramExecute);
    connect(Action("AFileExportPitch"), &QAction::triggered, this,
            &TMainForm::AFileExportPitchExecute);
    connect(Action("AEditCopySpectrum"), &QAction::triggered, this,
            &TMainForm::AEditCopySpectrumExecute);
}

void TMainForm::UpdateDataExportStates() {
    const bool levels = fileOpen_ && KindHasLevels(analysisKind_) && engine_.ColumnCount() > 0;
    Action("AFileExportSpectrogram")->setEnabled(levels);
    Action("AEditCopySpectrum")->setEnabled(levels);
    Action("AFileExportPitch")->setEnabled(fileOpen_ && !pitchTrack_.empty());
}

ShownSpectrogram TMainForm::Shown() {
    return {engine_, analysisKind_, analysisGeometry_,
            static_cast<double>(sound_.format.sampleRate)};
}

TMainForm::ExportChoice TMainForm::AskExportName(const QString& title, const QString& suggestedName,
                                                 const QStringList& types) {
    if (exportNamePrompt_) return exportNamePrompt_(title, suggestedName, types);
    QFileDialog dialog(this, title, suggestedName);
    dialog.setNameFilters(types);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("csv");
    // The question before replacing a file is the window's own, as for Save Image as.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return {dialog.selectedFiles().first(),
            static_cast<int>(std::max<qsizetype>(types.indexOf(dialog.selectedNameFilter()), 0))};
}

bool TMainForm::WriteExportFile(const QString& path, const std::string& text) {
    if (RefuseToReplaceSound(path)) return false;
    if (QFileInfo::exists(path)) {
        const auto answer =
            QMessageBox::question(this, baseCaption_, "Overwrite File: " + path,
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) return false;
    }
    const std::string target = path.toStdString();
    if (const auto failure = requests::WriteFileWhole(target, text)) {
        QMessageBox::warning(this, baseCaption_,
                             "File Cannot Create: " + path + "\n" + ReasonOf(*failure, target));
        return false;
    }
    return true;
}

void TMainForm::AFileExportSpectrogramExecute() {
    if (!fileOpen_ || !KindHasLevels(analysisKind_) || engine_.ColumnCount() == 0) return;
    const QString path = AskExportName("Export Spectrogram Data",
                                       SuggestedExportName(fileName_, KindName(analysisKind_)),
                                       {"CSV table (*.csv)", "all files (*)"})
                             .path;
    if (path.isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::ostringstream table;
    WriteLevelMatrix(table, Shown());
    QApplication::restoreOverrideCursor();
    WriteExportFile(path, table.str());
}

void TMainForm::AFileExportPitchExecute() {
    if (!fileOpen_ || pitchTrack_.empty()) return;
    // The file type chooses the rows: F0 every 10 ms, as a contour is usually read and as
    // `tonalyx-cli pitch --step 0.01` gives it, or every value of the track at the extractor's
    // own step, a fraction of a millisecond.
    const double rate = sound_.format.sampleRate;
    const QString hop = QString::number(1000.0 * pitchStep_ / rate, 'g', 3);
    const QStringList types{"F0 every 10 ms, CSV table (*.csv)",
                            "Every track value (" + hop + " ms apart), CSV table (*.csv)"};
    const ExportChoice choice =
        AskExportName("Export Pitch Track", SuggestedExportName(fileName_, "pitch"), types);
    if (choice.path.isEmpty()) return;
    std::ostringstream table;
    if (choice.type == 0) {
        WritePitchSteps(table, fileName_.toStdString(), pitchTrack_, pitchStep_, rate,
                        kPitchExportStep, sound_.sampleCount);
    } else {
        WritePitchTable(table, fileName_.toStdString(), pitchTrack_, pitchStep_, rate);
    }
    WriteExportFile(choice.path, table.str());
}

void TMainForm::AEditCopySpectrumExecute() {
    if (!fileOpen_ || !KindHasLevels(analysisKind_) || engine_.ColumnCount() == 0) return;
    // The range the power-spectrum window plots: the selected columns, or the cross-hair's.
    int first = spgmCursorX_;
    int end = spgmCursorX_ + 1;
    if (columnSelectionStart_ != columnSelectionEnd_) {
        first = columnSelectionStart_;
        end = columnSelectionEnd_;
    }
    std::ostringstream table;
    WriteSpectrumTable(table, requests::TableFormat::Tsv, fileName_.toStdString(), Shown(), first,
                       end);
    QApplication::clipboard()->setText(QString::fromStdString(table.str()));
    // The window shows the spectrum that went to the clipboard.
    if (freqForm_ && freqForm_->isHidden()) ShowSpectrumWindow();
}

}  // namespace tonalyx

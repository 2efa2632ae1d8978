#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>

#include <sstream>

#include "app/FileNames.h"
#include "app/OverlayMeasurements.h"
#include "app/TMainForm.h"
#include "display/OverlayPainter.h"
#include "display/PaintBox.h"
#include "interaction/Readouts.h"
#include "requests/MeasurementRows.h"
#include "requests/RequestCheck.h"
#include "settings/OverlayRequest.h"
#include "settings/TOptionForm.h"

namespace tonalyx {

namespace {

// The read-out's place in the status bar: after the cursor's frequency read-out (panel 3).
constexpr int kOverlayReadoutIndex = 4;

// The formants' note, or their failure, in the words of the hint panel.
QString MeasureNote(const char* what, const std::string& text) {
    return QString("%1: %2").arg(what, QString::fromStdString(text));
}

}  // namespace

void TMainForm::CreateOverlays() {
    overlayMeasurements_ = new OverlayMeasurements(this);
    connect(overlayMeasurements_, &OverlayMeasurements::Progress, this, [this](double fraction) {
        // Panel 4 gets back what it showed (the analysis time) once the bar is done.
        if (!overlayProgress_) overlayProgressCover_ = StatusText(4);
        overlayProgress_ = true;
        ShowProgress(fraction);
    });
    connect(overlayMeasurements_, &OverlayMeasurements::Finished, this,
            [this](const QString& failure) { OverlayMeasured(failure); });

    overlayReadout_ = new QLabel(statusBar());
    overlayReadout_->setObjectName("OverlayReadout");
    overlayReadout_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    overlayReadout_->setFont(paintBoxSpgmY_->font());
    // Room for the longest read-out, so that the status bar does not shift as it changes.
    const QString longest =
        QString::fromStdString(OverlayReadout(std::vector<double>(3, 8888.0), 188.8));
    overlayReadout_->setMinimumWidth(overlayReadout_->fontMetrics().horizontalAdvance(longest) +
                                     overlayReadout_->fontMetrics().horizontalAdvance('x') +
                                     2 * overlayReadout_->frameWidth());
    overlayReadout_->hide();
    statusBar()->insertWidget(kOverlayReadoutIndex, overlayReadout_);

    // The View items follow Overlay Pitch; the exports follow Export Pitch Track.
    auto* view = menuBar()->findChild<QMenu*>("ViewMenu");
    view->addAction(Action("AViewOverlayFormants"));
    view->addAction(Action("AViewOverlayIntensity"));
    auto* file = menuBar()->findChild<QMenu*>("FileMenu");
    const QList<QAction*> items = file->actions();
    const auto after = items.indexOf(Action("AFileExportPitch")) + 1;
    file->insertAction(items.at(after), Action("AFileExportFormants"));
    file->insertAction(items.at(after), Action("AFileExportIntensity"));

    const auto on = [this](const char* name, void (TMainForm::*handler)()) {
        connect(Action(name), &QAction::triggered, this, handler);
    };
    on("AViewOverlayFormants", &TMainForm::AViewOverlayFormantsExecute);
    on("AViewOverlayIntensity", &TMainForm::AViewOverlayIntensityExecute);
    on("AFileExportFormants", &TMainForm::AFileExportFormantsExecute);
    on("AFileExportIntensity", &TMainForm::AFileExportIntensityExecute);
}

void TMainForm::RestoreOverlayToggles() {
    const OverlaySettings& stored = optionForm_->Overlay();
    showFormants_ = stored.showFormants;
    showIntensity_ = stored.showIntensity;
    Action("AViewOverlayFormants")->setChecked(showFormants_);
    Action("AViewOverlayIntensity")->setChecked(showIntensity_);
    overlayReadout_->setVisible(showFormants_ || showIntensity_);
}

OverlaySettings TMainForm::OverlayChoice() const {
    return optionForm_ ? optionForm_->Overlay() : OverlaySettings{};
}

const FormantTable* TMainForm::OverlayFormants() const {
    return overlayMeasurements_->Formants();
}

const IntensityTable* TMainForm::OverlayIntensity() const {
    return overlayMeasurements_->Intensity();
}

bool TMainForm::OverlaysBusy() const {
    return overlayMeasurements_->Busy();
}

void TMainForm::UpdateOverlayStates() {
    for (const char* name : {"AViewOverlayFormants", "AViewOverlayIntensity", "AFileExportFormants",
                             "AFileExportIntensity"}) {
        Action(name)->setEnabled(fileOpen_);
    }
}

void TMainForm::ToggleOverlay(bool& shown, const char* action) {
    shown = !shown;
    Action(action)->setChecked(shown);
    overlayReadout_->setVisible(showFormants_ || showIntensity_);
    if (optionForm_) optionForm_->StoreOverlayToggles(showFormants_, showIntensity_);
    if (!fileOpen_) return;
    // Nothing to draw on yet: the FFT spectrogram comes first.
    if (shown && analysisKind_ == 0) {
        RunAnalysis(1);
        return;
    }
    MeasureOverlays();
    paintBoxSpgm_->update();
}

void TMainForm::AViewOverlayFormantsExecute() {
    ToggleOverlay(showFormants_, "AViewOverlayFormants");
}

void TMainForm::AViewOverlayIntensityExecute() {
    ToggleOverlay(showIntensity_, "AViewOverlayIntensity");
}

bool TMainForm::OverlayStepRefused(const OverlaySettings& settings) {
    if (!settings.stepSeconds) return false;
    const auto refusal = requests::CheckStepForRate(*settings.stepSeconds, sound_.format.sampleRate,
                                                    OverlayFieldName);
    if (refusal) SetStatusText(5, QString::fromStdString(*refusal));
    return refusal.has_value();
}

void TMainForm::MeasureOverlays() {
    if (!fileOpen_ || (!showFormants_ && !showIntensity_)) return;
    const OverlaySettings settings = OverlayChoice();
    if (OverlayStepRefused(settings)) return;
    if (!overlaySoundSet_) {
        overlayMeasurements_->SetSound(sound_.samples, static_cast<int>(sound_.format.sampleRate));
        overlaySoundSet_ = true;
    }
    if (showFormants_) overlayMeasurements_->MeasureFormants(FormantSettingsOf(settings));
    if (showIntensity_) overlayMeasurements_->MeasureIntensity(IntensitySettingsOf(settings));
}

void TMainForm::OverlayMeasured(const QString& failure) {
    if (!failure.isEmpty()) {
        SetStatusText(5, failure);
    } else if (const FormantTable* formants = OverlayFormants();
               showFormants_ && formants && !formants->summary.note.empty()) {
        SetStatusText(5, MeasureNote("formants", formants->summary.note));
    }
    if (!OverlaysBusy() && overlayProgress_) {
        SetStatusText(4, overlayProgressCover_);
        overlayProgress_ = false;
    }
    paintBoxSpgm_->update();
}

void TMainForm::ClearOverlays() {
    overlayMeasurements_->Clear();
    overlaySoundSet_ = false;
    overlayReadout_->clear();
}

void TMainForm::ApplyOverlayOptions() {
    if (analysisKind_ == 0) return;
    MeasureOverlays();
    paintBoxSpgm_->update();
}

ImageColumns TMainForm::OverlayColumns() const {
    return {&analysisGeometry_, engine_.ColumnCount(),
            static_cast<double>(sound_.format.sampleRate)};
}

void TMainForm::DrawOverlays(QPainter& painter) {
    if (!fileOpen_ || analysisKind_ == 0) return;
    const ImageColumns image = OverlayColumns();
    const int rows = engine_.ImageHeight();
    const IntensityTable* intensity = showIntensity_ ? OverlayIntensity() : nullptr;
    DecibelRange range;
    if (intensity) {
        const auto drawn = FramesByColumn(image, intensity->times);
        range = IntensityRange(drawn, intensity->decibels);
        DrawIntensityContour(painter, IntensityContour(drawn, intensity->decibels, range, rows));
    }
    // Formants only where the rows are frequencies, not lags.
    const FormantTable* formants = showFormants_ ? OverlayFormants() : nullptr;
    if (formants && !engine_.LagAxis()) {
        DrawFormantDots(painter,
                        FormantDots(FramesByColumn(image, formants->times), formants->frequencies,
                                    formants->summary.count, engine_.PitchScale(), rows));
    }
    // The scale last, so that no dot covers its labels.
    if (intensity) {
        SetIntensityAxis(intensityScale_, range, rows);
        DrawIntensityScale(painter, intensityScale_, image.columns, rows);
    }
}

void TMainForm::ShowOverlayReadout() {
    if (!showFormants_ && !showIntensity_) return;
    const double time = ColumnCentreTime(OverlayColumns(), spgmCursorX_);
    std::optional<std::span<const double>> formantValues;
    std::optional<double> decibels;
    const FormantTable* formants = showFormants_ ? OverlayFormants() : nullptr;
    if (formants && !formants->times.empty()) {
        const auto count = static_cast<std::size_t>(formants->summary.count);
        const auto frame = static_cast<std::size_t>(NearestFrame(formants->times, time));
        formantValues =
            std::span<const double>(formants->frequencies).subspan(frame * count, count);
    }
    const IntensityTable* intensity = showIntensity_ ? OverlayIntensity() : nullptr;
    if (intensity && !intensity->times.empty()) {
        decibels =
            intensity->decibels[static_cast<std::size_t>(NearestFrame(intensity->times, time))];
    }
    overlayReadout_->setText(QString::fromStdString(OverlayReadout(formantValues, decibels)));
}

template <typename Table, typename Write>
void TMainForm::ExportMeasurement(const char* title, const char* suffix,
                                  const std::function<Table()>& measure, Write write) {
    if (!fileOpen_ || OverlayStepRefused(OverlayChoice())) return;
    const QString path = AskExportName(title, SuggestedExportName(fileName_, suffix),
                                       {"CSV table (*.csv)", "all files (*)"})
                             .path;
    if (path.isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::ostringstream text;
    QString failure;
    try {
        const Table table = measure();
        requests::TableWriter writer(text, requests::TableFormat::Csv, fileName_.toStdString());
        write(writer, table);
    } catch (const std::exception& error) {
        failure = QString::fromStdString(error.what());
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) {
        QMessageBox::warning(this, baseCaption_, QString(title) + ": " + failure);
        return;
    }
    WriteExportFile(path, text.str());
}

void TMainForm::AFileExportFormantsExecute() {
    const FormantSettings settings = FormantSettingsOf(OverlayChoice());
    ExportMeasurement<FormantTable>(
        "Export Formants", "formants",
        [&] {
            return tonalyx::MeasureFormants(sound_.samples,
                                            static_cast<int>(sound_.format.sampleRate), settings);
        },
        [this](requests::TableWriter& writer, const FormantTable& table) {
            requests::WriteFormantHeader(writer, table.summary.count);
            requests::WriteFormantRows(
                writer, requests::MissingValues::Window,
                {0, table.summary.count, table.times, table.frequencies, table.bandwidths});
            if (!table.summary.note.empty())
                SetStatusText(5, MeasureNote("formants", table.summary.note));
        });
}

void TMainForm::AFileExportIntensityExecute() {
    const IntensitySettings settings = IntensitySettingsOf(OverlayChoice());
    ExportMeasurement<IntensityTable>(
        "Export Intensity", "intensity",
        [&] {
            return tonalyx::MeasureIntensity(sound_.samples,
                                             static_cast<int>(sound_.format.sampleRate), settings);
        },
        [](requests::TableWriter& writer, const IntensityTable& table) {
            requests::WriteIntensityHeader(writer);
            requests::WriteIntensityRows(writer, requests::MissingValues::Window,
                                         {0, table.times, table.decibels});
        });
}

}  // namespace tonalyx

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <memory>

#include "app/ImageExportRules.h"
#include "app/TMainForm.h"
#include "display/CompositeLayout.h"
#include "display/PaintBox.h"
#include "display/RgbBitmap.h"
#include "display/TFreqForm.h"
#include "settings/TOptionForm.h"

namespace tonalyx {

namespace {

QString AskSaveName(QWidget* parent, const QString& suggestedName) {
    // A typed name is taken as it stands (no extension added), and the question before
    // overwriting is the window's own.
    return QFileDialog::getSaveFileName(parent, "Save Image as", suggestedName,
                                        "Windows bitmap file (*.bmp)", nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool AskPrintSettings(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

// Runs one painter of a view or axis with the origin moved to its block. The drawing is clipped
// to the control's size, as the screen clips it, so that nothing spills into a neighbour.
template <typename Draw>
void DrawBlock(QPainter& painter, bool wanted, CompositePoint origin, const QWidget* control,
               Draw draw) {
    if (!wanted || !control) return;
    painter.save();
    painter.translate(origin.x, origin.y);
    painter.setClipRect(QRect(QPoint(0, 0), control->size()));
    draw(painter);
    painter.restore();
}

}  // namespace

bool TMainForm::CompositeAvailable() const {
    if (!fileOpen_) return false;
    ImageCopySettings flags = optionForm_ ? optionForm_->Settings().imageCopy : imageCopySettings_;
    return NormaliseCopyFlags(flags, analysisKind_ != 0, freqForm_ && freqForm_->isVisible());
}

QImage TMainForm::RenderComposite() {
    if (!fileOpen_) return {};
    if (optionForm_) imageCopySettings_ = optionForm_->Settings().imageCopy;
    const bool spectrumVisible = freqForm_ && freqForm_->isVisible();
    if (!NormaliseCopyFlags(imageCopySettings_, analysisKind_ != 0, spectrumVisible)) return {};
    const ImageCopySettings& flags = imageCopySettings_;

    const PaintBox* plot = freqForm_ ? freqForm_->PaintBoxFreq() : nullptr;
    CompositeSizes sizes;
    sizes.yAxisW = paintBoxWaveY_->width();
    sizes.xAxisH = paintBoxWaveX_->height();
    sizes.waveW = paintBoxWave_->width();
    sizes.waveH = paintBoxWave_->height();
    sizes.spgmH = paintBoxSpgm_->height();
    sizes.freqW = plot ? plot->width() : 0;
    sizes.freqH = plot ? plot->height() : 0;
    const CompositeLayout layout = LayOutComposite(flags, sizes);
    if (layout.width <= 0 || layout.height <= 0) return {};

    QImage image = CreateRgbBitmap(layout.width, layout.height);
    QPainter painter(&image);
    painter.setFont(paintBoxWave_->font());
    painter.setPen(Qt::black);
    DrawBlock(painter, flags.copyWaveX, layout.waveTimeAxis, paintBoxWaveX_,
              [this](QPainter& p) { DrawWaveTimeAxis(p); });
    DrawBlock(painter, flags.copyWaveY, layout.waveAmplitudeAxis, paintBoxWaveY_,
              [this](QPainter& p) { DrawWaveAmplitudeAxis(p); });
    DrawBlock(painter, flags.copyWave, layout.wave, paintBoxWave_,
              [this](QPainter& p) { DrawWave(p); });
    DrawBlock(painter, flags.copySpectrogramX, layout.spgmTimeAxis, paintBoxSpgmX_,
              [this](QPainter& p) { DrawSpgmTimeAxis(p); });
    DrawBlock(painter, flags.copySpectrogramY, layout.spgmFrequencyAxis, paintBoxSpgmY_,
              [this](QPainter& p) { DrawSpgmFrequencyAxis(p); });
    DrawBlock(painter, flags.copySpectrogram, layout.spgm, paintBoxSpgm_,
              [this](QPainter& p) { DrawSpectrogram(p); });
    if (freqForm_) {
        DrawBlock(painter, flags.copyPowerSpectrumX, layout.spectrumFrequencyAxis,
                  freqForm_->PaintBoxFreqX(),
                  [this](QPainter& p) { DrawSpectrumFrequencyAxis(p); });
        DrawBlock(painter, flags.copyPowerSpectrumY, layout.spectrumLevelAxis,
                  freqForm_->PaintBoxFreqY(), [this](QPainter& p) { DrawSpectrumLevelAxis(p); });
        DrawBlock(painter, flags.copyPowerSpectrum, layout.spectrum, plot,
                  [this](QPainter& p) { DrawSpectrum(p); });
    }
    painter.end();
    DrawTierStripInComposite(image, layout);
    return image;
}

void TMainForm::SaveImage(const QString& path, bool askName) {
    // Nothing chosen to export: no dialog, no file, no message.
    if (!CompositeAvailable()) return;
    // The sound's name with the bitmap's extension, offered by Save Image as and taken by Save
    // Image: never the sound's own name, which a careless Enter would write over.
    const QString derived = path.isEmpty()
                                ? QString("Noname.bmp")
                                : QString::fromStdString(DerivedImageName(path.toStdString()));
    QString target = derived;
    if (askName || path.isEmpty()) {
        target = saveNamePrompt_ ? saveNamePrompt_(derived) : AskSaveName(this, derived);
        if (target.isEmpty()) return;
    }
    if (RefuseToReplaceSound(target)) return;
    // Save Image as asks before replacing a file; Save Image replaces its own bitmap silently.
    if (askName && QFileInfo::exists(target)) {
        const auto answer =
            QMessageBox::question(this, baseCaption_, "Overwrite File: " + target,
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) return;
    }
    const QImage image = RenderComposite();
    if (image.isNull()) return;
    if (!WriteBitmapFile(image, target)) {
        QMessageBox::warning(this, baseCaption_, "File Cannot Create: " + target);
    }
}

void TMainForm::AFileSaveExecute() {
    SaveImage(fileName_, false);
}

void TMainForm::AFileSaveAsExecute() {
    SaveImage(fileName_, true);
}

void TMainForm::AEditCopyExecute() {
    const QImage image = RenderComposite();
    if (!image.isNull()) CopyBitmapToClipboard(image);
}

QPrinter& TMainForm::Printer() {
    if (!printer_) printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void TMainForm::AFilePrintExecute() {
    if (!CompositeAvailable()) return;
    QPrinter& printer = Printer();
    const bool accepted = printPrompt_ ? printPrompt_(printer) : AskPrintSettings(this, printer);
    if (!accepted) return;
    // Printing to a file is one more way to write over the sound.
    if (printer.outputFormat() == QPrinter::PdfFormat &&
        RefuseToReplaceSound(printer.outputFileName())) {
        return;
    }
    const QImage image = RenderComposite();
    if (image.isNull()) return;

    const PrintedSize size = PrintedImageSize(image.width(), image.height(), printer.logicalDpiX(),
                                              printer.logicalDpiY());
    const int copies = std::max(printer.copyCount(), 1);
    printer.setDocName(baseCaption_ + " - " + QFileInfo(fileName_).fileName());
    // Every copy is a page of this one job; the print system must not repeat the job as well.
    printer.setCopyCount(1);
    QPainter painter;
    bool printed = painter.begin(&printer);
    if (printed) {
        // The image goes to the page as it is, not as a lossy compressed copy.
        painter.setRenderHint(QPainter::LosslessImageRendering);
        const QRect target(0, 0, size.width, size.height);
        for (int copy = 0; copy < copies && printed; ++copy) {
            if (copy > 0) printed = printer.newPage();
            if (printed) painter.drawImage(target, image);
        }
        printed = painter.end() && printed;
    }
    printer.setCopyCount(copies);
    if (!printed) {
        const QString destination = printer.outputFormat() == QPrinter::PdfFormat
                                        ? printer.outputFileName()
                                        : printer.printerName();
        QMessageBox::warning(this, baseCaption_, "Cannot Print: " + destination);
    }
}

void TMainForm::AFilePrinterSettingsExecute() {
    // The page set-up dialog only works on an installed printer; printing to a PDF file has
    // nothing to set up there.
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        QMessageBox::information(this, baseCaption_,
                                 "No printer is installed, so there are no printer settings. "
                                 "Print can still write the image to a PDF file.");
        return;
    }
    QPrinter& printer = Printer();
    if (printer.outputFormat() != QPrinter::NativeFormat) {
        printer.setOutputFormat(QPrinter::NativeFormat);
    }
    QPageSetupDialog dialog(&printer, this);
    dialog.exec();
}

}  // namespace tonalyx

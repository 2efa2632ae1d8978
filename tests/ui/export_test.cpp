#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWindow>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>
#include <utility>

#include "WindowTestSupport.h"
#include "display/RgbBitmap.h"

namespace tonalyx {
namespace {

using testing::MessageBoxCatcher;
using testing::StartedProgram;
using testing::WriteSineWave;

// Sets the Graphics page's check boxes and takes them into the dialog's records.
void SetCopyOptions(TOptionForm& options,
                    std::initializer_list<std::pair<const char*, bool>> boxes) {
    for (const auto& [name, checked] : boxes) {
        auto* box = options.findChild<QCheckBox*>(name);
        ASSERT_NE(box, nullptr) << name;
        box->setChecked(checked);
    }
    ASSERT_TRUE(options.ReadSettings());
}

QWidget* Child(QWidget& parent, const char* name) {
    return parent.findChild<QWidget*>(name);
}

// The dark pixels of a rectangle, as a mask: the views draw black on white, so the mask is what
// a painter drew whatever the background.
QImage InkMask(const QImage& image, const QRect& area) {
    QImage mask(area.size(), QImage::Format_Mono);
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x)
            mask.setPixel(x, y, qGray(image.pixel(area.x() + x, area.y() + y)) < 128);
    }
    return mask;
}

QImage ScreenOf(QWidget* control) {
    return control->grab().toImage();
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int LittleEndian(const QByteArray& bytes, int offset, int size) {
    int value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value * 256 + static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

TEST(CompositeImage, FftCompositeStacksTheScreenViewsWithTrueColours) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 32000, 16000, 500.0));
    TMainForm& form = program.main;
    SetCopyOptions(program.options, {{"BCopyFreq", true}, {"BBtoRColor", true}});
    form.RunAnalysis(1);
    form.StartColumnSelection(100);
    form.ExtendColumnSelection(139);  // columns 100 to 139, both included
    ASSERT_EQ(form.SpectrogramColumnSelection().end, 140);
    form.ShowSpectrumWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.freq));
    QTest::qWait(20);

    const QImage image = form.RenderComposite();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    QWidget* wave = Child(form, "PaintBoxWave");
    QWidget* plot = Child(program.freq, "PaintBoxFreq");
    const int rows = form.Engine().ImageHeight();
    ASSERT_EQ(Child(form, "PaintBoxSpgm")->height(), rows);
    const int waveTop = 0;
    const int spgmTop = 16 + wave->height() + 4;
    const int freqTop = spgmTop + 16 + rows + 4;
    EXPECT_EQ(image.width(), 32 + wave->width());
    EXPECT_EQ(image.height(), freqTop + plot->height() + 16);

    // The spectrogram block is the palette bitmap in its true colours, the selected columns
    // in their complements.
    const QImage& levels = form.SpectrogramBitmap().Image();
    const int columns = form.Engine().ColumnCount();
    int mismatches = 0;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            QRgb expected = levels.pixel(x, y) & 0xFFFFFF;
            if (x >= 100 && x < 140) expected = ~expected & 0xFFFFFF;
            mismatches += (image.pixel(32 + x, spgmTop + y) & 0xFFFFFF) != expected;
        }
    }
    EXPECT_EQ(mismatches, 0);

    // The gaps between blocks are white rows.
    for (const int gap : {spgmTop - 4, freqTop - 4}) {
        for (int y = gap; y < gap + 4; ++y) {
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
        }
    }
    // The views hold what their paint boxes show.
    const QRect waveArea(32, waveTop, wave->width(), wave->height());
    EXPECT_EQ(InkMask(image, waveArea), InkMask(ScreenOf(wave), wave->rect()));
    const QRect plotArea(32, freqTop, plot->width(), plot->height());
    EXPECT_EQ(InkMask(image, plotArea), InkMask(ScreenOf(plot), plot->rect()));
    QWidget* waveAxis = Child(form, "PaintBoxWaveY");
    EXPECT_EQ(InkMask(image, QRect(0, waveTop, 32, wave->height())),
              InkMask(ScreenOf(waveAxis), waveAxis->rect()));
}

TEST(CompositeImage, HiddenSpectrogramLeavesTheWaveAloneAndNoViewLeavesNothing) {
    QTemporaryDir dir;
    const QString sound = WriteSineWave(dir, "tone.wav", 16000);
    StartedProgram program(sound);
    TMainForm& form = program.main;
    QWidget* wave = Child(form, "PaintBoxWave");
    const QImage image = form.RenderComposite();
    EXPECT_EQ(image.size(), QSize(32 + wave->width(), wave->height() + 16));

    SetCopyOptions(program.options, {{"BCopyWaveX", false}, {"BCopyWaveY", false}});
    EXPECT_EQ(form.RenderComposite().size(), wave->size());

    // No view chosen: no composite, and the commands neither write, copy, print nor ask.
    SetCopyOptions(program.options, {{"BCopyWave", false}});
    EXPECT_TRUE(form.RenderComposite().isNull());
    QGuiApplication::clipboard()->setText("before");
    int prompts = 0;
    form.SetSaveNamePrompt([&](const QString&) {
        ++prompts;
        return dir.filePath("chosen.bmp");
    });
    form.SetPrintPrompt([&](QPrinter&) {
        ++prompts;
        return false;
    });
    MessageBoxCatcher catcher;
    for (const char* name : {"AFileSave", "AFileSaveAs", "AEditCopy", "AFilePrint"})
        form.Action(name)->trigger();
    QTest::qWait(30);
    EXPECT_EQ(prompts, 0);
    EXPECT_TRUE(catcher.Texts().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"tone.wav"});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

    form.Action("AFileClose")->trigger();
    SetCopyOptions(program.options, {{"BCopyWave", true}});
    EXPECT_TRUE(form.RenderComposite().isNull());
}

TEST(SaveImage, WritesA24BitBitmapBesideTheSoundAndReplacesItSilently) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "voice.WAV", 16000));
    TMainForm& form = program.main;
    const QString bitmap = dir.filePath("voice.bmp");
    {
        QFile old(bitmap);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older file");
    }
    MessageBoxCatcher catcher;
    form.Action("AFileSave")->trigger();
    QTest::qWait(30);
    EXPECT_TRUE(catcher.Texts().isEmpty());

    const QImage composite = form.RenderComposite();
    const QByteArray bytes = ReadAll(bitmap);
    ASSERT_GT(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(LittleEndian(bytes, 18, 4), composite.width());
    EXPECT_EQ(LittleEndian(bytes, 22, 4), composite.height());
    EXPECT_EQ(LittleEndian(bytes, 28, 2), 24);  // bits per pixel
    EXPECT_EQ(QImage(bitmap).convertToFormat(QImage::Format_RGB888), composite);
}

TEST(SaveImage, SaveAsTakesTheTypedNameAndAsksBeforeOverwriting) {
    QTemporaryDir dir;
    const QString sound = WriteSineWave(dir, "a.wav", 16000);
    StartedProgram program(sound);
    TMainForm& form = program.main;
    QString offered;
    QString typed;
    form.SetSaveNamePrompt([&](const QString& suggested) {
        offered = suggested;
        return typed;
    });

    typed = "";  // cancelled
    form.Action("AFileSaveAs")->trigger();
    // The sound's name with the bitmap's extension: Enter never names the sound itself.
    EXPECT_EQ(offered, dir.filePath("a.bmp"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.wav"});

    typed = dir.filePath("out");  // no extension is added
    form.Action("AFileSaveAs")->trigger();
    const QByteArray written = ReadAll(typed);
    EXPECT_EQ(written.left(2), "BM");
    EXPECT_FALSE(QFile::exists(typed + ".bmp"));

    {
        QFile replaced(typed);
        ASSERT_TRUE(replaced.open(QIODevice::WriteOnly));
        replaced.write("keep me");
    }
    {
        MessageBoxCatcher answersNo;
        form.Action("AFileSaveAs")->trigger();
        QTest::qWait(30);
        EXPECT_EQ(answersNo.Texts(), QStringList{"Overwrite File: " + typed});
        EXPECT_EQ(ReadAll(typed), "keep me");
    }
    MessageBoxCatcher answersYes(QMessageBox::Yes);
    form.Action("AFileSaveAs")->trigger();
    QTest::qWait(30);
    EXPECT_EQ(answersYes.Texts(), QStringList{"Overwrite File: " + typed});
    EXPECT_EQ(ReadAll(typed), written);
}

TEST(SaveImage, AFileThatCannotBeCreatedIsReported) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "b.wav", 16000));
    TMainForm& form = program.main;
    const QString missingFolder = dir.filePath("missing/out.bmp");
    form.SetSaveNamePrompt([&](const QString&) { return missingFolder; });
    // Save Image's own name is taken by a folder.
    ASSERT_TRUE(QDir(dir.path()).mkdir("b.bmp"));
    MessageBoxCatcher catcher;
    form.Action("AFileSaveAs")->trigger();
    form.Action("AFileSave")->trigger();
    QTest::qWait(30);
    EXPECT_EQ(catcher.Texts(), (QStringList{"File Cannot Create: " + missingFolder,
                                            "File Cannot Create: " + dir.filePath("b.bmp")}));
}

// A folder where no file can be made beside the old bitmap (here: the name is as long as a
// name may be, so the temporary one would be longer) refuses the save; the old file stays whole.
TEST(SaveImage, WhenNoNewFileCanBeMadeBesideItTheOldBitmapStaysWhole) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "b.wav", 16000));
    TMainForm& form = program.main;
    const QString target = dir.filePath(QString(251, 'n') + ".bmp");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("keep me");
    }
    form.SetSaveNamePrompt([&](const QString&) { return target; });
    MessageBoxCatcher answersYes(QMessageBox::Yes);
    form.Action("AFileSaveAs")->trigger();
    QTest::qWait(30);
    EXPECT_EQ(answersYes.Texts(),
              (QStringList{"Overwrite File: " + target, "File Cannot Create: " + target}));
    EXPECT_EQ(ReadAll(target), "keep me");
}

// A folder the user may not write to, holding a bitmap the user may write: the new bitmap is
// refused (there is nowhere to write it whole) and the old one is left as it was, never written
// over in place. Run as root, the write runs in a child process that has become nobody.
TEST(SaveImage, AnUnwritableFolderRefusesTheBitmapAndLeavesTheOldOneWhole) {
    QTemporaryDir dir;
    const QString target = dir.filePath("old.bmp");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("keep me");
    }
    const QImage image = CreateRgbBitmap(40, 30);
    bool written = false;
    if (geteuid() == 0) {
        constexpr uid_t kNobody = 65534;
        ASSERT_EQ(chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
        ASSERT_EQ(chown(target.toLocal8Bit().constData(), kNobody, kNobody), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool ok =
                setgid(kNobody) == 0 && setuid(kNobody) == 0 && WriteBitmapFile(image, target);
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        written = WEXITSTATUS(status) == 0;
    } else {
        ASSERT_EQ(chmod(dir.path().toLocal8Bit().constData(), 0555), 0);
        written = WriteBitmapFile(image, target);
        chmod(dir.path().toLocal8Bit().constData(), 0755);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(target), "keep me");
}

// Every way out of the window that writes a file refuses the open sound under any name: other
// spellings, a symbolic link, a hard link. Nothing asks to overwrite it, and it stays whole.
TEST(SaveImage, NoOutputEverReplacesTheOpenSound) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("rec"));
    const QString sound = WriteSineWave(dir, "rec/victim.wav", 16000);
    const QByteArray recording = ReadAll(sound);
    StartedProgram program(sound);
    TMainForm& form = program.main;
    ASSERT_TRUE(form.IsFileOpen());
    form.RunAnalysis(1);
    form.Action("AViewShowPitchOverlay")->trigger();  // computes the pitch track
    ASSERT_TRUE(form.Action("AFileExportPitch")->isEnabled());
    const QString symbolic = dir.filePath("link.bmp");
    const QString hard = dir.filePath("hard.bmp");
    ASSERT_TRUE(QFile::link(sound, symbolic));
    ASSERT_EQ(link(sound.toLocal8Bit().constData(), hard.toLocal8Bit().constData()), 0);
    const QStringList names{sound,
                            dir.path() + "/rec/./victim.wav",
                            dir.path() + "/rec/../rec/victim.wav",
                            "/" + dir.path() + "//rec//victim.wav",
                            QDir::current().relativeFilePath(sound),
                            symbolic,
                            hard};
    const auto refusedOnce = [&form](const QStringList& texts, const QString& name) {
        return texts == QStringList{"File Cannot Create: " + name +
                                    "\nIt is the sound file that is open (" + form.FileName() +
                                    "), which is never written over; choose another name."};
    };
    QString typed;
    form.SetSaveNamePrompt([&](const QString&) { return typed; });
    TMainForm::ExportChoice choice;
    form.SetExportNamePrompt(
        [&](const QString&, const QString&, const QStringList&) { return choice; });
    for (const QString& name : names) {
        typed = name;
        choice.path = name;
        for (const char* command : {"AFileSaveAs", "AFileExportPitch", "AFileExportSpectrogram"}) {
            MessageBoxCatcher answersYes(QMessageBox::Yes);
            form.Action(command)->trigger();
            QTest::qWait(30);
            EXPECT_TRUE(refusedOnce(answersYes.Texts(), name))
                << command << " " << name.toStdString() << " "
                << answersYes.Texts().join(" / ").toStdString();
        }
    }
    // Save Image's own name, when it leads to the sound.
    ASSERT_TRUE(QFile::link(sound, dir.filePath("rec/victim.bmp")));
    {
        MessageBoxCatcher catcher;
        form.Action("AFileSave")->trigger();
        QTest::qWait(30);
        EXPECT_TRUE(refusedOnce(catcher.Texts(), dir.filePath("rec/victim.bmp")));
    }
    // Printing into a file named as the sound.
    form.SetPrintPrompt([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(symbolic);
        return true;
    });
    {
        MessageBoxCatcher catcher;
        form.Action("AFilePrint")->trigger();
        QTest::qWait(30);
        EXPECT_TRUE(refusedOnce(catcher.Texts(), symbolic));
    }
    EXPECT_EQ(ReadAll(sound), recording);
    EXPECT_TRUE(QFileInfo(symbolic).isSymLink());

    // Another file is written as before, without a question.
    typed = dir.filePath("rec/other.bmp");
    MessageBoxCatcher catcher;
    form.Action("AFileSaveAs")->trigger();
    QTest::qWait(30);
    EXPECT_TRUE(catcher.Texts().isEmpty());
    EXPECT_EQ(ReadAll(typed).left(2), "BM");
}

// The tool windows stay on top of the main window; the save dialog and the message boxes open
// above them, so that their buttons are never hidden. The tool windows keep their place.
TEST(SaveImage, DialogsOpenAboveTheStayOnTopToolWindows) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "e.wav", 16000));
    TMainForm& form = program.main;
    form.RunAnalysis(1);
    form.ShowSpectrumWindow();
    form.Action("AOptions")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.freq));
    QStringList seen;
    const auto onTop = [&seen](QWidget* dialog) {
        seen << dialog->metaObject()->className();
        return dialog->windowHandle() &&
               dialog->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
    };
    bool fileDialogOnTop = false;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        fileDialogOnTop = onTop(dialog);
        // Save under the sound's own name, typed: refused, with a message box.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (name) name->setText(form.FileName());
        QMetaObject::invokeMethod(dialog, "accept");
    });
    bool messageOnTop = false;
    QTimer boxes;
    boxes.setInterval(10);
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messageOnTop = onTop(box);
            box->done(QMessageBox::Ok);
        }
    });
    boxes.start();
    form.Action("AFileSaveAs")->trigger();
    QTest::qWait(30);
    EXPECT_EQ(seen, (QStringList{"QFileDialog", "QMessageBox"}));
    EXPECT_TRUE(fileDialogOnTop);
    EXPECT_TRUE(messageOnTop);
    for (QWidget* tool :
         {static_cast<QWidget*>(&program.freq), static_cast<QWidget*>(&program.options)}) {
        EXPECT_TRUE(tool->isVisible());
        EXPECT_TRUE(tool->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    }
}

TEST(CopyImage, BothCopyCommandsPutTheCompositeOnTheClipboard) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "c.wav", 16000));
    TMainForm& form = program.main;
    form.RunAnalysis(1);
    QTest::qWait(20);
    const QImage composite = form.RenderComposite();
    for (const char* name : {"AEditCopy", "AEditCopy1"}) {
        QGuiApplication::clipboard()->clear();
        form.Action(name)->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888),
                  composite)
            << name;
    }
}

TEST(PrintImage, EveryCopyIsAPageOfOneLosslessJob) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "d.wav", 16000));
    TMainForm& form = program.main;
    form.RunAnalysis(1);
    const QString pdf = dir.filePath("print.pdf");
    bool print = false;
    form.SetPrintPrompt([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(600);
        printer.setCopyCount(3);
        return print;
    });
    form.Action("AFilePrint")->trigger();  // cancelled
    EXPECT_FALSE(QFile::exists(pdf));

    print = true;
    form.Action("AFilePrint")->trigger();
    const QByteArray document = ReadAll(pdf);
    ASSERT_FALSE(document.isEmpty());
    const int pageObjects = static_cast<int>(document.count("/Type /Page\n")) +
                            static_cast<int>(document.count("/Type /Page "));
    EXPECT_EQ(pageObjects, 3);
    EXPECT_FALSE(document.contains("/DCTDecode"));  // no lossy JPEG copy of the image
    // The job's title, which the PDF keeps as UTF-16 with a byte-order mark.
    QByteArray title("\xfe\xff", 2);
    for (const QChar c : QString("Tonalyx - d.wav")) {
        title.append(static_cast<char>(c.unicode() >> 8));
        title.append(static_cast<char>(c.unicode() & 0xFF));
    }
    EXPECT_TRUE(document.contains(title));
    const QImage composite = form.RenderComposite();
    EXPECT_TRUE(document.contains(QString("/Width %1").arg(composite.width()).toLatin1()));
    EXPECT_TRUE(document.contains(QString("/Height %1").arg(composite.height()).toLatin1()));
}

TEST(PrintImage, PrinterSettingsWithoutAPrinterSaySo) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed";
    StartedProgram program;
    MessageBoxCatcher catcher;
    program.main.Action("AFilePrinterSettings")->trigger();
    QTest::qWait(30);
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_TRUE(catcher.Texts()[0].startsWith("No printer is installed"));
}

}  // namespace
}  // namespace tonalyx

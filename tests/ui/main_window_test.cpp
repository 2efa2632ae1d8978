#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "app/MainActions.h"
#include "app/ToolWindowPlacement.h"

namespace tonalyx {
namespace {

using testing::MessageBoxCatcher;
using testing::StartedProgram;
using testing::WriteSineWave;
using testing::WriteTextFile;

bool AllEnabled(const TMainForm& form, bool enabled) {
    for (const char* name : kDocumentActions) {
        // A hidden action always reports itself disabled, so that no shortcut reaches it.
        const QAction* action = form.Action(name);
        if (action->isVisible() && action->isEnabled() != enabled) return false;
    }
    return true;
}

QWidget* Child(QWidget& parent, const char* name) {
    return parent.findChild<QWidget*>(name);
}

TEST(MainWindow, StartsWithTheWaveViewOnlyAndEveryDocumentCommandDisabled) {
    StartedProgram program;
    TMainForm& form = program.main;
    EXPECT_EQ(form.windowTitle(), "Tonalyx");
    EXPECT_FALSE(form.IsFileOpen());
    EXPECT_EQ(form.AnalysisKind(), 0);
    EXPECT_TRUE(Child(form, "PanelWave")->isVisible());
    EXPECT_FALSE(Child(form, "PanelSpgm")->isVisible());
    EXPECT_TRUE(AllEnabled(form, false));
    EXPECT_FALSE(form.Action("AAudioPlay")->isEnabled());
    EXPECT_FALSE(form.Action("AAudioStop")->isEnabled());
    for (const char* name :
         {"AFileOpen", "AFilePrinterSettings", "AFileExit", "AAudioAutoRepeat", "AOptions",
          "AOptions1", "AHelpContents", "AHelpSearch", "AHelpHelp", "AHelpAbout", "AEditCopy1"}) {
        EXPECT_TRUE(form.Action(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(form.Action("AAudioAutoRepeat")->isChecked());
    EXPECT_TRUE(form.Action("AViewFitToWindow")->isChecked());
    // The other start-up windows exist but stay hidden.
    EXPECT_FALSE(program.freq.isVisible());
    EXPECT_FALSE(program.options.isVisible());
}

TEST(MainWindow, EveryCommandHasItsNameCaptionShortcutAndHint) {
    StartedProgram program;
    for (const ActionEntry& entry : kMainActions) {
        QAction* action = program.main.Action(entry.name);
        ASSERT_NE(action, nullptr) << entry.name;
        EXPECT_EQ(action->objectName(), entry.name);
        EXPECT_EQ(action->text(), entry.caption);
        EXPECT_EQ(action->shortcut(), QKeySequence(entry.shortcut)) << entry.name;
        EXPECT_EQ(action->statusTip(), entry.hint);
        if (*entry.hint) {
            EXPECT_EQ(action->toolTip(), entry.hint);
        }
        if (entry.image >= 0) {
            EXPECT_FALSE(action->icon().isNull()) << entry.name;
        }
    }
    EXPECT_EQ(program.main.Action("AViewShowFft")->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_EQ(program.main.Action("AViewShowMem")->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_FALSE(program.main.Action("AViewShowLif")->isVisible());
}

TEST(MainWindow, MenusAndToolBarFollowTheDesignedOrder) {
    StartedProgram program;
    QStringList menus;
    for (QAction* item : program.main.menuBar()->actions())
        menus << item->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Audio", "&View", "A&nnotations", "&Options",
                                  "&Help"}));

    auto* toolBar = program.main.findChild<QToolBar*>("ToolBar1");
    ASSERT_NE(toolBar, nullptr);
    QStringList buttons;
    for (QAction* item : toolBar->actions()) {
        buttons << (item->isSeparator() ? QString("|") : item->objectName());
    }
    EXPECT_EQ(buttons.join(' '),
              "AFileOpen AFileSave AFilePrint | AEditCopy | AAudioPlay AAudioStop "
              "AAudioAutoRepeat | AViewHighAmplitude AViewLowAmplitude AViewCompressed "
              "AViewExtended AViewFitToWindow | AViewShowCor AViewShowFft AViewShowMemButton "
              "AViewShowCepButton AViewShowLifButton AViewShowPitch AViewHideSpectrogram | "
              "AViewShowPitchOverlay | AOptions");
    auto* memButton = program.main.findChild<QAction*>("AViewShowMemButton");
    EXPECT_EQ(memButton->statusTip(), "calculate power spectrogram by MEM(LPC)");

    auto* reopen = program.main.findChild<QMenu*>("FileReopenItem");
    ASSERT_NE(reopen, nullptr);
    const QList<QAction*> history = reopen->actions();
    ASSERT_EQ(history.size(), 8);
    EXPECT_EQ(history[0]->text(), "(Nothing)");
    EXPECT_FALSE(history[0]->isEnabled());
    for (int i = 1; i < 8; ++i)
        EXPECT_FALSE(history[i]->isVisible());
}

// The panels have their designed widths, widened where the face on this desktop needs more
// room for the longest text a panel shows.
TEST(MainWindow, StatusBarHasSixPanelsAndShowsHintsInTheLast) {
    StartedProgram program;
    const int widths[] = {36, 36, 51, 112, 64};
    for (int i = 0; i < 5; ++i) {
        auto* panel = program.main.findChild<QLabel*>(QString("StatusPanel%1").arg(i));
        ASSERT_NE(panel, nullptr);
        EXPECT_GE(panel->width(), widths[i]);
        EXPECT_LE(panel->width(), 2 * widths[i]);
    }
    program.main.Action("AFileOpen")->showStatusText(&program.main);
    EXPECT_EQ(program.main.StatusText(5), "open wave file");
}

TEST(MainWindow, CommandLinePathInQuotesWithBlanksOpensTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("My Files"));
    const QString path = WriteSineWave(dir, "My Files/a.wav", 16000);
    StartedProgram program('"' + path + '"');
    EXPECT_TRUE(program.main.IsFileOpen());
    EXPECT_EQ(program.main.windowTitle(), "Tonalyx - a.wav");
    EXPECT_EQ(program.main.Sound().sampleCount, 16000);
    EXPECT_TRUE(AllEnabled(program.main, true));
    EXPECT_TRUE(program.main.Action("AAudioPlay")->isEnabled());
}

TEST(MainWindow, CloseReturnsToTheEmptyWindow) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 20000));
    ASSERT_TRUE(program.main.IsFileOpen());
    program.main.Action("AFileClose")->trigger();
    EXPECT_FALSE(program.main.IsFileOpen());
    EXPECT_EQ(program.main.windowTitle(), "Tonalyx");
    EXPECT_TRUE(program.main.FileName().isEmpty());
    EXPECT_EQ(program.main.Sound().sampleCount, 0);
    EXPECT_TRUE(AllEnabled(program.main, false));
    EXPECT_FALSE(program.main.Action("AAudioPlay")->isEnabled());
}

TEST(MainWindow, FailedOpenReportsThePathAndLeavesNoSound) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "good.wav", 8000));
    ASSERT_TRUE(program.main.IsFileOpen());
    const QString missing = dir.filePath("missing.wav");
    MessageBoxCatcher catcher;
    EXPECT_FALSE(program.main.OpenFile(missing));
    ASSERT_EQ(catcher.Texts().size(), 1);
    // The path, then the system's reason as the command line gives it.
    EXPECT_EQ(catcher.Texts().front(),
              "File Cannot Open: " + missing + "\ncannot open: No such file or directory");
    EXPECT_FALSE(program.main.IsFileOpen());
    EXPECT_EQ(program.main.windowTitle(), "Tonalyx");
    EXPECT_EQ(program.main.FileName(), missing);
    EXPECT_EQ(program.main.Sound().sampleCount, 0);
}

// A file that exists but holds no sound, or is a folder, is refused with the readers' reason.
TEST(MainWindow, FailedOpenGivesTheReadersReasonOnASecondLine) {
    QTemporaryDir dir;
    const QString text = WriteTextFile(dir, "notes.wav", "these are notes, not a recording\n");
    const QString folder = dir.filePath("take.flac");
    ASSERT_TRUE(QDir(dir.path()).mkdir("take.flac"));
    StartedProgram program;
    MessageBoxCatcher catcher;
    EXPECT_FALSE(program.main.OpenFile(text));
    EXPECT_FALSE(program.main.OpenFile(folder));
    ASSERT_EQ(catcher.Texts().size(), 2);
    const QStringList notSound = catcher.Texts()[0].split('\n');
    ASSERT_EQ(notSound.size(), 2);
    EXPECT_EQ(notSound[0], "File Cannot Open: " + text);
    EXPECT_TRUE(notSound[1].startsWith("cannot open: ")) << notSound[1].toStdString();
    EXPECT_GT(notSound[1].size(), QString("cannot open: ").size() + 5);
    EXPECT_EQ(catcher.Texts()[1], "File Cannot Open: " + folder + "\ncannot open: Is a directory");
}

TEST(MainWindow, DroppingSeveralFilesOpensTheFirst) {
    QTemporaryDir dir;
    const QString first = WriteSineWave(dir, "first.wav", 4000);
    const QString second = WriteSineWave(dir, "second.wav", 6000);
    StartedProgram program;
    program.main.OpenDroppedFile({first, second, dir.filePath("third.wav")});
    EXPECT_EQ(program.main.windowTitle(), "Tonalyx - first.wav");
    EXPECT_EQ(program.main.Sound().sampleCount, 4000);
}

TEST(MainWindow, OpeningFitsTheSoundAndZoomCommandsUpdateTheReadouts) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "long.wav", 100000));
    TMainForm& form = program.main;
    const int width = Child(form, "PaintBoxWave")->width();
    ASSERT_GT(width, 0);
    EXPECT_TRUE(form.Geometry().fitToWindow);
    EXPECT_EQ(form.StatusText(0), QString::number(100000 / width));
    EXPECT_EQ(form.StatusText(1), "1");
    EXPECT_EQ(form.Geometry().samplesPerPixel, InitialSamplesPerPixel(100000, width));

    form.Action("AViewExtended")->trigger();  // Narrow Time Window leaves fit mode
    EXPECT_FALSE(form.Geometry().fitToWindow);
    EXPECT_FALSE(form.Action("AViewFitToWindow")->isChecked());
    EXPECT_EQ(form.StatusText(0), QString::number(form.Geometry().samplesPerPixel));
    auto* scrollBar = form.findChild<QScrollBar*>("HorzScrollBar");
    EXPECT_EQ(scrollBar->isEnabled(), form.Geometry().IsScrolled());

    form.Action("AViewHighAmplitude")->trigger();
    form.Action("AViewHighAmplitude")->trigger();
    EXPECT_EQ(form.StatusText(1), "4");
    form.Action("AViewFitToWindow")->trigger();
    EXPECT_TRUE(form.Geometry().fitToWindow);
    EXPECT_TRUE(form.Action("AViewFitToWindow")->isChecked());
    EXPECT_FALSE(scrollBar->isEnabled());
}

TEST(MainWindow, TheWaveViewDrawsTheSound) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 32000));
    QWidget* view = Child(program.main, "PaintBoxWave");
    const QImage image = view->grab().toImage();
    // A loud sine fills a band around the zero line in every column.
    const int mid = (view->height() - 1) - view->height() / 2;
    int blackColumns = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, mid) == Qt::black) ++blackColumns;
    }
    EXPECT_EQ(blackColumns, view->width());
    EXPECT_NE(image.pixelColor(view->width() / 2, 0), QColor(Qt::black));
}

TEST(MainWindow, MovingTheWindowMovesTheToolWindowsAlong) {
    StartedProgram program;
    program.main.move(100, 100);
    QTest::qWait(20);
    const QPoint mainBefore = program.main.pos();
    const QPoint optionsBefore = program.options.pos();
    const QPoint freqBefore = program.freq.pos();
    program.main.move(mainBefore + QPoint(10, -5));
    QTest::qWait(20);
    // The platform may adjust where the window lands; the tool windows follow where it went.
    const QPoint moved = program.main.pos() - mainBefore;
    EXPECT_FALSE(moved.isNull());
    EXPECT_FALSE(program.options.isVisible());
    EXPECT_EQ(program.options.pos(), optionsBefore + moved);
    EXPECT_EQ(program.freq.pos(), freqBefore + moved);
}

// The power-spectrum window's place: beside the main window below the options dialog where
// there is room, else beside it at its top, below it, left of it, above it; never off the
// screen.
TEST(ToolWindowPlacement, BesideOrBelowTheMainWindowWhereItFitsOnTheScreen) {
    const QRect screen(0, 0, 1280, 1000);
    const QSize tool(300, 200);
    const QRect options(700, 100, 400, 450);
    // Room on the right, below the options dialog.
    EXPECT_EQ(PlaceToolWindow(QRect(100, 100, 600, 300), tool, screen, options), QPoint(700, 550));
    // Low on the screen: below the options dialog there is no room, and right at the top is
    // the options dialog, so below the main window.
    EXPECT_EQ(PlaceToolWindow(QRect(100, 400, 600, 300), tool, screen, QRect(700, 400, 400, 450)),
              QPoint(100, 700));
    // Near the right edge: below the main window.
    EXPECT_EQ(PlaceToolWindow(QRect(900, 100, 350, 300), tool, screen, QRect()), QPoint(900, 400));
    // Right edge and as high as the screen: left of it.
    EXPECT_EQ(PlaceToolWindow(QRect(900, 0, 350, 1000), tool, screen, QRect()), QPoint(600, 0));
    // No options dialog in the way: beside the main window at its top.
    EXPECT_EQ(PlaceToolWindow(QRect(0, 0, 500, 900), tool, screen, QRect()), QPoint(500, 0));
    // Only the options dialog's place is free: taken rather than covering the main window.
    EXPECT_EQ(PlaceToolWindow(QRect(0, 0, 900, 1000), tool, screen, QRect(900, 0, 380, 1000)),
              QPoint(900, 0));
    // A main window that fills the screen: the tool window is kept on the screen.
    const QPoint covered = PlaceToolWindow(screen, tool, screen, QRect());
    EXPECT_TRUE(screen.contains(QRect(covered, tool)));
    // A screen that does not start at 0 (a second monitor below a top panel), with room only
    // above the main window.
    const QRect second(1280, 40, 1024, 728);
    EXPECT_EQ(PlaceToolWindow(QRect(1300, 300, 900, 400), tool, second, QRect()),
              QPoint(1300, 100));

    EXPECT_TRUE(ToolWindowWellPlaced(QRect(0, 0, 100, 100), QRect(100, 0, 50, 50), screen));
    EXPECT_FALSE(ToolWindowWellPlaced(QRect(0, 0, 100, 100), QRect(99, 0, 50, 50), screen));
    EXPECT_FALSE(ToolWindowWellPlaced(QRect(0, 0, 100, 100), QRect(1250, 0, 50, 50), screen));
}

// In the running program the window stays on the screen and off the main window when the
// spectrogram makes the main window grow, and when a small image height makes it narrow.
TEST(MainWindow, ThePowerSpectrumWindowIsPlacedOnTheScreenClearOfTheMainWindow) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    const QRect screen = program.main.screen()->availableGeometry();
    const auto wellPlaced = [&] {
        const QRect tool(program.freq.pos(), program.freq.frameGeometry().size());
        return screen.contains(tool) && !tool.intersects(program.main.frameGeometry());
    };
    EXPECT_TRUE(wellPlaced());
    program.main.move(screen.topLeft());
    QTest::qWait(20);
    program.main.RunAnalysis(1);
    program.main.ShowSpectrumWindow();
    QTest::qWait(20);
    EXPECT_TRUE(wellPlaced()) << program.freq.pos().x() << "," << program.freq.pos().y();
    // Moved with the main window as far as the screen allows, then placed again.
    program.main.move(screen.right() - program.main.frameGeometry().width(), screen.top());
    QTest::qWait(20);
    EXPECT_TRUE(wellPlaced()) << program.freq.pos().x() << "," << program.freq.pos().y();
}

TEST(MainWindow, AboutShowsTheVersionDialogWithTheProductName) {
    StartedProgram program;
    QTimer::singleShot(50, &program.about, &QDialog::accept);
    program.main.Action("AHelpAbout")->trigger();
    EXPECT_EQ(program.about.windowTitle(), "Version Info");
    EXPECT_EQ(program.about.ProductName(), "Tonalyx");
}

// A disabled scroll bar has no thumb to show: its picture does not change with its position.
// Enabled, the thumb moves with it.
TEST(MainWindow, TheDisabledScrollBarShowsNoThumb) {
    StartedProgram program;
    auto* bar = program.main.findChild<QScrollBar*>("HorzScrollBar");
    ASSERT_FALSE(bar->isEnabled());
    const QSignalBlocker block(bar);
    bar->setRange(0, 99);
    const auto pictureAt = [bar](int value) {
        bar->setValue(value);
        return bar->grab().toImage();
    };
    EXPECT_EQ(pictureAt(0), pictureAt(60));
    bar->setEnabled(true);
    EXPECT_NE(pictureAt(0), pictureAt(60));
    bar->setEnabled(false);
}

TEST(MainWindow, ThePowerSpectrumWindowCanBeMinimised) {
    StartedProgram program;
    EXPECT_TRUE(program.freq.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(program.freq.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(program.freq.windowTitle(), "Power Spectrum");
}

// Every line of the memo reads whole in the desktop's font, without a scroll bar.
TEST(MainWindow, TheVersionDialogsMemoShowsItsSixLinesWhole) {
    StartedProgram program;
    auto* memo = program.about.findChild<QPlainTextEdit*>("Comments");
    ASSERT_NE(memo, nullptr);
    QTimer::singleShot(50, [&] {
        EXPECT_FALSE(memo->horizontalScrollBar()->isVisible());
        const QRect room = memo->viewport()->rect().adjusted(2, 2, -2, -2);
        const QStringList lines = memo->toPlainText().split('\n');
        EXPECT_EQ(lines.size(), 6);
        const QFontMetrics metrics(memo->font());
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), room.width()) << line.toStdString();
        EXPECT_LE(lines.size() * metrics.lineSpacing(), room.height());
        program.about.accept();
    });
    program.main.Action("AHelpAbout")->trigger();
}

TEST(MainWindow, ExitClosesTheFileAndTheWindow) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 8000));
    program.main.Action("AFileExit")->trigger();
    EXPECT_FALSE(program.main.isVisible());
    EXPECT_FALSE(program.main.IsFileOpen());
}

}  // namespace
}  // namespace tonalyx

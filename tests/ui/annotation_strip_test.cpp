#include <QAction>
#include <QFrame>
#include <QImage>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "annotations/TextGridReader.h"
#include "display/TierStrip.h"
#include "interaction/Readouts.h"

namespace tonalyx {
namespace {

using testing::MessageBoxCatcher;
using testing::StartedProgram;
using testing::WriteSineWave;
using testing::WriteTextFile;

constexpr int kRate = 16000;

// One second of sound: words [0, 0.4) "x" [0.4, 1) "y"; a point at 0.7 s.
const QByteArray kGrid = R"(File type = "ooTextFile"
Object class = "TextGrid"
0
1
<exists>
2
"IntervalTier"
"words"
0
1
2
0
0.4
"x"
0.4
1
"y"
"TextTier"
"bell"
0
1
1
0.7
"ding"
)";

struct AnnotatedSound {
    QTemporaryDir dir;
    QString wave = WriteSineWave(dir, "a.wav", kRate, kRate);
    QString grid = WriteTextFile(dir, "a.TextGrid", kGrid);
};

TierStripView* StripView(TMainForm& main) {
    return main.findChild<TierStripView*>("PaintBoxTiers");
}

int ColumnOf(TMainForm& main, double seconds) {
    return TimeMapOf(main.Geometry(), kRate).ColumnOfTime(seconds);
}

void Drag(QWidget* view, QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

TEST(AnnotationStrip, OpensBesideTheSoundDragsABoundarySavesAndReadsItBack) {
    AnnotatedSound files;
    QTemporaryDir bare;
    const QString plain = WriteSineWave(bare, "b.wav", kRate, kRate);
    StartedProgram program(plain);
    TMainForm& main = program.main;
    const int plainHeight = main.height();
    EXPECT_EQ(main.Annotations(), nullptr);
    ASSERT_TRUE(main.OpenFile(files.wave));
    ASSERT_NE(main.Annotations(), nullptr);
    EXPECT_EQ(main.AnnotationsFileName(), files.grid);
    auto* panel = main.findChild<QFrame*>("PanelTiers");
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(panel->height(), TierStripHeight(2) + 2 * panel->frameWidth());
    EXPECT_EQ(main.height(), plainHeight + panel->height());
    TierStripView* view = StripView(main);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->width(), main.Geometry().viewWidth);  // one time axis with the wave

    // The strip's pixels: black at the boundary's and the point's columns, white beside them.
    const QImage shown = view->grab().toImage();
    const int boundary = ColumnOf(main, 0.4);
    const int row = kTierRowHeight / 2;
    EXPECT_EQ(shown.pixelColor(boundary, row), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(boundary - 3, 2), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(ColumnOf(main, 0.7), kTierRowHeight + row), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(ColumnOf(main, 0.7) - 3, kTierRowHeight + row), QColor(Qt::white));

    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    const int target = ColumnOf(main, 0.6);
    Drag(view, QPoint(boundary + 1, row), QPoint(target, row));
    const double moved = TimeMapOf(main.Geometry(), kRate).TimeOfX(target);
    EXPECT_EQ(main.Annotations()->Tier(0).intervals[1].start, moved);
    QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(main.Annotations()->Tier(0).intervals[1].start, 0.4);
    QTest::keyClick(&main, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(main.Annotations()->Tier(0).intervals[1].start, moved);
    EXPECT_TRUE(main.Annotations()->IsModified());

    QTest::keyClick(&main, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(main.Annotations()->IsModified());
    TextGrid read;
    const auto error = ReadTextGridFile(files.grid.toStdString(), read);
    ASSERT_FALSE(error) << *error;
    ASSERT_EQ(read.tiers.size(), 2u);
    EXPECT_EQ(read.tiers[0].intervals[1].start, moved);  // the time exactly as it was dragged
    EXPECT_EQ(read.tiers[0].intervals[1].label, "y");
    EXPECT_EQ(read.tiers[1].points[0].label, "ding");

    // Closing the sound takes the strip away and the window back to its height.
    main.CloseFile();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(main.Annotations(), nullptr);
}

TEST(AnnotationStrip, ClicksSelectTheStretchTabMovesAndTypingLabels) {
    AnnotatedSound files;
    StartedProgram program(files.wave);
    TMainForm& main = program.main;
    TierStripView* view = StripView(main);
    ASSERT_TRUE(view && main.Annotations());
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(ColumnOf(main, 0.2), 5));
    EXPECT_EQ(main.Selection().start, 0);
    EXPECT_EQ(main.Selection().end, static_cast<int>(0.4 * kRate));
    EXPECT_EQ(main.StatusText(2).toStdString(), TimeReadout(0.0));
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(main.Selection().start, static_cast<int>(0.4 * kRate));
    EXPECT_EQ(main.Selection().end, kRate);
    QTest::keyClicks(view, "ab");
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(main.Annotations()->Tier(0).intervals[1].label, "ya");
    QTest::keyClick(view, Qt::Key_Backtab);
    EXPECT_EQ(main.Selection().start, 0);
    // With a spectrogram the interval's columns are selected too; a point's cursor selects none.
    main.Action("AViewShowFft")->trigger();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(ColumnOf(main, 0.2), 5));
    const ColumnSelection columns = main.SpectrogramColumnSelection();
    EXPECT_EQ(columns.start, 0);
    EXPECT_EQ(columns.end, ColumnOf(main, 0.4));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(ColumnOf(main, 0.2), kTierRowHeight + 5));
    EXPECT_TRUE(main.SpectrogramColumnSelection().Empty());
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(ColumnOf(main, 0.2), 5));
    // Typing was one step: one undo takes the whole label back.
    QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(main.Annotations()->Tier(0).intervals[1].label, "y");

    // A double click adds a boundary there; Alt+Backspace removes it again.
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(ColumnOf(main, 0.8), 5));
    EXPECT_EQ(main.Annotations()->Tier(0).intervals.size(), 3u);
    QTest::keyClick(view, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(main.Annotations()->Tier(0).intervals.size(), 2u);

    // A click on the wave puts the cursor there; Enter adds a boundary at it.
    QWidget* wave = main.findChild<QWidget*>("PaintBoxWave");
    QTest::mouseClick(wave, Qt::LeftButton, {}, QPoint(ColumnOf(main, 0.25), 10));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_EQ(main.Annotations()->Tier(0).intervals.size(), 3u);
    EXPECT_NEAR(main.Annotations()->Tier(0).intervals[1].start, 0.25,
                main.Geometry().SamplesPerColumn() / kRate);
}

TEST(AnnotationStrip, UnsavedChangesAskBeforeTheyGo) {
    AnnotatedSound files;
    StartedProgram program(files.wave);
    TMainForm& main = program.main;
    ASSERT_TRUE(main.Annotations());
    main.Action("ATierRemove")->trigger();
    ASSERT_EQ(main.Annotations()->TierCount(), 1u);
    {
        MessageBoxCatcher cancel(QMessageBox::Cancel);
        main.Action("AFileClose")->trigger();
        EXPECT_EQ(cancel.Texts().size(), 1);
        EXPECT_TRUE(main.IsFileOpen());
        EXPECT_FALSE(main.OpenFile(files.wave));  // nor does another open drop them
        EXPECT_TRUE(main.close() == false);
        EXPECT_TRUE(main.Annotations());
    }
    {
        MessageBoxCatcher discard(QMessageBox::Discard);
        EXPECT_TRUE(main.OpenFile(files.wave));
    }
    // Discarded: the file beside is read again, unchanged.
    ASSERT_TRUE(main.Annotations());
    EXPECT_EQ(main.Annotations()->TierCount(), 2u);
    EXPECT_FALSE(main.Annotations()->IsModified());
}

TEST(AnnotationStrip, RefusedFilesAndTheSoundItselfAreNeverHalfShownOrWrittenOver) {
    AnnotatedSound files;
    StartedProgram program(files.wave);
    TMainForm& main = program.main;
    const int height = main.height();
    QByteArray broken = kGrid;
    broken.replace("0.4\n1\n", "0.3\n1\n");  // the second interval starts before the first ends
    const QString bad = WriteTextFile(files.dir, "bad.TextGrid", broken);
    {
        MessageBoxCatcher catcher;
        main.OpenDroppedFile({bad});  // dropped on the sound: taken as its annotations
        EXPECT_TRUE(main.IsFileOpen());
        ASSERT_EQ(catcher.Texts().size(), 1);
        EXPECT_TRUE(catcher.Texts()[0].contains("line")) << catcher.Texts()[0].toStdString();
        EXPECT_TRUE(catcher.Texts()[0].contains("overlap")) << catcher.Texts()[0].toStdString();
    }
    // What was shown stays.
    ASSERT_TRUE(main.Annotations());
    EXPECT_EQ(main.Annotations()->Tier(0).intervals[1].start, 0.4);
    EXPECT_EQ(main.height(), height);

    QFile sound(files.wave);
    ASSERT_TRUE(sound.open(QIODevice::ReadOnly));
    const QByteArray before = sound.readAll();
    sound.close();
    {
        MessageBoxCatcher catcher;
        EXPECT_FALSE(main.SaveAnnotations(files.wave));
        EXPECT_EQ(catcher.Texts().size(), 1);
    }
    ASSERT_TRUE(sound.open(QIODevice::ReadOnly));
    EXPECT_EQ(sound.readAll(), before);
}

TEST(AnnotationStrip, TiersAddedToASoundWithoutAnnotationsAndTheCompositeShowsThem) {
    QTemporaryDir dir;
    const QString wave = WriteSineWave(dir, "c.wav", kRate, kRate);
    StartedProgram program(wave);
    TMainForm& main = program.main;
    const int height = main.height();
    main.SetAnnotationPrompt([&dir](TMainForm::AnnotationQuestion question, const QString&) {
        return question == TMainForm::AnnotationQuestion::SaveName ? dir.filePath("c.TextGrid")
                                                                   : QString("phones");
    });
    main.Action("ATierAddInterval")->trigger();
    ASSERT_TRUE(main.Annotations());
    EXPECT_EQ(main.Annotations()->Tier(0).name, "phones");
    EXPECT_EQ(main.Annotations()->Grid().end, 1.0);
    EXPECT_GT(main.height(), height);
    QTest::mouseDClick(StripView(main), Qt::LeftButton, {}, QPoint(ColumnOf(main, 0.5), 5));

    // The strip goes under the wave block, a gap apart, with its boundary at the same column;
    // what is above it is the composite without annotations.
    const QImage composite = main.RenderComposite();
    QImage plain;
    {
        MessageBoxCatcher discard(QMessageBox::Discard);
        main.Action("AFileCloseAnnotations")->trigger();
        plain = main.RenderComposite();
        main.Action("AEditUndo")->trigger();  // nothing to undo once closed
        EXPECT_EQ(main.Annotations(), nullptr);
    }
    EXPECT_EQ(main.height(), height);
    ASSERT_EQ(composite.height(), plain.height() + kCompositeBlockGap + kTierRowHeight);
    EXPECT_EQ(composite.copy(0, 0, plain.width(), plain.height()), plain);
    const int left = main.findChild<QWidget*>("PaintBoxWaveY")->width();
    const int top = plain.height() + kCompositeBlockGap;
    EXPECT_EQ(composite.pixelColor(left + ColumnOf(main, 0.5), top + 5), QColor(Qt::black));
    EXPECT_EQ(composite.pixelColor(left + ColumnOf(main, 0.5) - 3, top + 5), QColor(Qt::white));

    // A new grid has no file yet: Save asks for its name.
    main.Action("ATierAddPoint")->trigger();
    main.Action("AFileSaveAnnotations")->trigger();
    TextGrid read;
    ASSERT_FALSE(ReadTextGridFile(dir.filePath("c.TextGrid").toStdString(), read));
    ASSERT_EQ(read.tiers.size(), 1u);
    EXPECT_EQ(read.tiers[0].kind, TierKind::Point);
}

}  // namespace
}  // namespace tonalyx

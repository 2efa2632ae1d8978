#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "interaction/FakeMediaDevice.h"
#include "interaction/Selection.h"

namespace tonalyx {
namespace {

using testing::MessageBoxCatcher;
using testing::StartedProgram;
using testing::WriteSineWave;
using Play = FakeMediaDevice::PlayRecord;

constexpr int kSamples = 16000;  // one second at 16 kHz

// The started program playing through a fake device, with a one-second tone open.
struct FakePlayback {
    QTemporaryDir dir;
    StartedProgram program;
    TMainForm& form = program.main;
    QWidget* wave = form.findChild<QWidget*>("PaintBoxWave");
    QTimer* timer = form.findChild<QTimer*>("Timer");
    FakeMediaDevice* device = nullptr;
    int devicesMade = 0;

    explicit FakePlayback(bool outputPresent = true, const QString& settingsFolder = QString())
        : program(QString(), settingsFolder) {
        form.SetMediaDeviceFactory([this, outputPresent] {
            auto made = std::make_unique<FakeMediaDevice>(outputPresent);
            device = made.get();
            ++devicesMade;
            return made;
        });
        EXPECT_TRUE(form.OpenFile(WriteSineWave(dir, "tone.wav", kSamples)));
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    void Key(Qt::Key key) { QTest::keyClick(&form, key); }
    void LeftDrag(int fromX, int toX) {
        QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(fromX, 60));
        QTest::mouseMove(wave, QPoint(toX, 60));
        QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(toX, 60));
    }
    int ColumnStart(int x) const { return ColumnRangeAt(form.Geometry(), x).start; }
    bool CursorDrawnAt(int x) const {
        // The half-scale tone leaves the top row white; the inverted cursor line darkens it.
        return qGray(wave->grab().toImage().pixel(x, 0)) < 128;
    }
};

TEST(Playback, PlayTakesTheWholeSoundOrExactlyTheSelection) {
    FakePlayback fake;
    ASSERT_NE(fake.device, nullptr);
    // The device plays the channel that was loaded, at its rate.
    EXPECT_EQ(fake.device->Samples(), fake.form.Sound().samples);
    EXPECT_EQ(fake.device->SampleRate(), 16000u);

    fake.Key(Qt::Key_F7);
    EXPECT_EQ(fake.device->Plays(), (std::vector<Play>{{0, kSamples}}));
    EXPECT_TRUE(fake.form.PlayRequested());

    // The left press that starts a selection stops the play.
    fake.LeftDrag(300, 120);
    EXPECT_EQ(fake.device->StoppedPlays(), 1);
    const SampleSpan selection = fake.form.Selection();
    ASSERT_NE(selection.start, selection.end);
    EXPECT_EQ(selection.start, fake.ColumnStart(120));
    fake.Key(Qt::Key_F7);
    EXPECT_EQ(fake.device->Plays().back(), (Play{selection.start, selection.end}));
    // The stopped play's late notification does not repeat anything.
    fake.device->DeliverNotifications();
    EXPECT_EQ(fake.device->Plays().size(), 2u);
}

TEST(Playback, AutoRepeatReplaysOnlyPlaysThatRanToTheirEnd) {
    FakePlayback fake;
    QAction* autoRepeat = fake.form.Action("AAudioAutoRepeat");
    ASSERT_TRUE(autoRepeat->isChecked());
    fake.Key(Qt::Key_F7);
    fake.device->Advance(kSamples);
    fake.device->Advance(kSamples);
    EXPECT_EQ(fake.device->Plays(),
              (std::vector<Play>{{0, kSamples}, {0, kSamples}, {0, kSamples}}));

    // Stop: the stopped play does not end successfully, so nothing follows.
    fake.device->Advance(100);
    fake.Key(Qt::Key_F8);
    EXPECT_EQ(fake.device->Mode(), MediaMode::Stopped);
    fake.device->Advance(kSamples);
    EXPECT_EQ(fake.device->Plays().size(), 3u);
    EXPECT_TRUE(fake.form.PlayRequested());  // Stop leaves it as it is

    // Auto Repeat unchecked during a play: that play ends once.
    fake.Key(Qt::Key_F7);
    autoRepeat->trigger();
    EXPECT_FALSE(autoRepeat->isChecked());  // one trigger, one toggle
    fake.device->Advance(kSamples);
    fake.device->Advance(kSamples);
    EXPECT_EQ(fake.device->Plays().size(), 4u);
    autoRepeat->trigger();
    EXPECT_TRUE(autoRepeat->isChecked());
}

TEST(Playback, ARepeatPlaysTheSelectionOfThatMoment) {
    FakePlayback fake;
    fake.LeftDrag(50, 100);
    const SampleSpan first = fake.form.Selection();
    fake.Key(Qt::Key_F7);
    // The play runs out; before its notification arrives the user selects something else.
    fake.device->Elapse(kSamples);
    fake.LeftDrag(200, 260);
    const SampleSpan second = fake.form.Selection();
    ASSERT_NE(second.start, first.start);
    fake.device->DeliverNotifications();
    EXPECT_EQ(fake.device->Plays(),
              (std::vector<Play>{{first.start, first.end}, {second.start, second.end}}));
    // With the selection clicked away the next repeat plays the whole sound.
    fake.device->Elapse(kSamples);
    QTest::mouseClick(fake.wave, Qt::LeftButton, {}, QPoint(10, 60));
    fake.device->DeliverNotifications();
    EXPECT_EQ(fake.device->Plays().back(), (Play{0, kSamples}));
}

TEST(Playback, ARightPressEndsARepeatingPlayForGood) {
    FakePlayback fake;
    fake.Key(Qt::Key_F7);
    fake.device->Advance(kSamples);
    ASSERT_EQ(fake.device->Plays().size(), 2u);
    fake.device->Advance(500);

    QTest::mousePress(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    EXPECT_FALSE(fake.form.PlayRequested());
    EXPECT_EQ(fake.device->StoppedPlays(), 1);
    EXPECT_EQ(fake.device->Plays().back(), (Play{fake.ColumnStart(100), kSamples}));
    // The right-button play runs to the end of the sound while held, and does not repeat.
    fake.device->Advance(kSamples);
    QTest::mouseRelease(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    fake.device->Advance(kSamples);
    EXPECT_EQ(fake.device->Plays().size(), 3u);
    EXPECT_EQ(fake.device->Mode(), MediaMode::Stopped);
}

TEST(Playback, TheRightButtonPlayMovesThePlayCursorUntilTheRelease) {
    FakePlayback fake;
    TMainForm& form = fake.form;
    QTest::mousePress(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    const int from = fake.ColumnStart(100);
    EXPECT_TRUE(fake.timer->isActive());
    EXPECT_EQ(fake.timer->interval(), 50);

    const auto cursorAt = [&](int sample) {
        const int x = form.Geometry().SampleToPixel(sample);
        return QTest::qWaitFor([&] { return form.PlayCursorX() == x; }, 2000) ? x : -1;
    };
    fake.device->Elapse(1600);
    const int x1 = cursorAt(from + 1600);
    ASSERT_GT(x1, 100);
    QTest::qWait(20);
    EXPECT_TRUE(fake.CursorDrawnAt(x1));
    fake.device->Elapse(3200);
    const int x2 = cursorAt(from + 4800);
    ASSERT_GT(x2, x1);
    QTest::qWait(20);
    EXPECT_TRUE(fake.CursorDrawnAt(x2));
    EXPECT_FALSE(fake.CursorDrawnAt(x1));

    // Played out while still held: the cursor stays on the last sample until the release.
    fake.device->Advance(kSamples);
    const int last = cursorAt(kSamples - 1);
    EXPECT_GE(last, x2);
    QTest::qWait(120);
    EXPECT_EQ(form.PlayCursorX(), last);

    QTest::mouseRelease(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    EXPECT_EQ(form.PlayCursorX(), -1);
    EXPECT_FALSE(fake.timer->isActive());
    QTest::qWait(20);
    EXPECT_FALSE(fake.CursorDrawnAt(last));
}

TEST(Playback, TheCursorVanishesOutsideTheViewWhichDoesNotFollow) {
    FakePlayback fake;
    TMainForm& form = fake.form;
    for (int i = 0; i < 4; ++i)
        form.Action("AViewExtended")->trigger();
    auto* scrollBar = form.findChild<QScrollBar*>("HorzScrollBar");
    ASSERT_TRUE(scrollBar->isEnabled());
    const int position = scrollBar->value();
    const int width = fake.wave->width();

    QTest::mousePress(fake.wave, Qt::RightButton, {}, QPoint(width - 5, 60));
    fake.device->Elapse(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PlayCursorX() >= 0; }, 2000));
    fake.device->Elapse(static_cast<int>(form.Geometry().SamplesPerColumn()) * 20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.PlayCursorX() == -1; }, 2000));
    QTest::qWait(120);
    EXPECT_EQ(form.PlayCursorX(), -1);
    EXPECT_EQ(scrollBar->value(), position);
    EXPECT_EQ(fake.device->Mode(), MediaMode::Playing);
    QTest::mouseRelease(fake.wave, Qt::RightButton, {}, QPoint(width - 5, 60));
    EXPECT_EQ(fake.device->StoppedPlays(), 1);
}

TEST(Playback, ClosingTheFileStopsAndClosesTheDevice) {
    FakePlayback fake;
    fake.Key(Qt::Key_F7);
    fake.form.Action("AFileClose")->trigger();
    EXPECT_EQ(fake.device->StoppedPlays(), 1);
    EXPECT_EQ(fake.device->Closes(), 1);
    EXPECT_EQ(fake.device->Mode(), MediaMode::NotReady);
    // Its notification is dropped; the next file opens the same device again.
    fake.device->Advance(kSamples);
    EXPECT_EQ(fake.device->Plays().size(), 1u);
    ASSERT_TRUE(fake.form.OpenFile(WriteSineWave(fake.dir, "other.wav", 800, 8000)));
    EXPECT_EQ(fake.devicesMade, 1);
    EXPECT_EQ(fake.device->Opens(), 2);
    EXPECT_EQ(fake.device->SampleRate(), 8000u);

    // A play that ran out just before the file was replaced must not repeat on the new file.
    fake.Key(Qt::Key_F7);
    fake.device->Elapse(800);
    ASSERT_EQ(fake.device->PendingNotifications(), 1u);
    ASSERT_TRUE(fake.form.OpenFile(WriteSineWave(fake.dir, "third.wav", 4000)));
    fake.device->Advance(0);
    EXPECT_EQ(fake.device->Plays().size(), 2u);
    EXPECT_EQ(fake.device->Mode(), MediaMode::Stopped);
}

// A settings folder whose stored options have "Disable Audio" set.
void StoreAudioDisabled(const QString& folder) {
    StartedProgram first(QString(), folder);
    first.options.findChild<QCheckBox*>("BDisableAudio")->setChecked(true);
    first.options.findChild<QPushButton*>("DefaultBtn")->click();
}

TEST(Playback, WithAudioDisabledNothingPlaysAndNoCursorIsDrawn) {
    QTemporaryDir folder;
    StoreAudioDisabled(folder.path());
    FakePlayback fake(true, folder.path());
    TMainForm& form = fake.form;
    EXPECT_EQ(fake.devicesMade, 0);
    EXPECT_FALSE(form.Action("AAudioPlay")->isEnabled());
    fake.Key(Qt::Key_F7);
    // Even a Play command that reaches the window does nothing.
    form.Action("AAudioPlay")->setEnabled(true);
    form.Action("AAudioPlay")->trigger();
    EXPECT_FALSE(form.PlayRequested());

    QTest::mousePress(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    EXPECT_FALSE(fake.timer->isActive());
    QTest::qWait(120);
    EXPECT_EQ(form.PlayCursorX(), -1);
    QTest::mouseRelease(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    // The selection still works.
    fake.LeftDrag(50, 90);
    EXPECT_NE(form.Selection().start, form.Selection().end);
    EXPECT_EQ(fake.devicesMade, 0);
}

TEST(Playback, WithoutAnOutputTheFirstAttemptSaysSoOnceAndLaterOnesStaySilent) {
    FakePlayback fake(false);
    MessageBoxCatcher catcher;
    fake.Key(Qt::Key_F7);
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_EQ(catcher.Texts().front(), "No audio output device is available: playback is off.");
    fake.Key(Qt::Key_F7);
    QTest::mousePress(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    EXPECT_FALSE(fake.timer->isActive());
    QTest::mouseRelease(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    fake.Key(Qt::Key_F8);
    QTest::qWait(50);
    EXPECT_EQ(catcher.Texts().size(), 1);
    EXPECT_TRUE(fake.device->Plays().empty());
    EXPECT_EQ(fake.form.PlayCursorX(), -1);
}

TEST(Playback, AnOutputThatRefusesThePlaySaysSoAndNotThatThereIsNone) {
    FakePlayback fake;
    fake.device->SetRefusePlays(true);
    MessageBoxCatcher catcher;
    fake.Key(Qt::Key_F7);
    QTest::mousePress(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    EXPECT_FALSE(fake.timer->isActive());
    QTest::mouseRelease(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    QTest::qWait(50);
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_EQ(catcher.Texts().front(), "The audio output device refused to play this sound.");
    // Once it plays again, it plays.
    fake.device->SetRefusePlays(false);
    fake.form.Action("AAudioPlay")->trigger();
    EXPECT_EQ(fake.device->Plays().size(), 1u);
}

TEST(Playback, AFirstRightPressWithoutAnOutputAlsoSaysSo) {
    FakePlayback fake(false);
    MessageBoxCatcher catcher;
    QTest::mousePress(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    QTest::mouseRelease(fake.wave, Qt::RightButton, {}, QPoint(100, 60));
    EXPECT_EQ(catcher.Texts().size(), 1);
    // The mouse is free again: a left drag selects.
    fake.LeftDrag(50, 90);
    EXPECT_NE(fake.form.Selection().start, fake.form.Selection().end);
}

}  // namespace
}  // namespace tonalyx

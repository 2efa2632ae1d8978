#include <QAction>
#include <QElapsedTimer>
#include <QMediaDevices>

#include <gtest/gtest.h>

#include <cmath>

#include "WindowTestSupport.h"
#include "document/SoundData.h"
#include "interaction/QtMediaDevice.h"

// The media device on the platform's real audio output. Which of these run depends on the
// machine: with a sound server the plays are heard (or go to its sink), without one the device
// must refuse quietly and the window must say so once.

namespace tonalyx {
namespace {

// scripts/test-audio.sh sets TONALYX_EXPECT_AUDIO_OUTPUT once its private server is up: there
// a missing output fails the tests instead of skipping them.
bool HaveOutput() {
    const bool have = !QMediaDevices::defaultAudioOutput().isNull();
    if (!have && qEnvironmentVariableIsSet("TONALYX_EXPECT_AUDIO_OUTPUT"))
        ADD_FAILURE() << "the sound server is running, but Qt finds no audio output";
    return have;
}

SoundData Tone(int sampleCount, std::uint32_t rate = 16000) {
    SoundData sound;
    sound.samples.resize(static_cast<size_t>(sampleCount));
    for (int i = 0; i < sampleCount; ++i)
        sound.samples[static_cast<size_t>(i)] =
            static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440.0 * i / rate));
    sound.sampleCount = sampleCount;
    sound.format.sampleRate = rate;
    return sound;
}

struct Ends {
    std::vector<bool> seen;
    MediaDevice::EndNotification Listener() {
        return [this](bool ranToEnd) { seen.push_back(ranToEnd); };
    }
    bool Arrived(int timeoutMs) {
        return QTest::qWaitFor([this] { return !seen.empty(); }, timeoutMs);
    }
};

TEST(QtMediaDevice, APlayOnTheRealOutputRunsToItsEndAndSaysSo) {
    if (!HaveOutput()) GTEST_SKIP() << "no audio output device (no sound server is running)";
    const SoundData sound = Tone(4800);  // 0.3 s
    QtMediaDevice device;
    ASSERT_TRUE(device.Open(sound));
    Ends ends;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(device.Play(0, sound.sampleCount, ends.Listener()));
    EXPECT_EQ(device.Mode(), MediaMode::Playing);
    EXPECT_TRUE(QTest::qWaitFor([&] { return device.Position() > 0; }, 2000));
    ASSERT_TRUE(ends.Arrived(5000));
    // The end comes when the output has played it all, not when the data was handed over.
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_EQ(ends.seen, std::vector<bool>{true});
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(device.Position(), sound.sampleCount - 1);
}

TEST(QtMediaDevice, AStoppedOrReplacedPlayOnTheRealOutputReportsNoSuccessfulEnd) {
    if (!HaveOutput()) GTEST_SKIP() << "no audio output device (no sound server is running)";
    const SoundData sound = Tone(48000, 24000);  // 2 s at a rate the output may convert
    QtMediaDevice device;
    ASSERT_TRUE(device.Open(sound));
    Ends first;
    Ends second;
    ASSERT_TRUE(device.Play(0, sound.sampleCount, first.Listener()));
    ASSERT_TRUE(device.Play(24000, 48000, second.Listener()));
    EXPECT_TRUE(first.seen.empty());  // notifications never arrive inside the call
    ASSERT_TRUE(first.Arrived(2000));
    EXPECT_EQ(first.seen, std::vector<bool>{false});
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() > 24000; }, 2000));
    device.Stop();
    const int stoppedAt = device.Position();
    EXPECT_GT(stoppedAt, 24000);
    EXPECT_LT(stoppedAt, 48000);
    ASSERT_TRUE(second.Arrived(2000));
    EXPECT_EQ(second.seen, std::vector<bool>{false});
    EXPECT_EQ(device.Position(), stoppedAt);
    device.Close();
    EXPECT_EQ(device.Mode(), MediaMode::NotReady);
}

// Every rate the wave reader accepts plays: rates below what outputs play are converted to the
// output's own rate (the sound server's library dies on rates below 50 Hz).
TEST(QtMediaDevice, SoundsAtVeryLowRatesAreConvertedAndPlayToTheirEnd) {
    if (!HaveOutput()) GTEST_SKIP() << "no audio output device (no sound server is running)";
    for (const std::uint32_t rate : {1u, 10u, 49u, 50u, 7999u, 8000u}) {
        SCOPED_TRACE(rate);
        const int count = static_cast<int>(std::max<std::uint32_t>(rate / 5, 1));  // 0.2 s, 1 s
        const SoundData sound = Tone(count, rate);
        QtMediaDevice device;
        ASSERT_TRUE(device.Open(sound));
        EXPECT_GE(device.Layout().sampleRate, 8000u);
        Ends ends;
        ASSERT_TRUE(device.Play(0, sound.sampleCount, ends.Listener()));
        ASSERT_TRUE(ends.Arrived(5000));
        EXPECT_EQ(ends.seen, std::vector<bool>{true});
    }
}

TEST(QtMediaDevice, TheWindowPlaysA10HzSoundByCommandAndByTheRightButton) {
    if (!HaveOutput()) GTEST_SKIP() << "no audio output device (no sound server is running)";
    QTemporaryDir dir;
    testing::StartedProgram program(testing::WriteSineWave(dir, "slow.wav", 100, 10, 1.0));
    TMainForm& form = program.main;
    ASSERT_TRUE(form.IsFileOpen());
    testing::MessageBoxCatcher catcher;
    form.Action("AAudioPlay")->trigger();
    QTest::qWait(300);
    QWidget* wave = form.findChild<QWidget*>("PaintBoxWave");
    QTest::mousePress(wave, Qt::RightButton, {}, QPoint(100, 60));
    QTest::qWait(300);
    QTest::mouseRelease(wave, Qt::RightButton, {}, QPoint(100, 60));
    form.Action("AAudioStop")->trigger();
    QTest::qWait(30);
    EXPECT_TRUE(catcher.Texts().isEmpty()) << catcher.Texts().join("; ").toStdString();
}

// The platform's device with a count of the plays the window asks for.
class CountingDevice : public MediaDevice {
public:
    bool Open(const SoundData& sound) override { return device_.Open(sound); }
    bool Play(std::int32_t from, std::int32_t to, EndNotification notify) override {
        ++plays;
        return device_.Play(from, to, std::move(notify));
    }
    void Stop() override { device_.Stop(); }
    MediaMode Mode() const override { return device_.Mode(); }
    std::int32_t Position() const override { return device_.Position(); }
    void Close() override { device_.Close(); }

    int plays = 0;

private:
    QtMediaDevice device_;
};

TEST(QtMediaDevice, TheWindowRepeatsAndFollowsPlaysOnTheRealOutput) {
    if (!HaveOutput()) GTEST_SKIP() << "no audio output device (no sound server is running)";
    QTemporaryDir dir;
    CountingDevice* device = nullptr;
    testing::StartedProgram program;
    TMainForm& form = program.main;
    form.SetMediaDeviceFactory([&device] {
        auto made = std::make_unique<CountingDevice>();
        device = made.get();
        return made;
    });
    ASSERT_TRUE(form.OpenFile(testing::WriteSineWave(dir, "short.wav", 3200)));  // 0.2 s
    form.Action("AAudioPlay")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return device->plays >= 3; }, 5000));  // two repeats
    form.Action("AAudioStop")->trigger();
    EXPECT_EQ(device->Mode(), MediaMode::Stopped);
    const int plays = device->plays;
    QTest::qWait(400);
    EXPECT_EQ(device->plays, plays);

    // A right-button play of a longer sound: the play cursor moves with the output.
    ASSERT_TRUE(form.OpenFile(testing::WriteSineWave(dir, "long.wav", 32000)));  // 2 s
    QWidget* wave = form.findChild<QWidget*>("PaintBoxWave");
    QTest::mousePress(wave, Qt::RightButton, {}, QPoint(10, 60));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PlayCursorX() >= 10; }, 2000));
    const int first = form.PlayCursorX();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.PlayCursorX() > first + 5; }, 2000));
    QTest::mouseRelease(wave, Qt::RightButton, {}, QPoint(10, 60));
    EXPECT_EQ(form.PlayCursorX(), -1);
    EXPECT_EQ(device->Mode(), MediaMode::Stopped);
}

TEST(QtMediaDevice, WithoutASoundServerNothingOpensAndTheWindowSaysSoOnce) {
    if (HaveOutput()) GTEST_SKIP() << "an audio output device exists";
    QtMediaDevice device;
    Ends ends;
    EXPECT_FALSE(device.Open(Tone(100)));
    EXPECT_EQ(device.Mode(), MediaMode::NotReady);
    EXPECT_FALSE(device.Play(0, 100, ends.Listener()));
    device.Stop();
    device.Close();

    // The window on the platform's device, as the program runs.
    QTemporaryDir dir;
    testing::StartedProgram program(testing::WriteSineWave(dir, "tone.wav", 8000));
    ASSERT_TRUE(program.main.IsFileOpen());
    ASSERT_TRUE(program.main.Action("AAudioPlay")->isEnabled());
    testing::MessageBoxCatcher catcher;
    program.main.Action("AAudioPlay")->trigger();
    program.main.Action("AAudioPlay")->trigger();
    program.main.Action("AAudioStop")->trigger();
    QTest::qWait(30);
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_EQ(catcher.Texts().front(), "No audio output device is available: playback is off.");
}

}  // namespace
}  // namespace tonalyx

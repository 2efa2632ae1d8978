#include "interaction/FakeMediaDevice.h"

#include <gtest/gtest.h>

#include "document/SoundData.h"

namespace tonalyx {
namespace {

SoundData Ramp(int count, std::uint32_t rate = 16000) {
    SoundData sound;
    for (int i = 0; i < count; ++i)
        sound.samples.push_back(static_cast<std::int16_t>(i));
    sound.sampleCount = count;
    sound.format.sampleRate = rate;
    return sound;
}

// Every notification delivered, in order.
struct Ends {
    std::vector<bool> seen;
    MediaDevice::EndNotification Listener() {
        return [this](bool ranToEnd) { seen.push_back(ranToEnd); };
    }
};

TEST(MediaMode, ActiveMeansPlayingRecordingSeekingOrPaused) {
    EXPECT_FALSE(IsActiveMode(MediaMode::NotReady));
    EXPECT_FALSE(IsActiveMode(MediaMode::Stopped));
    EXPECT_FALSE(IsActiveMode(MediaMode::Open));
    EXPECT_TRUE(IsActiveMode(MediaMode::Playing));
    EXPECT_TRUE(IsActiveMode(MediaMode::Recording));
    EXPECT_TRUE(IsActiveMode(MediaMode::Seeking));
    EXPECT_TRUE(IsActiveMode(MediaMode::Paused));
}

TEST(FakeMediaDevice, WithoutAnOutputItNeverOpensNorPlays) {
    FakeMediaDevice device(false);
    Ends ends;
    EXPECT_FALSE(device.Open(Ramp(100)));
    EXPECT_EQ(device.Mode(), MediaMode::NotReady);
    EXPECT_FALSE(device.Play(0, 100, ends.Listener()));
    device.Advance(1000);
    EXPECT_TRUE(device.Plays().empty());
    EXPECT_TRUE(ends.seen.empty());
}

TEST(FakeMediaDevice, KeepsItsOwnCopyOfTheSound) {
    FakeMediaDevice device;
    SoundData sound = Ramp(50, 22050);
    ASSERT_TRUE(device.Open(sound));
    sound.Clear();
    EXPECT_EQ(device.Samples(), Ramp(50).samples);
    EXPECT_EQ(device.SampleRate(), 22050u);
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
}

TEST(FakeMediaDevice, APlayRunsToItsEndAndThenTellsSoOnce) {
    FakeMediaDevice device;
    Ends ends;
    ASSERT_TRUE(device.Open(Ramp(1000)));
    ASSERT_TRUE(device.Play(100, 400, ends.Listener()));
    EXPECT_EQ(device.Mode(), MediaMode::Playing);
    EXPECT_EQ(device.Position(), 100);
    device.Advance(250);
    EXPECT_EQ(device.Position(), 350);
    EXPECT_TRUE(ends.seen.empty());
    device.Advance(50);
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(ends.seen, std::vector<bool>{true});
    // The position stays on the last sample played.
    EXPECT_EQ(device.Position(), 399);
    device.Advance(1000);
    EXPECT_EQ(ends.seen.size(), 1u);
}

TEST(FakeMediaDevice, AStoppedOrReplacedPlayReportsNoSuccessfulEndLater) {
    FakeMediaDevice device;
    Ends first;
    Ends second;
    ASSERT_TRUE(device.Open(Ramp(1000)));
    device.Play(0, 1000, first.Listener());
    device.Advance(10);
    device.Play(500, 600, second.Listener());
    // Notifications come as messages, never inside the call that ended the play.
    EXPECT_TRUE(first.seen.empty());
    EXPECT_EQ(device.PendingNotifications(), 1u);
    device.Advance(20);
    EXPECT_EQ(first.seen, std::vector<bool>{false});
    EXPECT_EQ(device.Position(), 520);

    device.Stop();
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(device.StoppedPlays(), 1);
    EXPECT_EQ(device.Position(), 520);
    device.Advance(1000);
    EXPECT_EQ(second.seen, std::vector<bool>{false});
    EXPECT_EQ(device.Plays(), (std::vector<FakeMediaDevice::PlayRecord>{{0, 1000}, {500, 600}}));
    // A stop with nothing playing changes nothing.
    device.Stop();
    EXPECT_EQ(device.StoppedPlays(), 1);
}

TEST(FakeMediaDevice, StretchesAreClampedToTheSoundAndAnEmptyOneEndsAtOnce) {
    FakeMediaDevice device;
    Ends ends;
    ASSERT_TRUE(device.Open(Ramp(100)));
    device.Play(-5, 1000, ends.Listener());
    device.Play(50, 10, ends.Listener());
    EXPECT_EQ(device.Plays(), (std::vector<FakeMediaDevice::PlayRecord>{{0, 100}, {50, 50}}));
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
    EXPECT_EQ(device.Position(), 50);
    device.DeliverNotifications();
    EXPECT_EQ(ends.seen, (std::vector<bool>{false, true}));
}

TEST(FakeMediaDevice, ANotificationMayStartTheNextPlay) {
    FakeMediaDevice device;
    int plays = 0;
    ASSERT_TRUE(device.Open(Ramp(1000)));
    std::function<void(bool)> repeat = [&](bool ranToEnd) {
        if (ranToEnd && ++plays < 3) device.Play(0, 100, repeat);
    };
    device.Play(0, 100, repeat);
    device.Advance(100);
    // The repeat started while delivering; it has not moved yet.
    EXPECT_EQ(device.Mode(), MediaMode::Playing);
    EXPECT_EQ(device.Position(), 0);
    device.Advance(100);
    device.Advance(100);
    EXPECT_EQ(device.Plays().size(), 3u);
    EXPECT_EQ(device.Mode(), MediaMode::Stopped);
}

TEST(FakeMediaDevice, CloseStopsReleasesAndDropsWhatIsStillQueued) {
    FakeMediaDevice device;
    Ends ends;
    ASSERT_TRUE(device.Open(Ramp(1000)));
    device.Play(0, 1000, ends.Listener());
    device.Close();
    EXPECT_EQ(device.Mode(), MediaMode::NotReady);
    EXPECT_EQ(device.StoppedPlays(), 1);
    EXPECT_EQ(device.Closes(), 1);
    device.Advance(10);
    EXPECT_TRUE(ends.seen.empty());
    EXPECT_FALSE(device.Play(0, 10, ends.Listener()));
    device.Close();
    EXPECT_EQ(device.Closes(), 1);
    // Opening again makes it playable.
    ASSERT_TRUE(device.Open(Ramp(10)));
    EXPECT_EQ(device.Opens(), 2);
    EXPECT_TRUE(device.Play(0, 10, ends.Listener()));
}

}  // namespace
}  // namespace tonalyx

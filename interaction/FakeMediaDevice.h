#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "interaction/MediaDevice.h"

namespace tonalyx {

// A media device without sound for tests: time passes only when the test says so, in samples,
// and end notifications wait, as window messages would, until the test lets them through. It
// keeps a record of what it was asked to do.
class FakeMediaDevice : public MediaDevice {
public:
    struct PlayRecord {
        std::int32_t from = 0;
        std::int32_t to = 0;
        bool operator==(const PlayRecord&) const = default;
    };

    // Without an output Open fails, as on a machine with no sound server.
    explicit FakeMediaDevice(bool outputPresent = true) : outputPresent_(outputPresent) {}

    bool Open(const SoundData& sound) override;
    bool Play(std::int32_t from, std::int32_t to, EndNotification notify) override;
    void Stop() override;
    MediaMode Mode() const override { return mode_; }
    std::int32_t Position() const override { return position_; }
    void Close() override;

    // The play in progress moves on by this many samples and ends when it reaches its end; its
    // notification waits.
    void Elapse(std::int32_t samples);
    // Elapse, then deliver the notifications due.
    void Advance(std::int32_t samples) {
        Elapse(samples);
        DeliverNotifications();
    }
    // Delivers the notifications queued so far; those queued while delivering wait for the
    // next call.
    void DeliverNotifications();

    // While set, Play refuses as an output that will not take the stream does.
    void SetRefusePlays(bool refuse) { refusePlays_ = refuse; }

    // Every play asked for, clamped to the sound, in order.
    const std::vector<PlayRecord>& Plays() const { return plays_; }
    // Plays that Stop ended.
    int StoppedPlays() const { return stoppedPlays_; }
    int Opens() const { return opens_; }
    int Closes() const { return closes_; }
    std::size_t PendingNotifications() const { return pending_.size(); }
    // The medium of the last Open.
    const std::vector<std::int16_t>& Samples() const { return samples_; }
    std::uint32_t SampleRate() const { return sampleRate_; }

private:
    void EndPlay(bool ranToEnd);

    bool outputPresent_;
    bool refusePlays_ = false;
    MediaMode mode_ = MediaMode::NotReady;
    std::vector<std::int16_t> samples_;
    std::uint32_t sampleRate_ = 0;
    std::int32_t end_ = 0;
    std::int32_t position_ = 0;
    EndNotification notify_;
    std::vector<std::pair<EndNotification, bool>> pending_;
    std::vector<PlayRecord> plays_;
    int stoppedPlays_ = 0;
    int opens_ = 0;
    int closes_ = 0;
};

}  // namespace tonalyx

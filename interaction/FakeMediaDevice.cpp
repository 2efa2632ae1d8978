#include "interaction/FakeMediaDevice.h"

#include <algorithm>

#include "document/SoundData.h"
#include "interaction/PlaybackFrames.h"

namespace tonalyx {

bool FakeMediaDevice::Open(const SoundData& sound) {
    Close();
    if (!outputPresent_) return false;
    ++opens_;
    const auto count = static_cast<size_t>(
        std::clamp<std::int64_t>(sound.sampleCount, 0, std::ssize(sound.samples)));
    samples_.assign(sound.samples.begin(), sound.samples.begin() + count);
    sampleRate_ = sound.format.sampleRate;
    position_ = 0;
    mode_ = MediaMode::Stopped;
    return true;
}

bool FakeMediaDevice::Play(std::int32_t from, std::int32_t to, EndNotification notify) {
    if (mode_ == MediaMode::NotReady) return false;
    if (IsActiveMode(mode_)) EndPlay(false);
    if (refusePlays_) return false;
    const PlayStretch stretch =
        ClampPlayStretch(from, to, static_cast<std::int32_t>(samples_.size()));
    plays_.push_back({stretch.from, stretch.to});
    notify_ = std::move(notify);
    position_ = stretch.from;
    end_ = stretch.to;
    mode_ = MediaMode::Playing;
    if (stretch.Count() == 0) EndPlay(true);
    return true;
}

void FakeMediaDevice::Stop() {
    if (!IsActiveMode(mode_)) return;
    ++stoppedPlays_;
    EndPlay(false);
}

void FakeMediaDevice::Close() {
    if (mode_ == MediaMode::NotReady) return;
    Stop();
    ++closes_;
    samples_.clear();
    pending_.clear();
    mode_ = MediaMode::NotReady;
}

void FakeMediaDevice::EndPlay(bool ranToEnd) {
    mode_ = MediaMode::Stopped;
    if (notify_) pending_.emplace_back(std::move(notify_), ranToEnd);
    notify_ = nullptr;
}

void FakeMediaDevice::Elapse(std::int32_t samples) {
    if (mode_ != MediaMode::Playing) return;
    const std::int64_t reached = std::int64_t{position_} + std::max(samples, 0);
    if (reached >= end_) {
        position_ = std::max(end_ - 1, plays_.back().from);
        EndPlay(true);
    } else {
        position_ = static_cast<std::int32_t>(reached);
    }
}

void FakeMediaDevice::DeliverNotifications() {
    auto due = std::move(pending_);
    pending_.clear();
    for (auto& [notify, ranToEnd] : due)
        notify(ranToEnd);
}

}  // namespace tonalyx

#pragma once

#include <cstdint>
#include <functional>

namespace tonalyx {

struct SoundData;

// What the player is doing. A player counts as active while it plays, records, seeks or is
// paused; only an active player needs stopping.
enum class MediaMode : std::uint8_t {
    NotReady,
    Stopped,
    Playing,
    Recording,
    Seeking,
    Paused,
    Open
};

constexpr bool IsActiveMode(MediaMode mode) {
    return mode == MediaMode::Playing || mode == MediaMode::Recording ||
           mode == MediaMode::Seeking || mode == MediaMode::Paused;
}

// The audio output the main window plays through. It is opened on the loaded sound and plays
// stretches of it given as sample indexes.
//
// The device plays the sound's own 16-bit samples of the one channel that was loaded, at the
// file's sampling rate, rather than the file's original data: that channel is what the wave
// view draws and every analysis works on, so the user hears exactly what is analysed (a left
// and a right channel that differ would otherwise be heard mixed).
//
// Every call comes from the user-interface thread; end notifications arrive there too, never
// from inside the call that ended the play.
class MediaDevice {
public:
    // Called once when a play ends: true when it ran to its end, false when it was stopped,
    // replaced by another play or broke off.
    using EndNotification = std::function<void(bool ranToEnd)>;

    virtual ~MediaDevice() = default;

    // Takes the sound's samples and sampling rate as its medium (a copy: the sound may change
    // afterwards). False when there is no output to play to; the device then stays not ready.
    virtual bool Open(const SoundData& sound) = 0;
    // Plays samples [from, to), clamped to the sound; a play already running is replaced (and
    // told so). An empty stretch ends at once. False when the device is not open or its output
    // refused to start; no notification follows then.
    virtual bool Play(std::int32_t from, std::int32_t to, EndNotification notify) = 0;
    // Ends the current play, if any; its notification reports no successful end.
    virtual void Stop() = 0;
    virtual MediaMode Mode() const = 0;
    // The sample now playing. After a play ended it stays at the last sample reached.
    virtual std::int32_t Position() const = 0;
    // Releases the medium (stopping a play first); the device is not ready until the next
    // Open. Notifications of earlier plays not yet delivered are dropped.
    virtual void Close() = 0;
};

}  // namespace tonalyx

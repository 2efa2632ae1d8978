#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

#include "interaction/MediaDevice.h"
#include "interaction/PlaybackFrames.h"

class QAudioSink;

namespace tonalyx {

class PlaybackSource;

// The media device on the platform's default audio output: a QAudioSink pulls the stretch being
// played from memory, as mono 16-bit samples at the sound's rate or converted to what the output
// asks for. The sink's processed time gives the position; the play has ended when the output has
// processed all of it, which comes a little after the sink ran out of data, because the sound
// still in the output's buffer is yet to be heard.
class QtMediaDevice : public QObject, public MediaDevice {
    Q_OBJECT
public:
    explicit QtMediaDevice(QObject* parent = nullptr);
    ~QtMediaDevice() override;

    // False when the platform has no audio output (no sound server running).
    bool Open(const SoundData& sound) override;
    bool Play(std::int32_t from, std::int32_t to, EndNotification notify) override;
    void Stop() override;
    MediaMode Mode() const override { return mode_; }
    std::int32_t Position() const override;
    void Close() override;

    // The frames the output gets, as chosen at Open.
    const OutputLayout& Layout() const { return layout_; }

private:
    void CheckProgress();
    void EndPlay(bool ranToEnd);
    void Notify(EndNotification notify, bool ranToEnd);

    MediaMode mode_ = MediaMode::NotReady;
    std::vector<std::int16_t> samples_;
    std::uint32_t sampleRate_ = 0;
    QAudioDevice output_;
    QAudioFormat format_;
    OutputLayout layout_;

    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<PlaybackSource> source_;
    PlayStretch stretch_;
    qint64 totalMicroseconds_ = 0;
    QElapsedTimer wallClock_;
    QTimer progressTimer_;
    std::int32_t lastPosition_ = 0;
    EndNotification notify_;
    // Counts opens: notifications still queued from before a Close are dropped.
    quint64 session_ = 0;
};

}  // namespace tonalyx

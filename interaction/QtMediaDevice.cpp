#include "interaction/QtMediaDevice.h"

#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <optional>
#include <span>

#include "document/SoundData.h"

namespace tonalyx {

namespace {

constexpr int kProgressInterval = 10;  // ms; the output advances its processed time in 10 ms steps
// A play whose output stops advancing (a stalled sound server) is taken as ended this long after
// it should have been heard to its end, so that repeats and the play cursor go on.
constexpr qint64 kEndGraceMs = 2000;
// The lowest rate handed to the output as it is. Outputs claim to take far lower rates, but the
// sound server's client library divides by zero on rates below 50 Hz and kills the process;
// every output plays 8 kHz, so slower sounds are converted to the output's own rate, as sounds
// faster than the output takes are.
constexpr std::uint32_t kLowestDirectRate = 8000;

std::optional<OutputSampleKind> KindOf(QAudioFormat::SampleFormat format) {
    switch (format) {
        case QAudioFormat::UInt8:
            return OutputSampleKind::UInt8;
        case QAudioFormat::Int16:
            return OutputSampleKind::Int16;
        case QAudioFormat::Int32:
            return OutputSampleKind::Int32;
        case QAudioFormat::Float:
            return OutputSampleKind::Float;
        default:
            return std::nullopt;
    }
}

}  // namespace

// The frames of one play, computed as the sink pulls them.
class PlaybackSource : public QIODevice {
public:
    PlaybackSource(std::span<const std::int16_t> stretch, std::uint32_t sourceRate,
                   const OutputLayout& layout)
        : stretch_(stretch),
          sourceRate_(sourceRate),
          layout_(layout),
          frameCount_(OutputFrameCount(static_cast<std::int64_t>(stretch.size()), sourceRate,
                                       layout.sampleRate)) {
        open(QIODevice::ReadOnly);
    }

    std::int64_t FrameCount() const { return frameCount_; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return (frameCount_ - nextFrame_) * layout_.BytesPerFrame() + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const std::int64_t frames =
            std::min<std::int64_t>(maxSize / layout_.BytesPerFrame(), frameCount_ - nextFrame_);
        RenderFrames(stretch_, sourceRate_, layout_, nextFrame_, frames,
                     reinterpret_cast<unsigned char*>(data));
        nextFrame_ += frames;
        return frames * layout_.BytesPerFrame();
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::span<const std::int16_t> stretch_;
    std::uint32_t sourceRate_;
    OutputLayout layout_;
    std::int64_t frameCount_;
    std::int64_t nextFrame_ = 0;
};

QtMediaDevice::QtMediaDevice(QObject* parent) : QObject(parent) {
    progressTimer_.setInterval(kProgressInterval);
    connect(&progressTimer_, &QTimer::timeout, this, &QtMediaDevice::CheckProgress);
}

QtMediaDevice::~QtMediaDevice() {
    Close();
}

bool QtMediaDevice::Open(const SoundData& sound) {
    Close();
    output_ = QMediaDevices::defaultAudioOutput();
    if (output_.isNull() || sound.format.sampleRate == 0) return false;

    sampleRate_ = sound.format.sampleRate;
    QAudioFormat wanted;
    wanted.setSampleRate(static_cast<int>(sampleRate_));
    wanted.setChannelCount(1);
    wanted.setSampleFormat(QAudioFormat::Int16);
    const bool direct = sampleRate_ >= kLowestDirectRate && output_.isFormatSupported(wanted);
    format_ = direct ? wanted : output_.preferredFormat();
    if (format_.sampleRate() <= 0 || format_.channelCount() <= 0) return false;
    // An output that names no sample coding of its own gets 16-bit samples.
    if (!KindOf(format_.sampleFormat())) format_.setSampleFormat(QAudioFormat::Int16);
    layout_ = {static_cast<std::uint32_t>(format_.sampleRate()), format_.channelCount(),
               *KindOf(format_.sampleFormat())};

    const auto count = static_cast<size_t>(
        std::clamp<std::int64_t>(sound.sampleCount, 0, std::ssize(sound.samples)));
    samples_.assign(sound.samples.begin(), sound.samples.begin() + count);
    lastPosition_ = 0;
    mode_ = MediaMode::Stopped;
    return true;
}

bool QtMediaDevice::Play(std::int32_t from, std::int32_t to, EndNotification notify) {
    if (mode_ == MediaMode::NotReady) return false;
    if (IsActiveMode(mode_)) EndPlay(false);
    stretch_ = ClampPlayStretch(from, to, static_cast<std::int32_t>(samples_.size()));
    lastPosition_ = stretch_.from;
    if (stretch_.Count() == 0) {
        Notify(std::move(notify), true);
        return true;
    }

    source_ = std::make_unique<PlaybackSource>(
        std::span(samples_).subspan(static_cast<size_t>(stretch_.from),
                                    static_cast<size_t>(stretch_.Count())),
        sampleRate_, layout_);
    totalMicroseconds_ = source_->FrameCount() * 1'000'000 / layout_.sampleRate;
    sink_ = std::make_unique<QAudioSink>(output_, format_);
    sink_->start(source_.get());
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        sink_.reset();
        source_.reset();
        return false;
    }
    notify_ = std::move(notify);
    mode_ = MediaMode::Playing;
    wallClock_.start();
    progressTimer_.start();
    return true;
}

void QtMediaDevice::Stop() {
    if (IsActiveMode(mode_)) EndPlay(false);
}

std::int32_t QtMediaDevice::Position() const {
    if (mode_ != MediaMode::Playing || !sink_) return lastPosition_;
    return PlayingSample(stretch_, sampleRate_, sink_->processedUSecs());
}

void QtMediaDevice::Close() {
    if (mode_ == MediaMode::NotReady) return;
    Stop();
    samples_.clear();
    ++session_;
    mode_ = MediaMode::NotReady;
}

void QtMediaDevice::CheckProgress() {
    if (mode_ != MediaMode::Playing || !sink_) return;
    if (sink_->processedUSecs() >= totalMicroseconds_) {
        EndPlay(true);
    } else if (sink_->state() == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
        EndPlay(false);  // the output broke off (the sound server went away)
    } else if (wallClock_.elapsed() > totalMicroseconds_ / 1000 + kEndGraceMs) {
        EndPlay(true);
    }
}

void QtMediaDevice::EndPlay(bool ranToEnd) {
    progressTimer_.stop();
    lastPosition_ = ranToEnd ? std::max(stretch_.to - 1, stretch_.from) : Position();
    // The sink goes before the frames it reads.
    if (sink_) sink_->stop();
    sink_.reset();
    source_.reset();
    mode_ = MediaMode::Stopped;
    Notify(std::move(notify_), ranToEnd);
    notify_ = nullptr;
}

// Notifications arrive from the event loop, never inside the call that ended the play.
void QtMediaDevice::Notify(EndNotification notify, bool ranToEnd) {
    if (!notify) return;
    QMetaObject::invokeMethod(
        this,
        [this, notify = std::move(notify), ranToEnd, session = session_] {
            if (session == session_) notify(ranToEnd);
        },
        Qt::QueuedConnection);
}

}  // namespace tonalyx

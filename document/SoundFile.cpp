#include "document/SoundFile.h"

#include <algorithm>
#include <limits>
#include <new>
#include <system_error>
#include <vector>

#include "document/ByteSource.h"
#include "document/InputDescriptor.h"
#include "document/SndfileFrameSource.h"
#include "document/WaveFrameSource.h"

namespace tonalyx {
namespace {

// The rewritten data chunk size, 2 × sampleCount, must fit its signed 32-bit field.
constexpr int64_t kMaxSampleCount = std::numeric_limits<int32_t>::max() / 2;
// Samples reserved ahead of decoding: a header's frame count is not trusted with more.
constexpr int64_t kMaxReserved = int64_t{1} << 22;
constexpr std::size_t kBlockFrames = 1 << 16;

// Refusals that end the matter: the file is not there, or memory is short. Every other
// reason of the wave reader (the name, an unknown format, a damaged header) leaves the file
// to libsndfile.
bool IsFinal(WaveReadError reason) {
    return reason == WaveReadError::CannotOpen || reason == WaveReadError::OutOfMemory;
}

// The reasons given for a file that is no wave at all, or whose name kept our reader away.
bool WaveReaderDidNotJudge(WaveReadError reason) {
    return reason == WaveReadError::NotWavExtension || reason == WaveReadError::NotRiffWave;
}

bool Fail(std::string* error, const char* text) {
    if (error) *error = text;
    return false;
}

// The input, opened once: a file read at will, or a stream read into memory up to the limit,
// for a stream cannot be read twice.
struct Input {
    std::unique_ptr<ByteSource> bytes;  // null when the input cannot be read; error says why
    bool stream = false;
};

Input OpenInput(const std::string& path, const StreamLimit& limit, SoundReadError& error) {
    Input input;
    const InputDescriptor opened = OpenInputDescriptor(path);
    if (opened.kind == InputKind::File) {
        auto file = std::make_unique<FileByteSource>(opened.descriptor);
        if (file->IsOpen()) {
            input.bytes = std::move(file);
        } else {
            error.input = std::system_category().message(file->Error());
        }
    } else if (opened.kind == InputKind::Stream) {
        input.stream = true;
        input.bytes = ReadWaveStream(opened.descriptor, limit, error.input);
    } else {
        error.input = std::system_category().message(opened.error);
    }
    if (!input.bytes) {
        error.wave = WaveReadError::CannotOpen;
        error.waveText = DescribeWaveReadError(WaveReadError::CannotOpen);
    }
    return input;
}

std::unique_ptr<FrameSource> OpenWithSndfile(const std::string& path, int channel,
                                             SoundReadError& error) {
    auto file = std::make_unique<FileByteSource>(path);
    if (!file->IsOpen()) {
        error.input = std::system_category().message(file->Error());
        error.wave = WaveReadError::CannotOpen;
        error.waveText = DescribeWaveReadError(WaveReadError::CannotOpen);
        return nullptr;
    }
    return SndfileFrameSource::Open(std::move(file), channel, &error.sndfile);
}

}  // namespace

std::string SoundReadError::Describe() const {
    if (!input.empty()) return input;
    if (sndfile.empty() || IsFinal(wave)) return waveText;
    if (wave == WaveReadError::None || WaveReaderDidNotJudge(wave)) return sndfile;
    return waveText + " (libsndfile: " + sndfile + ")";
}

bool LoadSoundFrames(SoundData& sound, FrameSource& source, std::string* error) {
    const SoundFileInfo& info = source.Info();
    int64_t frames = info.frames;
    if (sound.maxSoundLength >= 1) {
        frames = std::min(frames, int64_t{sound.maxSoundLength} * info.sampleRate);
    }
    frames = std::min(frames, kMaxSampleCount);

    std::vector<int16_t> samples;
    try {
        samples.reserve(static_cast<std::size_t>(std::min(frames, kMaxReserved)));
        // Block by block, stopping where damaged data stops the decoder.
        while (static_cast<int64_t>(samples.size()) < frames) {
            const std::size_t done = samples.size();
            const auto count = static_cast<std::size_t>(
                std::min<int64_t>(kBlockFrames, frames - static_cast<int64_t>(done)));
            samples.resize(done + count);
            const std::size_t got =
                source.ReadFrames(static_cast<int64_t>(done), {samples.data() + done, count});
            samples.resize(done + got);
            if (got < count) break;
        }
    } catch (const std::bad_alloc&) {
        return Fail(error, "not enough memory for the sound");
    }
    if (samples.empty()) return Fail(error, "no sample frame could be decoded");

    sound.samples = std::move(samples);
    sound.sampleCount = static_cast<int32_t>(sound.samples.size());
    sound.riffSize = 0;
    sound.fmtChunk.size = 0;
    sound.fmtChunk.offset = 0;
    sound.dataChunk.offset = 0;
    sound.dataChunk.size = 2 * sound.sampleCount;
    sound.format.formatTag = info.formatTag;
    sound.format.channels = 1;
    sound.format.sampleRate = info.sampleRate;
    sound.format.bitsPerSample = 16;
    sound.format.blockAlign = 2;
    sound.format.bytesPerSecond = 2 * info.sampleRate;
    sound.channelIndex = source.Channel();
    sound.origin = info;
    return true;
}

bool ReadSoundFile(SoundData& sound, const std::string& path, int channel, SoundReadError* error) {
    SoundReadError reasons;
    const StreamLimit limit{
        sound.maxSoundLength >= 1 ? static_cast<double>(sound.maxSoundLength) : 0.0,
        kMaxSampleCount};
    Input input = OpenInput(path, limit, reasons);
    if (input.bytes) {
        // A stream is read as a wave whatever its name; a file when its name says it is one.
        if (!input.stream && !HasWavExtension(path)) {
            reasons.wave = WaveReadError::NotWavExtension;
        } else if (ReadWaveData(sound, *input.bytes, channel, &reasons.wave)) {
            if (error) *error = {};
            return true;
        }
        reasons.waveText = DescribeWaveReadError(reasons.wave, sound.format);
        if (!input.stream && !IsFinal(reasons.wave)) {
            auto source =
                SndfileFrameSource::Open(std::move(input.bytes), channel, &reasons.sndfile);
            if (source && LoadSoundFrames(sound, *source, &reasons.sndfile)) {
                if (error) *error = {};
                return true;
            }
        }
    }
    if (error) *error = std::move(reasons);
    return false;
}

std::unique_ptr<FrameSource> OpenFrameSource(const std::string& path, int channel,
                                             SoundReadError* error,
                                             const StreamLimit& streamLimit) {
    SoundReadError reasons;
    Input input = OpenInput(path, streamLimit, reasons);
    if (input.bytes) {
        if (!input.stream && !HasWavExtension(path)) {
            reasons.wave = WaveReadError::NotWavExtension;
        } else if (auto wave =
                       WaveFrameSource::Open(std::move(input.bytes), channel, &reasons.wave)) {
            if (error) *error = {};
            return wave;
        }
        reasons.waveText = DescribeWaveReadError(reasons.wave);
        // libsndfile reads the file afresh where the wave reader took the bytes it was given.
        if (!input.stream && !IsFinal(reasons.wave)) {
            auto source = input.bytes ? SndfileFrameSource::Open(std::move(input.bytes), channel,
                                                                 &reasons.sndfile)
                                      : OpenWithSndfile(path, channel, reasons);
            if (source) {
                if (error) *error = {};
                return source;
            }
        }
    }
    if (error) *error = std::move(reasons);
    return nullptr;
}

}  // namespace tonalyx

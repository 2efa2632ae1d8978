#include "pitch/SoundPitchTrack.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "pitch/PitchExtractor.h"

namespace tonalyx {

namespace {

// Filter time scale in periods of each channel's centre frequency.
constexpr double kFilterLengthFactor = 1.1;

}  // namespace

std::int64_t StreamSoundPitchTrack(const PitchSampleReader& read, std::int64_t frameCount,
                                   double sampleRate, AnalysisSettings settings, int& hop,
                                   const PitchValueSink& sink) {
    if (settings.pitchMaxFreq < settings.pitchMinFreq + 1) {
        settings.pitchMaxFreq = settings.pitchMinFreq + 1;
    }
    const int channels = PitchChannelCount(settings.pitchMinFreq, settings.pitchMaxFreq,
                                           settings.pitchChannelsPerOctave);
    return ExtractPitchStreaming(read, frameCount, sampleRate, settings.pitchMinFreq, channels,
                                 settings.pitchChannelsPerOctave, kFilterLengthFactor,
                                 settings.pitchSnThreshold, hop, sink);
}

std::vector<double> ComputeSoundPitchTrack(const SoundData& sound, AnalysisSettings settings,
                                           int& hop) {
    // A count that claims more samples than the sound holds must not send the extractor past
    // their end.
    const std::int64_t count = static_cast<std::int64_t>(
        std::min(static_cast<std::size_t>(std::max(sound.sampleCount, 0)), sound.samples.size()));
    std::vector<double> track;
    const auto read = [&](std::int64_t from, std::span<std::int16_t> out) {
        std::copy_n(sound.samples.begin() + from, out.size(), out.begin());
    };
    const auto keep = [&](std::int64_t, std::span<const double> values) {
        track.insert(track.end(), values.begin(), values.end());
    };
    StreamSoundPitchTrack(read, count, static_cast<double>(sound.format.sampleRate), settings, hop,
                          keep);
    return track;
}

}  // namespace tonalyx

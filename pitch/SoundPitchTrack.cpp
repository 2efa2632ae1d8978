#include "pitch/SoundPitchTrack.h"

#include <algorithm>
#include <cstddef>

#include "pitch/PitchExtractor.h"

namespace tonalyx {

namespace {

// Filter time scale in periods of each channel's centre frequency.
constexpr double kFilterLengthFactor = 1.1;

}  // namespace

std::vector<double> ComputeSoundPitchTrack(const SoundData& sound, AnalysisSettings settings,
                                           int& hop) {
    if (settings.pitchMaxFreq < settings.pitchMinFreq + 1) {
        settings.pitchMaxFreq = settings.pitchMinFreq + 1;
    }
    const int channels = PitchChannelCount(settings.pitchMinFreq, settings.pitchMaxFreq,
                                           settings.pitchChannelsPerOctave);
    // A count that claims more samples than the sound holds must not send the extractor past
    // their end.
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max(sound.sampleCount, 0)), sound.samples.size());
    std::vector<double> samples(sound.samples.begin(),
                                sound.samples.begin() + static_cast<std::ptrdiff_t>(count));
    PitchTrack track = ExtractPitch(
        samples.data(), static_cast<int>(count), static_cast<double>(sound.format.sampleRate),
        settings.pitchMinFreq, channels, settings.pitchChannelsPerOctave, kFilterLengthFactor,
        settings.pitchSnThreshold, hop);
    return std::move(track.values);
}

}  // namespace tonalyx

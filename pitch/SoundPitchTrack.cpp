#include "pitch/SoundPitchTrack.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "pitch/FilterBank.h"
#include "pitch/PitchExtractor.h"

namespace tonalyx {

namespace {

// Filter time scale in periods of each channel's centre frequency.
constexpr double kFilterLengthFactor = 1.1;

// The channel count the settings ask for, the top raised to the bottom plus 1 Hz when below.
int ChannelsOf(AnalysisSettings settings) {
    if (settings.pitchMaxFreq < settings.pitchMinFreq + 1) {
        settings.pitchMaxFreq = settings.pitchMinFreq + 1;
    }
    return PitchChannelCount(settings.pitchMinFreq, settings.pitchMaxFreq,
                             settings.pitchChannelsPerOctave);
}

}  // namespace

std::int64_t StreamSoundPitchTrack(const PitchSampleReader& read, std::int64_t frameCount,
                                   double sampleRate, AnalysisSettings settings, int& hop,
                                   const PitchValueSink& sink, const PitchValueChooser& chooser) {
    return ExtractPitchStreaming(read, frameCount, sampleRate, settings.pitchMinFreq,
                                 ChannelsOf(settings), settings.pitchChannelsPerOctave,
                                 kFilterLengthFactor, settings.pitchSnThreshold, hop, sink,
                                 chooser);
}

int SoundPitchHop(double sampleRate, AnalysisSettings settings) {
    return PitchDecimationHop(sampleRate, settings.pitchMinFreq, ChannelsOf(settings),
                              settings.pitchChannelsPerOctave);
}

std::vector<double> ComputeSoundPitchTrack(const SoundData& sound, AnalysisSettings settings,
                                           int& hop, const PitchValueChooser& chooser) {
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
                          keep, chooser);
    return track;
}

}  // namespace tonalyx

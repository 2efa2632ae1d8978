#include "pitch/PitchExtractor.h"

#include <climits>
#include <cmath>
#include <span>
#include <stdexcept>

#include "dsp/BlockAverage.h"
#include "pitch/FilterBank.h"
#include "pitch/PitchTracking.h"

namespace tonalyx {
namespace {

// A threshold at or below this accepts every candidate.
constexpr double kThresholdFloorDb = -3000;
// log2(e), the factor that turns a natural logarithm into octaves.
constexpr long double kOctavesPerNeper = 1.4426950408889634L;

enum class Computation { Blocked, Whole };

PitchTrack Extract(double* samples, int n, double sampleRate, double minFreq, int channels,
                   int channelsPerOctave, double lengthFactor, double snThresholdDb, int& hop,
                   Computation computation) {
    if (n < 0 || (n > 0 && samples == nullptr) || std::isnan(snThresholdDb))
        throw std::invalid_argument("pitch extraction: bad sound or threshold");
    const PitchFilterBank bank =
        DesignPitchFilterBank(sampleRate, minFreq, channels, channelsPerOctave, lengthFactor);
    hop = bank.hop;
    const int decimated = n / bank.hop;
    BlockAverage(decimated, bank.hop, samples);

    PitchTrack track;
    track.values.assign(static_cast<std::size_t>(decimated), 0.0);
    track.count = decimated;
    if (decimated < 2 || bank.Channels() < 2) return track;

    const std::span<const double> signal(samples, static_cast<std::size_t>(decimated));
    const double threshold = PitchNoiseThreshold(snThresholdDb);
    if (computation == Computation::Blocked) {
        TrackPitchInBlocks(bank, signal, threshold, DefaultPitchBlocking(bank, decimated),
                           track.values);
    } else {
        TrackPitchWhole(bank, signal, threshold, track.values);
    }
    return track;
}

}  // namespace

PitchTrack ExtractPitch(double* samples, int n, double sampleRate, double minFreq, int channels,
                        int channelsPerOctave, double lengthFactor, double snThresholdDb,
                        int& hop) {
    return Extract(samples, n, sampleRate, minFreq, channels, channelsPerOctave, lengthFactor,
                   snThresholdDb, hop, Computation::Blocked);
}

PitchTrack ExtractPitchReference(double* samples, int n, double sampleRate, double minFreq,
                                 int channels, int channelsPerOctave, double lengthFactor,
                                 double snThresholdDb, int& hop) {
    return Extract(samples, n, sampleRate, minFreq, channels, channelsPerOctave, lengthFactor,
                   snThresholdDb, hop, Computation::Whole);
}

int PitchChannelCount(double minFreq, double maxFreq, int channelsPerOctave) {
    if (!std::isfinite(minFreq) || minFreq <= 0 || std::isnan(maxFreq) || channelsPerOctave < 1)
        throw std::invalid_argument("pitch channel count: bad range");
    if (maxFreq < minFreq + 1) maxFreq = minFreq + 1;
    const long double octaves = std::log(static_cast<long double>(maxFreq / minFreq)) *
                                kOctavesPerNeper * channelsPerOctave;
    const double count = std::floor(static_cast<double>(octaves)) + 1;
    if (!(count <= INT_MAX)) throw std::length_error("pitch channel count: too many channels");
    return static_cast<int>(count);
}

double PitchNoiseThreshold(double snThresholdDb) {
    if (!(snThresholdDb > kThresholdFloorDb)) return 1;
    return 1 / (std::pow(10.0, snThresholdDb * 0.1) + 1);
}

}  // namespace tonalyx

#include "pitch/PitchExtractor.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <span>
#include <stdexcept>
#include <vector>

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

// Decimates frames as they are read: value i is the mean of frames [i hop, (i + 1) hop), summed
// in order as doubles, as BlockAverage forms it.
class DecimatingReader {
public:
    DecimatingReader(const PitchSampleReader& read, int hop) : read_(read), hop_(hop) {
        frames_.resize(static_cast<std::size_t>(std::max(1, kPitchReadFrames / hop) * hop));
    }

    void operator()(std::span<double> out) {
        const std::size_t perRead = frames_.size() / static_cast<std::size_t>(hop_);
        for (std::size_t done = 0; done < out.size();) {
            const std::size_t values = std::min(perRead, out.size() - done);
            const std::span<std::int16_t> frames(frames_.data(), values * hop_);
            read_(next_, frames);
            next_ += static_cast<std::int64_t>(frames.size());
            for (std::size_t i = 0; i < values; ++i) {
                const std::int16_t* block = frames_.data() + i * hop_;
                double sum = 0.0;
                for (int j = 0; j < hop_; ++j)
                    sum += block[j];
                out[done + i] = sum / hop_;
            }
            done += values;
        }
    }

private:
    const PitchSampleReader& read_;
    int hop_;
    std::int64_t next_ = 0;
    std::vector<std::int16_t> frames_;
};

}  // namespace

std::int64_t ExtractPitchStreaming(const PitchSampleReader& read, std::int64_t frameCount,
                                   double sampleRate, double minFreq, int channels,
                                   int channelsPerOctave, double lengthFactor, double snThresholdDb,
                                   int& hop, const PitchValueSink& sink,
                                   const PitchValueChooser& chooser) {
    if (frameCount < 0 || !read || !sink || std::isnan(snThresholdDb))
        throw std::invalid_argument("pitch extraction: bad sound reader or threshold");
    const PitchFilterBank bank =
        DesignPitchFilterBank(sampleRate, minFreq, channels, channelsPerOctave, lengthFactor);
    hop = bank.hop;
    const std::int64_t decimated = frameCount / bank.hop;
    if (decimated > INT_MAX) throw std::length_error("pitch extraction: sound too long");
    const int n = static_cast<int>(decimated);

    if (n < 2 || bank.Channels() < 2) {
        const std::vector<double> zeros(static_cast<std::size_t>(std::min(n, kPitchReadFrames)));
        for (int first = 0; first < n; first += kPitchReadFrames) {
            sink(first, std::span<const double>(zeros).first(
                            static_cast<std::size_t>(std::min(kPitchReadFrames, n - first))));
        }
        return n;
    }
    DecimatingReader decimate(read, bank.hop);
    TrackPitchStreaming(
        bank, n, [&](std::span<double> out) { decimate(out); }, PitchNoiseThreshold(snThresholdDb),
        DefaultPitchBlocking(bank, n),
        [&](int first, std::span<const double> values) { sink(first, values); }, chooser);
    return n;
}

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

#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tonalyx {

// A pitch track read at evenly spaced times t_k = k step, k = 0, 1, ... while t_k lies within
// the sound (t_k < sampleCount / sampleRate), as a phonetician reads a contour at fixed frames.
// Track value i, describing the input samples [i hop, (i + 1) hop), stands at the middle of that
// block, sample i hop + (hop - 1) / 2. Between two values the F0 is interpolated linearly; where
// either of the two is unvoiced (0) the time is unvoiced, unless it falls exactly on the voiced
// one. Before the first value's middle and after the last one's the nearest value holds; a sound
// without track values is unvoiced throughout.
class PitchStepSampler {
public:
    // Receives step k, its time in seconds and the F0 there (0 where unvoiced).
    using Emit = std::function<void(std::int64_t k, double seconds, double f0)>;

    // Throws std::invalid_argument unless hop >= 1 and sampleRate and step are positive and
    // finite.
    PitchStepSampler(int hop, double sampleRate, double step, std::int64_t sampleCount);

    // The next values of the track, in order; emits every step they complete.
    void Add(std::span<const double> values, const Emit& emit);
    // After the last value: emits the steps left.
    void Finish(const Emit& emit);

    std::int64_t StepCount() const { return steps_; }

    // The track values in [first, last) that the steps read, as offsets from first in
    // increasing order: the two values around each step (one where it falls on a value), the
    // first value of the track and the last of the range, which the ends of the track and the
    // boundaries between pieces read. Safe to call from several threads at once.
    void ValuesRead(std::int64_t first, std::int64_t last, std::vector<int>& offsets) const;

private:
    // The track position of step k: its sample position in units of hop, from value 0's middle.
    double Position(std::int64_t k) const;
    void EmitStep(const Emit& emit, double value);

    int hop_;
    double sampleRate_;
    double step_;
    std::int64_t steps_ = 0;
    std::int64_t next_ = 0;      // the next step to emit
    std::int64_t received_ = 0;  // track values received so far
    double firstValue_ = 0;      // value 0
    double last_ = 0;            // the last value received
};

// The whole track read at the steps: StepCount values.
std::vector<double> SamplePitchTrack(std::span<const double> track, int hop, double sampleRate,
                                     double step, std::int64_t sampleCount);

}  // namespace tonalyx

#pragma once

#include <cstdint>
#include <vector>

namespace tonalyx {

// Sample-rate reduction by a polyphase windowed-sinc filter. Output sample j stands for the time
// (j + 0.5) / outRate, as input sample i stands for (i + 0.5) / inRate, so both cover the same
// stretch of time. Each output sample is a fixed function of the input samples around its
// time (the filter never carries state), so any stretch of the output computed from any
// stretch of the input that covers InputSpan equals, bit for bit, the same samples of a
// whole-signal conversion.
//
// The filter is a Kaiser-windowed (beta 10) sinc with its cutoff at the output's Nyquist
// frequency (a cutoff below it leaves an empty band that a linear-prediction fit spends poles
// on) and 16 zero crossings each side; each phase is scaled to a gain of exactly 1
// at 0 Hz. The phases are those of the exact rate ratio when it needs at most 2048 of them,
// otherwise the nearest of 2048 (a time error below 1/4096 of an input sample).
class Resampler {
public:
    // Refuses (std::invalid_argument) rates that are not positive or an output rate above the
    // input rate. Equal rates copy the samples.
    Resampler(int inRate, int outRate);

    int InRate() const { return inRate_; }
    int OutRate() const { return outRate_; }

    // The input samples [first, last) that output samples [jFirst, jLast) read (jFirst < jLast).
    void InputSpan(int64_t jFirst, int64_t jLast, int64_t& first, int64_t& last) const;

    // out[0, count) = output samples [jFirst, jFirst + count), reading x[i - xFirst] for input
    // sample i; x must hold every sample of InputSpan (zeros where the signal has none).
    void Resample(const double* x, int64_t xFirst, int64_t jFirst, int64_t count,
                  double* out) const;

    // The filter's value at a distance of d input samples, as the phases sample it (before
    // their scaling to unit gain): for checking them against a direct computation.
    double Kernel(double d) const;

private:
    // The input sample at or before output sample j's time, and the phase of the remainder.
    void Locate(int64_t j, int64_t& index, int& phase) const;

    int inRate_, outRate_;
    int64_t up_ = 1, down_ = 1;  // outRate / inRate in lowest terms
    int phases_ = 1;
    int half_ = 0;               // taps each side
    double cutoff_ = 0.5;        // in cycles per input sample
    std::vector<double> table_;  // phases_ rows of 2 half_ taps
};

}  // namespace tonalyx

#pragma once

#include <cstdint>
#include <vector>

#include "analysis/FrameBlocks.h"
#include "dsp/Resampler.h"

namespace tonalyx {

struct FormantSettings;

// The formants of one prediction polynomial 1 - a[1] z^-1 - ... - a[order] z^-order fitted at
// `rate` Hz: for each root above the real axis, frequency = angle rate / (2 pi) and bandwidth =
// -ln(radius) rate / pi (a root outside the unit circle is taken at its mirror image inside,
// radius 1 / r, as the stable filter with the same spectrum shape has it). Roots below 50 Hz
// and above ceiling - 50 Hz are left out; the rest, by rising frequency, fill frequencies and
// bandwidths up to count of them, NaN after. Returns how many were found.
int PolynomialFormants(const double* a, int order, double rate, double ceilingHz, int count,
                       double* frequencies, double* bandwidths);

// The measurement of one ceiling over placed frames: the resampling to twice the ceiling, the
// frames' Gaussian window and pre-emphasis, and Burg's fit of each frame. Frame k's values are
// count frequencies then count bandwidths (Hz, NaN where missing); a frame whose samples are
// all zero has no formants.
class FormantAnalyser {
public:
    // ceilingHz at most half of inRate; the resampled rate is 2 ceilingHz rounded to whole Hz.
    FormantAnalyser(int inRate, double ceilingHz, const FormantSettings& settings,
                    const FramePlacement& placement);

    double CeilingHz() const { return 0.5 * resampler_.OutRate(); }
    int Count() const { return count_; }
    int ValuesPerFrame() const { return 2 * count_; }

    // The input samples [first, last) that frames [k0, k1) read.
    void InputOf(int64_t k0, int64_t k1, int64_t& first, int64_t& last) const;
    // Frames [k0, k1) into values, ValuesPerFrame() each. Safe to call from several threads.
    void Measure(int64_t k0, int64_t k1, const SampleStretch& in, double* values) const;

private:
    // The first resampled sample of frame k's window.
    int64_t WindowStart(int64_t k) const;

    Resampler resampler_;
    FramePlacement placement_;
    int count_;
    double emphasis_;  // the pre-emphasis filter's coefficient
    std::vector<double> window_;
};

}  // namespace tonalyx

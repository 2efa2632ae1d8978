#pragma once

#include <complex>
#include <span>
#include <vector>

#include "dsp/Convolution.h"

namespace tonalyx {

// Per-channel stages of the pitch extractor on a window [first, last) of the decimated signal
// of n samples. Index arguments are positions in the whole signal, so that a window yields the
// same values as the whole-signal computation does at those positions (up to the rounding of
// the convolution); the rules at the two ends of the signal apply at the signal's ends only.

// A stretch of the decimated signal: the samples at positions [offset, offset + size) of a
// signal of n samples.
struct SignalStretch {
    std::span<const double> samples;
    int offset = 0;
    int n = 0;
};

// Outputs [first, last) of the centred convolution of the signal with the filter's J taps (the
// full linear convolution from index floor(J/2) on), written to out[0, last - first). The
// stretch must hold the samples they read, positions [first + floor(J/2) - J + 1,
// last + floor(J/2)) within [0, n). Outputs whose whole input span is zero are exactly 0: the
// FFT would leave rounding residue there, and silence must read as silence.
void FilterChannel(const SignalStretch& signal, ComplexFftFilter& filter, int first, int last,
                   std::complex<double>* out);

// A run of samples that are exactly 0: positions [first, last) of the signal.
struct ZeroRun {
    int first = 0;
    int last = 0;
};

// The runs of exact zeros among the stretch's samples, in order, into runs.
void FindZeroRuns(const SignalStretch& signal, std::vector<ZeroRun>& runs);

// FilterChannel with the stretch's zero runs found beforehand (FindZeroRuns), so that the
// channels of one stretch share one search.
void FilterChannel(const SignalStretch& signal, std::span<const ZeroRun> zeroRuns,
                   ComplexFftFilter& filter, int first, int last, std::complex<double>* out);

// The instantaneous frequency (Hz) at positions [first, last) of a signal of n >= 2 samples at
// the given rate, from the filter outputs at positions [max(0, first - 1), last) held in
// filtered (filtered[0] is position max(0, first - 1)): the step of the outputs' phase from
// the position before, in cycles wrapped into [-0.5, 0.5), times the rate (the phase of an
// output of exactly 0 counts as 0). Position 0 copies position 1, so a window that starts at 0
// needs last >= 2.
void InstantaneousFrequency(const std::complex<double>* filtered, int first, int last, int n,
                            double rate, double* out);

// The time derivative of the instantaneous frequency at position i, from a window of it that
// starts at position windowFirst and holds i and i + 1 (i - 1 instead at the signal's end,
// where the last position copies the one before).
inline double TimeDerivativeAt(const double* frequency, int windowFirst, int i, int n,
                               double rate) {
    const int at = (i == n - 1 ? i - 1 : i) - windowFirst;
    return (frequency[at + 1] - frequency[at]) * rate;
}

}  // namespace tonalyx

#pragma once

#include <vector>

namespace tonalyx {

// The real cepstrum of a frame of n = 2^m samples (1 <= m <= kMaxRealFftLog2), in place in
// data[0..n): the frame is windowed by ApplyWindow(window, n, data), its log power spectrum
// L[k] = log10(|X[k]|^2 / n) is formed (kFloorDb / 10 = -300 where the power is at or below
// kPowerFloor), and c[q] = (1/n) sum_k L[k] e^{-2 pi i kq/n} is returned: the cepstrum in
// log10 power units (decibels divided by 10), real and symmetric, c[q] = c[n - q]. A silent
// frame gives -300 at quefrency 0 and 0 elsewhere.
//
// Throws std::invalid_argument for m out of range. Safe to call from several threads at once
// on different arrays.
void Cepstrum(int m, double* data, int window);

// Lifter weights g[i] = exp(-i^2 / (2 s)) for the quefrencies i in [0, n): a Gaussian of
// variance s samples^2 that falls off from quefrency 0 upward only, so the mirrored upper half
// of a cepstrum meets the small weights near n. A variance that is not positive (or NaN) gives
// the limit of a vanishing width: 1 at quefrency 0 and 0 elsewhere.
class GaussianLifter {
public:
    // The weights for (n, s); rebuilt only when n or s differs from the previous request.
    const std::vector<double>& Weights(int n, double s);

    int length() const { return length_; }
    double variance() const { return variance_; }
    // How many times the weights have been built, so that callers can see a run reuse them.
    long buildCount() const { return buildCount_; }

private:
    int length_ = 0;
    double variance_ = 0.0;
    long buildCount_ = 0;
    std::vector<double> weights_;
};

// The lifter LifteredSpectrum uses: one instance per thread, so concurrent callers never share
// weights that another is rebuilding.
GaussianLifter& SharedGaussianLifter();

// The cepstrally smoothed log spectrum of a frame of n = 2^m samples, in place:
// Cepstrum(m, data, window), the cepstrum weighted by SharedGaussianLifter().Weights(n, s), and
// its forward transform Y. data[0] := Y[0] and data[n/2] := Y[n/2] (both real); for
// 0 < k < n/2, data[k] := |Y[k]| with the sign of Re Y[k]. The sign keeps quiet bins below
// zero: a silent frame gives -300 in every bin, where the bare magnitude would give +300 and
// draw silence at the loud end of the scale. data[n/2 + 1..n) is left as scratch.
//
// Throws std::invalid_argument for m out of range. Safe to call from several threads at once
// on different arrays.
void LifteredSpectrum(int m, double* data, int window, double s);

}  // namespace tonalyx

#pragma once

#include <vector>

namespace tonalyx {

// Smooth analysis windows whose side lobes lie far below those of the options dialog's
// windows, for measurements (formants, intensity) that must not be biased by leakage. Sample i
// of n sits at u = (i + 0.5) / n - 0.5 of the window's physical length, so the weights are
// symmetric and vanish towards u = +-0.5. n <= 0 gives an empty vector.

// Gaussian-like: (exp(-48 u^2) - e^-12) / (1 - e^-12), which is 1 at the centre and 0 at
// the edges; its effective duration is about half the physical length.
std::vector<double> GaussianWindow(int n);

// Kaiser: I0(beta sqrt(1 - 4 u^2)) / I0(beta). Beta 20 makes its effective duration about half
// the physical length, with side lobes below -190 dB.
std::vector<double> KaiserWindow(int n, double beta);

// The modified Bessel function of the first kind of order 0, by its power series (exact to
// rounding for the arguments a window uses, |x| <= 50).
double BesselI0(double x);

}  // namespace tonalyx

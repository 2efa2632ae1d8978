#pragma once

namespace tonalyx {

// Levels at or below this power (in absolute value) read as kFloorDb.
constexpr double kPowerFloor = 1e-300;
constexpr double kFloorDb = -3000.0;

// Replaces the n = 2^m real values of a frame (m >= 1) by its one-sided power spectrum in
// data[0..n/2]: P[0] = x X[0]^2 / n, P[k] = 2x |X[k]|^2 / n for 0 < k < n/2 and
// P[n/2] = x X[n/2]^2 / n, so that sum P = x sum data^2.
void PowerSpectrum(int m, double* data, double x);

// ApplyWindow(kind, 2^m, data), then PowerSpectrum(m, data, 1).
void WindowedPowerSpectrum(int m, double* data, int kind);

// out[i] = 10 log10 |in[i]| above kPowerFloor, else kFloorDb. out may be in.
void PowerToDb(int n, const double* in, double* out);

}  // namespace tonalyx

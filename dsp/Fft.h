#pragma once

namespace tonalyx {

// Discrete Fourier transforms of n = 2^m points, in place on arrays of doubles.
//
// The forward transform computes X[k] = sum_j x[j] e^{+2 pi i jk/n}; the inverse uses the
// opposite sign. Complex arrays interleave (re, im). Results equal a direct DFT up to rounding.
//
// Real transforms use the packed layout of n values: slot 0 holds X[0], slot 1 holds X[n/2]
// (both real) and complex element k (slots 2k, 2k+1) holds X[k] for 1 <= k < n/2. The unpacked
// layout has n + 2 slots: X[0..n/2] as complex values whose X[0] and X[n/2] have zero
// imaginary parts.
//
// Twiddle tables are built once per size and shared by all threads; a call allocates nothing
// once the tables of its size exist (the work buffer of each thread only grows). Calls from
// several threads at once are safe as long as they work on different arrays.
//
// An exponent outside the supported range throws std::invalid_argument.

constexpr int kMaxComplexFftLog2 = 28;
constexpr int kMaxRealFftLog2 = kMaxComplexFftLog2 + 1;

// 2^m complex values (0 <= m <= kMaxComplexFftLog2), the result multiplied by scale in either
// direction.
void ComplexFftRaw(int m, double* data, bool forward, double scale);

// ComplexFftRaw scaled by x forward and by x / 2^m inverse, so that an inverse after a forward
// with x = 1 restores the input.
void ComplexFft(int m, double* data, bool forward, double x);

// 2^m real values (1 <= m <= kMaxRealFftLog2) to and from the packed layout; forward scaled
// by x, inverse by x / 2^m.
void RealFft(int m, double* data, bool forward, double x);

// RealFft with x = 1 in the unpacked layout (data holds 2^m + 2 slots). The inverse reads
// X[n/2] from slot n and leaves slots n and n + 1 as they were.
void RealFftUnpacked(int m, double* data, bool forward);

}  // namespace tonalyx

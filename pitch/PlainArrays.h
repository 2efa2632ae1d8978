#pragma once

#include <complex>
#include <span>

namespace tonalyx {

// Arithmetic on contiguous arrays (std::vector, Vector::Elements(), spans of a buffer). Two
// arrays of different sizes are reported to the numerics error hook as kArraySizeMismatch and
// handled over their common leading elements.

// Sum of a[i] * b[i].
double Dot(std::span<const double> a, std::span<const double> b);

// a[i] *= x.
void Scale(std::span<double> a, double x);
void Scale(std::span<std::complex<double>> a, double x);

// a[i] *= b[i].
void Multiply(std::span<double> a, std::span<const double> b);
void Multiply(std::span<std::complex<double>> a, std::span<const std::complex<double>> b);

}  // namespace tonalyx

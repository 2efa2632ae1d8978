#include "pitch/PlainArrays.h"

#include <algorithm>
#include <cstddef>

#include "pitch/NumericsError.h"

namespace tonalyx {

namespace {

std::size_t CommonSize(std::size_t a, std::size_t b) {
    if (a != b) ReportNumericsError(kArraySizeMismatch);
    return std::min(a, b);
}

template <class T>
void ScaleElements(std::span<T> a, double x) {
    for (T& e : a)
        e *= x;
}

template <class T>
void MultiplyElements(std::span<T> a, std::span<const T> b) {
    const std::size_t n = CommonSize(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        a[i] *= b[i];
}

}  // namespace

double Dot(std::span<const double> a, std::span<const double> b) {
    const std::size_t n = CommonSize(a.size(), b.size());
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        sum += a[i] * b[i];
    return sum;
}

void Scale(std::span<double> a, double x) {
    ScaleElements(a, x);
}

void Scale(std::span<std::complex<double>> a, double x) {
    ScaleElements(a, x);
}

void Multiply(std::span<double> a, std::span<const double> b) {
    MultiplyElements(a, b);
}

void Multiply(std::span<std::complex<double>> a, std::span<const std::complex<double>> b) {
    MultiplyElements(a, b);
}

}  // namespace tonalyx

#include "dsp/PolynomialRoots.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tonalyx {

namespace {

using Complex = std::complex<double>;

constexpr int kStepsPerCycleBreak = 10;
constexpr int kMaxSteps = 80;

// Laguerre's method from x on the polynomial a[0..m] (m >= 1, a[m] != 0). Stops when the
// value is within the rounding bound of its evaluation, or when a step no longer moves x.
// Every tenth step is shortened by a varying fraction, which breaks the rare limit cycles.
Complex Laguerre(std::span<const Complex> a, Complex x) {
    static constexpr double kFractions[] = {0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};
    const int m = static_cast<int>(a.size()) - 1;
    const double eps = std::numeric_limits<double>::epsilon();
    for (int step = 1; step <= kMaxSteps; ++step) {
        // Horner's scheme for p (b), p' (d) and p''/2 (f), with the bound of p's rounding.
        Complex b = a[static_cast<std::size_t>(m)], d = 0.0, f = 0.0;
        const double ax = std::abs(x);
        double bound = std::abs(b);
        for (int j = m - 1; j >= 0; --j) {
            f = x * f + d;
            d = x * d + b;
            b = x * b + a[static_cast<std::size_t>(j)];
            bound = std::abs(b) + ax * bound;
        }
        if (std::abs(b) <= bound * eps) return x;
        const Complex g = d / b;
        const Complex g2 = g * g;
        const Complex h = g2 - 2.0 * f / b;
        const Complex root =
            std::sqrt(static_cast<double>(m - 1) * (static_cast<double>(m) * h - g2));
        const Complex plus = g + root, minus = g - root;
        const Complex den = std::abs(plus) >= std::abs(minus) ? plus : minus;
        const Complex dx = std::abs(den) > 0.0 ? static_cast<double>(m) / den
                                               : std::polar(1.0 + ax, static_cast<double>(step));
        const Complex next = x - dx;
        if (next == x) return x;
        if (step % kStepsPerCycleBreak != 0) {
            x = next;
        } else {
            x -= kFractions[(step / kStepsPerCycleBreak) % std::size(kFractions)] * dx;
        }
    }
    return x;
}

// Divides a[0..m] by (z - x) in place; a[0..m-1] becomes the quotient.
void Deflate(std::vector<Complex>& a, Complex x) {
    Complex carry = a.back();
    for (int j = static_cast<int>(a.size()) - 2; j >= 0; --j) {
        const Complex value = a[static_cast<std::size_t>(j)];
        a[static_cast<std::size_t>(j)] = carry;
        carry = x * carry + value;
    }
    a.pop_back();
}

}  // namespace

std::vector<Complex> PolynomialRoots(std::span<const double> c) {
    std::vector<Complex> roots;
    if (!std::all_of(c.begin(), c.end(), [](double v) { return std::isfinite(v); })) return roots;
    std::size_t high = c.size();
    while (high > 0 && c[high - 1] == 0.0)
        --high;
    std::size_t low = 0;
    while (low < high && c[low] == 0.0)
        ++low;
    if (high == 0) return roots;
    roots.assign(low, Complex(0.0));
    const std::vector<Complex> original(c.begin() + static_cast<std::ptrdiff_t>(low),
                                        c.begin() + static_cast<std::ptrdiff_t>(high));
    std::vector<Complex> deflated = original;
    const double eps = std::numeric_limits<double>::epsilon();
    while (deflated.size() > 1) {
        Complex x = Laguerre(deflated, 0.0);
        x = Laguerre(original, x);
        if (std::abs(x.imag()) <= 4.0 * eps * std::abs(x.real())) x = x.real();
        if (x.imag() != 0.0 && deflated.size() > 2) {
            // A complex root of a real polynomial: its conjugate goes with it.
            const Complex pair = std::conj(x);
            roots.push_back(x);
            roots.push_back(pair);
            Deflate(deflated, x);
            Deflate(deflated, pair);
            for (Complex& v : deflated)
                v = v.real();
        } else {
            roots.push_back(x.real());
            Deflate(deflated, x.real());
        }
    }
    return roots;
}

}  // namespace tonalyx

#include "dsp/TaperWindows.h"

#include <cmath>

namespace tonalyx {

namespace {

// Twice the position u, from integers so that the weights are exactly symmetric.
double Twice(int i, int n) {
    return (2.0 * i + 1.0 - n) / n;
}

}  // namespace

std::vector<double> GaussianWindow(int n) {
    std::vector<double> w(static_cast<std::size_t>(n > 0 ? n : 0));
    const double edge = std::exp(-12.0);
    for (int i = 0; i < n; ++i) {
        const double u = Twice(i, n);
        w[static_cast<std::size_t>(i)] = (std::exp(-12.0 * u * u) - edge) / (1.0 - edge);
    }
    return w;
}

std::vector<double> KaiserWindow(int n, double beta) {
    std::vector<double> w(static_cast<std::size_t>(n > 0 ? n : 0));
    const double norm = BesselI0(beta);
    for (int i = 0; i < n; ++i) {
        const double u = Twice(i, n);
        w[static_cast<std::size_t>(i)] = BesselI0(beta * std::sqrt(1.0 - u * u)) / norm;
    }
    return w;
}

double BesselI0(double x) {
    // sum_k ((x/2)^k / k!)^2, each term from the previous one.
    const double half = 0.25 * x * x;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 500 && term > sum * 1e-17; ++k) {
        term *= half / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

}  // namespace tonalyx

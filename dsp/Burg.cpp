#include "dsp/Burg.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tonalyx {

namespace {

// Forward errors, backward errors and the previous order's coefficients.
double* Scratch(std::size_t size) {
    thread_local std::vector<double> scratch;
    if (scratch.size() < size) scratch.resize(size);
    return scratch.data();
}

}  // namespace

void BurgCoefficients(int n, const double* x, int m, double* a, double& p0) {
    if (n <= 0) {
        for (int k = 1; k <= m; ++k)
            a[k] = 0.0;
        p0 = 0.0;
        return;
    }
    double power = 0.0;
    for (int j = 0; j < n; ++j)
        power += x[j] * x[j];
    power /= n;
    if (m <= 0) {
        p0 = power;
        return;
    }
    for (int k = n + 1; k <= m; ++k)
        a[k] = 0.0;
    const int order = std::min(m, n);

    const std::size_t length = static_cast<std::size_t>(n);
    double* const f = Scratch(2 * length + static_cast<std::size_t>(order) + 1);
    double* const b = f + length;
    double* const prev = b + length;  // prev[k] holds the order-(k-1) coefficient a[k]

    // Order 1 pairs every sample with its successor.
    double num = 0.0, den = 0.0;
    for (int j = 0; j + 1 < n; ++j) {
        f[j] = x[j];
        b[j] = x[j + 1];
        num += f[j] * b[j];
        den += f[j] * f[j] + b[j] * b[j];
    }

    for (int k = 1;; ++k) {
        const double reflection = den != 0.0 ? 2.0 * num / den : 1.0;
        a[k] = reflection;
        power *= 1.0 - reflection * reflection;
        for (int i = 1; i < k; ++i)
            a[i] = prev[i] - reflection * prev[k - i];
        if (k == order) break;
        std::copy(a + 1, a + k + 1, prev + 1);

        // Next order's errors, one pair shorter; b[j] still needs the old f[j + 1], which the
        // ascending loop has not reached yet. The sums for the next order run alongside, in the
        // same order as a separate pass would take them.
        num = 0.0;
        den = 0.0;
        for (int j = 0; j + k + 1 < n; ++j) {
            f[j] -= reflection * b[j];
            b[j] = b[j + 1] - reflection * f[j + 1];
            num += f[j] * b[j];
            den += f[j] * f[j] + b[j] * b[j];
        }
    }
    p0 = power;
}

}  // namespace tonalyx

#include "analysis/Smoothing.h"

#include <array>
#include <cstdlib>

namespace tonalyx {

void SmoothTriangular(double* x, int n, int k) {
    if (k < 1 || k > kMaxSmoothingWidth || k >= n) return;
    const int weightSum = (k + 1) * (k + 1);
    const int ringSize = 2 * k + 1;
    // The ring holds the unsmoothed values at positions i - k .. i + k of the reflected
    // sequence, indexed by (position + k) mod ringSize; x itself is overwritten behind i.
    std::array<double, 2 * kMaxSmoothingWidth + 1> ring{};
    const auto slot = [&](int position) -> double& { return ring[(position + k) % ringSize]; };
    for (int position = -k; position <= k; ++position)
        slot(position) = x[std::abs(position)];

    const double centreWeight = k + 1;
    for (int i = 0; i < n; ++i) {
        double sum = centreWeight * slot(i);
        for (int j = 1; j <= k; ++j)
            sum += (k + 1 - j) * (slot(i - j) + slot(i + j));
        x[i] = sum / weightSum;
        if (i + 1 == n) break;
        // Position i + 1 + k replaces i - k, which the next output no longer needs. Past the
        // end it mirrors position 2 (n - 1) - (i + 1 + k), still inside the ring.
        const int incoming = i + 1 + k;
        const double value = incoming < n ? x[incoming] : slot(2 * (n - 1) - incoming);
        slot(incoming) = value;
    }
}

}  // namespace tonalyx

#pragma once

namespace tonalyx {

constexpr int kMaxSmoothingWidth = 7;

// Smooths x[0..n) in place with a triangular window of half-width k: with K = k + 1, every
// x[i] becomes (K x[i] + sum_{j=1..k} (K - j) (x[i - j] + x[i + j])) / K^2. Beyond the ends the
// column is reflected about its end samples without repeating them (x[-j] = x[j],
// x[n - 1 + j] = x[n - 1 - j]). Every output is computed from the values as they were before
// smoothing. Nothing happens unless 1 <= k <= kMaxSmoothingWidth and k < n.
void SmoothTriangular(double* x, int n, int k);

}  // namespace tonalyx

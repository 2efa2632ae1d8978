#include "analysis/Smoothing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace tonalyx {
namespace {

// The triangular smoothing computed straight from its definition on a copy of the input.
std::vector<double> DirectTriangular(const std::vector<double>& x, int k) {
    const int n = static_cast<int>(x.size());
    const auto reflected = [&](int i) {
        if (i < 0) return x[-i];
        if (i > n - 1) return x[2 * (n - 1) - i];
        return x[i];
    };
    const int weight = k + 1;
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        double sum = weight * x[i];
        for (int j = 1; j <= k; ++j)
            sum += (weight - j) * (reflected(i - j) + reflected(i + j));
        y[i] = sum / (weight * weight);
    }
    return y;
}

std::vector<double> RandomColumn(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-100.0, 100.0);
    std::vector<double> x(n);
    for (double& v : x)
        v = uniform(generator);
    return x;
}

TEST(SmoothTriangular, MatchesTheDirectSumWithReflectedEnds) {
    for (int n : {2, 3, 5, 8, 9, 16, 257}) {
        for (int k = 1; k <= 7 && k < n; ++k) {
            const std::vector<double> x = RandomColumn(n, 31 * n + k);
            const std::vector<double> expected = DirectTriangular(x, k);
            std::vector<double> y = x;
            SmoothTriangular(y.data(), n, k);
            for (int i = 0; i < n; ++i) {
                ASSERT_NEAR(y[i], expected[i], 1e-12) << "n=" << n << " k=" << k << " i=" << i;
            }
        }
    }
}

TEST(SmoothTriangular, KeepsConstantsAndSpreadsAnImpulseAsATriangle) {
    std::vector<double> flat(20, 7.5);
    SmoothTriangular(flat.data(), 20, 7);
    for (double v : flat)
        EXPECT_NEAR(v, 7.5, 1e-12);

    std::vector<double> impulse(21, 0.0);
    impulse[10] = 16.0;
    SmoothTriangular(impulse.data(), 21, 3);  // K = 4, weights 1 2 3 4 3 2 1 over 16
    const double expected[] = {1, 2, 3, 4, 3, 2, 1};
    for (int i = 0; i < 21; ++i) {
        const double want = (i >= 7 && i <= 13) ? expected[i - 7] : 0.0;
        EXPECT_DOUBLE_EQ(impulse[i], want) << i;
    }
}

TEST(SmoothTriangular, WidthsOutsideTheRangeOrNotBelowTheLengthChangeNothing) {
    const std::vector<double> x = RandomColumn(6, 5);
    for (int k : {-1, 0, 6, 7, 8, 100}) {
        std::vector<double> y = x;
        SmoothTriangular(y.data(), 6, k);
        EXPECT_EQ(y, x) << "k=" << k;
    }
    std::vector<double> single = {3.0};
    SmoothTriangular(single.data(), 1, 1);
    EXPECT_EQ(single[0], 3.0);
}

}  // namespace
}  // namespace tonalyx

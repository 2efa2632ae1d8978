#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "dsp/Window.h"

namespace tonalyx {
namespace {

constexpr int kTaperedKinds[] = {Hanning, Hamming, Blackman, Parzen, Welch};

double SumOfSquares(const std::vector<double>& w) {
    long double sum = 0.0L;
    for (double v : w)
        sum += static_cast<long double>(v) * v;
    return static_cast<double>(sum);
}

std::vector<double> RandomFrame(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-32768.0, 32767.0);
    std::vector<double> frame(n);
    for (double& v : frame)
        v = uniform(generator);
    return frame;
}

TEST(Window, BoxAndUnknownKindsLeaveTheFrameBitIdentical) {
    std::vector<double> frame = RandomFrame(64, 1);
    frame[3] = -0.0;
    frame[5] = std::numeric_limits<double>::quiet_NaN();
    for (int kind : {int{Box}, -1, 6}) {
        std::vector<double> windowed = frame;
        ApplyWindow(kind, 64, windowed.data());
        EXPECT_EQ(std::memcmp(windowed.data(), frame.data(), frame.size() * sizeof(double)), 0);
        EXPECT_EQ(BuildWindow(kind, 5), std::vector<double>(5, 1.0));
    }
}

TEST(Window, EveryTaperedKindHasUnitMeanSquareAndIsSymmetric) {
    for (int kind : kTaperedKinds) {
        for (int n : {2, 3, 16, 17, 100, 1024, 8192}) {
            const std::vector<double> w = BuildWindow(kind, n);
            ASSERT_EQ(static_cast<int>(w.size()), n);
            EXPECT_NEAR(SumOfSquares(w), n, 1e-12 * n) << "kind " << kind << " n " << n;
            for (int i = 0; i < n; ++i)
                EXPECT_NEAR(w[i], w[n - 1 - i], 1e-14);

            // Applied to a frame of ones it gives the same weights and the same energy.
            std::vector<double> ones(n, 1.0);
            ApplyWindow(kind, n, ones.data());
            EXPECT_EQ(ones, w);
        }
    }
}

// Before scaling: Hanning ends at 0, Hamming at 0.08, Blackman at 0, Parzen and Welch one
// step short of 0; all reach 1 at the centre of an odd length.
TEST(Window, ShapesFollowTheirFormulas) {
    const int n = 9;
    const auto endToCentre = [](int kind) {
        const std::vector<double> w = BuildWindow(kind, n);
        return w[0] / w[n / 2];
    };
    EXPECT_EQ(BuildWindow(Hanning, n)[0], 0.0);
    EXPECT_EQ(BuildWindow(Hanning, n)[n - 1], 0.0);
    EXPECT_NEAR(endToCentre(Hamming), 0.08, 1e-15);
    EXPECT_NEAR(endToCentre(Blackman), 0.0, 1e-15);
    EXPECT_NEAR(endToCentre(Parzen), 1.0 - 8.0 / 10.0, 1e-15);
    EXPECT_NEAR(endToCentre(Welch), 1.0 - 0.64, 1e-15);

    // Hanning of 5: raw 0, 0.5, 1, 0.5, 0 with sum of squares 1.5.
    const std::vector<double> hanning = BuildWindow(Hanning, 5);
    const double scale = std::sqrt(5.0 / 1.5);
    const std::vector<double> expected = {0.0, 0.5 * scale, scale, 0.5 * scale, 0.0};
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(hanning[i], expected[i], 1e-15);

    // Parzen of 4: 1 - |2i - 3| / 5 = 0.4, 0.8, 0.8, 0.4.
    const std::vector<double> parzen = BuildWindow(Parzen, 4);
    const double parzenScale = std::sqrt(4.0 / (2 * 0.16 + 2 * 0.64));
    EXPECT_NEAR(parzen[0], 0.4 * parzenScale, 1e-15);
    EXPECT_NEAR(parzen[1], 0.8 * parzenScale, 1e-15);
}

TEST(Window, DegenerateLengthsAreDefined) {
    for (int kind : kTaperedKinds) {
        EXPECT_EQ(BuildWindow(kind, 1), std::vector<double>{1.0}) << kind;
        EXPECT_TRUE(BuildWindow(kind, 0).empty());
        EXPECT_TRUE(BuildWindow(kind, -4).empty());
        double sample = 3.0;
        ApplyWindow(kind, 1, &sample);
        EXPECT_EQ(sample, 3.0);
        ApplyWindow(kind, 0, nullptr);
    }
    // Hanning of 2 is all zeros before scaling; it falls back to ones instead of 0/0.
    EXPECT_EQ(BuildWindow(Hanning, 2), std::vector<double>(2, 1.0));
}

// Cached tables, reused across kinds and lengths and from two threads, give exactly the
// freshly built weights.
TEST(Window, CachedTablesEqualFreshOnesAcrossKindsLengthsAndThreads) {
    const std::vector<int> lengths = {16, 512, 100, 8192, 16};
    const auto check = [&lengths](unsigned seed) {
        int failures = 0;
        for (int round = 0; round < 20; ++round) {
            for (int kind : kTaperedKinds) {
                for (int n : lengths) {
                    const std::vector<double> frame = RandomFrame(n, seed + n);
                    std::vector<double> windowed = frame;
                    ApplyWindow(kind, n, windowed.data());
                    const std::vector<double> w = BuildWindow(kind, n);
                    for (int i = 0; i < n; ++i)
                        failures += windowed[i] != frame[i] * w[i];
                }
            }
        }
        return failures;
    };
    int failuresA = -1, failuresB = -1;
    std::thread a([&] { failuresA = check(1); });
    std::thread b([&] { failuresB = check(2); });
    a.join();
    b.join();
    EXPECT_EQ(failuresA, 0);
    EXPECT_EQ(failuresB, 0);
}

}  // namespace
}  // namespace tonalyx

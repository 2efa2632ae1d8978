#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "dsp/Burg.h"
#include "dsp/MemSpectrum.h"

namespace tonalyx {
namespace {

constexpr double kSentinel = -12345.0;

struct Fit {
    std::vector<double> a;  // a[0] is a sentinel that the fit must leave alone
    double p0 = kSentinel;
};

Fit Burg(const std::vector<double>& x, int m) {
    Fit fit;
    fit.a.assign(std::max(m, 0) + 1, kSentinel);
    BurgCoefficients(static_cast<int>(x.size()), x.data(), m, fit.a.data(), fit.p0);
    return fit;
}

// Burg's method as textbooks write it, in long double and with the errors indexed by time:
// order k keeps the forward errors ef[t] and backward errors eb[t - 1] for t = k..n-1.
std::vector<long double> TextbookBurg(const std::vector<double>& x, int m, long double& p0) {
    const int n = static_cast<int>(x.size());
    std::vector<long double> ef(x.begin(), x.end()), eb = ef, a(m + 1, 0.0L);
    p0 = 0.0L;
    for (double v : x)
        p0 += static_cast<long double>(v) * v;
    p0 /= n;
    for (int k = 1; k <= m; ++k) {
        long double num = 0.0L, den = 0.0L;
        for (int t = k; t < n; ++t) {
            num += ef[t] * eb[t - 1];
            den += ef[t] * ef[t] + eb[t - 1] * eb[t - 1];
        }
        const long double reflection = den != 0.0L ? 2.0L * num / den : 1.0L;
        p0 *= 1.0L - reflection * reflection;
        std::vector<long double> next = a;
        next[k] = reflection;
        for (int i = 1; i < k; ++i)
            next[i] = a[i] - reflection * a[k - i];
        a = next;
        std::vector<long double> nextForward(n, 0.0L), nextBackward(n, 0.0L);
        for (int t = k; t < n; ++t) {
            nextForward[t] = ef[t] - reflection * eb[t - 1];
            nextBackward[t] = eb[t - 1] - reflection * ef[t];
        }
        ef = nextForward;
        eb = nextBackward;
    }
    return a;
}

// x[t] = a1 x[t-1] + a2 x[t-2] + noise, after a settling stretch.
std::vector<double> Ar2Process(int n, double a1, double a2, double sigma, unsigned seed) {
    std::mt19937 generator(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    std::vector<double> x(n + 1000, 0.0);
    for (std::size_t t = 2; t < x.size(); ++t)
        x[t] = a1 * x[t - 1] + a2 * x[t - 2] + noise(generator);
    return std::vector<double>(x.begin() + 1000, x.end());
}

std::vector<double> Sine(int n, double cyclesPerSample, double amplitude, double phase) {
    std::vector<double> x(n);
    for (int t = 0; t < n; ++t) {
        x[t] = amplitude * std::sin(2.0 * std::numbers::pi * cyclesPerSample * t + phase);
    }
    return x;
}

TEST(Burg, AgreesWithTheTextbookRecursionInLongDouble) {
    struct Case {
        int n, m;
    };
    for (const Case c : {Case{512, 1}, Case{512, 2}, Case{512, 20}, Case{512, 40}, Case{170, 20},
                         Case{64, 63}, Case{64, 64}, Case{3, 2}}) {
        std::vector<double> x = Ar2Process(c.n, 1.2, -0.6, 1000.0, c.n + c.m);
        const std::vector<double> tone = Sine(c.n, 0.0731, 3000.0, 0.4);
        for (int t = 0; t < c.n; ++t)
            x[t] += tone[t];
        long double p0 = 0.0L;
        const std::vector<long double> expected = TextbookBurg(x, c.m, p0);
        const Fit fit = Burg(x, c.m);
        EXPECT_EQ(fit.a[0], kSentinel);
        for (int k = 1; k <= c.m; ++k) {
            EXPECT_NEAR(fit.a[k], static_cast<double>(expected[k]),
                        1e-12 * std::max(1.0L, std::abs(expected[k])))
                << "n=" << c.n << " m=" << c.m << " k=" << k;
        }
        long double meanSquare = 0.0L;
        TextbookBurg(x, 0, meanSquare);
        EXPECT_NEAR(fit.p0, static_cast<double>(p0), 1e-11 * static_cast<double>(meanSquare))
            << "n=" << c.n << " m=" << c.m;
    }
}

// 20000 samples leave a standard error of about 0.005 on each coefficient.
TEST(Burg, RecoversAnAr2Process) {
    const double a1 = 1.5, a2 = -0.8, sigma = 2.0;
    const std::vector<double> x = Ar2Process(20000, a1, a2, sigma, 42);
    const Fit second = Burg(x, 2);
    EXPECT_NEAR(second.a[1], a1, 0.02);
    EXPECT_NEAR(second.a[2], a2, 0.02);
    EXPECT_NEAR(second.p0, sigma * sigma, 0.05 * sigma * sigma);

    const Fit sixth = Burg(x, 6);
    EXPECT_NEAR(sixth.a[1], a1, 0.02);
    EXPECT_NEAR(sixth.a[2], a2, 0.03);
    for (int k = 3; k <= 6; ++k)
        EXPECT_NEAR(sixth.a[k], 0.0, 0.03) << k;
    EXPECT_LE(sixth.p0, second.p0);
}

// The peak of the fitted spectrum, searched on a grid of 1e-5 cycles per sample, lies within
// 1e-3 (a quarter of a transform bin of 256 points) of the tone.
TEST(Burg, TheSpectrumOfASinePeaksAtItsFrequency) {
    const double sampleRate = 8000.0;
    for (double hertz : {440.0, 1000.0, 2500.5, 3700.0}) {
        for (int m : {2, 4, 20}) {
            const Fit fit = Burg(Sine(512, hertz / sampleRate, 10000.0, 0.3), m);
            double best = 0.0, bestPower = -1.0;
            for (int i = 0; i <= 50000; ++i) {
                const double f = i * 1e-5;
                const double power = MemPowerAt(f, m, fit.a.data(), fit.p0);
                if (power > bestPower) {
                    bestPower = power;
                    best = f;
                }
            }
            EXPECT_NEAR(best, hertz / sampleRate, 1e-3) << hertz << " Hz, m=" << m;
            EXPECT_GT(bestPower,
                      1e3 * MemPowerAt(0.25 * hertz / sampleRate, m, fit.a.data(), fit.p0));
        }
    }
}

// With every error 0 each order's reflection coefficient is 1, and the coefficient update turns
// 1 - sum a[i] z^i into (1 - z)(1 + z)^(m-1): a[i] = C(m-1, i-1) - C(m-1, i). Only m = 1 leaves
// a[1] = 1 (m = 2 gives a[1] = 0, m = 3 gives -1); the residual power, and so the spectrum, is 0.
TEST(Burg, ASilentFrameHasNoPowerAndUnitReflections) {
    const std::vector<double> zeros(64, 0.0);
    for (int m = 1; m <= 40; ++m) {
        const Fit fit = Burg(zeros, m);
        EXPECT_EQ(fit.p0, 0.0) << m;
        std::vector<double> binomial(m + 1, 0.0);  // C(m-1, i)
        binomial[0] = 1.0;
        for (int row = 1; row < m; ++row) {
            for (int i = row; i > 0; --i)
                binomial[i] += binomial[i - 1];
        }
        for (int i = 1; i <= m; ++i) {
            EXPECT_EQ(fit.a[i], binomial[i - 1] - binomial[i]) << "m=" << m << " i=" << i;
        }
        long double textbookP0 = 1.0L;
        const std::vector<long double> textbook = TextbookBurg(zeros, m, textbookP0);
        for (int i = 1; i <= m; ++i)
            EXPECT_EQ(fit.a[i], static_cast<double>(textbook[i]));
        for (double f = -0.5; f <= 0.5; f += 1.0 / 64) {
            EXPECT_EQ(MemPowerAt(f, m, fit.a.data(), fit.p0), 0.0) << "m=" << m << " f=" << f;
        }
    }
    EXPECT_EQ(Burg(zeros, 1).a[1], 1.0);
    EXPECT_EQ(Burg(zeros, 2).a[1], 0.0);
    EXPECT_EQ(Burg(zeros, 3).a[1], -1.0);
}

// The fit stops at order n, whose error sums are empty: a[n] = 1 and p0 = 0.
TEST(Burg, OrdersBeyondTheFrameAreZero) {
    const std::vector<double> x = {3.0, -1.0, 4.0, 1.0, -5.0};
    const Fit full = Burg(x, 5);
    const Fit over = Burg(x, 9);
    EXPECT_EQ(full.a[5], 1.0);
    EXPECT_EQ(full.p0, 0.0);
    EXPECT_EQ(over.p0, 0.0);
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(over.a[k], full.a[k]) << k;
    for (int k = 6; k <= 9; ++k)
        EXPECT_EQ(over.a[k], 0.0) << k;
    EXPECT_EQ(over.a[0], kSentinel);

    const Fit single = Burg({7.0}, 3);
    EXPECT_EQ(single.a[1], 1.0);
    EXPECT_EQ(single.a[2], 0.0);
    EXPECT_EQ(single.a[3], 0.0);
    EXPECT_EQ(single.p0, 0.0);

    const Fit empty = Burg({}, 2);
    EXPECT_EQ(empty.a[1], 0.0);
    EXPECT_EQ(empty.a[2], 0.0);
    EXPECT_EQ(empty.p0, 0.0);
}

TEST(Burg, OrderZeroGivesTheMeanSquare) {
    const Fit none = Burg({3.0, -4.0}, 0);
    EXPECT_EQ(none.p0, 12.5);
    EXPECT_EQ(none.a, std::vector<double>{kSentinel});
    double p0 = kSentinel;
    const std::vector<double> x = {1.0, 2.0};
    BurgCoefficients(2, x.data(), -3, nullptr, p0);
    EXPECT_EQ(p0, 2.5);
}

// Each thread has its own error buffers: fits of different sizes running at the same time give
// what they give alone.
TEST(Burg, ConcurrentFitsDoNotDisturbEachOther) {
    const std::vector<double> small = Ar2Process(200, 0.9, -0.2, 1.0, 1);
    const std::vector<double> large = Ar2Process(3000, -0.5, 0.3, 1.0, 2);
    const Fit smallAlone = Burg(small, 30), largeAlone = Burg(large, 60);
    bool smallSame = true, largeSame = true;
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            const Fit fit = Burg(small, 30);
            smallSame = smallSame && fit.a == smallAlone.a && fit.p0 == smallAlone.p0;
        }
    });
    for (int i = 0; i < 20; ++i) {
        const Fit fit = Burg(large, 60);
        largeSame = largeSame && fit.a == largeAlone.a && fit.p0 == largeAlone.p0;
    }
    worker.join();
    EXPECT_TRUE(smallSame);
    EXPECT_TRUE(largeSame);
}

}  // namespace
}  // namespace tonalyx

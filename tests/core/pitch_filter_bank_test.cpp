#include "pitch/FilterBank.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "pitch/InstantaneousFrequency.h"
#include "pitch/NoiseRatio.h"
#include "pitch/PitchExtractor.h"

namespace tonalyx {
namespace {

constexpr double kPi = std::numbers::pi;

// The filter envelope written out term by term: a Gaussian of 2u - 1 values times sqrt(rho),
// convolved with a triangle of 2D values, trimmed at 1e-4.
std::vector<double> BruteForceEnvelope(double t, double rho) {
    const int u = static_cast<int>(3.5 * t);
    int D = static_cast<int>(t);
    if (D == t) --D;
    std::vector<double> g(2 * u - 1), w(2 * D);
    for (int j = 0; j < 2 * u - 1; ++j)
        g[j] = std::sqrt(rho) * std::exp(-kPi * std::pow((j - (u - 1)) / t, 2));
    for (int i = 0; i < D; ++i)
        w[D + i] = w[D - 1 - i] = 1 - i / t;
    std::vector<double> e(g.size() + w.size() - 1, 0.0);
    for (std::size_t a = 0; a < g.size(); ++a) {
        for (std::size_t b = 0; b < w.size(); ++b)
            e[a + b] += g[a] * w[b];
    }
    std::size_t first = 0, last = e.size() - 1;
    while (first < last && e[first] < 1e-4)
        ++first;
    while (last > first && e[last] < 1e-4)
        --last;
    return {e.begin() + first, e.begin() + last + 1};
}

TEST(PitchFilterBank, DefaultsAtCdRate) {
    const PitchFilterBank bank = DesignPitchFilterBank(44100, 80, 37, 12, 1.1);
    EXPECT_EQ(bank.hop, 10);  // trunc(44100 / 4032)
    EXPECT_EQ(bank.rate, 4410);
    ASSERT_EQ(bank.Channels(), 37);
    EXPECT_EQ(bank.centre[0], 80);
    EXPECT_EQ(bank.centre[12], 160);
    EXPECT_DOUBLE_EQ(bank.centre[36], 640);

    const ChannelFilter& lowest = bank.filters[0];
    EXPECT_NEAR(lowest.timeScale, 60.6375, 1e-12);
    EXPECT_EQ(lowest.gaussianLength, 423);
    EXPECT_EQ(lowest.triangleLength, 120);
    EXPECT_EQ(lowest.envelopeLength, 542);
    EXPECT_EQ(bank.smoothing[0].size(), 233u);  // o = 117

    EXPECT_EQ(DesignPitchFilterBank(8000, 80, 37, 12, 1.1).hop, 1);
    EXPECT_EQ(DesignPitchFilterBank(16000, 80, 37, 12, 1.1).hop, 3);
}

TEST(PitchFilterBank, TapsAreTheTrimmedEnvelopeOnACarrierAtTheCentreFrequency) {
    const PitchFilterBank bank = DesignPitchFilterBank(44100, 80, 37, 12, 1.1);
    for (int k : {0, 5, 18, 36}) {
        SCOPED_TRACE(k);
        const std::vector<std::complex<double>>& taps = bank.filters[k].taps;
        const double rho = std::pow(2.0, k / 12.0);
        const std::vector<double> envelope = BruteForceEnvelope(bank.filters[k].timeScale, rho);
        ASSERT_EQ(taps.size(), envelope.size());
        const int J = static_cast<int>(taps.size());
        for (int m = 0; m < J; ++m)
            ASSERT_NEAR(std::abs(taps[m]), envelope[m], 1e-12 * envelope[J / 2]);
        // Phase 0 at the middle tap, advancing by 2 pi f_k / rate per tap.
        EXPECT_NEAR(std::arg(taps[J / 2]), 0.0, 1e-12);
        const double step = 2 * kPi * bank.centre[k] / bank.rate;
        for (int m = 1; m < J; ++m) {
            const double turned = std::arg(taps[m] * std::conj(taps[m - 1]));
            ASSERT_NEAR(turned, std::remainder(step, 2 * kPi), 1e-9) << m;
        }
    }
}

TEST(PitchFilterBank, SmoothingGaussianSumsToOneAndIsSymmetric) {
    const std::vector<double> g = SmoothingGaussian(60.6375);
    ASSERT_EQ(g.size(), 233u);
    double sum = 0;
    for (double v : g)
        sum += v;
    EXPECT_NEAR(sum, 1.0, 1e-14);
    for (std::size_t j = 0; j < g.size(); ++j)
        EXPECT_DOUBLE_EQ(g[j], g[g.size() - 1 - j]);
    // At the ends, 116 samples from the middle, the Gaussian has fallen to about 1e-5.
    EXPECT_NEAR(g.front() / g[116], std::exp(-kPi * std::pow(116 / 60.6375, 2)), 1e-15);
    EXPECT_TRUE(SmoothingGaussian(0.5).empty());
}

TEST(PitchFilterBank, ChannelsFarAboveTheDecimatedRateAreLeftOut) {
    // At 8000 Hz the hop is 1: 16000 Hz has t = 0.55 (no triangle), 32000 Hz t = 0.275 (no
    // Gaussian either). They form the top of the bank and are dropped.
    const PitchFilterBank bank = DesignPitchFilterBank(8000, 1000, 6, 1, 1.1);
    EXPECT_EQ(bank.hop, 1);
    ASSERT_EQ(bank.Channels(), 4);
    EXPECT_EQ(bank.centre.back(), 8000);
    EXPECT_EQ(bank.filters.size(), 4u);
    EXPECT_EQ(bank.smoothing.size(), 4u);

    const ChannelFilter empty = DesignChannelFilter(0.275, 32, 1.1);
    EXPECT_TRUE(empty.taps.empty());
    EXPECT_EQ(empty.gaussianLength, 0);
    EXPECT_TRUE(DesignChannelFilter(1.0, 1, 1.1).taps.empty());  // D = 0 at a whole t of 1
    EXPECT_EQ(DesignChannelFilter(2.0, 1, 1.1).triangleLength, 2);
    EXPECT_EQ(DesignChannelFilter(2.5, 1, 1.1).triangleLength, 4);
}

TEST(PitchFilterBank, BadParametersAreRefused) {
    EXPECT_THROW(DesignPitchFilterBank(0, 80, 37, 12, 1.1), std::invalid_argument);
    EXPECT_THROW(DesignPitchFilterBank(44100, -80, 37, 12, 1.1), std::invalid_argument);
    EXPECT_THROW(DesignPitchFilterBank(44100, 80, 0, 12, 1.1), std::invalid_argument);
    EXPECT_THROW(DesignPitchFilterBank(44100, 80, 37, 0, 1.1), std::invalid_argument);
    EXPECT_THROW(DesignPitchFilterBank(44100, 80, 37, 12, NAN), std::invalid_argument);
    // A bank from 0.001 Hz up to 8 kHz, undecimated, would need filters of hundreds of millions
    // of taps.
    EXPECT_THROW(DesignPitchFilterBank(44100, 0.001, 24, 1, 1.1), std::length_error);
}

TEST(PitchConstants, NoiseShapeAndThreshold) {
    const NoiseShape& shape = NoiseShapeConstants();
    EXPECT_NEAR(shape.c1, 0.36946354, 1e-8);
    EXPECT_NEAR(shape.c2, 2.67963424, 1e-8);

    EXPECT_DOUBLE_EQ(PitchNoiseThreshold(10), 1.0 / 11);
    EXPECT_DOUBLE_EQ(PitchNoiseThreshold(0), 0.5);
    EXPECT_DOUBLE_EQ(PitchNoiseThreshold(20), 1.0 / 101);
    EXPECT_EQ(PitchNoiseThreshold(-3000), 1);
    EXPECT_EQ(PitchNoiseThreshold(-5000), 1);
    EXPECT_GT(PitchNoiseThreshold(-2999), 0.999);
    EXPECT_EQ(PitchNoiseThreshold(INFINITY), 0);
}

TEST(PitchChannelCount, WholeOctavesCountExactly) {
    // In plain double, ln 8 log2(e) 12 comes to 35.99999999999999 and would give 36.
    EXPECT_EQ(PitchChannelCount(80, 640, 12), 37);
    EXPECT_EQ(PitchChannelCount(100, 800, 12), 37);
    EXPECT_EQ(PitchChannelCount(50, 3200, 12), 73);
    EXPECT_EQ(PitchChannelCount(60, 960, 24), 97);
    EXPECT_EQ(PitchChannelCount(80, 640, 1), 4);
    EXPECT_EQ(PitchChannelCount(80, 600, 12), 35);  // 34.88 channels above the lowest
    // A maximum below min + 1 is raised to min + 1: less than one channel step above.
    EXPECT_EQ(PitchChannelCount(80, 10, 12), 1);
    EXPECT_EQ(PitchChannelCount(80, 80.5, 12), 1);
    EXPECT_THROW(PitchChannelCount(0, 640, 12), std::invalid_argument);
    EXPECT_THROW(PitchChannelCount(80, 640, 0), std::invalid_argument);
}

// A channel's outputs from stretches that cut the signal's runs of digital silence anywhere:
// an output whose whole input span is silent (or outside the signal) is exactly 0, every other
// equals the direct sum of the convolution.
TEST(FilterChannel, SilentInputSpansGiveExactZerosWhereverTheStretchStarts) {
    constexpr int n = 3000;
    constexpr int J = 101;
    constexpr int centre = J / 2;
    std::mt19937 random(5);
    std::normal_distribution<double> noise;
    std::vector<double> signal(n);
    for (double& v : signal)
        v = noise(random);
    for (const auto [from, to] : {std::pair{0, 200}, {1000, 1030}, {1500, 1900}, {2800, n}})
        std::fill(signal.begin() + from, signal.begin() + to, 0.0);
    std::vector<std::complex<double>> taps(J);
    for (auto& tap : taps)
        tap = {noise(random), noise(random)};

    for (const auto [first, last] : {std::pair{0, n},
                                     {0, 120},
                                     {140, 400},
                                     {1450, 1960},
                                     {1600, 1700},
                                     {1020, 1100},
                                     {2700, n},
                                     {2900, n}}) {
        SCOPED_TRACE(first);
        // The stretch holds exactly the samples the outputs read.
        const int from = std::max(0, first + centre - J + 1);
        const int to = std::min(n, last + centre);
        const SignalStretch stretch{std::span<const double>(signal).subspan(from, to - from), from,
                                    n};
        std::vector<ZeroRun> runs;
        FindZeroRuns(stretch, runs);
        ComplexFftFilter filter(taps);
        std::vector<std::complex<double>> out(static_cast<std::size_t>(last - first));
        FilterChannel(stretch, runs, filter, first, last, out.data());
        int zeros = 0;
        for (int i = first; i < last; ++i) {
            std::complex<double> sum = 0;
            bool silent = true;
            for (int j = 0; j < J; ++j) {
                const int t = i + centre - j;
                if (t < 0 || t >= n) continue;
                sum += taps[j] * signal[t];
                silent = silent && signal[t] == 0.0;
            }
            const std::complex<double> got = out[i - first];
            if (silent) {
                ASSERT_EQ(got, std::complex<double>(0.0)) << i;
                ++zeros;
            } else {
                ASSERT_NEAR(std::abs(got - sum), 0.0, 1e-12 * J) << i;
                ASSERT_NE(got, std::complex<double>(0.0)) << i;
            }
        }
        if (first == 0 && last == n)
            EXPECT_EQ(zeros, (200 - centre) + (400 - 2 * centre) + (n - 2800 - centre));
    }
}

}  // namespace
}  // namespace tonalyx

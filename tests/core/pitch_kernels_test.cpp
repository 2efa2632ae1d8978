#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "pitch/NoiseRatio.h"
#include "pitch/PitchCandidates.h"
#include "pitch/PitchKernels.h"
#include "pitch_test_support.h"

namespace tonalyx {
namespace {

// The candidates and the kernels of the pitch extractor's per-sample loops.

TEST(PitchCandidates, RatioIsInterpolatedAtTheFixedPoint) {
    // IF 110 Hz in the 100 Hz channel and 100 Hz in the 120 Hz channel: the IF crosses the
    // centre frequencies at 106 2/3 Hz, a third of the way from the lower centre to the upper,
    // where the ratio is a third of the way from the lower channel's to the upper one's.
    PitchCandidate c;
    ASSERT_TRUE(FixedPoint(110, 100, 100, 120, 0.1, 0.4, c));
    EXPECT_NEAR(c.f0, 320.0 / 3, 1e-12);
    EXPECT_NEAR(c.ratio, 0.2, 1e-15);
    ASSERT_TRUE(FixedPoint(110, 100, 100, 120, 0.4, 0.1, c));
    EXPECT_NEAR(c.ratio, 0.3, 1e-15);
    // Any crossing: the ratio is linear in the F0 between the two centres.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> above(0.1, 30), ratio(0, 1);
    for (int i = 0; i < 1000; ++i) {
        const double centreLow = 150, centreHigh = 160;
        const double r0 = ratio(random), r1 = ratio(random);
        ASSERT_TRUE(FixedPoint(centreLow + above(random), centreHigh - above(random), centreLow,
                               centreHigh, r0, r1, c));
        ASSERT_GT(c.f0, centreLow);
        ASSERT_LE(c.f0, centreHigh);
        ASSERT_NEAR(c.ratio, r0 + (r1 - r0) * (c.f0 - centreLow) / (centreHigh - centreLow), 1e-12);
    }
    EXPECT_FALSE(FixedPoint(99, 100, 100, 120, 0.1, 0.4, c));   // below the lower centre
    EXPECT_FALSE(FixedPoint(110, 120, 100, 120, 0.1, 0.4, c));  // at the upper centre
}

// Runs a kernel call under each build the processor has; the results must be the same bits.
template <class Call>
void ForEachBuild(const Call& call) {
    for (const PitchInstructionSet set :
         {PitchInstructionSet::Sse2, PitchInstructionSet::Avx2, PitchInstructionSet::Avx512}) {
        if (!UsePitchInstructionSet(set)) continue;
        SCOPED_TRACE(set == PitchInstructionSet::Avx512 ? "AVX-512"
                     : set == PitchInstructionSet::Avx2 ? "AVX2"
                                                        : "SSE2");
        call();
    }
    UsePitchInstructionSet(BestPitchInstructionSet());
}

std::vector<std::complex<double>> FilterLikeValues(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> part(-1, 1), exponent(-30, 30);
    std::vector<std::complex<double>> z(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double scale = std::pow(2.0, exponent(random));
        z[i] = {scale * part(random), scale * part(random)};
        // Axes, diagonals, zeros and signed zeros, where the quadrant logic turns.
        switch (i % 16) {
            case 3:
                z[i] = {0.0, 0.0};
                break;
            case 5:
                z[i] = {z[i].real(), 0.0};
                break;
            case 6:
                z[i] = {0.0, z[i].imag()};
                break;
            case 7:
                z[i] = {z[i].real(), z[i].real()};
                break;
            case 8:
                z[i] = {z[i].real(), -z[i].real()};
                break;
            case 9:
                z[i] = {-1.0, -0.0};
                break;
            case 10:
                z[i] = {z[i].real(), z[i].real() * 0.41421356237309503};
                break;
        }
    }
    return z;
}

TEST(PitchKernels, PhaseStepsFollowTheExactAngles) {
    const int count = 4099;  // not a multiple of the vector width or of the chunks
    const std::vector<std::complex<double>> z = FilterLikeValues(count + 1, 1);
    const double rate = 4410;
    ForEachBuild([&] {
        std::vector<double> steps(count);
        ActivePitchKernels().phaseSteps(z.data(), count, rate, steps.data());
        const auto phase = [](std::complex<double> v) -> long double {
            if (v == 0.0) return 0;
            return atan2l(v.imag(), v.real()) / (2 * 3.14159265358979323846264338327950288L);
        };
        for (int j = 0; j < count; ++j) {
            const long double d = phase(z[j + 1]) - phase(z[j]);
            const long double wrapped = d + 0.5L - std::floor(d + 0.5L) - 0.5L;
            // A step of exactly half a cycle may wrap either way within rounding.
            if (std::abs(std::abs(wrapped) - 0.5L) < 1e-15L) continue;
            ASSERT_NEAR(steps[j], static_cast<double>(wrapped * rate), 2e-12) << j;
            ASSERT_GE(steps[j], -0.5 * rate);
            ASSERT_LT(steps[j], 0.5 * rate);
        }
    });
}

TEST(PitchKernels, AnglesAreWithinThreeUnitsInTheLastPlace) {
    const std::vector<std::complex<double>> z = FilterLikeValues(200000, 2);
    ForEachBuild([&] {
        const auto cycles = [](double y, double x) {
            return ActivePitchKernels().phaseCycles(y, x);
        };
        double worst = 0;
        for (const std::complex<double>& v : z) {
            if (v == 0.0) continue;
            const long double exact =
                atan2l(v.imag(), v.real()) / (2 * 3.14159265358979323846264338327950288L);
            const double rounded = static_cast<double>(exact);
            const double ulp = std::nextafter(std::abs(rounded), INFINITY) - std::abs(rounded);
            const double angle = cycles(v.imag(), v.real());
            worst = std::max(worst, static_cast<double>(std::abs(angle - exact) / ulp));
            ASSERT_EQ(std::signbit(angle), std::signbit(v.imag())) << v;
        }
        EXPECT_LE(worst, 3.0);
        EXPECT_EQ(cycles(1.0, 0.0), 0.25);
        EXPECT_EQ(cycles(-2.0, 0.0), -0.25);
        EXPECT_EQ(cycles(0.0, -1.0), 0.5);
        EXPECT_EQ(cycles(-0.0, -1.0), -0.5);
        EXPECT_EQ(cycles(3.0, 3.0), 0.125);
        EXPECT_EQ(cycles(-3.0, -3.0), -0.375);
    });
}

TEST(PitchKernels, BuildsGiveTheSameBitsAsTheScalarFormulas) {
    // Fixed points against FixedPoint and PitchChoice of the headers bit for bit, noise ratios
    // against NoiseRatio and ChannelSlopeAt to rounding; every result of
    // the two builds bit for bit against each other.
    const int count = 1031;
    const double rate = 4410;
    std::mt19937 random(4);
    std::uniform_real_distribution<double> frequency(90, 140), ratio(0, 1);
    // IF rows one sample longer than the ratios: the time derivative reads the next sample.
    std::vector<double> rows[3], ratios[2];
    for (std::vector<double>& row : rows)
        row.resize(count + 1);
    for (std::vector<double>& row : ratios)
        row.resize(count);
    for (int i = 0; i <= count; ++i) {
        for (std::vector<double>& row : rows)
            row[i] = frequency(random);
    }
    for (int i = 0; i < count; ++i) {
        ratios[0][i] = ratio(random);
        ratios[1][i] = ratio(random);
    }
    // The time derivative of row r from sample d to d + 1.
    const auto derivative = [&](int r, int d) { return (rows[r][d + 1] - rows[r][d]) * rate; };
    const double r = std::pow(2.0, 1.0 / 12), centre = 112, centreHigh = centre * r;
    const NoiseShape& shape = NoiseShapeConstants();
    const std::vector<std::complex<double>> z = FilterLikeValues(count + 1, 5);
    std::vector<double> firstResults;
    ForEachBuild([&] {
        std::vector<double> sigma(count), sigmaAtEnd(count);
        NoiseRatioRows noiseRows = {{rows[0].data(), rows[1].data(), rows[2].data()}, rate, false};
        ActivePitchKernels().noiseRatios(noiseRows, count, r, centre, shape.c1, shape.c2,
                                         sigma.data());
        // Ratios that end at the signal's last sample, whose derivative copies the one before.
        noiseRows.lastCopiesPrevious = true;
        ActivePitchKernels().noiseRatios(noiseRows, count, r, centre, shape.c1, shape.c2,
                                         sigmaAtEnd.data());
        // Two offers per sample (the second pair of channels reuses the rows) against the
        // candidates chosen one by one.
        std::vector<double> bestF0(count, 0.0),
            bestRatio(count, std::numeric_limits<double>::infinity());
        const FixedPointRows low = {rows[0].data(), rows[1].data(), ratios[0].data(),
                                    ratios[1].data()};
        const FixedPointRows high = {rows[1].data(), rows[2].data(), ratios[1].data(),
                                     ratios[0].data()};
        ActivePitchKernels().offerFixedPoints(low, count, centre, centreHigh, bestF0.data(),
                                              bestRatio.data());
        ActivePitchKernels().offerFixedPoints(high, count, centre, centreHigh, bestF0.data(),
                                              bestRatio.data());
        int offered = 0;
        for (int i = 0; i < count; ++i) {
            const double a = ChannelSlopeAt(rows[0][i], rows[1][i], rows[2][i], r) / centre;
            const double c =
                ChannelSlopeAt(derivative(0, i), derivative(1, i), derivative(2, i), r) / centre;
            ASSERT_NEAR(sigma[i], NoiseRatio(a, c, centre, shape), 1e-12 * sigma[i]) << i;
            if (i + 1 < count) {
                ASSERT_EQ(sigmaAtEnd[i], sigma[i]) << i;
            } else {
                const int d = i - 1;
                const double copied =
                    ChannelSlopeAt(derivative(0, d), derivative(1, d), derivative(2, d), r) /
                    centre;
                ASSERT_NEAR(sigmaAtEnd[i], NoiseRatio(a, copied, centre, shape),
                            1e-12 * sigmaAtEnd[i]);
                ASSERT_NE(sigmaAtEnd[i], sigma[i]);
            }

            PitchChoice choice;
            PitchCandidate candidate;
            if (FixedPoint(rows[0][i], rows[1][i], centre, centreHigh, ratios[0][i], ratios[1][i],
                           candidate))
                choice.Offer(candidate);
            if (FixedPoint(rows[1][i], rows[2][i], centre, centreHigh, ratios[1][i], ratios[0][i],
                           candidate))
                choice.Offer(candidate);
            offered += choice.Ratio() < INFINITY;
            ASSERT_EQ(bestRatio[i], choice.Ratio()) << i;
            ASSERT_EQ(bestF0[i] * (bestRatio[i] < INFINITY), choice.F0(2.0)) << i;
        }
        EXPECT_GT(offered, count / 10);

        std::vector<double> steps(count);
        ActivePitchKernels().phaseSteps(z.data(), count, 8000, steps.data());
        std::vector<double> results = steps;
        results.insert(results.end(), sigma.begin(), sigma.end());
        results.insert(results.end(), sigmaAtEnd.begin(), sigmaAtEnd.end());
        results.insert(results.end(), bestF0.begin(), bestF0.end());
        // Dot products of every length up to a dozen and of a smoothing's length, against the
        // plain sum to rounding (ratios lie in [0, 1]).
        for (const int length : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 235}) {
            const double dot = ActivePitchKernels().dot(ratios[0].data(), ratios[1].data(), length);
            double plain = 0;
            for (int t = 0; t < length; ++t)
                plain += ratios[0][t] * ratios[1][t];
            ASSERT_NEAR(dot, plain, 1e-14 * std::max(1.0, plain)) << length;
            results.push_back(dot);
        }
        if (firstResults.empty()) {
            firstResults = results;
        } else {
            ExpectSameBits(results, firstResults);
        }
    });
}

}  // namespace
}  // namespace tonalyx

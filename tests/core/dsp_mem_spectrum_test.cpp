#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/Burg.h"
#include "dsp/MemSpectrum.h"

namespace tonalyx {
namespace {

using Kernel = MemSpectrumEvaluator::Kernel;

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();

// |S|^2 with z^k = e^{2 pi i k f} taken directly, in long double.
long double DirectDenominator(double f, int m, const double* a) {
    long double re = 1.0L, im = 0.0L;
    for (int k = 1; k <= m; ++k) {
        const long double angle = 2.0L * std::numbers::pi_v<long double> * k * f;
        re -= a[k] * std::cos(angle);
        im -= a[k] * std::sin(angle);
    }
    return re * re + im * im;
}

double AbsoluteSum(int m, const double* a) {
    double sum = 1.0;
    for (int k = 1; k <= m; ++k)
        sum += std::abs(a[k]);
    return sum;
}

// Coefficient sets as the MEM spectrogram stores them, p0 then a[1..poles]: Burg fits of tones
// in coloured noise, with a silent set among them.
std::vector<double> FittedSets(int columns, int poles, unsigned seed) {
    std::mt19937 generator(seed);
    std::normal_distribution<double> noise(0.0, 300.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const int n = std::max(2 * poles, 64);
    std::vector<double> sets(static_cast<std::size_t>(columns) * (poles + 1));
    std::vector<double> x(n);
    for (int c = 0; c < columns; ++c) {
        const double f1 = 0.5 * uniform(generator), f2 = 0.5 * uniform(generator);
        double previous = 0.0;
        for (int t = 0; t < n; ++t) {
            previous = 0.7 * previous + noise(generator);
            x[t] = c == 3 ? 0.0
                          : previous + 4000.0 * std::sin(2.0 * std::numbers::pi * f1 * t) +
                                1500.0 * std::cos(2.0 * std::numbers::pi * f2 * t);
        }
        double* set = sets.data() + static_cast<std::size_t>(c) * (poles + 1);
        BurgCoefficients(n, x.data(), poles, set, set[0]);
    }
    return sets;
}

// Linear rows from a negative frequency to beyond Nyquist, log-spaced rows as a log frequency
// scale gives them, and rows that are not numbers.
std::vector<double> LinearRows(int rows, double low, double high) {
    std::vector<double> f(rows);
    for (int i = 0; i < rows; ++i)
        f[i] = low + (high - low) * i / rows;
    return f;
}
std::vector<double> ExponentialRows(int rows, double low, double high) {
    std::vector<double> f(rows);
    for (int i = 0; i < rows; ++i)
        f[i] = low * std::exp(std::log(high / low) * i / rows);
    return f;
}

std::vector<Kernel> AvailableKernels() {
    std::vector<Kernel> kernels = {Kernel::Portable};
    MemSpectrumEvaluator probe;
    if (probe.UseKernel(Kernel::Avx2Fma)) kernels.push_back(Kernel::Avx2Fma);
    return kernels;
}

// Both evaluations sum the same terms in the same order; fused multiply-adds change each term's
// rounding, so the denominators S differ by a few eps sum |a| and the powers, relative to
// themselves, by about twice that over |S| (up to 4 eps sum |a| / |S| seen; the bound allows 16).
// The largest relative difference is returned.
double ExpectMatchesMemPowerAt(const MemSpectrumEvaluator& evaluator,
                               const std::vector<double>& rows, int columns,
                               const std::vector<double>& sets, const std::vector<double>& out) {
    const int poles = evaluator.Poles();
    double worst = 0.0;
    for (int c = 0; c < columns; ++c) {
        const double* set = sets.data() + static_cast<std::size_t>(c) * (poles + 1);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const double expected = MemPowerAt(rows[i], poles, set, set[0]);
            const double got = out[c * rows.size() + i];
            if (expected == 0.0) {
                EXPECT_EQ(got, 0.0) << "column " << c << " row " << i;
                continue;
            }
            const double magnitudeOfS = std::sqrt(set[0] / expected);
            const double bound = 16.0 * kEpsilon * AbsoluteSum(poles, set) / magnitudeOfS;
            const double relative = std::abs(got - expected) / expected;
            EXPECT_LE(relative, bound + 4 * kEpsilon)
                << "poles " << poles << " column " << c << " row " << i << " f " << rows[i];
            worst = std::max(worst, relative);
        }
    }
    return worst;
}

TEST(MemPowerAt, MatchesADirectEvaluation) {
    const std::vector<double> sets = FittedSets(4, 20, 9);
    for (int c : {0, 1, 2}) {
        const double* a = sets.data() + c * 21;
        for (double f = -0.5; f <= 0.5; f += 0.0123) {
            const long double d = DirectDenominator(f, 20, a);
            const double expected = static_cast<double>(a[0] / d);
            const double bound =
                64 * kEpsilon * AbsoluteSum(20, a) / std::sqrt(static_cast<double>(d));
            EXPECT_NEAR(MemPowerAt(f, 20, a, a[0]), expected, bound * expected) << "f=" << f;
        }
    }
}

TEST(MemPowerAt, NyquistIsTheLastFrequencyEvaluated) {
    const double a[] = {0.0, 0.5, -0.25, 0.125};
    const double atNyquist = 2.0 / std::pow(1.0 + 0.5 + 0.25 + 0.125, 2);  // z = -1
    EXPECT_NEAR(MemPowerAt(0.5, 3, a, 2.0), atNyquist, 1e-14);
    EXPECT_EQ(MemPowerAt(-0.5, 3, a, 2.0), MemPowerAt(0.5, 3, a, 2.0));
    EXPECT_EQ(MemPowerAt(std::nextafter(0.5, 1.0), 3, a, 2.0), 0.0);
    EXPECT_EQ(MemPowerAt(-std::nextafter(0.5, 1.0), 3, a, 2.0), 0.0);
    EXPECT_EQ(MemPowerAt(0.75, 3, a, 2.0), 0.0);
    EXPECT_EQ(MemPowerAt(std::numeric_limits<double>::quiet_NaN(), 3, a, 2.0), 0.0);
    EXPECT_EQ(MemPowerAt(std::numeric_limits<double>::infinity(), 3, a, 2.0), 0.0);
}

TEST(MemPowerAt, AZeroDenominatorGivesZeroAndNoPolesGiveP0) {
    const double unitRoot[] = {0.0, 1.0};  // S = 1 - z vanishes at f = 0
    EXPECT_EQ(MemPowerAt(0.0, 1, unitRoot, 5.0), 0.0);
    EXPECT_NEAR(MemPowerAt(0.5, 1, unitRoot, 5.0), 5.0 / 4.0, 1e-15);
    EXPECT_EQ(MemPowerAt(0.3, 0, unitRoot, 5.0), 5.0);
}

TEST(MemSpectrumEvaluator, MatchesMemPowerAtForEveryPoleCountAndSpacing) {
    const std::vector<std::vector<double>> rowSets = {
        LinearRows(301, -0.05, 0.6),
        ExponentialRows(259, 1.0 / 44100, 0.55),
        {0.5, -0.5, std::nextafter(0.5, 1.0), std::numeric_limits<double>::quiet_NaN(), 0.0}};
    for (const Kernel kernel : AvailableKernels()) {
        for (int poles : {1, 2, 20, 40, 255}) {
            const int columns = 70;  // more than one block, with a remainder of sets
            const std::vector<double> sets = FittedSets(columns, poles, poles);
            for (const std::vector<double>& rows : rowSets) {
                MemSpectrumEvaluator evaluator;
                ASSERT_TRUE(evaluator.UseKernel(kernel));
                evaluator.SetRows(rows.data(), static_cast<int>(rows.size()), poles);
                std::vector<double> out(columns * rows.size(), -1.0);
                evaluator.EvaluateColumns(columns, sets.data(), out.data());
                const double worst = ExpectMatchesMemPowerAt(evaluator, rows, columns, sets, out);
                EXPECT_LE(worst, 1e-9) << "poles " << poles;
            }
        }
    }
}

TEST(MemSpectrumEvaluator, OneSetAtATimeGivesTheSameValues) {
    const std::vector<double> rows = LinearRows(37, 0.0, 0.5);
    const std::vector<double> sets = FittedSets(5, 12, 3);
    MemSpectrumEvaluator evaluator;
    evaluator.SetRows(rows.data(), 37, 12);
    std::vector<double> together(5 * 37);
    evaluator.EvaluateColumns(5, sets.data(), together.data());
    for (int c = 0; c < 5; ++c) {
        std::vector<double> alone(38, -1.0);
        evaluator.Evaluate(sets.data() + c * 13, alone.data());
        EXPECT_TRUE(std::equal(alone.begin(), alone.begin() + 37, together.begin() + c * 37)) << c;
        EXPECT_EQ(alone[37], -1.0);
    }
}

// A second SetRows with other rows and another order replaces the first table entirely.
TEST(MemSpectrumEvaluator, CanBeReusedWithOtherRows) {
    for (const Kernel kernel : AvailableKernels()) {
        MemSpectrumEvaluator evaluator;
        ASSERT_TRUE(evaluator.UseKernel(kernel));
        const std::vector<double> first = ExponentialRows(512, 1e-4, 0.5);
        evaluator.SetRows(first.data(), 512, 40);
        const std::vector<double> firstSets = FittedSets(9, 40, 11);
        std::vector<double> out(9 * 512);
        evaluator.EvaluateColumns(9, firstSets.data(), out.data());
        ExpectMatchesMemPowerAt(evaluator, first, 9, firstSets, out);

        const std::vector<double> second = LinearRows(23, 0.3, 0.7);
        evaluator.SetRows(second.data(), 23, 7);
        EXPECT_EQ(evaluator.Rows(), 23);
        EXPECT_EQ(evaluator.Poles(), 7);
        const std::vector<double> secondSets = FittedSets(6, 7, 12);
        std::vector<double> again(6 * 23 + 1, -1.0);
        evaluator.EvaluateColumns(6, secondSets.data(), again.data());
        ExpectMatchesMemPowerAt(evaluator, second, 6, secondSets, again);
        EXPECT_EQ(again.back(), -1.0);
    }
}

TEST(MemSpectrumEvaluator, DegenerateSetsAndSizes) {
    const std::vector<double> rows = {0.0, 0.25, 0.5, 0.7};
    MemSpectrumEvaluator evaluator;

    evaluator.SetRows(rows.data(), 4, 0);  // no poles: the power is p0 below Nyquist
    const double flat[] = {3.0};
    std::vector<double> out(4, -1.0);
    evaluator.Evaluate(flat, out.data());
    EXPECT_EQ(out, (std::vector<double>{3.0, 3.0, 3.0, 0.0}));

    evaluator.SetRows(rows.data(), 4, 1);  // S = 1 - z is 0 at f = 0
    const double unitRoot[] = {5.0, 1.0};
    evaluator.Evaluate(unitRoot, out.data());
    EXPECT_EQ(out[0], 0.0);
    EXPECT_NEAR(out[2], 5.0 / 4.0, 1e-15);
    EXPECT_EQ(out[3], 0.0);

    evaluator.SetRows(rows.data(), -3, -2);
    EXPECT_EQ(evaluator.Rows(), 0);
    EXPECT_EQ(evaluator.Poles(), 0);
    std::vector<double> untouched(2, -1.0);
    evaluator.EvaluateColumns(1, flat, untouched.data());
    EXPECT_EQ(untouched, (std::vector<double>{-1.0, -1.0}));

    evaluator.SetRows(rows.data(), 4, 1);
    evaluator.EvaluateColumns(0, unitRoot, untouched.data());
    EXPECT_EQ(untouched, (std::vector<double>{-1.0, -1.0}));
}

}  // namespace
}  // namespace tonalyx

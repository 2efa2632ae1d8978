// The numeric pieces under the formant and intensity measurements: polynomial roots, the
// resampler and the measurement windows, each against a direct computation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "dsp/PolynomialRoots.h"
#include "dsp/Resampler.h"
#include "dsp/TaperWindows.h"

namespace tonalyx {
namespace {

using Complex = std::complex<double>;

// The real coefficients (lowest power first) of prod (z - r) over the given roots.
std::vector<double> Expand(const std::vector<Complex>& roots) {
    std::vector<Complex> c{1.0};
    for (const Complex& r : roots) {
        std::vector<Complex> next(c.size() + 1, 0.0);
        for (std::size_t k = 0; k < c.size(); ++k) {
            next[k + 1] += c[k];
            next[k] -= r * c[k];
        }
        c = next;
    }
    std::vector<double> real;
    for (const Complex& v : c)
        real.push_back(v.real());
    return real;
}

// Every given root is matched by a distinct found root within tolerance.
void ExpectRoots(const std::vector<Complex>& want, const std::vector<double>& c, double tolerance) {
    std::vector<Complex> found = PolynomialRoots(c);
    ASSERT_EQ(found.size(), want.size());
    for (const Complex& r : want) {
        const auto nearest = std::min_element(
            found.begin(), found.end(),
            [&](Complex a, Complex b) { return std::abs(a - r) < std::abs(b - r); });
        EXPECT_LT(std::abs(*nearest - r), tolerance) << r;
        found.erase(nearest);
    }
}

std::vector<Complex> Pairs(const std::vector<std::pair<double, double>>& radiusAngle) {
    std::vector<Complex> roots;
    for (auto [r, theta] : radiusAngle) {
        roots.push_back(std::polar(r, theta));
        roots.push_back(std::polar(r, -theta));
    }
    return roots;
}

TEST(PolynomialRoots, RecoversGivenRootsOfWellAndIllConditionedPolynomials) {
    // Formant-like poles: five pairs near the unit circle.
    const auto formants = Pairs({{0.97, 0.3}, {0.95, 0.9}, {0.99, 1.5}, {0.9, 2.2}, {0.8, 2.9}});
    ExpectRoots(formants, Expand(formants), 1e-10);
    // Two pairs 1e-3 apart in angle and almost on the circle: ill-conditioned.
    const auto close = Pairs({{0.999, 1.0}, {0.999, 1.001}, {0.5, 2.0}});
    ExpectRoots(close, Expand(close), 1e-6);
    // A double real root and a double pair: errors of the order of sqrt(eps).
    std::vector<Complex> doubled = Pairs({{0.9, 0.7}, {0.9, 0.7}});
    doubled.push_back(0.5);
    doubled.push_back(0.5);
    ExpectRoots(doubled, Expand(doubled), 1e-6);
    // Wilkinson's polynomial of degree 10 (roots 1..10), and roots of very different sizes.
    std::vector<Complex> wilkinson;
    for (int k = 1; k <= 10; ++k)
        wilkinson.push_back(k);
    ExpectRoots(wilkinson, Expand(wilkinson), 1e-6);
    const std::vector<Complex> spread{1e-3, -2e-2, 30.0, Complex(0, 1e2), Complex(0, -1e2)};
    ExpectRoots(spread, Expand(spread), 1e-9 * 1e2);
}

TEST(PolynomialRoots, DegreeEdgesAndBadCoefficients) {
    // Zero coefficients at the top lower the degree; at the bottom they are roots at 0.
    ExpectRoots({2.0, 0.0, 0.0}, {0.0, 0.0, -2.0, 1.0, 0.0}, 1e-14);
    ExpectRoots({-4.0}, {4.0, 1.0}, 1e-14);
    EXPECT_TRUE(PolynomialRoots(std::vector<double>{5.0}).empty());
    EXPECT_TRUE(PolynomialRoots(std::vector<double>{0.0, 0.0}).empty());
    EXPECT_TRUE(PolynomialRoots(std::vector<double>{1.0, NAN, 1.0}).empty());
    // Complex roots of a real polynomial come in exact conjugate pairs.
    const std::vector<Complex> found = PolynomialRoots(Expand(Pairs({{0.9, 1.2}, {0.7, 0.4}})));
    for (const Complex& r : found)
        EXPECT_NE(std::find(found.begin(), found.end(), std::conj(r)), found.end()) << r;
}

TEST(Resampler, PhasesAreTheKernelAndSinesComeThroughAtTheirNewTimes) {
    const int in = 44100, out = 11000;
    const Resampler resampler(in, out);
    std::vector<double> x(20000);
    const auto signal = [](double t) {
        return std::sin(2 * std::numbers::pi * 440 * t) +
               0.5 * std::cos(2 * std::numbers::pi * 3100 * t + 0.3);
    };
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = signal((i + 0.5) / in);
    const int64_t j0 = 1000, count = 2000;
    std::vector<double> y(count);
    int64_t first = 0, last = 0;
    resampler.InputSpan(j0, j0 + count, first, last);
    ASSERT_GE(first, 0);
    ASSERT_LE(last, static_cast<int64_t>(x.size()));
    resampler.Resample(x.data(), 0, j0, count, y.data());
    for (int64_t k = 0; k < count; k += 37) {
        const double t = (j0 + k + 0.5) / out;
        // The direct sum of the kernel at the output's exact position, scaled to unit gain.
        const double p = t * in - 0.5;
        double direct = 0.0, gain = 0.0;
        for (int64_t i = first; i < last; ++i) {
            direct += x[static_cast<std::size_t>(i)] * resampler.Kernel(p - i);
            gain += resampler.Kernel(p - i);
        }
        EXPECT_NEAR(y[k], direct / gain, 1e-12);
        EXPECT_NEAR(y[k], signal(t), 2e-3);
    }
    // A stretch of the output from a stretch of the input equals the same samples, to the bit.
    std::vector<double> part(50);
    resampler.InputSpan(j0 + 500, j0 + 550, first, last);
    resampler.Resample(x.data() + first, first, j0 + 500, 50, part.data());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), y.begin() + 500));
}

TEST(Resampler, RemovesWhatLiesAboveTheNewNyquistAndRefusesToRaiseTheRate) {
    const Resampler resampler(48000, 11025);  // ratio 147 / 640: 294 phases
    std::vector<double> x(48000), y(9000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(2 * std::numbers::pi * 7000 * (i + 0.5) / 48000);
    resampler.Resample(x.data(), 0, 1000, 9000, y.data());
    double peak = 0.0;
    for (double v : y)
        peak = std::max(peak, std::abs(v));
    EXPECT_LT(peak, 1e-4);
    EXPECT_THROW(Resampler(8000, 11000), std::invalid_argument);
    EXPECT_THROW(Resampler(0, 0), std::invalid_argument);
    const Resampler same(16000, 16000);
    std::vector<double> copy(3);
    same.Resample(x.data(), 0, 5, 3, copy.data());
    EXPECT_EQ(copy[0], x[5]);
    EXPECT_EQ(copy[2], x[7]);
}

TEST(TaperWindows, SymmetricAndTaperedAsTheirFormulasSay) {
    const std::vector<double> g = GaussianWindow(551);
    EXPECT_NEAR(g[275], 1.0, 1e-12);
    EXPECT_LT(g[0], 1e-4);
    EXPECT_DOUBLE_EQ(g[10], g[540]);
    const double u = 2.0 * ((100 + 0.5) / 551 - 0.5);
    EXPECT_NEAR(g[100], (std::exp(-12 * u * u) - std::exp(-12.0)) / (1 - std::exp(-12.0)), 1e-15);
    const std::vector<double> k = KaiserWindow(101, 20.0);
    EXPECT_NEAR(k[50], 1.0, 1e-12);
    EXPECT_LT(k[0], 1e-6);
    EXPECT_DOUBLE_EQ(k[3], k[97]);
    // I0 against its values at 1 and 20.
    EXPECT_NEAR(BesselI0(1.0), 1.2660658777520082, 1e-15);
    EXPECT_NEAR(BesselI0(20.0) / 4.355828255955353e7, 1.0, 1e-14);
    EXPECT_TRUE(GaussianWindow(0).empty());
}

}  // namespace
}  // namespace tonalyx

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "dsp/Fft.h"
#include "dsp/FftPlan.h"

namespace tonalyx {
namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();

// Allowed relative RMS error of a transform of 2^m points against the exact DFT. Measured
// errors stay near one epsilon up to 2^13 points; a wrong twiddle or sign costs orders of
// magnitude more.
double ErrorBound(int m) {
    return kEpsilon * (1.0 + 0.5 * m);
}

std::vector<double> RandomValues(std::size_t count, unsigned seed) {
    std::mt19937_64 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> values(count);
    for (double& v : values)
        v = uniform(generator);
    return values;
}

// Bin k of the DFT of n interleaved complex values (or n real ones), forward sign, summed in
// extended precision. (re[t], im[t]) = e^{+2 pi i t / n}.
struct DirectDft {
    explicit DirectDft(std::size_t size) : n(size), re(size), im(size) {
        for (std::size_t t = 0; t < n; ++t) {
            const long double angle = 2.0L * std::numbers::pi_v<long double> * t / n;
            re[t] = std::cos(angle);
            im[t] = std::sin(angle);
        }
    }
    void Bin(const double* x, bool complexInput, std::size_t k, double& outRe,
             double& outIm) const {
        long double sr = 0.0L, si = 0.0L;
        for (std::size_t j = 0, t = 0; j < n; ++j, t = (t + k) & (n - 1)) {
            const long double xr = complexInput ? x[2 * j] : x[j];
            const long double xi = complexInput ? x[2 * j + 1] : 0.0L;
            sr += xr * re[t] - xi * im[t];
            si += xr * im[t] + xi * re[t];
        }
        outRe = static_cast<double>(sr);
        outIm = static_cast<double>(si);
    }
    std::size_t n;
    std::vector<long double> re, im;
};

double RelativeRmsError(const std::vector<double>& actual, const std::vector<double>& expected) {
    long double error = 0.0L, norm = 0.0L;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        error += (static_cast<long double>(actual[i]) - expected[i]) * (actual[i] - expected[i]);
        norm += static_cast<long double>(expected[i]) * expected[i];
    }
    return static_cast<double>(std::sqrt(error / norm));
}

// Bin k of the DFT of n complex values for sizes too large for a table of roots: the root is
// rotated step by step in extended precision and refreshed from cos and sin every 256 steps.
void DirectBin(const double* x, std::size_t n, std::size_t k, double& outRe, double& outIm) {
    const long double unit = 2.0L * std::numbers::pi_v<long double> / n;
    const long double stepRe = std::cos(unit * k), stepIm = std::sin(unit * k);
    long double sr = 0.0L, si = 0.0L;
    for (std::size_t start = 0; start < n; start += 256) {
        const long double angle = unit * ((start * k) & (n - 1));
        long double wr = std::cos(angle), wi = std::sin(angle);
        for (std::size_t j = start; j < std::min(n, start + 256); ++j) {
            sr += x[2 * j] * wr - x[2 * j + 1] * wi;
            si += x[2 * j] * wi + x[2 * j + 1] * wr;
            const long double nextRe = wr * stepRe - wi * stepIm;
            wi = wr * stepIm + wi * stepRe;
            wr = nextRe;
        }
    }
    outRe = static_cast<double>(sr);
    outIm = static_cast<double>(si);
}

// Transforms 2^m random complex values and compares a sample of bins (the edges, the quarter
// points and random ones) with the direct sums; then checks that the inverse restores them.
void CheckSampledBins(int m, int randomBins) {
    const std::size_t n = std::size_t{1} << m;
    const std::vector<double> input = RandomValues(2 * n, m);
    std::vector<double> spectrum = input;
    ComplexFftRaw(m, spectrum.data(), true, 1.0);
    std::vector<std::size_t> bins = {0, 1, n / 4, n / 2, n - 1};
    std::mt19937_64 generator(m);
    for (int i = 0; i < randomBins; ++i)
        bins.push_back(generator() % n);
    std::vector<double> actual, expected;
    for (std::size_t k : bins) {
        double re, im;
        DirectBin(input.data(), n, k, re, im);
        expected.insert(expected.end(), {re, im});
        actual.insert(actual.end(), {spectrum[2 * k], spectrum[2 * k + 1]});
    }
    EXPECT_LE(RelativeRmsError(actual, expected), ErrorBound(m)) << "m=" << m;
    ComplexFft(m, spectrum.data(), false, 1.0);
    EXPECT_LE(RelativeRmsError(spectrum, input), 2 * ErrorBound(m)) << "m=" << m;
}

// Every transform runs once per kernel build this processor can execute.
class FftKernelTest : public ::testing::TestWithParam<FftInstructionSet> {
protected:
    void SetUp() override {
        if (!UseFftInstructionSet(GetParam())) GTEST_SKIP() << "processor lacks this build";
    }
    void TearDown() override { UseFftInstructionSet(BestFftInstructionSet()); }
};

TEST_P(FftKernelTest, ComplexTransformsMatchTheDirectDft) {
    for (int m = 0; m <= 13; ++m) {
        const std::size_t n = std::size_t{1} << m;
        const DirectDft dft(n);
        for (unsigned seed = 1; seed <= 2; ++seed) {
            const std::vector<double> input = RandomValues(2 * n, seed + 100 * m);
            std::vector<double> expected(2 * n);
            for (std::size_t k = 0; k < n; ++k) {
                dft.Bin(input.data(), true, k, expected[2 * k], expected[2 * k + 1]);
            }
            std::vector<double> forward = input;
            ComplexFftRaw(m, forward.data(), true, 1.0);
            EXPECT_LE(RelativeRmsError(forward, expected), ErrorBound(m)) << "forward m=" << m;

            // The unscaled inverse of the exact spectrum is n times the input.
            std::vector<double> inverse = expected, scaledInput = input;
            for (double& v : scaledInput)
                v *= static_cast<double>(n);
            ComplexFftRaw(m, inverse.data(), false, 1.0);
            EXPECT_LE(RelativeRmsError(inverse, scaledInput), ErrorBound(m)) << "inverse m=" << m;

            std::vector<double> roundTrip = input;
            ComplexFft(m, roundTrip.data(), true, 1.0);
            ComplexFft(m, roundTrip.data(), false, 1.0);
            EXPECT_LE(RelativeRmsError(roundTrip, input), 2 * ErrorBound(m)) << "m=" << m;
        }
    }
}

TEST_P(FftKernelTest, RealTransformsMatchTheDirectDftInBothLayouts) {
    for (int m = 1; m <= 13; ++m) {
        const std::size_t n = std::size_t{1} << m;
        const DirectDft dft(n);
        for (unsigned seed = 1; seed <= 2; ++seed) {
            const std::vector<double> input = RandomValues(n, seed + 100 * m);
            std::vector<double> unpacked(n + 2);
            for (std::size_t k = 0; k <= n / 2; ++k) {
                dft.Bin(input.data(), false, k, unpacked[2 * k], unpacked[2 * k + 1]);
            }
            unpacked[1] = unpacked[n + 1] = 0.0;
            std::vector<double> packed(unpacked.begin(), unpacked.begin() + n);
            packed[1] = unpacked[n];

            const double x = 0.75;
            std::vector<double> forward = input, scaledPacked = packed;
            for (double& v : scaledPacked)
                v *= x;
            RealFft(m, forward.data(), true, x);
            EXPECT_LE(RelativeRmsError(forward, scaledPacked), ErrorBound(m)) << "m=" << m;

            std::vector<double> inverse = packed;
            RealFft(m, inverse.data(), false, 1.0);
            EXPECT_LE(RelativeRmsError(inverse, input), ErrorBound(m)) << "m=" << m;

            std::vector<double> forwardUnpacked = input;
            forwardUnpacked.resize(n + 2, 7.0);
            RealFftUnpacked(m, forwardUnpacked.data(), true);
            EXPECT_LE(RelativeRmsError(forwardUnpacked, unpacked), ErrorBound(m)) << "m=" << m;
            EXPECT_EQ(forwardUnpacked[1], 0.0);
            EXPECT_EQ(forwardUnpacked[n + 1], 0.0);

            std::vector<double> inverseUnpacked = unpacked;
            RealFftUnpacked(m, inverseUnpacked.data(), false);
            EXPECT_EQ(inverseUnpacked[n], unpacked[n]);
            EXPECT_EQ(inverseUnpacked[n + 1], unpacked[n + 1]);
            inverseUnpacked.resize(n);
            EXPECT_LE(RelativeRmsError(inverseUnpacked, input), ErrorBound(m)) << "m=" << m;

            std::vector<double> roundTrip = input;
            RealFft(m, roundTrip.data(), true, 1.0);
            RealFft(m, roundTrip.data(), false, 1.0);
            EXPECT_LE(RelativeRmsError(roundTrip, input), 2 * ErrorBound(m)) << "m=" << m;
        }
    }
}

// Sizes whose direct DFT would take too long are checked on a sample of bins. 2^16 uses the
// largest stored twiddle table; 2^17 (ending in a radix-8 pass) and 2^20 form the twiddles of
// their first passes on the fly.
TEST_P(FftKernelTest, LargeTransformsMatchSampledBins) {
    for (int m : {16, 17, 20})
        CheckSampledBins(m, 12);
}

// The filters' pointwise steps give the values of plain scalar arithmetic, bit for bit, in
// every build: a fused multiply-add or a swapped operand in a product would change the last bits
// of the pitch track, and so would an overlap-add that let -0 through where cleared outputs
// give +0. Odd counts and the smallest Hermitian sizes reach the scalar tails.
TEST_P(FftKernelTest, FilterStepsEqualPlainScalarArithmeticExactly) {
    const FftFilterSteps& steps = *ActiveFftKernels().filterSteps;
    const auto scalarProduct = [](double ar, double ai, double br, double bi, double* out) {
        out[0] = ar * br - ai * bi;
        out[1] = ar * bi + ai * br;
    };
    for (std::size_t count : {0, 1, 2, 3, 5, 8, 1025}) {
        const std::vector<double> a = RandomValues(2 * count, 7 + count);
        const std::vector<double> b = RandomValues(2 * count, 8 + count);
        std::vector<double> expected(2 * count), actual = a;
        for (std::size_t k = 0; k < count; ++k)
            scalarProduct(a[2 * k], a[2 * k + 1], b[2 * k], b[2 * k + 1], &expected[2 * k]);
        steps.multiplySpectrum(actual.data(), b.data(), count);
        EXPECT_EQ(actual, expected) << "count " << count;
    }
    for (std::size_t size : {4, 8, 16, 2048}) {
        // X[0 .. size/2] with garbage above it, which must be overwritten.
        const std::vector<double> a = RandomValues(2 * size, 9 + size);
        const std::vector<double> b = RandomValues(2 * size, 10 + size);
        std::vector<double> expected(2 * size), actual = a;
        for (std::size_t k = 0; k < size; ++k) {
            const std::size_t source = k <= size / 2 ? k : size - k;
            const double sign = k <= size / 2 ? 1.0 : -1.0;
            scalarProduct(a[2 * source], sign * a[2 * source + 1], b[2 * k], b[2 * k + 1],
                          &expected[2 * k]);
        }
        steps.multiplyHermitianSpectrum(actual.data(), b.data(), size);
        EXPECT_EQ(actual, expected) << "size " << size;
    }
    for (std::size_t count : {0, 1, 3, 4, 7, 1030}) {
        std::vector<double> y = RandomValues(count, 11 + count),
                            b = RandomValues(count, 12 + count);
        for (std::size_t i = 0; i < count; i += 3)
            b[i] = -0.0;
        std::vector<double> sums = y, started = y, expectedSums(count), expectedStarts(count);
        for (std::size_t i = 0; i < count; ++i) {
            expectedSums[i] = y[i] + b[i];
            expectedStarts[i] = 0.0 + b[i];
        }
        steps.addTo(sums.data(), b.data(), count);
        steps.startWith(started.data(), b.data(), count);
        EXPECT_EQ(sums, expectedSums) << "count " << count;
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(started[i], expectedStarts[i]) << "count " << count << " at " << i;
            EXPECT_FALSE(std::signbit(started[i]) && started[i] == 0.0) << "-0 kept at " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, FftKernelTest,
                         ::testing::Values(FftInstructionSet::Sse2, FftInstructionSet::Avx2,
                                           FftInstructionSet::Avx512),
                         [](const auto& param) {
                             return param.param == FftInstructionSet::Sse2   ? "Sse2"
                                    : param.param == FftInstructionSet::Avx2 ? "Avx2"
                                                                             : "Avx512";
                         });

// The AVX-512 build does per value what the AVX2 build does: the same bits at every size, both
// ways, for complex and real transforms.
TEST(FftBuilds, Avx512GivesTheAvx2BuildsBits) {
    if (!UseFftInstructionSet(FftInstructionSet::Avx512)) GTEST_SKIP() << "processor lacks AVX-512";
    const auto transform = [](FftInstructionSet set, bool real, int m, bool forward,
                              std::vector<double> data) {
        UseFftInstructionSet(set);
        if (real) {
            RealFftUnpacked(m, data.data(), forward);
        } else {
            ComplexFftRaw(m, data.data(), forward, 0.5);
        }
        return data;
    };
    for (int m = 2; m <= 16; ++m) {
        const std::size_t n = std::size_t{1} << m;
        for (const bool real : {false, true}) {
            for (const bool forward : {true, false}) {
                const std::vector<double> input = RandomValues(2 * n + 2, 7 + m);
                const std::vector<double> wide =
                    transform(FftInstructionSet::Avx512, real, m, forward, input);
                const std::vector<double> narrow =
                    transform(FftInstructionSet::Avx2, real, m, forward, input);
                ASSERT_EQ(std::memcmp(wide.data(), narrow.data(), wide.size() * sizeof(double)), 0)
                    << "m=" << m << (real ? " real" : " complex") << (forward ? " forward" : "");
            }
        }
    }
    UseFftInstructionSet(BestFftInstructionSet());
}

// A unit impulse at j = 1 has X[k] = e^{+2 pi i k / n}: X[1] lies in the upper half plane.
TEST(Fft, TheForwardTransformTurnsCounterClockwise) {
    for (int m : {3, 6}) {
        const int n = 1 << m;
        const double re = std::cos(2.0 * std::numbers::pi / n);
        const double im = std::sin(2.0 * std::numbers::pi / n);
        std::vector<double> complexData(2 * n, 0.0);
        complexData[2] = 1.0;
        ComplexFftRaw(m, complexData.data(), true, 1.0);
        EXPECT_NEAR(complexData[2], re, 1e-15);
        EXPECT_NEAR(complexData[3], im, 1e-15);
        std::vector<double> realData(n, 0.0);
        realData[1] = 1.0;
        RealFft(m, realData.data(), true, 1.0);
        EXPECT_NEAR(realData[2], re, 1e-15);
        EXPECT_NEAR(realData[3], im, 1e-15);
    }
}

TEST(Fft, HugeComplexTransformMatchesSampledBins) {
    CheckSampledBins(24, 0);
}

TEST(Fft, SizesOutsideTheSupportedRangeAreRejected) {
    std::vector<double> data(8, 0.0);
    EXPECT_THROW(ComplexFftRaw(-1, data.data(), true, 1.0), std::invalid_argument);
    EXPECT_THROW(ComplexFft(kMaxComplexFftLog2 + 1, data.data(), true, 1.0), std::invalid_argument);
    EXPECT_THROW(RealFft(0, data.data(), true, 1.0), std::invalid_argument);
    EXPECT_THROW(RealFft(kMaxRealFftLog2 + 1, data.data(), false, 1.0), std::invalid_argument);
    EXPECT_THROW(RealFftUnpacked(0, data.data(), true), std::invalid_argument);
}

// Results of one size must not depend on which sizes ran before (tables are shared and built
// once): a repeat after other sizes and directions is bit-identical to the first run.
TEST(Fft, ResultsDoNotDependOnEarlierSizes) {
    const std::vector<double> input = RandomValues(2 << 12, 7);
    const auto runAll = [&input](bool forward) {
        std::vector<std::vector<double>> results;
        for (int m : {5, 12, 3, 9, 12, 6}) {
            std::vector<double> complexData(input.begin(), input.begin() + (2 << m));
            ComplexFftRaw(m, complexData.data(), forward, 1.0);
            std::vector<double> realData(input.begin(), input.begin() + (1 << m));
            RealFft(m, realData.data(), forward, 1.0);
            results.push_back(std::move(complexData));
            results.push_back(std::move(realData));
        }
        return results;
    };
    const std::vector<std::vector<double>> first = runAll(true);
    runAll(false);
    EXPECT_EQ(runAll(true), first);
}

// Runs the transforms of the given sizes in order, repeats times; returns the last round.
std::vector<std::vector<double>> TransformSeries(const std::vector<double>& input, bool complexKind,
                                                 const std::vector<int>& exponents, int repeats) {
    std::vector<std::vector<double>> results;
    for (int round = 0; round < repeats; ++round) {
        results.clear();
        for (int m : exponents) {
            const std::size_t count = std::size_t{complexKind ? 2u : 1u} << m;
            std::vector<double> buffer(input.begin(), input.begin() + count);
            if (complexKind) {
                ComplexFft(m, buffer.data(), true, 1.0);
            } else {
                RealFft(m, buffer.data(), true, 1.0);
            }
            results.push_back(std::move(buffer));
        }
    }
    return results;
}

// Two threads transform different sizes at once, and build the tables of sizes not used before
// (complex 2^15 also serves the real 2^16) concurrently; each result must equal the one
// computed alone.
TEST(Fft, ConcurrentTransformsOfDifferentSizes) {
    const std::vector<double> input = RandomValues(2 << 15, 11);
    const std::vector<int> complexSizes = {15, 8, 13, 4, 10}, realSizes = {16, 11, 7, 14, 9};
    std::vector<std::vector<double>> complexResults, realResults;
    std::thread complexWorker(
        [&] { complexResults = TransformSeries(input, true, complexSizes, 20); });
    std::thread realWorker([&] { realResults = TransformSeries(input, false, realSizes, 20); });
    complexWorker.join();
    realWorker.join();
    EXPECT_EQ(complexResults, TransformSeries(input, true, complexSizes, 1));
    EXPECT_EQ(realResults, TransformSeries(input, false, realSizes, 1));
}

}  // namespace
}  // namespace tonalyx

#include "dsp/Convolution.h"

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace tonalyx {
namespace {

using Complex = std::complex<double>;

std::vector<double> RandomReal(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (double& e : v)
        e = uniform(generator);
    return v;
}

std::vector<Complex> RandomComplex(int n, unsigned seed) {
    const std::vector<double> re = RandomReal(n, seed);
    const std::vector<double> im = RandomReal(n, seed + 1000);
    std::vector<Complex> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[i] = {re[i], im[i]};
    return v;
}

// One output of the direct sum, accumulated in long double.
template <class T>
T DirectOutput(const std::vector<double>& x, const std::vector<T>& h, std::int64_t t) {
    long double re = 0, im = 0;
    for (std::int64_t j = 0; j < static_cast<std::int64_t>(h.size()); ++j) {
        const std::int64_t i = t - j;
        if (i < 0 || i >= static_cast<std::int64_t>(x.size())) continue;
        const Complex term = Complex(h[j]) * x[i];
        re += term.real();
        im += term.imag();
    }
    if constexpr (std::is_same_v<T, double>) {
        return static_cast<double>(re);
    } else {
        return {static_cast<double>(re), static_cast<double>(im)};
    }
}

// Rounding of an FFT convolution is relative to the size of the operands, not of each output.
template <class T>
double Tolerance(const std::vector<double>& x, const std::vector<T>& h) {
    double xMax = 0, hSum = 0;
    for (double v : x)
        xMax = std::max(xMax, std::abs(v));
    for (const T& v : h)
        hSum += std::abs(v);
    return 1e-13 * (1 + xMax * hSum);
}

template <class T>
void ExpectEqualsDirect(const std::vector<double>& x, const std::vector<T>& h,
                        const std::vector<T>& y) {
    ASSERT_EQ(y.size(), x.size() + h.size() - 1);
    const double tolerance = Tolerance(x, h);
    for (std::size_t t = 0; t < y.size(); ++t)
        ASSERT_LE(std::abs(y[t] - DirectOutput(x, h, t)), tolerance) << "output " << t;
}

TEST(FftConvolution, RealEqualsDirectSumForManyShapes) {
    for (int N : {1, 2, 3, 5, 17, 100, 1000, 5000}) {
        for (int M : {1, 2, 3, 4, 7, 31, 64, 65, 300}) {
            SCOPED_TRACE(testing::Message() << "N " << N << " M " << M);
            const std::vector<double> x = RandomReal(N, N);
            const std::vector<double> h = RandomReal(M, 7 * M);
            ExpectEqualsDirect(x, h, FftConvolveReal(x.data(), N, h.data(), M));
        }
    }
}

TEST(FftConvolution, ComplexEqualsDirectSumForManyShapes) {
    for (int N : {1, 2, 3, 5, 17, 100, 1000, 5000}) {
        for (int M : {1, 2, 3, 4, 7, 31, 64, 65, 300}) {
            SCOPED_TRACE(testing::Message() << "N " << N << " M " << M);
            const std::vector<double> x = RandomReal(N, N + 1);
            const std::vector<Complex> h = RandomComplex(M, 3 * M);
            ExpectEqualsDirect(x, h, FftConvolveComplex(x.data(), N, h.data(), M));
        }
    }
}

TEST(FftConvolution, DelayFilterShiftsTheSignalByOne) {
    const std::vector<double> x = RandomReal(777, 5);
    const std::vector<double> h = {0, 1, 0};
    const std::vector<double> y = FftConvolveReal(x.data(), 777, h.data(), 3);
    const std::vector<Complex> hc = {0, 1, 0};
    const std::vector<Complex> yc = FftConvolveComplex(x.data(), 777, hc.data(), 3);
    ASSERT_EQ(y.size(), 779u);
    for (std::size_t t = 0; t < y.size(); ++t) {
        const double expected = (t >= 1 && t <= 777) ? x[t - 1] : 0.0;
        EXPECT_NEAR(y[t], expected, 1e-14);
        EXPECT_NEAR(std::abs(yc[t] - expected), 0.0, 1e-14);
    }
}

TEST(FftConvolution, SingleSampleSignalGivesTheScaledFilter) {
    const double x = -2.5;
    const std::vector<Complex> h = RandomComplex(40, 11);
    const std::vector<Complex> y = FftConvolveComplex(&x, 1, h.data(), 40);
    ASSERT_EQ(y.size(), 40u);
    for (int j = 0; j < 40; ++j)
        EXPECT_NEAR(std::abs(y[j] - x * h[j]), 0.0, 1e-14);
}

TEST(FftConvolution, LongSignalRunsThroughSeveralBlocks) {
    const int N = 50000, M = 129;
    // The chosen block is far shorter than the output, so the overlap-add really adds.
    ASSERT_LT(std::int64_t{1} << ConvolutionBlockLog2(N, M), N / 4);
    const std::vector<double> x = RandomReal(N, 21);
    const std::vector<double> hr = RandomReal(M, 22);
    ExpectEqualsDirect(x, hr, FftConvolveReal(x.data(), N, hr.data(), M));
    const std::vector<Complex> h = RandomComplex(M, 23);
    ExpectEqualsDirect(x, h, FftConvolveComplex(x.data(), N, h.data(), M));
}

TEST(FftConvolution, TransformsBeyondThirtyTwoThousandPointsWork) {
    // A filter of 40000 taps needs blocks of at least 65536 points.
    const int N = 150000, M = 40000;
    ASSERT_GE(ConvolutionBlockLog2(N, M), 16);
    const std::vector<double> x = RandomReal(N, 31);
    const std::vector<double> h = RandomReal(M, 32);
    const std::vector<Complex> hc = RandomComplex(M, 33);
    const std::vector<double> y = FftConvolveReal(x.data(), N, h.data(), M);
    const std::vector<Complex> yc = FftConvolveComplex(x.data(), N, hc.data(), M);
    ASSERT_EQ(y.size(), static_cast<std::size_t>(N + M - 1));
    ASSERT_EQ(yc.size(), y.size());
    const double tolerance = Tolerance(x, h), complexTolerance = Tolerance(x, hc);
    std::mt19937 generator(34);
    std::uniform_int_distribution<std::int64_t> pick(0, N + M - 2);
    for (std::int64_t t :
         {std::int64_t{0}, std::int64_t{M - 1}, std::int64_t{N - 1}, std::int64_t{N + M - 2}}) {
        EXPECT_LE(std::abs(y[t] - DirectOutput(x, h, t)), tolerance) << t;
        EXPECT_LE(std::abs(yc[t] - DirectOutput(x, hc, t)), complexTolerance) << t;
    }
    for (int probe = 0; probe < 60; ++probe) {
        const std::int64_t t = pick(generator);
        EXPECT_LE(std::abs(y[t] - DirectOutput(x, h, t)), tolerance) << t;
        EXPECT_LE(std::abs(yc[t] - DirectOutput(x, hc, t)), complexTolerance) << t;
    }
}

TEST(FftConvolution, OutputIsClearedAndEmptyOperandsGiveZeros) {
    const std::vector<double> x = RandomReal(10, 41);
    const std::vector<double> h = RandomReal(5, 42);
    std::vector<double> y(14, 99.0);
    FftConvolveReal(x.data(), 10, h.data(), 5, y.data());
    ExpectEqualsDirect(x, h, y);

    EXPECT_EQ(FftConvolveReal(x.data(), 10, h.data(), 0), std::vector<double>(9, 0.0));
    EXPECT_EQ(FftConvolveReal(x.data(), 0, h.data(), 5), std::vector<double>(4, 0.0));
    EXPECT_TRUE(FftConvolveReal(nullptr, 0, nullptr, 0).empty());
    EXPECT_THROW(FftConvolveReal(x.data(), -1, h.data(), 5), std::invalid_argument);
    EXPECT_THROW(FftConvolveReal(x.data(), 10, h.data(), 5, nullptr), std::invalid_argument);
}

template <class T>
void ExpectSameBits(const T* a, const T* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(std::memcmp(a + i, b + i, sizeof(T)), 0) << i;
}

TEST(FftFilters, OutputStretchesAreTheWholeConvolutionsBits) {
    // One filter object over signals of several lengths (so block sizes change and come back),
    // asked for stretches that start and end inside blocks, at block edges and at the ends;
    // and filters too short for the FFT.
    for (const int M : {2, 3, 61, 540}) {
        SCOPED_TRACE(M);
        const std::vector<double> h = RandomReal(M, 51);
        const std::vector<Complex> hc = RandomComplex(M, 52);
        RealFftFilter real(h);
        ComplexFftFilter complex(hc);
        for (const int N : {1, 700, 20011, 700, 66000}) {
            SCOPED_TRACE(N);
            std::vector<double> x = RandomReal(N, 53 + N);
            if (N > 100) std::fill(x.begin() + 10, x.begin() + 60, -0.0);
            const std::vector<double> y = FftConvolveReal(x.data(), N, h.data(), M);
            const std::vector<Complex> yc = FftConvolveComplex(x.data(), N, hc.data(), M);
            const int outputs = N + M - 1;
            const int step = (1 << ConvolutionBlockLog2(N, M)) - M + 1;
            for (const std::int64_t first :
                 {std::int64_t{0}, std::int64_t{M / 2}, std::int64_t{step - 1}, std::int64_t{step},
                  std::int64_t{outputs / 3}, std::int64_t{outputs - 1}}) {
                if (first >= outputs) continue;
                for (const int count : {1, step + 3, outputs}) {
                    const int taken =
                        static_cast<int>(std::min<std::int64_t>(count, outputs - first));
                    std::vector<double> part(static_cast<std::size_t>(taken), 99.0);
                    std::vector<Complex> partc(static_cast<std::size_t>(taken), 99.0);
                    real.Convolve(x.data(), N, first, taken, part.data());
                    complex.Convolve(x.data(), N, first, taken, partc.data());
                    ExpectSameBits(part.data(), y.data() + first, part.size());
                    ExpectSameBits(partc.data(), yc.data() + first, partc.size());
                }
            }
        }
    }
}

TEST(FftFilters, StretchesOutsideTheOutputsAreRefused) {
    const std::vector<double> x = RandomReal(100, 61), h = RandomReal(9, 62);
    RealFftFilter filter(h);
    std::vector<double> y(200);
    EXPECT_THROW(filter.Convolve(x.data(), 100, -1, 5, y.data()), std::invalid_argument);
    EXPECT_THROW(filter.Convolve(x.data(), 100, 100, 9, y.data()), std::invalid_argument);
    EXPECT_THROW(filter.Convolve(x.data(), 100, 0, -1, y.data()), std::invalid_argument);
    EXPECT_THROW(filter.Convolve(x.data(), 100, 0, 5, nullptr), std::invalid_argument);
    filter.Convolve(x.data(), 100, 100, 8, y.data());  // the last 8 outputs
    EXPECT_NEAR(y[7], h[8] * x[99], 1e-14);
}

TEST(FftConvolution, CostModelWorkedCases) {
    // N 1000, M 3: S 4 -> step 2, 500 blocks: 4 (500 + 2 * 501) = 6008; S 8 -> step 6, 167
    // blocks: 8 (167 + 3 * 168) = 5368; S 16 -> step 14, 72 blocks: 16 (72 + 4 * 73) = 5824.
    EXPECT_EQ(ConvolutionBlockCost(2, 1000, 3), 6008);
    EXPECT_EQ(ConvolutionBlockCost(3, 1000, 3), 5368);
    EXPECT_EQ(ConvolutionBlockCost(4, 1000, 3), 5824);
    EXPECT_EQ(ConvolutionBlockLog2(1000, 3), 3);
    // N 100000, M 500: S 512 leaves a step of 13 (7693 blocks, cost 39392768); costs fall to
    // S 4096 (step 3597, 28 blocks: 4096 (28 + 12 * 29) = 1540096), then S 8192 (13 blocks:
    // 8192 (13 + 13 * 14) = 1597440) is dearer and the search stops at 4096.
    EXPECT_EQ(ConvolutionBlockCost(9, 100000, 500), 39392768);
    EXPECT_EQ(ConvolutionBlockCost(12, 100000, 500), 1540096);
    EXPECT_EQ(ConvolutionBlockCost(13, 100000, 500), 1597440);
    EXPECT_EQ(ConvolutionBlockLog2(100000, 500), 12);
    EXPECT_EQ(ConvolutionBlockLog2(1, 3), 2);
    // A block smaller than the filter cannot hold it.
    EXPECT_EQ(ConvolutionBlockCost(2, 100, 5), std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace tonalyx

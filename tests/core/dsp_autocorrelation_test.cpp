#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "dsp/AutoCorrelation.h"

namespace tonalyx {
namespace {

// A frame of n random 16-bit samples followed by the n zeros the transform needs.
std::vector<double> RandomBuffer(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<double> buffer(2 * n, 0.0);
    for (int i = 0; i < n; ++i)
        buffer[i] = sample(generator);
    return buffer;
}

// sum_j x[j] x[j + lag], over the zero-extended frame or with the index taken modulo n.
long double DirectSum(const std::vector<double>& x, int n, int lag, bool circular) {
    long double sum = 0.0L;
    for (int j = 0; j < n; ++j) {
        const int k = j + lag;
        if (k < n || circular) sum += static_cast<long double>(x[j]) * x[k % n];
    }
    return sum;
}

// The auto-correlation of a frame from direct sums, in long double.
std::vector<long double> DirectAutoCorrelation(const std::vector<double>& x, int n, int type,
                                               bool normalise) {
    const bool circular = type == AcCircularData;
    std::vector<long double> result(n);
    for (int lag = 0; lag < n; ++lag) {
        const int divisor = type == AcNoExtraData ? n - lag : n;
        result[lag] = DirectSum(x, n, lag, circular) / divisor;
    }
    const long double atZero = result[0];
    const bool scaled = type == AcNoExtraData || type == AcZeroExtraData || circular;
    if (normalise && scaled && atZero != 0.0L) {
        for (long double& v : result)
            v /= atZero;
    }
    return result;
}

TEST(AutoCorrelation, AllTypesFollowTheDirectSums) {
    for (int m = 4; m <= 10; m += 2) {
        const int n = 1 << m;
        for (int type : {0, 1, 2, 3}) {
            for (bool normalise : {false, true}) {
                std::vector<double> buffer = RandomBuffer(n, 100 * m + 10 * type + normalise);
                const std::vector<long double> expected =
                    DirectAutoCorrelation(buffer, n, type, normalise);
                AutoCorrelation(m, buffer.data(), type, normalise);
                // Transform rounding is relative to the lag-0 value; the no-extra-data type
                // magnifies it at lag l by n / (n - l).
                const double atZero = static_cast<double>(std::abs(expected[0]));
                for (int lag = 0; lag < n; ++lag) {
                    const double gain = type == AcNoExtraData ? double(n) / (n - lag) : 1.0;
                    EXPECT_NEAR(buffer[lag], static_cast<double>(expected[lag]),
                                1e-13 * atZero * gain)
                        << "n=" << n << " type=" << type << " normalise=" << normalise
                        << " lag=" << lag;
                }
            }
        }
    }
}

TEST(AutoCorrelation, NoExtraDataAtTheLastLagIsTheSingleProduct) {
    for (int m : {4, 8, 13}) {
        const int n = 1 << m;
        for (bool normalise : {false, true}) {
            std::vector<double> buffer = RandomBuffer(n, m + 7 * normalise);
            const double product = buffer[0] * buffer[n - 1];
            const double energy = static_cast<double>(DirectSum(buffer, n, 0, false));
            const double e = normalise ? n / energy : 1.0;
            AutoCorrelation(m, buffer.data(), AcNoExtraData, normalise);
            // The last lag carries the rounding of the whole transform, n times magnified.
            EXPECT_NEAR(buffer[n - 1], product * e, 1e-13 * energy * e)
                << "n=" << n << " normalise=" << normalise;
        }
    }
}

TEST(AutoCorrelation, CircularSineRepeatsAfterOnePeriod) {
    for (int m : {4, 6, 10}) {
        const int n = 1 << m;
        const int period = n / 4;
        std::vector<double> buffer(2 * n, 0.0);
        for (int i = 0; i < n; ++i) {
            buffer[i] = 12000.0 * std::sin(2.0 * std::numbers::pi * i / period + 0.3);
        }
        AutoCorrelation(m, buffer.data(), AcCircularData, false);
        EXPECT_GT(buffer[0], 1e7);
        EXPECT_NEAR(buffer[period], buffer[0], 1e-12 * buffer[0]) << "n=" << n;
        // Half a period later the sine is inverted.
        EXPECT_NEAR(buffer[period / 2], -buffer[0], 1e-12 * buffer[0]) << "n=" << n;
    }
}

TEST(AutoCorrelation, SilenceGivesZerosWithAndWithoutNormalising) {
    for (int m : {4, 13}) {
        const int n = 1 << m;
        for (int type : {AcNoExtraData, AcZeroExtraData, AcCircularData}) {
            for (bool normalise : {false, true}) {
                std::vector<double> buffer(2 * n, 0.0);
                AutoCorrelation(m, buffer.data(), type, normalise);
                const std::vector<double> lags(buffer.begin(), buffer.begin() + n);
                EXPECT_EQ(lags, std::vector<double>(n, 0.0))
                    << "n=" << n << " type=" << type << " normalise=" << normalise;
            }
        }
    }
}

TEST(AutoCorrelation, NormalisedLagZeroIsOneAndCoefficientsStayWithinOne) {
    for (int m : {4, 9, 13}) {
        const int n = 1 << m;
        for (int type : {AcZeroExtraData, AcCircularData}) {
            std::vector<double> buffer = RandomBuffer(n, 3 * m + type);
            AutoCorrelation(m, buffer.data(), type, true);
            EXPECT_NEAR(buffer[0], 1.0, 1e-14) << "n=" << n << " type=" << type;
            for (int lag = 1; lag < n; ++lag)
                ASSERT_LE(std::abs(buffer[lag]), 1.0 + 1e-12);
        }
        // The per-lag averages of the no-extra-data type are not bounded by the lag-0 value.
        std::vector<double> buffer = RandomBuffer(n, 3 * m);
        AutoCorrelation(m, buffer.data(), AcNoExtraData, true);
        EXPECT_NEAR(buffer[0], 1.0, 1e-14) << "n=" << n;
    }
}

TEST(AutoCorrelation, RejectsSizesOutOfRange) {
    std::vector<double> buffer(4, 0.0);
    EXPECT_THROW(AutoCorrelation(0, buffer.data(), AcNoExtraData, false), std::invalid_argument);
    EXPECT_THROW(AutoCorrelation(-3, buffer.data(), AcCircularData, true), std::invalid_argument);
}

}  // namespace
}  // namespace tonalyx

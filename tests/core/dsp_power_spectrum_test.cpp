#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "dsp/PowerSpectrum.h"
#include "dsp/Window.h"

namespace tonalyx {
namespace {

std::vector<double> RandomFrame(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-32768.0, 32767.0);
    std::vector<double> frame(n);
    for (double& v : frame)
        v = uniform(generator);
    return frame;
}

double Energy(const std::vector<double>& values, int count) {
    long double sum = 0.0L;
    for (int i = 0; i < count; ++i)
        sum += static_cast<long double>(values[i]) * values[i];
    return static_cast<double>(sum);
}

TEST(PowerSpectrum, KeepsTheFrameEnergyScaledByX) {
    for (int m = 1; m <= 13; ++m) {
        const int n = 1 << m;
        for (double x : {1.0, 0.25, 3.0}) {
            std::vector<double> data = RandomFrame(n, m);
            const double energy = Energy(data, n);
            PowerSpectrum(m, data.data(), x);
            long double total = 0.0L;
            for (int k = 0; k <= n / 2; ++k)
                total += data[k];
            EXPECT_NEAR(static_cast<double>(total), x * energy, 1e-13 * x * energy) << "m=" << m;
        }
    }
}

// P[0] = X[0]^2 / n, P[k] = 2 |X[k]|^2 / n, P[n/2] = X[n/2]^2 / n against a direct DFT.
TEST(PowerSpectrum, BinsFollowTheDirectDft) {
    const int m = 4, n = 16;
    std::vector<double> data = RandomFrame(n, 5);
    std::vector<double> expected(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
        long double re = 0.0L, im = 0.0L;
        for (int j = 0; j < n; ++j) {
            const long double angle = 2.0L * std::numbers::pi_v<long double> * j * k / n;
            re += data[j] * std::cos(angle);
            im += data[j] * std::sin(angle);
        }
        const double edge = (k == 0 || k == n / 2) ? 1.0 : 2.0;
        expected[k] = static_cast<double>(edge * (re * re + im * im) / n);
    }
    PowerSpectrum(m, data.data(), 1.0);
    for (int k = 0; k <= n / 2; ++k)
        EXPECT_NEAR(data[k], expected[k], 1e-12 * expected[0]) << k;
}

TEST(PowerSpectrum, SilenceGivesZerosAndTheDecibelFloor) {
    for (int m : {4, 13}) {
        const int n = 1 << m;
        std::vector<double> data(n, 0.0);
        WindowedPowerSpectrum(m, data.data(), Hanning);
        const std::vector<double> power(data.begin(), data.begin() + n / 2 + 1);
        EXPECT_EQ(power, std::vector<double>(n / 2 + 1, 0.0));
        std::vector<double> db(power.size());
        PowerToDb(static_cast<int>(power.size()), power.data(), db.data());
        EXPECT_EQ(db, std::vector<double>(power.size(), kFloorDb));
    }
}

TEST(PowerSpectrum, ConstantFramePutsAllPowerIntoBinZero) {
    for (int m : {4, 10, 13}) {
        const int n = 1 << m;
        for (double c : {0.5, 32767.0}) {
            std::vector<double> data(n, c);
            WindowedPowerSpectrum(m, data.data(), Box);
            EXPECT_NEAR(data[0], n * c * c, 1e-13 * n * c * c);
            for (int k = 1; k <= n / 2; ++k)
                EXPECT_NEAR(data[k], 0.0, 1e-18 * n * c * c) << k;
        }
    }
}

TEST(PowerSpectrum, WindowedSpectrumIsTheSpectrumOfTheWindowedFrame) {
    const int m = 9, n = 512;
    const std::vector<double> frame = RandomFrame(n, 9);
    for (int kind :
         {int{Box}, int{Hanning}, int{Hamming}, int{Blackman}, int{Parzen}, int{Welch}}) {
        std::vector<double> windowed = frame, direct = frame;
        WindowedPowerSpectrum(m, windowed.data(), kind);
        ApplyWindow(kind, n, direct.data());
        PowerSpectrum(m, direct.data(), 1.0);
        EXPECT_EQ(windowed, direct);
    }
    // A Hanning-windowed sine on bin 32 keeps nearly all its power within bins 31 to 33.
    std::vector<double> sine(n);
    for (int j = 0; j < n; ++j)
        sine[j] = 1000.0 * std::sin(2.0 * std::numbers::pi * 32 * j / n);
    WindowedPowerSpectrum(m, sine.data(), Hanning);
    double total = 0.0;
    for (int k = 0; k <= n / 2; ++k)
        total += sine[k];
    EXPECT_GT(sine[31] + sine[32] + sine[33], 0.999999 * total);
}

TEST(PowerSpectrum, RejectsSizesOutsideTheRealTransform) {
    std::vector<double> data(4, 1.0);
    EXPECT_THROW(PowerSpectrum(0, data.data(), 1.0), std::invalid_argument);
    EXPECT_THROW(WindowedPowerSpectrum(-1, data.data(), Hanning), std::invalid_argument);
}

TEST(PowerToDb, UsesTheMagnitudeAboveTheFloor) {
    std::vector<double> values = {1.0, 100.0, 1e-3, -10.0, 0.0, 1e-300, 2e-300, -1e-301};
    PowerToDb(static_cast<int>(values.size()), values.data(), values.data());
    EXPECT_DOUBLE_EQ(values[0], 0.0);
    EXPECT_DOUBLE_EQ(values[1], 20.0);
    EXPECT_DOUBLE_EQ(values[2], -30.0);
    EXPECT_DOUBLE_EQ(values[3], 10.0);
    EXPECT_EQ(values[4], kFloorDb);
    EXPECT_EQ(values[5], kFloorDb);
    EXPECT_NEAR(values[6], -3000.0 + 10.0 * std::log10(2.0), 1e-9);
    EXPECT_EQ(values[7], kFloorDb);
}

}  // namespace
}  // namespace tonalyx

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "dsp/Cepstrum.h"
#include "dsp/Window.h"

namespace tonalyx {
namespace {

using LongVector = std::vector<long double>;

std::vector<double> RandomFrame(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<double> frame(n);
    for (double& v : frame)
        v = sample(generator);
    return frame;
}

// A 16-bit tone, rounded to whole sample values.
std::vector<double> Tone(int n, double cyclesPerSample, double amplitude) {
    std::vector<double> frame(n);
    for (int i = 0; i < n; ++i) {
        frame[i] = std::round(amplitude * std::sin(2.0 * std::numbers::pi * cyclesPerSample * i));
    }
    return frame;
}

// cos and sin of 2 pi k / n for k in [0, n), in long double.
struct Twiddles {
    explicit Twiddles(int n) : cosines(n), sines(n) {
        for (int k = 0; k < n; ++k) {
            const long double angle = 2.0L * std::numbers::pi_v<long double> * k / n;
            cosines[k] = std::cos(angle);
            sines[k] = std::sin(angle);
        }
    }
    LongVector cosines, sines;
};

// The cepstrum by the textbook chain: window, direct DFT scaled by 1/sqrt(n), decibels with the
// -3000 floor, direct inverse DFT scaled by 0.1/n.
LongVector DirectCepstrum(const std::vector<double>& frame, int window) {
    const int n = static_cast<int>(frame.size());
    const Twiddles twiddles(n);
    const std::vector<double> weights = BuildWindow(window, n);
    LongVector levels(n);
    for (int k = 0; k < n; ++k) {
        long double re = 0.0L, im = 0.0L;
        for (int j = 0; j < n; ++j) {
            const long double x = static_cast<long double>(frame[j]) * weights[j];
            re += x * twiddles.cosines[(j * k) % n];
            im += x * twiddles.sines[(j * k) % n];
        }
        const long double power = (re * re + im * im) / n;
        levels[k] = power > 1e-300L ? 10.0L * std::log10(power) : -3000.0L;
    }
    LongVector cepstrum(n);
    for (int q = 0; q < n; ++q) {
        long double sum = 0.0L;
        for (int k = 0; k < n; ++k)
            sum += levels[k] * twiddles.cosines[(q * k) % n];
        cepstrum[q] = 0.1L * sum / n;
    }
    return cepstrum;
}

// The transform of the lifter-weighted cepstrum, bins 0..n/2: the real edges as they are, the
// others as magnitudes with the sign of their real part (or bare magnitudes when !signed).
LongVector DirectLifteredSpectrum(const std::vector<double>& frame, int window, long double s,
                                  bool withSign = true) {
    const int n = static_cast<int>(frame.size());
    const Twiddles twiddles(n);
    const LongVector cepstrum = DirectCepstrum(frame, window);
    LongVector spectrum(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
        long double re = 0.0L, im = 0.0L;
        for (int q = 0; q < n; ++q) {
            const long double weighted = cepstrum[q] * std::exp(-1.0L * q * q / (2.0L * s));
            re += weighted * twiddles.cosines[(q * k) % n];
            im += weighted * twiddles.sines[(q * k) % n];
        }
        const long double magnitude = std::sqrt(re * re + im * im);
        const bool edge = k == 0 || k == n / 2;
        spectrum[k] = edge ? re : (withSign ? std::copysign(magnitude, re) : magnitude);
    }
    return spectrum;
}

constexpr int kAllWindows[] = {Box, Hanning, Hamming, Blackman, Parzen, Welch};

TEST(Cepstrum, FollowsTheDirectComputation) {
    for (int m : {4, 6, 8}) {
        const int n = 1 << m;
        for (int window : kAllWindows) {
            std::vector<double> data = RandomFrame(n, 10 * m + window);
            const LongVector expected = DirectCepstrum(data, window);
            Cepstrum(m, data.data(), window);
            for (int q = 0; q < n; ++q) {
                EXPECT_NEAR(data[q], static_cast<double>(expected[q]), 1e-11)
                    << "n=" << n << " window=" << window << " q=" << q;
            }
        }
    }
}

TEST(Cepstrum, IsSymmetricInQuefrency) {
    for (int m : {5, 11}) {
        const int n = 1 << m;
        std::vector<double> data = RandomFrame(n, m);
        Cepstrum(m, data.data(), Hamming);
        for (int q = 1; q < n / 2; ++q)
            EXPECT_NEAR(data[q], data[n - q], 1e-12) << q;
    }
}

TEST(Cepstrum, SilenceIsTheFloorAtQuefrencyZeroOnly) {
    for (int m : {4, 10}) {
        const int n = 1 << m;
        for (int window : {Box, Hanning, Welch}) {
            std::vector<double> data(n, 0.0);
            Cepstrum(m, data.data(), window);
            EXPECT_NEAR(data[0], -300.0, 1e-10);
            for (int q = 1; q < n; ++q)
                ASSERT_NEAR(data[q], 0.0, 1e-10) << q;
        }
    }
}

// Box leaves an impulse whole: its spectrum is flat at |A|^2 / n, so the whole cepstrum sits
// at quefrency 0. A tapered window would have weighted (or erased) the impulse.
TEST(Cepstrum, BoxImpulseHasAFlatSpectrum) {
    const int m = 7, n = 128;
    for (int position : {0, 5, 127}) {
        std::vector<double> data(n, 0.0);
        data[position] = -1000.0;
        Cepstrum(m, data.data(), Box);
        EXPECT_NEAR(data[0], std::log10(1000.0 * 1000.0 / n), 1e-12) << position;
        for (int q = 1; q < n; ++q)
            ASSERT_NEAR(data[q], 0.0, 1e-12) << position << " " << q;
    }
}

TEST(Cepstrum, RejectsSizesOutOfRange) {
    std::vector<double> data(4, 1.0);
    EXPECT_THROW(Cepstrum(0, data.data(), Box), std::invalid_argument);
    EXPECT_THROW(LifteredSpectrum(-1, data.data(), Box, 80.0), std::invalid_argument);
}

// lifSd 10 ms at 16 kHz gives s = 80; lifSd 1 ms at 8 kHz gives s = 4.
TEST(GaussianLifter, WorkedWeights) {
    GaussianLifter lifter;
    const std::vector<double> weights = lifter.Weights(512, 0.5 * 0.010 * 16000.0);
    EXPECT_EQ(lifter.variance(), 80.0);
    ASSERT_EQ(weights.size(), 512u);
    EXPECT_EQ(weights[0], 1.0);
    EXPECT_NEAR(weights[10], 0.54, 0.005);
    EXPECT_GT(weights[33], 0.001);
    for (int i = 1; i < 512; ++i)
        ASSERT_LT(weights[i], weights[i - 1] + 1e-300) << i;
    for (int i = 34; i < 512; ++i)
        ASSERT_LT(weights[i], 0.001) << i;

    const std::vector<double> narrow = lifter.Weights(256, 0.5 * 0.001 * 8000.0);
    EXPECT_GT(narrow[7], 0.001);
    EXPECT_LT(narrow[8], 0.001);
}

TEST(GaussianLifter, VarianceWithoutWidthKeepsOnlyQuefrencyZero) {
    GaussianLifter lifter;
    for (double s : {0.0, -5.0, std::nan("")}) {
        std::vector<double> expected(64, 0.0);
        expected[0] = 1.0;
        EXPECT_EQ(lifter.Weights(64, s), expected) << s;
    }
}

TEST(GaussianLifter, RebuildsOnlyWhenLengthOrVarianceChanges) {
    GaussianLifter& lifter = SharedGaussianLifter();
    std::vector<double> frame = RandomFrame(256, 1);
    auto lifterOnce = [&](int m, double s) {
        std::vector<double> data = frame;
        data.resize(1 << m);
        LifteredSpectrum(m, data.data(), Hanning, s);
    };
    lifterOnce(8, 80.0);
    const long builds = lifter.buildCount();
    for (int column = 0; column < 5; ++column)
        lifterOnce(8, 80.0);
    EXPECT_EQ(lifter.buildCount(), builds);
    lifterOnce(8, 40.0);
    EXPECT_EQ(lifter.buildCount(), builds + 1);
    EXPECT_EQ(lifter.variance(), 40.0);
    lifterOnce(7, 40.0);
    EXPECT_EQ(lifter.buildCount(), builds + 2);
    EXPECT_EQ(lifter.length(), 128);
    lifterOnce(7, 40.0);
    EXPECT_EQ(lifter.buildCount(), builds + 2);
}

TEST(LifteredSpectrum, FollowsTheDirectComputation) {
    for (int m : {4, 6, 8}) {
        const int n = 1 << m;
        for (double s : {2.0, 80.0, 1000.0}) {
            for (int window : {Box, Hanning, Blackman}) {
                std::vector<double> data = RandomFrame(n, 7 * m + window);
                const LongVector expected = DirectLifteredSpectrum(data, window, s);
                LifteredSpectrum(m, data.data(), window, s);
                for (int k = 0; k <= n / 2; ++k) {
                    EXPECT_NEAR(data[k], static_cast<double>(expected[k]), 1e-10)
                        << "n=" << n << " s=" << s << " window=" << window << " k=" << k;
                }
            }
        }
    }
}

// The sign only matters where the smoothed level falls below zero: a loud tone over the
// rounding noise of its 16-bit samples keeps every bin positive and equal to the magnitude.
TEST(LifteredSpectrum, LoudToneBinsAreTheMagnitudes) {
    const int m = 9, n = 512;
    std::vector<double> data = Tone(n, 440.0 / 16000.0, 20000.0);
    const LongVector magnitudes = DirectLifteredSpectrum(data, Hamming, 80.0, false);
    LifteredSpectrum(m, data.data(), Hamming, 80.0);
    for (int k = 1; k < n / 2; ++k) {
        ASSERT_GT(data[k], 0.0) << k;
        EXPECT_NEAR(data[k], static_cast<double>(magnitudes[k]), 1e-10) << k;
    }
}

// Silence sits at the bottom of the scale (-300), not at +300 where loud bins are drawn.
TEST(LifteredSpectrum, SilenceStaysAtTheFloor) {
    for (int m : {4, 9, 13}) {
        const int n = 1 << m;
        for (double s : {4.0, 80.0}) {
            std::vector<double> data(n, 0.0);
            LifteredSpectrum(m, data.data(), Hanning, s);
            for (int k = 0; k <= n / 2; ++k)
                ASSERT_NEAR(data[k], -300.0, 1e-9) << n << " " << k;
        }
    }
}

// Each thread has its own lifter, so two threads with different (n, s) neither rebuild each
// other's weights nor read them half built.
TEST(LifteredSpectrum, ThreadsWithDifferentLiftersAgreeWithOneThread) {
    struct Job {
        int m;
        double s;
        std::vector<double> frame, expected;
        bool same = true;
        long builds = 0;
    };
    std::vector<Job> jobs = {{8, 80.0, RandomFrame(256, 3), {}}, {9, 3.0, RandomFrame(512, 4), {}}};
    for (Job& job : jobs) {
        job.expected = job.frame;
        LifteredSpectrum(job.m, job.expected.data(), Hanning, job.s);
    }
    auto run = [](Job& job) {
        for (int column = 0; column < 200; ++column) {
            std::vector<double> data = job.frame;
            LifteredSpectrum(job.m, data.data(), Hanning, job.s);
            job.same = job.same && data == job.expected;
        }
        job.builds = SharedGaussianLifter().buildCount();
    };
    std::thread first(run, std::ref(jobs[0]));
    std::thread second(run, std::ref(jobs[1]));
    first.join();
    second.join();
    for (const Job& job : jobs) {
        EXPECT_TRUE(job.same) << job.m;
        EXPECT_EQ(job.builds, 1) << job.m;
    }
}

}  // namespace
}  // namespace tonalyx

#include "dsp/Cepstrum.h"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "dsp/Fft.h"
#include "dsp/PowerSpectrum.h"
#include "dsp/Window.h"

namespace tonalyx {

namespace {

// X[0] and X[n/2] are real: their level is taken from the magnitude, so the floor is the square
// root of the power floor.
constexpr double kMagnitudeFloor = 1e-150;

void RequireExponent(const char* function, int m) {
    if (m < 1 || m > kMaxRealFftLog2) {
        throw std::invalid_argument(std::string(function) + ": size exponent " + std::to_string(m) +
                                    " outside 1.." + std::to_string(kMaxRealFftLog2));
    }
}

double MagnitudeToDb(double v) {
    const double magnitude = std::abs(v);
    return magnitude > kMagnitudeFloor ? 20.0 * std::log10(magnitude) : kFloorDb;
}

}  // namespace

void Cepstrum(int m, double* data, int window) {
    RequireExponent("Cepstrum", m);
    const std::size_t n = std::size_t{1} << m;
    ApplyWindow(window, static_cast<int>(n), data);
    // Scaled by 1/sqrt(n) so that the levels are |X[k]|^2 / n, the frame's power per bin.
    RealFft(m, data, true, 1.0 / std::sqrt(static_cast<double>(n)));
    data[0] = MagnitudeToDb(data[0]);
    data[1] = MagnitudeToDb(data[1]);
    for (std::size_t k = 1; k < n / 2; ++k) {
        const double re = data[2 * k], im = data[2 * k + 1];
        const double power = re * re + im * im;
        data[2 * k] = power > kPowerFloor ? 10.0 * std::log10(power) : kFloorDb;
        data[2 * k + 1] = 0.0;
    }
    // The levels are in decibels; 0.1 brings the cepstrum to log10 units.
    RealFft(m, data, false, 0.1);
}

const std::vector<double>& GaussianLifter::Weights(int n, double s) {
    if (!(s > 0.0)) s = 0.0;
    if (buildCount_ > 0 && n == length_ && s == variance_) return weights_;
    weights_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    for (int i = 0; i < n; ++i) {
        const double i2 = static_cast<double>(i) * i;
        weights_[i] = s > 0.0 ? std::exp(-i2 / (2.0 * s)) : (i == 0 ? 1.0 : 0.0);
    }
    length_ = n;
    variance_ = s;
    ++buildCount_;
    return weights_;
}

GaussianLifter& SharedGaussianLifter() {
    thread_local GaussianLifter lifter;
    return lifter;
}

void LifteredSpectrum(int m, double* data, int window, double s) {
    RequireExponent("LifteredSpectrum", m);
    const std::size_t n = std::size_t{1} << m;
    Cepstrum(m, data, window);
    const std::vector<double>& weights = SharedGaussianLifter().Weights(static_cast<int>(n), s);
    for (std::size_t i = 0; i < n; ++i) {
        data[i] *= weights[i];
    }
    RealFft(m, data, true, 1.0);

    const double nyquist = data[1];
    // Bin k is written at k from slots 2k and 2k + 1, which lie above it: ascending order reads
    // every value before it is overwritten (slot 1 was saved above).
    for (std::size_t k = 1; k < n / 2; ++k) {
        const double re = data[2 * k], im = data[2 * k + 1];
        data[k] = std::copysign(std::sqrt(re * re + im * im), re);
    }
    data[n / 2] = nyquist;
}

}  // namespace tonalyx

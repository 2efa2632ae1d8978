#include "dsp/Resampler.h"

#include <cmath>
#include <numbers>
#include <numeric>
#include <stdexcept>

#include "dsp/TaperWindows.h"

namespace tonalyx {

namespace {

constexpr int kMaxPhases = 2048;
constexpr double kZeroCrossings = 16.0;
constexpr double kCutoffFraction = 1.0;
constexpr double kKaiserBeta = 10.0;

}  // namespace

Resampler::Resampler(int inRate, int outRate) : inRate_(inRate), outRate_(outRate) {
    if (inRate <= 0 || outRate <= 0 || outRate > inRate)
        throw std::invalid_argument(
            "resampler: the output rate must be positive and at most the "
            "input rate");
    if (outRate == inRate) return;
    const int64_t common = std::gcd(int64_t{inRate}, int64_t{outRate});
    up_ = outRate / common;
    down_ = inRate / common;
    phases_ = static_cast<int>(std::min<int64_t>(2 * up_, kMaxPhases));
    cutoff_ = kCutoffFraction * 0.5 * outRate / inRate;
    half_ = static_cast<int>(std::ceil(kZeroCrossings / (2.0 * cutoff_)));
    const int taps = 2 * half_;
    table_.resize(static_cast<std::size_t>(phases_) * static_cast<std::size_t>(taps));
    for (int q = 0; q < phases_; ++q) {
        // Tap t multiplies input sample index - half_ + 1 + t, at distance
        // fraction + half_ - 1 - t from the output's time.
        const double fraction = static_cast<double>(q) / phases_;
        double* row = table_.data() + static_cast<std::size_t>(q) * taps;
        double sum = 0.0;
        for (int t = 0; t < taps; ++t) {
            row[t] = Kernel(fraction + half_ - 1 - t);
            sum += row[t];
        }
        for (int t = 0; t < taps; ++t)
            row[t] /= sum;
    }
}

double Resampler::Kernel(double d) const {
    if (half_ == 0) return d == 0.0 ? 1.0 : 0.0;
    const double u = d / half_;
    if (std::abs(u) >= 1.0) return 0.0;
    const double x = 2.0 * cutoff_ * d;
    const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
    return 2.0 * cutoff_ * sinc * BesselI0(kKaiserBeta * std::sqrt(1.0 - u * u)) /
           BesselI0(kKaiserBeta);
}

void Resampler::Locate(int64_t j, int64_t& index, int& phase) const {
    // Output time (j + 0.5) / outRate is input position (2 j + 1) down / (2 up) - 0.5.
    const int64_t num = (2 * j + 1) * down_ - up_;
    const int64_t den = 2 * up_;
    index = num >= 0 ? num / den : -((-num + den - 1) / den);
    const int64_t rest = num - index * den;
    phase = static_cast<int>(rest * phases_ / den);
}

void Resampler::InputSpan(int64_t jFirst, int64_t jLast, int64_t& first, int64_t& last) const {
    int64_t index = 0;
    int phase = 0;
    Locate(jFirst, index, phase);
    first = index - half_ + 1;
    Locate(jLast - 1, index, phase);
    last = index + half_ + 1;
    if (half_ == 0) first = jFirst, last = jLast;
}

void Resampler::Resample(const double* x, int64_t xFirst, int64_t jFirst, int64_t count,
                         double* out) const {
    if (half_ == 0) {
        for (int64_t k = 0; k < count; ++k)
            out[k] = x[jFirst + k - xFirst];
        return;
    }
    const int taps = 2 * half_;
    for (int64_t k = 0; k < count; ++k) {
        int64_t index = 0;
        int phase = 0;
        Locate(jFirst + k, index, phase);
        const double* row = table_.data() + static_cast<std::size_t>(phase) * taps;
        const double* in = x + (index - half_ + 1 - xFirst);
        // Four partial sums, always added in the same order.
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        int t = 0;
        for (; t + 4 <= taps; t += 4) {
            s0 += row[t] * in[t];
            s1 += row[t + 1] * in[t + 1];
            s2 += row[t + 2] * in[t + 2];
            s3 += row[t + 3] * in[t + 3];
        }
        for (; t < taps; ++t)
            s0 += row[t] * in[t];
        out[k] = (s0 + s1) + (s2 + s3);
    }
}

}  // namespace tonalyx

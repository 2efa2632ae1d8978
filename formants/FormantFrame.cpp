#include "formants/FormantFrame.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

#include "dsp/Burg.h"
#include "dsp/PolynomialRoots.h"
#include "dsp/TaperWindows.h"
#include "formants/Formants.h"

namespace tonalyx {

namespace {

constexpr double kEdgeHz = 50.0;

// Per-thread buffers of the measurement: the resampled stretch, one frame, the polynomial.
struct Scratch {
    std::vector<double> resampled, frame, coefficients, polynomial;
    std::vector<std::pair<double, double>> found;
};

Scratch& ThreadScratch() {
    thread_local Scratch scratch;
    return scratch;
}

}  // namespace

int PolynomialFormants(const double* a, int order, double rate, double ceilingHz, int count,
                       double* frequencies, double* bandwidths) {
    Scratch& s = ThreadScratch();
    s.polynomial.assign(static_cast<std::size_t>(order) + 1, 0.0);
    s.polynomial[static_cast<std::size_t>(order)] = 1.0;
    for (int k = 1; k <= order; ++k)
        s.polynomial[static_cast<std::size_t>(order - k)] = -a[k];
    s.found.clear();
    for (const std::complex<double>& root : PolynomialRoots(s.polynomial)) {
        if (!(root.imag() > 0.0)) continue;
        const double radius = std::abs(root);
        const double frequency = std::arg(root) * rate / (2.0 * std::numbers::pi);
        const double bandwidth = std::abs(std::log(radius)) * rate / std::numbers::pi;
        if (frequency >= kEdgeHz && frequency <= ceilingHz - kEdgeHz && std::isfinite(bandwidth))
            s.found.emplace_back(frequency, bandwidth);
    }
    std::sort(s.found.begin(), s.found.end());
    const int found = std::min(count, static_cast<int>(s.found.size()));
    const double missing = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < count; ++i) {
        frequencies[i] = i < found ? s.found[static_cast<std::size_t>(i)].first : missing;
        bandwidths[i] = i < found ? s.found[static_cast<std::size_t>(i)].second : missing;
    }
    return found;
}

FormantAnalyser::FormantAnalyser(int inRate, double ceilingHz, const FormantSettings& settings,
                                 const FramePlacement& placement)
    : resampler_(inRate, std::min(inRate, static_cast<int>(std::lround(2.0 * ceilingHz)))),
      placement_(placement),
      count_(settings.count),
      emphasis_(
          settings.preEmphasisHz > 0.0
              ? std::exp(-2.0 * std::numbers::pi * settings.preEmphasisHz / resampler_.OutRate())
              : 0.0) {
    // An odd number of samples about the frame's centre sample, spanning twice the effective
    // window.
    const double span = 2.0 * settings.windowSeconds * resampler_.OutRate();
    window_ = GaussianWindow(2 * static_cast<int>(std::floor(0.5 * span)) + 1);
}

int64_t FormantAnalyser::WindowStart(int64_t k) const {
    return NearestSample(placement_.Time(k), resampler_.OutRate()) -
           static_cast<int64_t>(window_.size() / 2);
}

void FormantAnalyser::InputOf(int64_t k0, int64_t k1, int64_t& first, int64_t& last) const {
    // One sample before each window for the pre-emphasis.
    resampler_.InputSpan(WindowStart(k0) - 1,
                         WindowStart(k1 - 1) + static_cast<int64_t>(window_.size()), first, last);
}

void FormantAnalyser::Measure(int64_t k0, int64_t k1, const SampleStretch& in,
                              double* values) const {
    Scratch& s = ThreadScratch();
    const int64_t jFirst = WindowStart(k0) - 1;
    const int64_t jLast = WindowStart(k1 - 1) + static_cast<int64_t>(window_.size());
    s.resampled.resize(static_cast<std::size_t>(jLast - jFirst));
    resampler_.Resample(in.x, in.first, jFirst, jLast - jFirst, s.resampled.data());

    const int n = static_cast<int>(window_.size());
    const int order = 2 * count_;
    s.frame.resize(static_cast<std::size_t>(n));
    s.coefficients.resize(static_cast<std::size_t>(order) + 1);
    for (int64_t k = k0; k < k1; ++k) {
        const double* y = s.resampled.data() + (WindowStart(k) - jFirst);
        bool silent = true;
        for (int t = 0; t < n; ++t) {
            const double v = (y[t] - emphasis_ * y[t - 1]) * window_[static_cast<std::size_t>(t)];
            s.frame[static_cast<std::size_t>(t)] = v;
            silent = silent && v == 0.0;
        }
        double* frequencies = values + (k - k0) * ValuesPerFrame();
        double* bandwidths = frequencies + count_;
        if (silent) {
            std::fill(frequencies, frequencies + 2 * count_,
                      std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        double power = 0.0;
        BurgCoefficients(n, s.frame.data(), order, s.coefficients.data(), power);
        PolynomialFormants(s.coefficients.data(), order, resampler_.OutRate(), CeilingHz(), count_,
                           frequencies, bandwidths);
    }
}

}  // namespace tonalyx

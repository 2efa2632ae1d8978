#include "pitch/InstantaneousFrequency.h"

#include <algorithm>
#include <cstdint>

#include "dsp/Convolution.h"

namespace tonalyx {

void FilterChannel(std::span<const double> signal, std::span<const std::complex<double>> taps,
                   int first, int last, std::vector<std::complex<double>>& work,
                   std::complex<double>* out) {
    const std::int64_t n = static_cast<std::int64_t>(signal.size());
    const std::int64_t J = static_cast<std::int64_t>(taps.size());
    const std::int64_t centre = J / 2;
    // Output i is the full convolution at i + centre; it reads the inputs
    // [i + centre - J + 1, i + centre].
    const std::int64_t from = std::max<std::int64_t>(0, first + centre - J + 1);
    const std::int64_t to = std::min<std::int64_t>(n, last + centre);
    const int length = static_cast<int>(to - from);
    work.resize(static_cast<std::size_t>(length + J - 1));
    FftConvolveComplex(signal.data() + from, length, taps.data(), static_cast<int>(J), work.data());

    const auto isSound = [&](std::int64_t p) { return p >= 0 && p < n && signal[p] != 0.0; };
    std::int64_t nonzero = 0;
    for (std::int64_t p = first + centre - J + 1; p <= first + centre; ++p)
        nonzero += isSound(p);
    for (std::int64_t i = first; i < last; ++i) {
        if (i > first) nonzero += isSound(i + centre) - isSound(i + centre - J);
        out[i - first] = nonzero > 0 ? work[i + centre - from] : 0.0;
    }
}

void InstantaneousFrequency(const std::complex<double>* filtered, int first, int last, int n,
                            double rate, double* out) {
    const int base = std::max(0, first - 1);
    double previous = PhaseCycles(filtered[0]);
    for (int i = std::max(first, 1); i < last; ++i) {
        const double phase = PhaseCycles(filtered[i - base]);
        out[i - first] = WrappedStep(phase - previous) * rate;
        previous = phase;
    }
    if (first == 0 && n >= 2) out[0] = out[1];
}

}  // namespace tonalyx

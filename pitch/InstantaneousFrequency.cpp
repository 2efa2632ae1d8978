#include "pitch/InstantaneousFrequency.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "dsp/Convolution.h"
#include "pitch/PitchKernels.h"

namespace tonalyx {

void FilterChannel(const SignalStretch& signal, std::span<const std::complex<double>> taps,
                   int first, int last, std::vector<std::complex<double>>& work,
                   std::complex<double>* out) {
    const std::int64_t n = signal.n;
    const std::int64_t J = static_cast<std::int64_t>(taps.size());
    const std::int64_t centre = J / 2;
    // Output i is the full convolution at i + centre; it reads the inputs
    // [i + centre - J + 1, i + centre].
    const std::int64_t from = std::max<std::int64_t>(0, first + centre - J + 1);
    const std::int64_t to = std::min<std::int64_t>(n, last + centre);
    if (from < signal.offset || to > signal.offset + std::int64_t(signal.samples.size()))
        throw std::invalid_argument("pitch filter: stretch too short");
    const double* x = signal.samples.data() + (from - signal.offset);
    const int length = static_cast<int>(to - from);
    work.resize(static_cast<std::size_t>(length + J - 1));
    FftConvolveComplex(x, length, taps.data(), static_cast<int>(J), work.data());
    const std::complex<double>* convolved = work.data() + (first + centre - from);
    const int count = last - first;

    // Without a zero among the inputs every output sees sound.
    if (std::find(x, x + length, 0.0) == x + length) {
        std::copy(convolved, convolved + count, out);
        return;
    }
    const auto isSound = [&](std::int64_t p) {
        return p >= 0 && p < n && signal.samples[p - signal.offset] != 0.0;
    };
    std::int64_t nonzero = 0;
    for (std::int64_t p = first + centre - J + 1; p <= first + centre; ++p)
        nonzero += isSound(p);
    for (std::int64_t i = first; i < last; ++i) {
        if (i > first) nonzero += isSound(i + centre) - isSound(i + centre - J);
        out[i - first] = nonzero > 0 ? convolved[i - first] : 0.0;
    }
}

void InstantaneousFrequency(const std::complex<double>* filtered, int first, int last, int n,
                            double rate, double* out) {
    const int base = std::max(0, first - 1);
    const int from = std::max(first, 1);
    if (from < last) {
        ActivePitchKernels().phaseSteps(filtered + (from - 1 - base), last - from, rate,
                                        out + (from - first));
    }
    if (first == 0 && n >= 2) out[0] = out[1];
}

}  // namespace tonalyx

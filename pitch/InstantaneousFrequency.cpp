#include "pitch/InstantaneousFrequency.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "dsp/Convolution.h"
#include "pitch/PitchKernels.h"

namespace tonalyx {

void FilterChannel(const SignalStretch& signal, ComplexFftFilter& filter, int first, int last,
                   std::complex<double>* out) {
    const std::int64_t n = signal.n;
    const std::int64_t J = filter.Length();
    const std::int64_t centre = J / 2;
    // Output i is the full convolution at i + centre; it reads the inputs
    // [i + centre - J + 1, i + centre].
    const std::int64_t from = std::max<std::int64_t>(0, first + centre - J + 1);
    const std::int64_t to = std::min<std::int64_t>(n, last + centre);
    if (from < signal.offset || to > signal.offset + std::int64_t(signal.samples.size()))
        throw std::invalid_argument("pitch filter: stretch too short");
    const double* x = signal.samples.data() + (from - signal.offset);
    const int length = static_cast<int>(to - from);
    filter.Convolve(x, length, first + centre - from, last - first, out);
    // Outputs whose inputs are all zero or outside the signal read exactly 0. Only a run of
    // such inputs at least J long holds a whole input span; runs at the signal's ends go on
    // beyond them.
    for (const double* p = std::find(x, x + length, 0.0); p != x + length;) {
        const double* end = std::find_if(p, x + length, [](double v) { return v != 0.0; });
        const std::int64_t runFirst = p == x && from == 0 ? first - J : from + (p - x);
        const std::int64_t runLast = end == x + length && to == n ? last + J : from + (end - x);
        // Output i reads [i + centre - J + 1, i + centre].
        const std::int64_t silentFirst = std::max<std::int64_t>(first, runFirst + J - 1 - centre);
        const std::int64_t silentLast = std::min<std::int64_t>(last, runLast - centre);
        for (std::int64_t i = silentFirst; i < silentLast; ++i)
            out[i - first] = 0.0;
        p = std::find(end, x + length, 0.0);
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

#include "pitch/InstantaneousFrequency.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "dsp/Convolution.h"
#include "pitch/PitchKernels.h"

namespace tonalyx {

void FindZeroRuns(const SignalStretch& signal, std::vector<ZeroRun>& runs) {
    runs.clear();
    const double* x = signal.samples.data();
    const double* stop = x + signal.samples.size();
    for (const double* p = std::find(x, stop, 0.0); p != stop;) {
        const double* end = std::find_if(p, stop, [](double v) { return v != 0.0; });
        runs.push_back(
            {signal.offset + static_cast<int>(p - x), signal.offset + static_cast<int>(end - x)});
        p = std::find(end, stop, 0.0);
    }
}

void FilterChannel(const SignalStretch& signal, std::span<const ZeroRun> zeroRuns,
                   ComplexFftFilter& filter, int first, int last, std::complex<double>* out) {
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
    for (const ZeroRun& run : zeroRuns) {
        const std::int64_t runFrom = std::max<std::int64_t>(run.first, from);
        const std::int64_t runTo = std::min<std::int64_t>(run.last, to);
        if (runFrom >= runTo) continue;
        const std::int64_t runFirst = runFrom == from && from == 0 ? first - J : runFrom;
        const std::int64_t runLast = runTo == to && to == n ? last + J : runTo;
        // Output i reads [i + centre - J + 1, i + centre].
        const std::int64_t silentFirst = std::max<std::int64_t>(first, runFirst + J - 1 - centre);
        const std::int64_t silentLast = std::min<std::int64_t>(last, runLast - centre);
        for (std::int64_t i = silentFirst; i < silentLast; ++i)
            out[i - first] = 0.0;
    }
}

void FilterChannel(const SignalStretch& signal, ComplexFftFilter& filter, int first, int last,
                   std::complex<double>* out) {
    std::vector<ZeroRun> runs;
    FindZeroRuns(signal, runs);
    FilterChannel(signal, runs, filter, first, last, out);
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

#include "dsp/PowerSpectrum.h"

#include <cmath>
#include <cstddef>

#include "dsp/Fft.h"
#include "dsp/FftPlan.h"
#include "dsp/Window.h"

namespace tonalyx {

void PowerSpectrum(int m, double* data, double x) {
    RequireFftExponent("PowerSpectrum", m, 1, kMaxRealFftLog2);
    RealFft(m, data, true, 1.0);
    const std::size_t n = std::size_t{1} << m;
    const std::size_t half = n / 2;
    // The scale goes on the powers rather than into the transform: no square root, and a
    // negative x scales the result like any other.
    const double edgeScale = x / static_cast<double>(n);
    const double scale = 2.0 * edgeScale;
    const double first = data[0], last = data[1];
    // P[k] is written at k from slots 2k and 2k + 1, which lie at or above k: ascending order
    // reads every value before it is overwritten (X[n/2] in slot 1 was saved above).
    for (std::size_t k = 1; k < half; ++k) {
        const double re = data[2 * k], im = data[2 * k + 1];
        data[k] = scale * (re * re + im * im);
    }
    data[0] = edgeScale * first * first;
    data[half] = edgeScale * last * last;
}

void WindowedPowerSpectrum(int m, double* data, int kind) {
    RequireFftExponent("WindowedPowerSpectrum", m, 1, kMaxRealFftLog2);
    ApplyWindow(kind, 1 << m, data);
    PowerSpectrum(m, data, 1.0);
}

void PowerToDb(int n, const double* in, double* out) {
    for (int i = 0; i < n; ++i) {
        const double magnitude = std::abs(in[i]);
        out[i] = magnitude > kPowerFloor ? 10.0 * std::log10(magnitude) : kFloorDb;
    }
}

}  // namespace tonalyx

#include <cmath>
#include <cstddef>

#include "dsp/Fft.h"
#include "dsp/FftPlan.h"

namespace tonalyx {

// The n real values are transformed as n/2 complex points z[j] = x[2j] + i x[2j+1]; the split
// step separates the spectra of the even and odd samples and combines them into X.
void RealFft(int m, double* data, bool forward, double x) {
    RequireFftExponent("RealFft", m, 1, kMaxRealFftLog2);
    const double* splitTwiddles = GetRealSplitTwiddles(m);
    // The split step doubles what it produces: forward, the complex transform takes the 1/2 in
    // its scale; inverse, 1/n instead of 1/(n/2) takes it back.
    if (forward) {
        ComplexFftRaw(m - 1, data, true, 0.5 * x);
        ActiveFftKernels().splitRealSpectrum(m - 1, data, splitTwiddles, true);
    } else {
        ActiveFftKernels().splitRealSpectrum(m - 1, data, splitTwiddles, false);
        ComplexFftRaw(m - 1, data, false, std::ldexp(x, -m));
    }
}

void RealFftUnpacked(int m, double* data, bool forward) {
    RequireFftExponent("RealFftUnpacked", m, 1, kMaxRealFftLog2);
    const std::size_t n = std::size_t{1} << m;
    if (forward) {
        RealFft(m, data, true, 1.0);
        data[n] = data[1];
        data[1] = 0.0;
        data[n + 1] = 0.0;
    } else {
        data[1] = data[n];
        RealFft(m, data, false, 1.0);
    }
}

}  // namespace tonalyx

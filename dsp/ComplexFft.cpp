#include <cmath>
#include <cstddef>

#include "dsp/Fft.h"
#include "dsp/FftPlan.h"

namespace tonalyx {

namespace {

// 1, 2 and 4 points: below the smallest size of the vector passes.
void SmallComplexFft(int m, double* d, bool forward, double scale) {
    if (m == 0) {
        d[0] *= scale;
        d[1] *= scale;
        return;
    }
    if (m == 1) {
        const double ar = d[0], ai = d[1], br = d[2], bi = d[3];
        d[0] = scale * (ar + br);
        d[1] = scale * (ai + bi);
        d[2] = scale * (ar - br);
        d[3] = scale * (ai - bi);
        return;
    }
    const double s02r = d[0] + d[4], s02i = d[1] + d[5], d02r = d[0] - d[4], d02i = d[1] - d[5];
    const double s13r = d[2] + d[6], s13i = d[3] + d[7];
    // u (d[1] - d[3]) with u = i forward and -i inverse.
    const double u = forward ? 1.0 : -1.0;
    const double ur = -u * (d[3] - d[7]), ui = u * (d[2] - d[6]);
    d[0] = scale * (s02r + s13r);
    d[1] = scale * (s02i + s13i);
    d[2] = scale * (d02r + ur);
    d[3] = scale * (d02i + ui);
    d[4] = scale * (s02r - s13r);
    d[5] = scale * (s02i - s13i);
    d[6] = scale * (d02r - ur);
    d[7] = scale * (d02i - ui);
}

}  // namespace

void ComplexFftRaw(int m, double* data, bool forward, double scale) {
    RequireFftExponent("ComplexFftRaw", m, 0, kMaxComplexFftLog2);
    if (m <= 2) {
        SmallComplexFft(m, data, forward, scale);
        return;
    }
    const ComplexFftPlan& plan = GetComplexFftPlan(m);
    double* scratch = FftScratch(std::size_t{2} << m);
    ActiveFftKernels().transformComplex(plan, data, scratch, forward, scale);
}

void ComplexFft(int m, double* data, bool forward, double x) {
    RequireFftExponent("ComplexFft", m, 0, kMaxComplexFftLog2);
    ComplexFftRaw(m, data, forward, forward ? x : std::ldexp(x, -m));
}

}  // namespace tonalyx

#include <cmath>
#include <cstddef>
#include <numbers>

#include "dsp/Fft.h"
#include "dsp/FftPlan.h"

namespace tonalyx {

namespace {

// 1, 2, 4 and 8 points: below the smallest size of the vector passes.
void Fft2(double* d, double scale) {
    const double ar = d[0], ai = d[1], br = d[2], bi = d[3];
    d[0] = scale * (ar + br);
    d[1] = scale * (ai + bi);
    d[2] = scale * (ar - br);
    d[3] = scale * (ai - bi);
}

void Fft4(double* d, bool forward, double scale) {
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

// The 4-point transforms of the even and the odd points, joined with e^{+-2 pi i k / 8}.
void Fft8(double* d, bool forward, double scale) {
    double even[8], odd[8];
    for (int j = 0; j < 4; ++j) {
        even[2 * j] = d[4 * j];
        even[2 * j + 1] = d[4 * j + 1];
        odd[2 * j] = d[4 * j + 2];
        odd[2 * j + 1] = d[4 * j + 3];
    }
    Fft4(even, forward, 1.0);
    Fft4(odd, forward, 1.0);
    constexpr double r = std::numbers::sqrt2 / 2.0;
    constexpr double cosines[4] = {1.0, r, 0.0, -r};
    constexpr double sines[4] = {0.0, r, 1.0, r};
    const double sign = forward ? 1.0 : -1.0;
    for (int k = 0; k < 4; ++k) {
        const double wr = cosines[k], wi = sign * sines[k];
        const double tr = odd[2 * k] * wr - odd[2 * k + 1] * wi;
        const double ti = odd[2 * k] * wi + odd[2 * k + 1] * wr;
        d[2 * k] = scale * (even[2 * k] + tr);
        d[2 * k + 1] = scale * (even[2 * k + 1] + ti);
        d[2 * k + 8] = scale * (even[2 * k] - tr);
        d[2 * k + 9] = scale * (even[2 * k + 1] - ti);
    }
}

void SmallComplexFft(int m, double* d, bool forward, double scale) {
    switch (m) {
        case 0:
            d[0] *= scale;
            d[1] *= scale;
            break;
        case 1:
            Fft2(d, scale);
            break;
        case 2:
            Fft4(d, forward, scale);
            break;
        default:
            Fft8(d, forward, scale);
            break;
    }
}

}  // namespace

void ComplexFftRaw(int m, double* data, bool forward, double scale) {
    RequireFftExponent("ComplexFftRaw", m, 0, kMaxComplexFftLog2);
    if (m <= 3) {
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

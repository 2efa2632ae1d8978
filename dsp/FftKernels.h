#pragma once

// The interface between the transform entry points and the instruction-set builds of the
// transform kernels. The kernel files are compiled with different processor flags, so this
// header holds only plain data and declarations: no inline code that the linker could merge
// across those builds.

#include <cstddef>

namespace tonalyx {

constexpr int kMaxFftPasses = 16;

// One complex transform of 2^log2Size points (log2Size >= 4): radix-4 passes with twiddles,
// then a last pass without twiddles, radix 4 when log2Size is even and radix 8 when it is odd.
//
// Twiddle tables hold e^{+2 pi i t / L} for the sub-transform length L of their pass as
// (re, im) pairs. With full twiddles a pass reads, for each even p, w^p, w^{p+1}, w^{2p},
// w^{2(p+1)}, w^{3p}, w^{3(p+1)} in a block of 12 doubles at slot 6p; with derived twiddles it
// reads only w^p at slot 2p and forms the powers 2 and 3 itself. Every table has one spare
// slot at its end.
struct ComplexFftPlan {
    int log2Size;
    int passCount;  // including the last pass, which has no table
    const double* twiddles[kMaxFftPasses];
    bool derivedTwiddles[kMaxFftPasses];
};

struct FftKernels {
    // The transform of plan's size; scratch holds as many doubles as data. The result is
    // multiplied by scale.
    void (*transformComplex)(const ComplexFftPlan& plan, double* data, double* scratch,
                             bool forward, double scale);
    // Forward: turns the spectrum Z of the 2^log2Half complex points z[j] = x[2j] + i x[2j+1]
    // into twice the packed real spectrum of x. Inverse: the reverse step on a packed
    // spectrum, leaving twice Z. splitTwiddles holds -i e^{+2 pi i k / n} at slot 2k for
    // k < n/4, n = 2^(log2Half + 1).
    void (*splitRealSpectrum)(int log2Half, double* data, const double* splitTwiddles,
                              bool forward);
    const struct FftFilterSteps* filterSteps;
};

// The pointwise steps of the FFT filters around their transforms: the products of spectra and
// the overlap-add of the blocks. They are built without fused multiply-add, so that each
// product equals the plain complex product of scalar code in every build: the filters give the
// same values whichever build runs.
struct FftFilterSteps {
    // a[k] = a[k] b[k] for count complex values (re, im pairs).
    void (*multiplySpectrum)(double* a, const double* b, std::size_t count);
    // a holds the unpacked spectrum X[0 .. size/2] of size real values (size >= 4): completes
    // it to size complex values with X[k] = conj X[size - k], then multiplies it by b[0, size).
    void (*multiplyHermitianSpectrum)(double* a, const double* b, std::size_t size);
    // y[i] += b[i] for count values.
    void (*addTo)(double* y, const double* b, std::size_t count);
    // y[i] = 0 + b[i] for count values: what adding b to cleared outputs gives (-0 becomes +0).
    void (*startWith)(double* y, const double* b, std::size_t count);
};

extern const FftKernels kSse2FftKernels;
extern const FftKernels kAvx2FftKernels;
extern const FftKernels kAvx512FftKernels;
extern const FftFilterSteps kSse2FftFilterSteps;
extern const FftFilterSteps kAvx2FftFilterSteps;

}  // namespace tonalyx

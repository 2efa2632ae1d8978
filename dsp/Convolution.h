#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace tonalyx {

// Linear convolution of a real signal x of N values with a filter h of M values:
// y[t] = sum_{j<M} h[j] x[t - j] for t in [0, N + M - 1), x taken as 0 outside [0, N).
//
// The work is done by overlap-add of FFT blocks of S = 2^m points, S chosen by
// ConvolutionBlockLog2; the result equals the direct sum up to rounding. Filters of fewer than
// three taps are summed directly: their blocks would be smaller than four points and the sum is
// cheaper anyway. An empty signal or filter gives max(N + M - 1, 0) zeros.
//
// N and M must not be negative (std::invalid_argument otherwise). Calls from several threads at
// once are safe.

// The smallest filter that goes through the FFT.
constexpr int kMinFftFilterLength = 3;

// Cost of the overlap-add with blocks of S = 2^m points: S (B + m (B + 1)), where
// B = ceil(N / (S - M + 1)) is the number of blocks. Infinite when S < M (no block fits).
double ConvolutionBlockCost(int m, int N, int M);

// The block exponent the convolutions use: starting at m = ceil(log2 M), the next size up
// (at most ceil(log2(N + M - 1))) is taken while it is cheaper. Never above the largest complex
// transform; M >= 1.
int ConvolutionBlockLog2(int N, int M);

// Writes the N + M - 1 outputs to y, which is cleared first.
void FftConvolveReal(const double* x, int N, const double* h, int M, double* y);
std::vector<double> FftConvolveReal(const double* x, int N, const double* h, int M);

// The same with a complex filter and a complex output; x counts as complex with zero imaginary
// part.
void FftConvolveComplex(const double* x, int N, const std::complex<double>* h, int M,
                        std::complex<double>* y);
std::vector<std::complex<double>> FftConvolveComplex(const double* x, int N,
                                                     const std::complex<double>* h, int M);

// One filter convolved with many signals, through the same overlap-add as the functions above:
// Convolve gives the outputs [first, first + count) of the full convolution of x (N values) with
// the taps, written to y[0, count), bit for bit the values FftConvolveReal (FftConvolveComplex)
// gives there, while computing only the blocks that reach those outputs. The filter's spectrum
// is kept for the block size last used and reused while the signals ask for the same size.
// first and count must lie within the N + M - 1 outputs (std::invalid_argument otherwise). One
// object serves one thread at a time.
class RealFftFilter {
public:
    explicit RealFftFilter(std::span<const double> taps);
    int Length() const { return static_cast<int>(taps_.size()); }
    void Convolve(const double* x, int N, std::int64_t first, int count, double* y);

private:
    std::vector<double> taps_;
    int log2_ = -1;
    std::vector<double> spectrum_, block_;
};

class ComplexFftFilter {
public:
    explicit ComplexFftFilter(std::span<const std::complex<double>> taps);
    int Length() const { return static_cast<int>(taps_.size()); }
    void Convolve(const double* x, int N, std::int64_t first, int count, std::complex<double>* y);

private:
    std::vector<std::complex<double>> taps_;
    int log2_ = -1;
    std::vector<std::complex<double>> spectrum_, block_;
};

}  // namespace tonalyx

#include "dsp/Convolution.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "dsp/Fft.h"

namespace tonalyx {
namespace {

using Complex = std::complex<double>;

// ceil(log2 value), 0 for values below 2.
int CeilLog2(std::int64_t value) {
    if (value < 2) return 0;
    return static_cast<int>(std::bit_width(static_cast<std::uint64_t>(value - 1)));
}

std::size_t OutputLength(int N, int M) {
    if (N < 0 || M < 0) throw std::invalid_argument("convolution: negative length");
    const std::int64_t length = std::int64_t{N} + M - 1;
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

// Plain complex product; std::complex's operator* also guards against infinities, which these
// finite spectra never hold, at a noticeable price in the inner loop.
inline Complex Times(Complex a, Complex b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

template <class Filter, class Out>
void DirectConvolve(const double* x, int N, const Filter* h, int M, Out* y) {
    for (int j = 0; j < M; ++j) {
        for (int i = 0; i < N; ++i)
            y[i + j] += h[j] * x[i];
    }
}

// The blocks of the overlap-add: [start, start + length) of the signal for each block.
struct BlockPlan {
    int log2 = 0;
    std::size_t size = 0;
    std::size_t step = 0;
};

BlockPlan PlanBlocks(int N, int M) {
    BlockPlan plan;
    plan.log2 = ConvolutionBlockLog2(N, M);
    plan.size = std::size_t{1} << plan.log2;
    plan.step = plan.size - static_cast<std::size_t>(M) + 1;
    return plan;
}

// Checks the arguments, clears y and tells whether anything is left for the FFT to do.
template <class Filter, class Out>
bool PrepareOutput(const double* x, int N, const Filter* h, int M, Out* y) {
    const std::size_t length = OutputLength(N, M);
    if (length == 0) return false;
    if (y == nullptr) throw std::invalid_argument("convolution: no output array");
    if ((N > 0 && x == nullptr) || (M > 0 && h == nullptr))
        throw std::invalid_argument("convolution: no input array");
    std::fill(y, y + length, Out{});
    if (N == 0 || M == 0) return false;
    if (M < kMinFftFilterLength) {
        DirectConvolve(x, N, h, M, y);
        return false;
    }
    return true;
}

}  // namespace

double ConvolutionBlockCost(int m, int N, int M) {
    const double size = static_cast<double>(std::int64_t{1} << m);
    const std::int64_t step = (std::int64_t{1} << m) - M + 1;
    if (step < 1) return std::numeric_limits<double>::infinity();
    const double blocks = static_cast<double>((std::int64_t{N} + step - 1) / step);
    return size * (blocks + m * (blocks + 1));
}

int ConvolutionBlockLog2(int N, int M) {
    if (N < 0 || M < 1) throw std::invalid_argument("convolution: bad lengths");
    int m = CeilLog2(M);
    const int last = std::min(CeilLog2(std::int64_t{N} + M - 1), kMaxComplexFftLog2);
    while (m < last && ConvolutionBlockCost(m + 1, N, M) < ConvolutionBlockCost(m, N, M))
        ++m;
    return m;
}

void FftConvolveReal(const double* x, int N, const double* h, int M, double* y) {
    if (!PrepareOutput(x, N, h, M, y)) return;
    const std::size_t outputs = OutputLength(N, M);
    const BlockPlan plan = PlanBlocks(N, M);
    const std::size_t half = plan.size / 2;

    std::vector<double> filter(plan.size + 2, 0.0);
    std::copy(h, h + M, filter.begin());
    RealFftUnpacked(plan.log2, filter.data(), true);
    const Complex* filterSpectrum = reinterpret_cast<const Complex*>(filter.data());

    std::vector<double> block(plan.size + 2);
    Complex* spectrum = reinterpret_cast<Complex*>(block.data());
    for (std::size_t start = 0; start < static_cast<std::size_t>(N); start += plan.step) {
        const std::size_t length = std::min(plan.step, static_cast<std::size_t>(N) - start);
        std::copy(x + start, x + start + length, block.begin());
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(length), block.end(), 0.0);
        RealFftUnpacked(plan.log2, block.data(), true);
        for (std::size_t k = 0; k <= half; ++k)
            spectrum[k] = Times(spectrum[k], filterSpectrum[k]);
        RealFftUnpacked(plan.log2, block.data(), false);
        const std::size_t count = std::min(plan.size, outputs - start);
        for (std::size_t t = 0; t < count; ++t)
            y[start + t] += block[t];
    }
}

std::vector<double> FftConvolveReal(const double* x, int N, const double* h, int M) {
    std::vector<double> y(OutputLength(N, M));
    FftConvolveReal(x, N, h, M, y.data());
    return y;
}

void FftConvolveComplex(const double* x, int N, const Complex* h, int M, Complex* y) {
    if (!PrepareOutput(x, N, h, M, y)) return;
    const std::size_t outputs = OutputLength(N, M);
    const BlockPlan plan = PlanBlocks(N, M);
    const std::size_t half = plan.size / 2;

    std::vector<Complex> filter(plan.size, Complex{});
    std::copy(h, h + M, filter.begin());
    ComplexFft(plan.log2, reinterpret_cast<double*>(filter.data()), true, 1.0);

    // The block is transformed as real values (its first S doubles, S/2 + 1 complex values
    // out), then completed to the full spectrum by conjugate symmetry.
    std::vector<Complex> block(plan.size);
    double* blockValues = reinterpret_cast<double*>(block.data());
    for (std::size_t start = 0; start < static_cast<std::size_t>(N); start += plan.step) {
        const std::size_t length = std::min(plan.step, static_cast<std::size_t>(N) - start);
        std::copy(x + start, x + start + length, blockValues);
        std::fill(blockValues + length, blockValues + plan.size + 2, 0.0);
        RealFftUnpacked(plan.log2, blockValues, true);
        for (std::size_t k = plan.size - 1; k > half; --k)
            block[k] = std::conj(block[plan.size - k]);
        for (std::size_t k = 0; k < plan.size; ++k)
            block[k] = Times(block[k], filter[k]);
        ComplexFft(plan.log2, blockValues, false, 1.0);
        const std::size_t count = std::min(plan.size, outputs - start);
        for (std::size_t t = 0; t < count; ++t)
            y[start + t] += block[t];
    }
}

std::vector<Complex> FftConvolveComplex(const double* x, int N, const Complex* h, int M) {
    std::vector<Complex> y(OutputLength(N, M));
    FftConvolveComplex(x, N, h, M, y.data());
    return y;
}

}  // namespace tonalyx

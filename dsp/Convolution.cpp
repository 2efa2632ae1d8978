#include "dsp/Convolution.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "dsp/Fft.h"
#include "dsp/FftPlan.h"

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

// Checks a request for outputs [first, first + count) of the convolution of N and M values;
// false when there is nothing to compute.
bool CheckOutputRange(const double* x, int N, int M, std::int64_t first, int count, const void* y) {
    const std::int64_t outputs = static_cast<std::int64_t>(OutputLength(N, M));
    if (count < 0 || first < 0 || first + count > outputs)
        throw std::invalid_argument("convolution: outputs out of range");
    if (count == 0) return false;
    if (y == nullptr || (N > 0 && x == nullptr))
        throw std::invalid_argument("convolution: no array");
    return true;
}

// The outputs [first, first + count) summed directly, tap by tap in order as DirectConvolve
// adds them; for filters too short for the FFT and for empty signals or filters.
template <class Filter, class Out>
void DirectOutputs(const double* x, int N, const Filter* h, int M, std::int64_t first, int count,
                   Out* y) {
    for (int t = 0; t < count; ++t) {
        Out sum{};
        for (int j = 0; j < M; ++j) {
            const std::int64_t i = first + t - j;
            if (i >= 0 && i < N) sum += h[j] * x[i];
        }
        y[t] = sum;
    }
}

// Adds the block's outputs that fall within [first, first + count) to y (y[0] is output first).
// Outputs before start + M - 1 were begun by the block before; the others begin here, as
// 0 + value, the same sum a cleared output would hold.
template <class Out>
void AddBlockOutputs(const FftFilterSteps& steps, const Out* block, std::size_t start,
                     std::size_t blockOutputs, int M, std::int64_t first, int count, Out* y) {
    // Out is double or std::complex<double>, which is laid out as two doubles.
    constexpr std::int64_t kDoubles = sizeof(Out) / sizeof(double);
    const std::int64_t from = std::max<std::int64_t>(static_cast<std::int64_t>(start), first);
    const std::int64_t to =
        std::min<std::int64_t>(static_cast<std::int64_t>(start + blockOutputs), first + count);
    const std::int64_t begun =
        start == 0 ? from : std::min<std::int64_t>(to, static_cast<std::int64_t>(start) + M - 1);
    const auto output = [&](std::int64_t t) { return reinterpret_cast<double*>(y + (t - first)); };
    const auto value = [&](std::int64_t t) {
        return reinterpret_cast<const double*>(block + (t - static_cast<std::int64_t>(start)));
    };
    if (begun > from) steps.addTo(output(from), value(from), kDoubles * (begun - from));
    const std::int64_t fresh = std::max(from, begun);
    if (to > fresh) steps.startWith(output(fresh), value(fresh), kDoubles * (to - fresh));
}

// Whether the block at start reaches any of the outputs [first, first + count).
bool BlockReaches(std::size_t start, std::size_t blockOutputs, std::int64_t first, int count) {
    return static_cast<std::int64_t>(
        start)<first + count&& static_cast<std::int64_t>(start + blockOutputs)>
        first;
}

// For each block of the overlap-add that reaches the outputs [first, first + count): loads the
// block's samples of x into block, zero-padded to the plan's size plus the two doubles of the
// unpacked real spectrum, and calls filterBlock(start, blockOutputs).
template <class FilterBlock>
void ForEachReachingBlock(const double* x, int N, const BlockPlan& plan, std::size_t outputs,
                          std::int64_t first, int count, double* block,
                          const FilterBlock& filterBlock) {
    for (std::size_t start = 0; start < static_cast<std::size_t>(N); start += plan.step) {
        const std::size_t blockOutputs = std::min(plan.size, outputs - start);
        if (!BlockReaches(start, blockOutputs, first, count)) continue;
        const std::size_t length = std::min(plan.step, static_cast<std::size_t>(N) - start);
        std::copy(x + start, x + start + length, block);
        std::fill(block + length, block + plan.size + 2, 0.0);
        filterBlock(start, blockOutputs);
    }
}

}  // namespace

RealFftFilter::RealFftFilter(std::span<const double> taps) : taps_(taps.begin(), taps.end()) {}

void RealFftFilter::Convolve(const double* x, int N, std::int64_t first, int count, double* y) {
    const int M = Length();
    if (!CheckOutputRange(x, N, M, first, count, y)) return;
    if (N == 0 || M < kMinFftFilterLength) {
        DirectOutputs(x, N, taps_.data(), M, first, count, y);
        return;
    }
    const std::size_t outputs = OutputLength(N, M);
    const BlockPlan plan = PlanBlocks(N, M);
    const std::size_t half = plan.size / 2;
    if (log2_ != plan.log2) {
        spectrum_.assign(plan.size + 2, 0.0);
        std::copy(taps_.begin(), taps_.end(), spectrum_.begin());
        RealFftUnpacked(plan.log2, spectrum_.data(), true);
        log2_ = plan.log2;
    }
    const FftFilterSteps& steps = *ActiveFftKernels().filterSteps;

    block_.resize(plan.size + 2);
    ForEachReachingBlock(x, N, plan, outputs, first, count, block_.data(),
                         [&](std::size_t start, std::size_t blockOutputs) {
                             RealFftUnpacked(plan.log2, block_.data(), true);
                             steps.multiplySpectrum(block_.data(), spectrum_.data(), half + 1);
                             RealFftUnpacked(plan.log2, block_.data(), false);
                             AddBlockOutputs(steps, block_.data(), start, blockOutputs, M, first,
                                             count, y);
                         });
}

ComplexFftFilter::ComplexFftFilter(std::span<const Complex> taps)
    : taps_(taps.begin(), taps.end()) {}

void ComplexFftFilter::Convolve(const double* x, int N, std::int64_t first, int count, Complex* y) {
    const int M = Length();
    if (!CheckOutputRange(x, N, M, first, count, y)) return;
    if (N == 0 || M < kMinFftFilterLength) {
        DirectOutputs(x, N, taps_.data(), M, first, count, y);
        return;
    }
    const std::size_t outputs = OutputLength(N, M);
    const BlockPlan plan = PlanBlocks(N, M);
    if (log2_ != plan.log2) {
        spectrum_.assign(plan.size, Complex{});
        std::copy(taps_.begin(), taps_.end(), spectrum_.begin());
        ComplexFft(plan.log2, reinterpret_cast<double*>(spectrum_.data()), true, 1.0);
        log2_ = plan.log2;
    }

    // The block is transformed as real values (its first S doubles, S/2 + 1 complex values
    // out), then completed to the full spectrum by conjugate symmetry.
    const FftFilterSteps& steps = *ActiveFftKernels().filterSteps;
    block_.resize(plan.size);
    double* blockValues = reinterpret_cast<double*>(block_.data());
    ForEachReachingBlock(
        x, N, plan, outputs, first, count, blockValues,
        [&](std::size_t start, std::size_t blockOutputs) {
            RealFftUnpacked(plan.log2, blockValues, true);
            steps.multiplyHermitianSpectrum(
                blockValues, reinterpret_cast<const double*>(spectrum_.data()), plan.size);
            ComplexFft(plan.log2, blockValues, false, 1.0);
            AddBlockOutputs(steps, block_.data(), start, blockOutputs, M, first, count, y);
        });
}

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
    RealFftFilter(std::span<const double>(h, static_cast<std::size_t>(M)))
        .Convolve(x, N, 0, static_cast<int>(OutputLength(N, M)), y);
}

std::vector<double> FftConvolveReal(const double* x, int N, const double* h, int M) {
    std::vector<double> y(OutputLength(N, M));
    FftConvolveReal(x, N, h, M, y.data());
    return y;
}

void FftConvolveComplex(const double* x, int N, const Complex* h, int M, Complex* y) {
    if (!PrepareOutput(x, N, h, M, y)) return;
    ComplexFftFilter(std::span<const Complex>(h, static_cast<std::size_t>(M)))
        .Convolve(x, N, 0, static_cast<int>(OutputLength(N, M)), y);
}

std::vector<Complex> FftConvolveComplex(const double* x, int N, const Complex* h, int M) {
    std::vector<Complex> y(OutputLength(N, M));
    FftConvolveComplex(x, N, h, M, y.data());
    return y;
}

}  // namespace tonalyx

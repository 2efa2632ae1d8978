// RealFft and WindowedPowerSpectrum against FFTW's real-to-complex transform of the same size
// (FFTW_MEASURE plan), measured in the same run; the summary at the end gives ours / FFTW.
//
// Our transforms work in place and overwrite their input, so every timed call starts from a
// fresh copy of the frame; the FFTW reference copies the frame into its input array too.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "TimingReporter.h"
#include "dsp/Fft.h"
#include "dsp/PowerSpectrum.h"
#include "dsp/Window.h"

#ifdef TONALYX_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

constexpr int kSmallestLog2 = 8;
constexpr int kLargestLog2 = 13;

std::vector<double> Frame(int n) {
    std::mt19937 generator(n);
    std::uniform_real_distribution<double> uniform(-32768.0, 32767.0);
    std::vector<double> frame(n);
    for (double& v : frame)
        v = uniform(generator);
    return frame;
}

void BM_RealFft(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0));
    const std::vector<double> frame = Frame(1 << m);
    std::vector<double> work(frame.size());
    for (auto _ : state) {
        std::copy(frame.begin(), frame.end(), work.begin());
        tonalyx::RealFft(m, work.data(), true, 1.0);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
}

void BM_WindowedPowerSpectrum(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0));
    const std::vector<double> frame = Frame(1 << m);
    std::vector<double> work(frame.size());
    for (auto _ : state) {
        std::copy(frame.begin(), frame.end(), work.begin());
        tonalyx::WindowedPowerSpectrum(m, work.data(), tonalyx::Hanning);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
}

#ifdef TONALYX_HAVE_FFTW
void BM_FftwRealToComplex(benchmark::State& state) {
    const int n = 1 << state.range(0);
    const std::vector<double> frame = Frame(n);
    double* in = fftw_alloc_real(n);
    fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
    // Planning with FFTW_MEASURE overwrites the arrays, so they are filled afterwards.
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    for (auto _ : state) {
        std::copy(frame.begin(), frame.end(), in);
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
}
#endif

void PrintRatios(const tonalyx::bench::TimingReporter& timing) {
    std::printf("\n%8s %14s %14s %10s %22s %10s\n", "points", "RealFft ns", "FFTW r2c ns", "ratio",
                "WindowedPowerSp. ns", "ratio");
    for (int m = kSmallestLog2; m <= kLargestLog2; ++m) {
        const double ours = timing.Time("RealFft", m);
        const double power = timing.Time("WindowedPowerSpectrum", m);
        const double fftw = timing.Time("FftwRealToComplex", m);
        if (fftw > 0.0) {
            std::printf("%8d %14.1f %14.1f %10.2f %22.1f %10.2f\n", 1 << m, ours, fftw, ours / fftw,
                        power, power / fftw);
        } else {
            std::printf("%8d %14.1f %14s %10s %22.1f %10s\n", 1 << m, ours, "-", "-", power, "-");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Registered size by size, so that each comparison is measured close together in time.
    for (int m = kSmallestLog2; m <= kLargestLog2; ++m) {
        benchmark::RegisterBenchmark("RealFft", BM_RealFft)->Arg(m);
#ifdef TONALYX_HAVE_FFTW
        benchmark::RegisterBenchmark("FftwRealToComplex", BM_FftwRealToComplex)->Arg(m);
#endif
        benchmark::RegisterBenchmark("WindowedPowerSpectrum", BM_WindowedPowerSpectrum)->Arg(m);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    tonalyx::bench::TimingReporter reporter(benchmark::kNanosecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}

// The MEM spectrogram's two costs on a full-width image: the all-pole spectrum of 1920 columns at
// 1024 rows, by MemPowerAt per row and column (the reference) and by MemSpectrumEvaluator with
// each of its kernels; and Burg fits of 1920 frames of 512 samples, next to the windowed FFT
// power spectra of the same frames (the FFT spectrogram's column work). The summary at the end
// gives the speed-ups and ratios, all measured in this run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "TimingReporter.h"
#include "dsp/Burg.h"
#include "dsp/MemSpectrum.h"
#include "dsp/PowerSpectrum.h"
#include "dsp/Window.h"

namespace {

using tonalyx::MemSpectrumEvaluator;

constexpr int kColumns = 1920;
constexpr int kRows = 1024;
constexpr int kFrameLength = 512;
constexpr int kFrameLog2 = 9;

// Voice-like frames: a few harmonics of a gliding fundamental in coloured noise.
std::vector<double> Frames() {
    std::mt19937 generator(17);
    std::normal_distribution<double> noise(0.0, 200.0);
    std::vector<double> frames(static_cast<std::size_t>(kColumns) * kFrameLength);
    double coloured = 0.0;
    for (int c = 0; c < kColumns; ++c) {
        const double f0 = (100.0 + 0.05 * c) / 14700.0;
        for (int t = 0; t < kFrameLength; ++t) {
            coloured = 0.8 * coloured + noise(generator);
            double v = coloured;
            for (int h = 1; h <= 6; ++h)
                v += 3000.0 / h * std::sin(2.0 * std::numbers::pi * h * f0 * t);
            frames[static_cast<std::size_t>(c) * kFrameLength + t] = v;
        }
    }
    return frames;
}

const std::vector<double>& SharedFrames() {
    static const std::vector<double> frames = Frames();
    return frames;
}

// Per column p0 then a[1..poles], as the MEM spectrogram stores them.
std::vector<double> CoefficientSets(int poles) {
    const std::vector<double>& frames = SharedFrames();
    std::vector<double> sets(static_cast<std::size_t>(kColumns) * (poles + 1));
    for (int c = 0; c < kColumns; ++c) {
        double* set = sets.data() + static_cast<std::size_t>(c) * (poles + 1);
        tonalyx::BurgCoefficients(kFrameLength, frames.data() + c * kFrameLength, poles, set,
                                  set[0]);
    }
    return sets;
}

// A linear frequency axis from 0 to 6000 Hz at 14700 Hz, normalised.
std::vector<double> RowFrequencies() {
    std::vector<double> rows(kRows);
    for (int i = 0; i < kRows; ++i)
        rows[i] = 6000.0 * i / kRows / 14700.0;
    return rows;
}

void BM_MemPowerAtImage(benchmark::State& state) {
    const int poles = static_cast<int>(state.range(0));
    const std::vector<double> sets = CoefficientSets(poles);
    const std::vector<double> rows = RowFrequencies();
    std::vector<double> image(static_cast<std::size_t>(kColumns) * kRows);
    for (auto _ : state) {
        for (int c = 0; c < kColumns; ++c) {
            const double* set = sets.data() + static_cast<std::size_t>(c) * (poles + 1);
            for (int i = 0; i < kRows; ++i) {
                image[static_cast<std::size_t>(c) * kRows + i] =
                    tonalyx::MemPowerAt(rows[i], poles, set, set[0]);
            }
        }
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemPowerAtImage)->Arg(20)->Arg(40)->Arg(255)->Unit(benchmark::kMillisecond);

// SetRows is timed too: the display set-up builds the table before every evaluation.
void EvaluatorImage(benchmark::State& state, MemSpectrumEvaluator::Kernel kernel) {
    const int poles = static_cast<int>(state.range(0));
    const std::vector<double> sets = CoefficientSets(poles);
    const std::vector<double> rows = RowFrequencies();
    std::vector<double> image(static_cast<std::size_t>(kColumns) * kRows);
    MemSpectrumEvaluator evaluator;
    if (!evaluator.UseKernel(kernel)) {
        state.SkipWithError("kernel not available on this processor");
        return;
    }
    for (auto _ : state) {
        evaluator.SetRows(rows.data(), kRows, poles);
        evaluator.EvaluateColumns(kColumns, sets.data(), image.data());
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
}

void BM_EvaluatorAvx2FmaImage(benchmark::State& state) {
    EvaluatorImage(state, MemSpectrumEvaluator::Kernel::Avx2Fma);
}
BENCHMARK(BM_EvaluatorAvx2FmaImage)->Arg(20)->Arg(40)->Arg(255)->Unit(benchmark::kMillisecond);

void BM_EvaluatorPortableImage(benchmark::State& state) {
    EvaluatorImage(state, MemSpectrumEvaluator::Kernel::Portable);
}
BENCHMARK(BM_EvaluatorPortableImage)->Arg(20)->Arg(40)->Arg(255)->Unit(benchmark::kMillisecond);

void BM_BurgFrames(benchmark::State& state) {
    const int poles = static_cast<int>(state.range(0));
    const std::vector<double>& frames = SharedFrames();
    std::vector<double> sets(static_cast<std::size_t>(kColumns) * (poles + 1));
    for (auto _ : state) {
        for (int c = 0; c < kColumns; ++c) {
            double* set = sets.data() + static_cast<std::size_t>(c) * (poles + 1);
            tonalyx::BurgCoefficients(kFrameLength, frames.data() + c * kFrameLength, poles, set,
                                      set[0]);
        }
        benchmark::DoNotOptimize(sets.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BurgFrames)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);

void BM_FftFrames(benchmark::State& state) {
    const std::vector<double>& frames = SharedFrames();
    std::vector<double> work(kFrameLength);
    for (auto _ : state) {
        for (int c = 0; c < kColumns; ++c) {
            std::copy_n(frames.data() + c * kFrameLength, kFrameLength, work.data());
            tonalyx::WindowedPowerSpectrum(kFrameLog2, work.data(), tonalyx::Hanning);
            benchmark::DoNotOptimize(work.data());
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FftFrames)->Arg(0)->Unit(benchmark::kMillisecond);

void PrintSummary(const tonalyx::bench::TimingReporter& timing) {
    std::printf("\n%d columns x %d rows\n%6s %16s %14s %9s %14s %9s\n", kColumns, kRows, "poles",
                "MemPowerAt ms", "AVX2+FMA ms", "speed-up", "portable ms", "speed-up");
    for (int poles : {20, 40, 255}) {
        const double reference = timing.Time("BM_MemPowerAtImage", poles);
        const double fused = timing.Time("BM_EvaluatorAvx2FmaImage", poles);
        const double portable = timing.Time("BM_EvaluatorPortableImage", poles);
        std::printf("%6d %16.1f %14.2f %9.1f %14.2f %9.1f\n", poles, reference, fused,
                    fused > 0.0 ? reference / fused : 0.0, portable,
                    portable > 0.0 ? reference / portable : 0.0);
    }
    const double fft = timing.Time("BM_FftFrames", 0);
    std::printf("\n%d frames of %d samples: windowed FFT power spectra %.2f ms\n", kColumns,
                kFrameLength, fft);
    for (int poles : {20, 40}) {
        const double burg = timing.Time("BM_BurgFrames", poles);
        std::printf("Burg fits with %d poles: %.2f ms (%.2f x the FFT columns)\n", poles, burg,
                    fft > 0.0 ? burg / fft : 0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    tonalyx::bench::TimingReporter reporter(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}

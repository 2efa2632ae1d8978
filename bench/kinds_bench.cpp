// What each analysis kind costs over a plain FFT spectrogram: 1920 columns of a two-minute
// voice-like recording at 44.1 kHz, every kind at its largest frame (8192 samples; MEM with 40
// poles on 8192 samples without resampling), computed and rendered into a 1024-row level image.
// The FFT kind at the same size runs in the same program; the summary prints ms per run and
// each kind's ratio to it.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "TimingReporter.h"
#include "VoiceLikeSound.h"
#include "analysis/Spectrogram.h"

namespace {

using namespace tonalyx;

using bench::FittedView;
using bench::kColumns;
using bench::kRate;
using bench::kSampleCount;
constexpr int kImageHeight = 1024;
constexpr int kKinds[] = {FftAnalysis, AutoCorrelationAnalysis, CepstrumAnalysis, LifteringAnalysis,
                          MemAnalysis};
const char* const kKindNames[] = {"", "FFT", "AC", "cepstrum", "liftering", "MEM"};

// Every kind at its largest size.
AnalysisSettings LargestSettings() {
    AnalysisSettings settings;
    settings.fftSizeLog2 = 13;
    settings.acSizeLog2 = 13;
    settings.cepSizeLog2 = 13;
    settings.lifSizeLog2 = 13;
    settings.memResampleRate = 0.0;
    settings.memSize = 8192;
    settings.memPoles = 40;
    return settings;
}

DisplaySettings ImageSettings() {
    DisplaySettings display;
    display.maxFreq = 5000.0;
    display.imageHeight = kImageHeight;
    return display;
}

void BM_Kind(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const ViewGeometry geometry = FittedView();
    SpectrogramEngine engine;
    LevelImage image;
    std::vector<double> levels;
    for (auto _ : state) {
        ComputeSpectrogramColumns(engine, bench::VoiceLikeSound(), geometry, kind,
                                  LargestSettings());
        RenderLevelImage(engine, kind, ImageSettings(), geometry, nullptr, image, levels);
        benchmark::DoNotOptimize(image.pixels.data());
    }
}

// Rendering alone, from stored columns (for MEM this includes evaluating every row).
void BM_Render(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const ViewGeometry geometry = FittedView();
    SpectrogramEngine engine;
    LevelImage image;
    std::vector<double> levels;
    ComputeSpectrogramColumns(engine, bench::VoiceLikeSound(), geometry, kind, LargestSettings());
    for (auto _ : state) {
        RenderLevelImage(engine, kind, ImageSettings(), geometry, nullptr, image, levels);
        benchmark::DoNotOptimize(image.pixels.data());
    }
}

void PrintSummary(const bench::TimingReporter& timing) {
    const double fft = timing.Time("Kind", FftAnalysis);
    std::printf("\n%10s %12s %12s %12s %10s\n", "kind", "total ms", "render ms", "compute ms",
                "/ FFT");
    for (int kind : kKinds) {
        const double total = timing.Time("Kind", kind), render = timing.Time("Render", kind);
        std::printf("%10s %12.1f %12.1f %12.1f %10.2f\n", kKindNames[kind], total, render,
                    total - render, fft > 0.0 ? total / fft : 0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::VoiceLikeSound();  // built once, before anything is timed
    for (int kind : kKinds) {
        benchmark::RegisterBenchmark("Kind", BM_Kind)->Arg(kind)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("Render", BM_Render)->Arg(kind)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::TimingReporter reporter(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}

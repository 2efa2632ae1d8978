// A whole FFT spectrogram as the main window makes it: 1920 columns of a two-minute voice-like
// recording at 44.1 kHz (fitted into the view), framed, transformed and rendered into a 1024-row
// level image. The reference, measured in the same run, is FFTW doing the bare work of the same
// frames: copy, window, real-to-complex transform and power. The summary prints ms per run and
// the ratios to that reference.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "TimingReporter.h"
#include "VoiceLikeSound.h"
#include "analysis/Spectrogram.h"
#include "dsp/Window.h"

#ifdef TONALYX_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

using namespace tonalyx;

using bench::FittedView;
using bench::kColumns;
using bench::kRate;
using bench::kSampleCount;
constexpr int kImageHeight = 1024;
constexpr int kSizes[] = {11, 13};

AnalysisSettings FftSettings(int log2) {
    AnalysisSettings settings;
    settings.fftSizeLog2 = log2;
    return settings;
}

DisplaySettings ImageSettings() {
    DisplaySettings display;
    display.maxFreq = 5000.0;
    display.imageHeight = kImageHeight;
    return display;
}

struct Pipeline {
    SpectrogramEngine engine;
    LevelImage image;
    std::vector<double> levels;
};

void BM_Spectrogram(benchmark::State& state) {
    const int log2 = static_cast<int>(state.range(0));
    const ViewGeometry geometry = FittedView();
    Pipeline p;
    for (auto _ : state) {
        ComputeSpectrogramColumns(p.engine, bench::VoiceLikeSound(), geometry, FftAnalysis,
                                  FftSettings(log2));
        RenderLevelImage(p.engine, FftAnalysis, ImageSettings(), geometry, nullptr, p.image,
                         p.levels);
        benchmark::DoNotOptimize(p.image.pixels.data());
    }
}

void BM_ComputeColumns(benchmark::State& state) {
    const int log2 = static_cast<int>(state.range(0));
    const ViewGeometry geometry = FittedView();
    Pipeline p;
    for (auto _ : state) {
        ComputeSpectrogramColumns(p.engine, bench::VoiceLikeSound(), geometry, FftAnalysis,
                                  FftSettings(log2));
        benchmark::DoNotOptimize(p.engine.Data().data());
    }
}

void BM_RenderImage(benchmark::State& state) {
    const int log2 = static_cast<int>(state.range(0));
    const ViewGeometry geometry = FittedView();
    Pipeline p;
    ComputeSpectrogramColumns(p.engine, bench::VoiceLikeSound(), geometry, FftAnalysis,
                              FftSettings(log2));
    for (auto _ : state) {
        RenderLevelImage(p.engine, FftAnalysis, ImageSettings(), geometry, nullptr, p.image,
                         p.levels);
        benchmark::DoNotOptimize(p.image.pixels.data());
    }
}

#ifdef TONALYX_HAVE_FFTW
// The same frames through FFTW: fill, window, transform, power into a column matrix.
void BM_FftwFrames(benchmark::State& state) {
    const int n = 1 << state.range(0);
    const ViewGeometry geometry = FittedView();
    const std::vector<double> window = BuildWindow(Hanning, n);
    double* in = fftw_alloc_real(n);
    fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    std::vector<double> columns(static_cast<std::size_t>(kColumns) * (n / 2 + 1));
    for (auto _ : state) {
        for (int c = 0; c < kColumns; ++c) {
            const SampleSpan span = geometry.VisibleSampleRange(c);
            FillFrame(bench::VoiceLikeSound(), CentredFrameStart(span.start, span.end, n), n, in);
            for (int i = 0; i < n; ++i)
                in[i] *= window[i];
            fftw_execute(plan);
            double* column = columns.data() + static_cast<std::size_t>(c) * (n / 2 + 1);
            for (int k = 0; k <= n / 2; ++k) {
                column[k] = (out[k][0] * out[k][0] + out[k][1] * out[k][1]) * (2.0 / n);
            }
        }
        benchmark::DoNotOptimize(columns.data());
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
}
#endif

void PrintSummary(const bench::TimingReporter& timing) {
    std::printf("\n%6s %12s %12s %12s %14s %14s %14s\n", "N", "total ms", "compute ms", "render ms",
                "FFTW frames ms", "total/FFTW", "compute/FFTW");
    for (int log2 : kSizes) {
        const double total = timing.Time("Spectrogram", log2),
                     compute = timing.Time("ComputeColumns", log2);
        const double render = timing.Time("RenderImage", log2),
                     fftw = timing.Time("FftwFrames", log2);
        std::printf("%6d %12.1f %12.1f %12.1f", 1 << log2, total, compute, render);
        if (fftw > 0.0) {
            std::printf(" %14.1f %14.2f %14.2f\n", fftw, total / fftw, compute / fftw);
        } else {
            std::printf(" %14s %14s %14s\n", "-", "-", "-");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::VoiceLikeSound();  // built once, before anything is timed
    for (int log2 : kSizes) {
        benchmark::RegisterBenchmark("Spectrogram", BM_Spectrogram)
            ->Arg(log2)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ComputeColumns", BM_ComputeColumns)
            ->Arg(log2)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("RenderImage", BM_RenderImage)
            ->Arg(log2)
            ->Unit(benchmark::kMillisecond);
#ifdef TONALYX_HAVE_FFTW
        benchmark::RegisterBenchmark("FftwFrames", BM_FftwFrames)
            ->Arg(log2)
            ->Unit(benchmark::kMillisecond);
#endif
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::TimingReporter reporter(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}

// What each analysis kind costs over a plain FFT spectrogram: 1920 columns of a two-minute
// voice-like recording at 44.1 kHz, every kind at its largest frame (8192 samples; MEM with 40
// poles on 8192 samples without resampling), computed and rendered into a 1024-row level image.
// The FFT kind at the same size runs in the same program; the summary prints ms per run and
// each kind's ratio to it.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "analysis/Spectrogram.h"

namespace {

using namespace tonalyx;

constexpr int kColumns = 1920;
constexpr int kRate = 44100;
constexpr int kSampleCount = 120 * kRate;
constexpr int kImageHeight = 1024;
constexpr int kKinds[] = {FftAnalysis, AutoCorrelationAnalysis, CepstrumAnalysis, LifteringAnalysis,
                          MemAnalysis};
const char* const kKindNames[] = {"", "FFT", "AC", "cepstrum", "liftering", "MEM"};

// Harmonics of a gliding fundamental under two moving formants, some hiss and pauses.
SoundData MakeVoiceLikeSound() {
    SoundData sound;
    sound.samples.resize(kSampleCount);
    sound.sampleCount = kSampleCount;
    sound.format.sampleRate = kRate;
    double phase = 0.0;
    std::uint32_t noise = 1;
    for (int i = 0; i < kSampleCount; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f0 = 170.0 + 80.0 * std::sin(2 * M_PI * 0.3 * t);
        phase += 2 * M_PI * f0 / kRate;
        const double formant1 = 500.0 + 200.0 * std::sin(2 * M_PI * 0.7 * t);
        const double formant2 = 1500.0 + 500.0 * std::sin(2 * M_PI * 0.45 * t);
        double v = 0.0;
        for (int h = 1; h <= 12; ++h) {
            const double f = h * f0;
            const double gain = 1.0 / (1.0 + std::pow((f - formant1) / 150.0, 2)) +
                                0.5 / (1.0 + std::pow((f - formant2) / 250.0, 2));
            v += gain * std::sin(h * phase) / h;
        }
        noise = noise * 1664525u + 1013904223u;
        const double hiss = ((noise >> 9) & 0x3FFF) / 16384.0 - 0.5;
        const bool voiced = std::fmod(t, 2.0) < 1.6;
        sound.samples[i] =
            static_cast<std::int16_t>(std::lround((voiced ? 9000.0 * v : 0.0) + 300.0 * hiss));
    }
    return sound;
}

const SoundData& Sound() {
    static const SoundData sound = MakeVoiceLikeSound();
    return sound;
}

ViewGeometry FittedView() {
    ViewGeometry geometry;
    geometry.sampleCount = kSampleCount;
    geometry.viewWidth = kColumns;
    return geometry;
}

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
        ComputeSpectrogramColumns(engine, Sound(), geometry, kind, LargestSettings());
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
    ComputeSpectrogramColumns(engine, Sound(), geometry, kind, LargestSettings());
    for (auto _ : state) {
        RenderLevelImage(engine, kind, ImageSettings(), geometry, nullptr, image, levels);
        benchmark::DoNotOptimize(image.pixels.data());
    }
}

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const double ms = run.GetAdjustedCPUTime() *
                              benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                              benchmark::GetTimeUnitMultiplier(run.time_unit);
            ms_[{run.run_name.function_name, std::stoi(run.run_name.args)}] = ms;
        }
    }

    void PrintSummary() const {
        const double fft = Ms("Kind", FftAnalysis);
        std::printf("\n%10s %12s %12s %12s %10s\n", "kind", "total ms", "render ms", "compute ms",
                    "/ FFT");
        for (int kind : kKinds) {
            const double total = Ms("Kind", kind), render = Ms("Render", kind);
            std::printf("%10s %12.1f %12.1f %12.1f %10.2f\n", kKindNames[kind], total, render,
                        total - render, fft > 0.0 ? total / fft : 0.0);
        }
    }

private:
    double Ms(const std::string& name, int kind) const {
        const auto found = ms_.find({name, kind});
        return found == ms_.end() ? 0.0 : found->second;
    }
    std::map<std::pair<std::string, int>, double> ms_;
};

}  // namespace

int main(int argc, char** argv) {
    Sound();  // built once, before anything is timed
    for (int kind : kKinds) {
        benchmark::RegisterBenchmark("Kind", BM_Kind)->Arg(kind)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("Render", BM_Render)->Arg(kind)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}

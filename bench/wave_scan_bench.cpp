// The fitted wave view of a long recording: one min/max stroke per pixel column over every
// sample. Printed next to the limit, one min/max pass over the same samples.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "display/WaveStrokes.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr int kSeconds = 300;
constexpr int kColumns = 1920;
constexpr int kHeight = 400;

const std::vector<std::int16_t>& LongSound() {
    static const std::vector<std::int16_t> samples = [] {
        std::vector<std::int16_t> s(static_cast<size_t>(kSampleRate) * kSeconds);
        std::mt19937 random(1);
        std::uniform_int_distribution<int> value(-20000, 20000);
        for (auto& v : s)
            v = static_cast<std::int16_t>(value(random));
        return s;
    }();
    return samples;
}

void BM_FittedWaveStrokes(benchmark::State& state) {
    const auto& samples = LongSound();
    tonalyx::ViewGeometry geometry;
    geometry.sampleCount = static_cast<int>(samples.size());
    geometry.viewWidth = kColumns;
    geometry.Reset();
    std::vector<tonalyx::WaveStroke> strokes;
    for (auto _ : state) {
        tonalyx::ComputeWaveStrokes({samples.data(), &geometry, kHeight, 0, 0}, strokes);
        benchmark::DoNotOptimize(strokes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(samples.size() * 2));
}
BENCHMARK(BM_FittedWaveStrokes)->Unit(benchmark::kMillisecond);

// The limit: one min/max pass over the whole sound, without the per-column work.
void BM_SinglePassOverSamples(benchmark::State& state) {
    const auto& samples = LongSound();
    for (auto _ : state) {
        const tonalyx::SampleExtent extent =
            tonalyx::ScanSampleExtent(samples.data(), 0, static_cast<int>(samples.size()));
        benchmark::DoNotOptimize(extent);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(samples.size() * 2));
}
BENCHMARK(BM_SinglePassOverSamples)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

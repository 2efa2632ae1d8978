// Opening a long recording in a compressed format: ReadSoundFile on a 300-second 44.1 kHz
// stereo FLAC against the same sound as a 16-bit wave (our own reader), and the FLAC read
// again through a frame source in one-second stretches, as a long sound is streamed. Prints
// each figure with its ratio to the wave.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "TimingReporter.h"
#include "document/SoundFile.h"
#include "document/SoundFileWriter.h"
#include "document/WaveWriter.h"

namespace {

using namespace tonalyx;

constexpr int kSeconds = 300;
constexpr int kRate = 44100;

// A voiced sound with a gliding fundamental, its harmonics and a little noise on each channel,
// so that FLAC compresses it as it compresses speech, not as it compresses a pure tone.
std::vector<int16_t> VoiceLikeStereo() {
    const std::size_t frames = std::size_t{kSeconds} * kRate;
    std::vector<int16_t> samples(2 * frames);
    double phase = 0;
    uint32_t noise = 1;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase +=
            2 * std::numbers::pi * (150 + 60 * std::sin(2 * std::numbers::pi * 0.3 * t)) / kRate;
        double v = 0;
        for (int h = 1; h <= 8; ++h)
            v += std::sin(h * phase) / h;
        for (int c = 0; c < 2; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(noise >> 8) / (1 << 24) - 0.5) * 400;
            samples[2 * i + c] = static_cast<int16_t>((c == 0 ? 7000 : 5000) * v + hiss);
        }
    }
    return samples;
}

struct Files {
    std::string wave;
    std::string flac;

    Files() {
        const auto folder = std::filesystem::temp_directory_path();
        wave = (folder / "tonalyx_sound_file_bench.wav").string();
        flac = (folder / "tonalyx_sound_file_bench.flac").string();
        const std::vector<int16_t> samples = VoiceLikeStereo();
        std::string error;
        if (!WriteWaveFile(wave, {WaveSampleFormat::Pcm, 16, 2, kRate, false}, samples) ||
            !WriteSoundFile(flac, {SoundContainer::Flac, SoundCoding::Pcm16, 2, kRate}, samples,
                            &error)) {
            std::fprintf(stderr, "cannot write the benchmark files %s\n", error.c_str());
            std::exit(1);
        }
    }
    ~Files() {
        std::filesystem::remove(wave);
        std::filesystem::remove(flac);
    }
};

const Files& TheFiles() {
    static const Files files;
    return files;
}

void Open(benchmark::State& state, const std::string& path) {
    SoundData sound;
    sound.maxSoundLength = kSeconds;
    for (auto _ : state) {
        if (!ReadSoundFile(sound, path, 1) || sound.sampleCount != kSeconds * kRate) {
            state.SkipWithError("read failed");
        }
        benchmark::DoNotOptimize(sound.samples.data());
    }
}

void BM_OpenWave(benchmark::State& state) {
    Open(state, TheFiles().wave);
}

void BM_OpenFlac(benchmark::State& state) {
    Open(state, TheFiles().flac);
}

// The FLAC through a frame source, one second at a time, as a streamed long sound is read.
void BM_StreamFlac(benchmark::State& state) {
    std::vector<int16_t> stretch(kRate);
    for (auto _ : state) {
        auto source = OpenFrameSource(TheFiles().flac, 1);
        int64_t total = 0;
        for (int64_t first = 0; source && first < source->Info().frames; first += kRate)
            total += static_cast<int64_t>(source->ReadFrames(first, stretch));
        if (total != int64_t{kSeconds} * kRate) state.SkipWithError("stream failed");
        benchmark::DoNotOptimize(stretch.data());
    }
}

BENCHMARK(BM_OpenWave)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_OpenFlac)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_StreamFlac)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TheFiles();
    tonalyx::bench::TimingReporter reporter(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double wave = reporter.Time("BM_OpenWave", 0);
    const double flac = reporter.Time("BM_OpenFlac", 0);
    const double stream = reporter.Time("BM_StreamFlac", 0);
    if (wave > 0 && flac > 0) {
        std::printf(
            "\nOpening %d s of 44.1 kHz stereo (median CPU time): wave %.1f ms, FLAC %.1f ms "
            "(ratio %.2f of the wave)",
            kSeconds, wave, flac, flac / wave);
        if (stream > 0) {
            std::printf(", FLAC streamed in 1 s stretches %.1f ms (ratio %.2f)", stream,
                        stream / wave);
        }
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}

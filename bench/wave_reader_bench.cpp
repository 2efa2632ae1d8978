// Loading a long recording: ReadWaveFile against a plain read of the same data bytes into one
// buffer, the least any reader has to do. Prints the throughput ratio of the two.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "document/WaveReader.h"
#include "document/WaveWriter.h"

namespace {

using namespace tonalyx;

constexpr int kSeconds = 300;
constexpr uint32_t kRate = 44100;
constexpr int kChannels = 2;

// A 300-second 16-bit stereo file in the temporary folder, removed at exit.
class LongFile {
public:
    LongFile() {
        path_ = (std::filesystem::temp_directory_path() / "tonalyx_wave_reader_bench.wav").string();
        const std::size_t frames = std::size_t{kSeconds} * kRate;
        std::vector<int16_t> samples(frames * kChannels);
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            samples[2 * i] = static_cast<int16_t>(12000 * std::sin(2 * std::numbers::pi * 220 * t));
            samples[2 * i + 1] =
                static_cast<int16_t>(9000 * std::sin(2 * std::numbers::pi * 331 * t));
        }
        const WaveEncoding encoding{WaveSampleFormat::Pcm, 16, kChannels, kRate, false};
        if (!WriteWaveFile(path_, encoding, samples)) {
            std::fprintf(stderr, "cannot write %s\n", path_.c_str());
            std::exit(1);
        }
        dataBytes_ = samples.size() * sizeof(int16_t);
    }
    ~LongFile() { std::filesystem::remove(path_); }

    const std::string& Path() const { return path_; }
    std::size_t DataBytes() const { return dataBytes_; }
    static constexpr long kDataOffset = 44;  // plain PCM header from the writer

private:
    std::string path_;
    std::size_t dataBytes_ = 0;
};

const LongFile& TheFile() {
    static const LongFile file;
    return file;
}

void BM_ReadWaveFile(benchmark::State& state) {
    const LongFile& file = TheFile();
    SoundData sound;
    sound.maxSoundLength = kSeconds;
    for (auto _ : state) {
        if (!ReadWaveFile(sound, file.Path(), 1)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(sound.samples.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.DataBytes()));
}

// The reference: open, one read of the data chunk into a fresh buffer, close.
void BM_PlainRead(benchmark::State& state) {
    const LongFile& file = TheFile();
    for (auto _ : state) {
        std::FILE* f = std::fopen(file.Path().c_str(), "rb");
        if (!f) {
            state.SkipWithError("cannot open");
            break;
        }
        auto buffer = std::make_unique_for_overwrite<uint8_t[]>(file.DataBytes());
        std::fseek(f, LongFile::kDataOffset, SEEK_SET);
        if (std::fread(buffer.get(), 1, file.DataBytes(), f) != file.DataBytes()) {
            state.SkipWithError("short read");
        }
        std::fclose(f);
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.DataBytes()));
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWaveFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's throughput (the mean when repetitions are asked for).
class ThroughputReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (rate != run.counters.end() &&
                (run.aggregate_name.empty() || run.aggregate_name == "mean")) {
                bytesPerSecond[run.run_name.function_name] = rate->second.value;
            }
        }
    }
    std::map<std::string, double> bytesPerSecond;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ThroughputReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double reader = reporter.bytesPerSecond["BM_ReadWaveFile"];
    const double plain = reporter.bytesPerSecond["BM_PlainRead"];
    if (reader > 0 && plain > 0) {
        std::printf(
            "\nReadWaveFile %.0f MiB/s, plain read %.0f MiB/s: ratio %.2f of the plain read\n",
            reader / 1048576, plain / 1048576, reader / plain);
    }
    benchmark::Shutdown();
    return 0;
}

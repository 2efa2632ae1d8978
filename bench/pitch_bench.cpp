// The whole pitch extraction on 10, 60 and 300 s of a synthetic voice at 44.1 kHz (and 300 s
// at 48 kHz), with the whole-matrix reference computation on 10 s for comparison, and the
// streaming extraction (16-bit frames read through a callback, the track handed on block by
// block) on 300 s and on one hour (the 300 s voice over and over). For each:
// wall-clock seconds per run and per minute of sound (the extraction uses every core, so this
// depends on what else the machine runs), processor seconds of all threads, the peak of heap
// memory it allocates beyond the sound it is given, and the process's peak resident memory
// (VmHWM, reset before each case; it includes the sound as 16-bit samples and as doubles).
//
// With --praat, Praat's autocorrelation pitch (To Pitch (ac), 75 to 600 Hz, its standard
// settings otherwise) runs on the same sounds written as 16-bit wave files, as a peer to
// compare with, timed in the same run: `praat --run` on a script that reads the file and makes
// the Pitch object, under /usr/bin/time for its peak resident memory. Its start-up alone is
// measured too. The summary at the end gives the ratios.
//
// Usage: pitch_bench [--praat[=/path/to/praat]] [benchmark options]

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "document/WaveWriter.h"
#include "pitch/PitchExtractor.h"
#include "tools/SyntheticVoice.h"

namespace {

// Heap bytes in use and their peak, kept by the replaced operator new and delete below.
std::atomic<std::int64_t> heapInUse{0};
std::atomic<std::int64_t> heapPeak{0};

void CountAllocation(void* p) {
    const auto size = static_cast<std::int64_t>(malloc_usable_size(p));
    const std::int64_t now = heapInUse.fetch_add(size) + size;
    std::int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}

}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    CountAllocation(p);
    return p;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    if (p == nullptr) return;
    heapInUse.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)));
    std::free(p);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

using namespace tonalyx;

constexpr double kMinFreq = 80, kMaxFreq = 640;
constexpr int kChannelsPerOctave = 12;

struct Measurement {
    double seconds = 0;     // wall clock per run
    double cpuSeconds = 0;  // processor time of all threads per run
    double soundSeconds = 0;
    double heapMb = 0;
    double residentMb = 0;
    double soundMb = 0;  // the sound given: doubles, or the 16-bit voice a stream repeats
};
std::map<std::string, Measurement> measurements;

std::string Key(const char* what, int seconds, int rate) {
    return std::string(what) + " " + std::to_string(seconds) + " s " + std::to_string(rate);
}

// Voiced stretches of 0.6 s every 0.8 s with gliding F0, jitter and a little noise, as 16-bit
// samples the way a loaded sound holds them. Only the sound in use is kept, so that the peak
// resident memory of each case holds no other.
const std::vector<std::int16_t>& Voice(int seconds, int rate) {
    static std::pair<int, int> kept;
    static std::vector<std::int16_t> sound;
    if (kept != std::pair{seconds, rate} || sound.empty()) {
        VoiceRecipe r;
        r.sampleRate = rate;
        r.duration = seconds;
        r.jitter = 0.01;
        r.snrDb = 30;
        for (double start = 0.1; start + 0.7 < seconds; start += 0.8) {
            const double f0 = 100 + 40 * std::fmod(start * 1.7, 5.0);
            r.voiced.push_back({start, start + 0.6, f0, f0 * 1.25, 0.02, 5.5});
        }
        sound.clear();
        sound.shrink_to_fit();
        const std::vector<double> samples = SynthesizeVoice(r);
        sound.assign(samples.begin(), samples.end());
        kept = {seconds, rate};
    }
    return sound;
}

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

void ResetResidentPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double ResidentPeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    }
    return 0;
}

// Wall and processor time, heap and resident peaks over a benchmark's iterations.
class RunFigures {
public:
    // Before an iteration's timed work: clears the peaks and starts the clocks.
    void Start() {
        ResetResidentPeak();
        base_ = heapInUse.load();
        heapPeak = base_;
        start_ = std::chrono::steady_clock::now();
        cpuStart_ = ProcessorSeconds();
    }

    // After it: adds the times and keeps the peaks.
    void Stop() {
        cpu_ += ProcessorSeconds() - cpuStart_;
        wall_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        heap_ = std::max(heap_, static_cast<double>(heapPeak.load() - base_) / (1 << 20));
        resident_ = std::max(resident_, ResidentPeakMb());
    }

    // Sets the benchmark's counters and keeps the measurement per run under key.
    void Record(benchmark::State& state, const std::string& key, int seconds, double soundMb) {
        const double runs = static_cast<double>(state.iterations());
        state.counters["s_per_min"] = wall_ / runs * 60 / seconds;
        state.counters["heap_MB"] = heap_;
        state.counters["VmHWM_MB"] = resident_;
        measurements[key] = {.seconds = wall_ / runs,
                             .cpuSeconds = cpu_ / runs,
                             .soundSeconds = static_cast<double>(seconds),
                             .heapMb = heap_,
                             .residentMb = resident_,
                             .soundMb = soundMb};
    }

private:
    std::int64_t base_ = 0;
    std::chrono::steady_clock::time_point start_;
    double cpuStart_ = 0;
    double wall_ = 0, cpu_ = 0, heap_ = 0, resident_ = 0;
};

void Extraction(benchmark::State& state, const char* name, bool reference, int rate) {
    const int seconds = static_cast<int>(state.range(0));
    const std::vector<std::int16_t>& sound = Voice(seconds, rate);
    const int channels = PitchChannelCount(kMinFreq, kMaxFreq, kChannelsPerOctave);
    const auto extract = reference ? ExtractPitchReference : ExtractPitch;
    std::vector<double> work;
    RunFigures figures;
    for (auto _ : state) {
        state.PauseTiming();
        work.assign(sound.begin(), sound.end());
        state.ResumeTiming();
        figures.Start();
        int hop = 0;
        PitchTrack track = extract(work.data(), static_cast<int>(work.size()), rate, kMinFreq,
                                   channels, kChannelsPerOctave, 1.1, 10, hop);
        figures.Stop();
        benchmark::DoNotOptimize(track.values.data());
    }
    figures.Record(state, Key(name, seconds, rate), seconds,
                   static_cast<double>(work.size() * sizeof(double)) / (1 << 20));
}

// ExtractPitchStreaming on `seconds` of the 300 s voice repeated, the track values counted and
// dropped as they come, so that only the extraction's own memory shows.
void Streaming(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const std::vector<std::int16_t>& loop = Voice(std::min(seconds, 300), 44100);
    const std::int64_t frames = std::int64_t{seconds} * 44100;
    const int channels = PitchChannelCount(kMinFreq, kMaxFreq, kChannelsPerOctave);
    const auto read = [&](std::int64_t from, std::span<std::int16_t> out) {
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = loop[static_cast<std::size_t>((from + static_cast<std::int64_t>(i)) %
                                                   static_cast<std::int64_t>(loop.size()))];
    };
    RunFigures figures;
    for (auto _ : state) {
        figures.Start();
        int hop = 0;
        std::int64_t voiced = 0;
        ExtractPitchStreaming(read, frames, 44100, kMinFreq, channels, kChannelsPerOctave, 1.1, 10,
                              hop, [&](std::int64_t, std::span<const double> values) {
                                  for (double v : values)
                                      voiced += v > 0;
                              });
        figures.Stop();
        benchmark::DoNotOptimize(voiced);
    }
    figures.Record(state, Key("ExtractPitchStreaming", seconds, 44100), seconds,
                   static_cast<double>(loop.size() * sizeof(std::int16_t)) / (1 << 20));
}

// --- Praat, run as a child process on the same sounds. ---

std::string praatProgram;
std::filesystem::path praatFolder;

std::filesystem::path PraatScript(int seconds) {
    const std::filesystem::path script =
        praatFolder / ("pitch" + std::to_string(seconds) + ".praat");
    if (std::filesystem::exists(script)) return script;  // written by an earlier case
    std::ofstream out(script);
    if (seconds == 0) {
        out << "a = 1\n";  // start-up only
        return script;
    }
    const std::filesystem::path wave = praatFolder / ("voice" + std::to_string(seconds) + ".wav");
    WaveEncoding encoding;
    encoding.sampleRate = 44100;
    WriteWaveFile(wave.string(), encoding, Voice(seconds, 44100));
    out << "Read from file... " << wave.string() << "\n"
        << "To Pitch (ac)... 0 75 15 no 0.03 0.45 0.01 0.35 0.14 600\n";
    return script;
}

// Runs praat under /usr/bin/time; returns its peak resident memory in MB, or -1 on failure.
// Runs praat under /usr/bin/time, which reports its peak resident memory and processor time.
bool RunPraat(const std::filesystem::path& script, double& megabytes, double& cpuSeconds) {
    const std::filesystem::path usageFile = praatFolder / "usage.txt";
    const std::string command = "/usr/bin/time -f '%M %U %S' -o " + usageFile.string() + " " +
                                praatProgram + " --run " + script.string() + " > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    double kilobytes = 0, user = 0, system = 0;
    std::ifstream(usageFile) >> kilobytes >> user >> system;
    megabytes = kilobytes / 1024;
    cpuSeconds = user + system;
    return true;
}

void BM_Praat(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const std::filesystem::path script = PraatScript(seconds);
    double wall = 0, cpu = 0, peak = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        double megabytes = 0, cpuSeconds = 0;
        if (!RunPraat(script, megabytes, cpuSeconds)) state.SkipWithError("praat failed");
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds;
        peak = std::max(peak, megabytes);
    }
    const double runs = static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
    if (seconds > 0) state.counters["s_per_min"] = wall / runs * 60 / seconds;
    state.counters["peak_RSS_MB"] = peak;
    measurements[Key("praat", seconds, 44100)] = {.seconds = wall / runs,
                                                  .cpuSeconds = cpu / runs,
                                                  .soundSeconds = static_cast<double>(seconds),
                                                  .residentMb = peak};
}

void PrintSummary() {
    const auto get = [](const std::string& key) -> const Measurement* {
        const auto found = measurements.find(key);
        return found == measurements.end() ? nullptr : &found->second;
    };
    std::printf("\n%-32s %8s %8s %8s %8s %8s %8s\n", "case", "wall s", "cpu s", "wall/min",
                "sound MB", "heap MB", "peak RSS");
    for (const auto& [key, m] : measurements) {
        std::printf("%-32s %8.3f %8.3f %8.3f %8.1f %8.1f %8.1f\n", key.c_str(), m.seconds,
                    m.cpuSeconds, m.soundSeconds > 0 ? m.seconds * 60 / m.soundSeconds : 0.0,
                    m.soundMb, m.heapMb, m.residentMb);
    }
    const Measurement* ours = get(Key("ExtractPitch", 10, 44100));
    const Measurement* reference = get(Key("ExtractPitchReference", 10, 44100));
    if (ours && reference) {
        std::printf("\n10 s: reference / blocked: wall %.2f, cpu %.2f, heap %.1f\n",
                    reference->seconds / ours->seconds, reference->cpuSeconds / ours->cpuSeconds,
                    reference->heapMb / ours->heapMb);
    }
    const Measurement* startup = get(Key("praat", 0, 44100));
    for (int seconds : {10, 300}) {
        const Measurement* praat = get(Key("praat", seconds, 44100));
        const Measurement* mine = get(Key("ExtractPitch", seconds, 44100));
        if (!praat || !mine) continue;
        const double wall = praat->seconds - (startup ? startup->seconds : 0);
        const double cpu = praat->cpuSeconds - (startup ? startup->cpuSeconds : 0);
        std::printf(
            "%d s: praat / ours: wall %.2f, cpu %.2f; without praat's start-up: wall "
            "%.2f, cpu %.2f\n",
            seconds, praat->seconds / mine->seconds, praat->cpuSeconds / mine->cpuSeconds,
            wall / mine->seconds, cpu / mine->cpuSeconds);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--praat" || argument.rfind("--praat=", 0) == 0) {
            praatProgram = argument.size() > 8 ? argument.substr(8) : "praat";
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(arguments.size());

    const auto ours = [](benchmark::State& s) { Extraction(s, "ExtractPitch", false, 44100); };
    const auto literal = [](benchmark::State& s) {
        Extraction(s, "ExtractPitchReference", true, 44100);
    };
    const auto ours48 = [](benchmark::State& s) { Extraction(s, "ExtractPitch", false, 48000); };
    const auto add = [](const char* name, auto function, int seconds, int runs) {
        benchmark::RegisterBenchmark(name, function)
            ->Arg(seconds)
            ->Iterations(runs)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    };
    add("ExtractPitch/44100", ours, 10, 3);
    add("ExtractPitchReference/44100", literal, 10, 2);
    add("ExtractPitch/44100", ours, 60, 2);
    add("ExtractPitch/44100", ours, 300, 1);
    add("ExtractPitch/48000", ours48, 300, 1);
    add("ExtractPitchStreaming/44100", Streaming, 300, 1);
    add("ExtractPitchStreaming/44100", Streaming, 3600, 1);
    if (!praatProgram.empty()) {
        praatFolder = std::filesystem::temp_directory_path() / "tonalyx_pitch_bench";
        std::filesystem::create_directories(praatFolder);
        add("Praat/startup", BM_Praat, 0, 3);
        add("Praat/44100", BM_Praat, 10, 3);
        add("Praat/44100", BM_Praat, 300, 1);
    }
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    PrintSummary();
    if (!praatFolder.empty()) std::filesystem::remove_all(praatFolder);
    benchmark::Shutdown();
    return 0;
}

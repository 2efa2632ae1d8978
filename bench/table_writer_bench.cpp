// The pitch table of 300 s at 44.1 kHz (1,323,000 rows: file, index, time "%.6f", F0 "%.6g",
// a fifth of the rows unvoiced) written by TableWriter, against the same rows written the way
// the writer did before (std::to_chars) and by snprintf, in the same run. The text goes
// to a stream that discards it, so that only the formatting is measured. Ratios below 1: the
// writer is faster.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "TimingReporter.h"
#include "requests/TableWriter.h"

namespace {

constexpr double kRate = 44100;
constexpr int kHop = 10;
constexpr std::size_t kRows = 300 * 44100 / kHop;
constexpr const char* kPath = "/home/user/recordings/speaker 01.wav";
constexpr std::size_t kFlushSize = 1 << 16;

// Counts the bytes it is given and keeps none.
class DiscardingBuffer : public std::streambuf {
public:
    std::size_t written = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        written += static_cast<std::size_t>(count);
        return count;
    }
    int_type overflow(int_type c) override {
        ++written;
        return c;
    }
};

// A voice whose F0 wanders between 110 and 190 Hz, voiced 0.8 s of every second.
const std::vector<double>& Track() {
    static const std::vector<double> track = [] {
        std::vector<double> values(kRows);
        std::mt19937_64 random(1);
        std::normal_distribution<double> jitter(0, 0.05);
        for (std::size_t i = 0; i < kRows; ++i) {
            const double seconds = static_cast<double>(i) * kHop / kRate;
            const bool voiced = std::fmod(seconds, 1.0) < 0.8;
            values[i] = voiced ? 150 + 40 * std::sin(2 * M_PI * 0.3 * seconds) + jitter(random) : 0;
        }
        return values;
    }();
    return track;
}

double Seconds(std::size_t index) {
    return static_cast<double>(index) * kHop / kRate;
}

void BM_TableWriter(benchmark::State& state) {
    const std::vector<double>& track = Track();
    DiscardingBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) {
        tonalyx::requests::TableWriter table(out, tonalyx::requests::TableFormat::Csv, kPath);
        for (std::size_t i = 0; i < track.size(); ++i) {
            table.Integer(static_cast<long long>(i))
                .Fixed(Seconds(i), 6)
                .General(track[i], 6)
                .EndLine();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
    benchmark::DoNotOptimize(sink.written);
}

// The rows as the writer wrote them before: the file name looked over for characters to quote
// on every row, the numbers by std::to_chars, into the same kind of buffer.
void BM_BeforeRows(benchmark::State& state) {
    const std::vector<double>& track = Track();
    DiscardingBuffer sink;
    std::ostream out(&sink);
    std::string buffer;
    buffer.reserve(kFlushSize + 256);
    const std::string path = kPath;
    for (auto _ : state) {
        for (std::size_t i = 0; i < track.size(); ++i) {
            char text[400];
            if (path.find_first_of(",\"\r\n") != std::string::npos) return;
            buffer += path;
            buffer += ',';
            buffer.append(text,
                          std::to_chars(text, text + sizeof text, static_cast<long long>(i)).ptr);
            buffer += ',';
            buffer.append(text, std::to_chars(text, text + sizeof text, Seconds(i),
                                              std::chars_format::fixed, 6)
                                    .ptr);
            buffer += ',';
            buffer.append(text, std::to_chars(text, text + sizeof text, track[i],
                                              std::chars_format::general, 6)
                                    .ptr);
            buffer += '\n';
            if (buffer.size() >= kFlushSize) {
                out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                buffer.clear();
            }
        }
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.clear();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
    benchmark::DoNotOptimize(sink.written);
}

// The rows by snprintf, one call per row.
void BM_SnprintfRows(benchmark::State& state) {
    const std::vector<double>& track = Track();
    DiscardingBuffer sink;
    std::ostream out(&sink);
    std::string buffer;
    buffer.reserve(kFlushSize + 256);
    for (auto _ : state) {
        for (std::size_t i = 0; i < track.size(); ++i) {
            char text[400];
            const int length = std::snprintf(text, sizeof text, "%s,%zu,%.6f,%.6g\n", kPath, i,
                                             Seconds(i), track[i]);
            buffer.append(text, static_cast<std::size_t>(length));
            if (buffer.size() >= kFlushSize) {
                out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                buffer.clear();
            }
        }
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.clear();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
    benchmark::DoNotOptimize(sink.written);
}

}  // namespace

int main(int argc, char** argv) {
    Track();
    benchmark::RegisterBenchmark("TableWriter", BM_TableWriter)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BeforeRows", BM_BeforeRows)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SnprintfRows", BM_SnprintfRows)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    tonalyx::bench::TimingReporter reporter(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double writer = reporter.Time("TableWriter", 0);
    const double toChars = reporter.Time("BeforeRows", 0);
    const double printf = reporter.Time("SnprintfRows", 0);
    std::printf("\n%zu rows, processor time:\n", kRows);
    std::printf("  TableWriter %.1f ms, writer before %.1f ms, snprintf rows %.1f ms\n", writer,
                toChars, printf);
    if (writer > 0 && toChars > 0 && printf > 0) {
        std::printf("  TableWriter / writer before: %.2f\n", writer / toChars);
        std::printf("  TableWriter / snprintf rows:      %.2f\n", writer / printf);
    }
    benchmark::Shutdown();
    return 0;
}

#include "analysis/Intensity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "document/FrameSource.h"
#include "dsp/TaperWindows.h"

namespace tonalyx {

namespace {

constexpr double kKaiserBeta = 20.0;
constexpr double kFullScale = 32768.0;            // one pascal
constexpr double kReference = 2e-5 * kFullScale;  // 20 micropascals, in sample units
constexpr double kRounding = 1e-24;

}  // namespace

IntensitySummary StreamIntensity(const SampleReader& read, int64_t samples, int sampleRate,
                                 const IntensitySettings& s, const IntensitySink& sink,
                                 const MeasureRun& run) {
    if (sampleRate <= 0) throw std::invalid_argument("the sample rate must be positive");
    if (!(std::isfinite(s.minPitchHz) && s.minPitchHz > 0.0))
        throw std::invalid_argument("the minimum pitch must be positive");
    if (!std::isfinite(s.stepSeconds) || s.stepSeconds < 0.0)
        throw std::invalid_argument(
            "the time step must be positive (or 0 for a quarter of the window)");
    IntensitySummary summary;
    summary.windowSeconds = 6.4 / s.minPitchHz;
    summary.stepSeconds = s.stepSeconds > 0.0 ? s.stepSeconds : 0.8 / s.minPitchHz;
    const FramePlacement placement =
        PlaceFrames(samples, sampleRate, summary.windowSeconds, summary.stepSeconds);
    summary.frames = placement.frames;
    if (placement.frames == 0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the sound (%.4g s) is shorter than the analysis window (%.4g s): no frames",
                      static_cast<double>(samples) / sampleRate, summary.windowSeconds);
        summary.note = text;
        return summary;
    }

    const double span = summary.windowSeconds * sampleRate;
    const std::vector<double> window =
        KaiserWindow(2 * static_cast<int>(std::floor(0.5 * span)) + 1, kKaiserBeta);
    double weights = 0.0;
    for (double w : window)
        weights += w;
    const int64_t half = static_cast<int64_t>(window.size() / 2);
    const auto start = [&](int64_t k) {
        return NearestSample(placement.Time(k), sampleRate) - half;
    };
    const double floorPower = std::pow(10.0, kSilenceDb / 10.0);

    FrameBlockJob job;
    job.samples = samples;
    job.frames = placement.frames;
    job.blockFrames = run.blockFrames;
    job.threads = run.threads;
    job.inputOf = [&](int64_t k0, int64_t k1, int64_t& first, int64_t& last) {
        first = start(k0);
        last = start(k1 - 1) + static_cast<int64_t>(window.size());
    };
    job.measure = [&](int64_t k0, int64_t k1, const SampleStretch& in, double* values) {
        const std::size_t n = window.size();
        for (int64_t k = k0; k < k1; ++k) {
            const double* x = in.x + (start(k) - in.first);
            double mean = 0.0;
            if (s.subtractMean) {
                for (std::size_t t = 0; t < n; ++t)
                    mean += window[t] * x[t];
                mean /= weights;
            }
            double power = 0.0;
            for (std::size_t t = 0; t < n; ++t) {
                const double v = x[t] - mean;
                power += window[t] * v * v;
            }
            // What is left of a constant after its mean is removed is rounding, not sound.
            if (power <= kRounding * mean * mean * weights) power = 0.0;
            power /= weights * kReference * kReference;
            values[k - k0] = power > floorPower ? 10.0 * std::log10(power) : kSilenceDb;
        }
    };
    std::vector<double> times;
    RunFrameBlocks(
        job, read,
        [&](int64_t first, std::span<const double> values) {
            times.resize(values.size());
            for (std::size_t k = 0; k < values.size(); ++k)
                times[k] = placement.Time(first + static_cast<int64_t>(k));
            sink({first, times, values});
        },
        run.progress);
    return summary;
}

IntensitySummary StreamIntensity(FrameSource& source, const IntensitySettings& settings,
                                 const IntensitySink& sink, const MeasureRun& run) {
    return StreamIntensity(SourceReader(source), source.Info().frames,
                           static_cast<int>(source.Info().sampleRate), settings, sink, run);
}

IntensityTable MeasureIntensity(std::span<const int16_t> samples, int sampleRate,
                                const IntensitySettings& settings, const MeasureRun& run) {
    IntensityTable table;
    table.summary = StreamIntensity(
        SpanReader(samples), static_cast<int64_t>(samples.size()), sampleRate, settings,
        [&table](const IntensityBlock& block) {
            table.times.insert(table.times.end(), block.times.begin(), block.times.end());
            table.decibels.insert(table.decibels.end(), block.decibels.begin(),
                                  block.decibels.end());
        },
        run);
    return table;
}

}  // namespace tonalyx

#include "formants/Formants.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>

#include "document/FrameSource.h"
#include "formants/FormantFrame.h"
#include "formants/FormantTracker.h"

namespace tonalyx {

namespace {

constexpr int kMaxCount = 10;
constexpr int kMaxAutoCeilings = 64;

bool Positive(double v) {
    return std::isfinite(v) && v > 0.0;
}

void Check(const FormantSettings& s, int rate) {
    const auto refuse = [](const char* why) { throw std::invalid_argument(why); };
    if (rate <= 0) refuse("the sample rate must be positive");
    if (s.count < 1 || s.count > kMaxCount) refuse("the formant count must be 1 to 10");
    if (!Positive(s.windowSeconds)) refuse("the window length must be positive");
    if (!std::isfinite(s.stepSeconds) || s.stepSeconds < 0.0)
        refuse("the time step must be positive (or 0 for a quarter of the window)");
    if (!std::isfinite(s.preEmphasisHz) || s.preEmphasisHz < 0.0)
        refuse("the pre-emphasis frequency must not be negative");
    if (s.track && s.count < 3) refuse("tracking F1 to F3 needs a formant count of at least 3");
    if (s.autoCeiling) {
        if (!Positive(s.autoLowHz) || !Positive(s.autoStepHz) || !std::isfinite(s.autoHighHz) ||
            s.autoHighHz < s.autoLowHz)
            refuse("the automatic ceiling's range must be positive and rising");
        if ((s.autoHighHz - s.autoLowHz) / s.autoStepHz >= kMaxAutoCeilings)
            refuse("the automatic ceiling's range has too many steps (at most 64)");
        if (s.autoLowHz <= 100.0) refuse("the automatic ceiling's range must lie above 100 Hz");
    } else if (!(std::isfinite(s.ceilingHz) && s.ceilingHz > 100.0)) {
        refuse("the formant ceiling must be above 100 Hz");
    }
}

double Step(const FormantSettings& s) {
    return s.stepSeconds > 0.0 ? s.stepSeconds : 0.25 * s.windowSeconds;
}

std::string Hz(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g Hz", v);
    return text;
}

void AddNote(std::string& note, const std::string& text) {
    if (!note.empty()) note += "; ";
    note += text;
}

// The candidate ceilings of the automatic choice, those above half the sample rate lowered to
// it (once).
std::vector<double> AutoCeilings(const FormantSettings& s, int rate, std::string& note) {
    std::vector<double> ceilings;
    const double nyquist = 0.5 * rate;
    for (int i = 0;; ++i) {
        const double c = s.autoLowHz + i * s.autoStepHz;
        if (c > s.autoHighHz * (1.0 + 1e-12)) break;
        if (c > nyquist) {
            AddNote(note, "the automatic ceilings above half the sample rate were lowered to " +
                              Hz(nyquist));
            ceilings.push_back(nyquist);
            break;
        }
        ceilings.push_back(c);
    }
    return ceilings;
}

// Frames of a sound as one job: the input of each ceiling's analysers side by side.
FrameBlockJob Job(const std::vector<std::unique_ptr<FormantAnalyser>>& analysers,
                  const FramePlacement& placement, int64_t samples, const MeasureRun& run) {
    FrameBlockJob job;
    job.samples = samples;
    job.frames = placement.frames;
    job.blockFrames = run.blockFrames;
    job.threads = run.threads;
    job.valuesPerFrame = 0;
    for (const auto& a : analysers)
        job.valuesPerFrame += a->ValuesPerFrame();
    job.inputOf = [&analysers](int64_t k0, int64_t k1, int64_t& first, int64_t& last) {
        first = std::numeric_limits<int64_t>::max();
        last = std::numeric_limits<int64_t>::min();
        for (const auto& a : analysers) {
            int64_t f = 0, l = 0;
            a->InputOf(k0, k1, f, l);
            first = std::min(first, f);
            last = std::max(last, l);
        }
    };
    const int stride = job.valuesPerFrame;
    job.measure = [&analysers, stride](int64_t k0, int64_t k1, const SampleStretch& in,
                                       double* values) {
        thread_local std::vector<double> one;
        int offset = 0;
        for (const auto& a : analysers) {
            const int width = a->ValuesPerFrame();
            one.resize(static_cast<std::size_t>((k1 - k0) * width));
            a->Measure(k0, k1, in, one.data());
            for (int64_t k = 0; k < k1 - k0; ++k)
                std::copy_n(one.data() + k * width, width, values + k * stride + offset);
            offset += width;
        }
    };
    return job;
}

// Hands frames to the sink as blocks of count columns.
class BlockWriter {
public:
    BlockWriter(const FramePlacement& placement, int count, const FormantSink& sink)
        : placement_(placement), count_(count), sink_(sink) {}

    void Add(int64_t frame, const double* frequencies, const double* bandwidths) {
        if (times_.empty()) first_ = frame;
        times_.push_back(placement_.Time(frame));
        frequencies_.insert(frequencies_.end(), frequencies, frequencies + count_);
        bandwidths_.insert(bandwidths_.end(), bandwidths, bandwidths + count_);
    }

    void Flush() {
        if (times_.empty()) return;
        sink_({first_, count_, times_, frequencies_, bandwidths_});
        times_.clear();
        frequencies_.clear();
        bandwidths_.clear();
    }

private:
    const FramePlacement& placement_;
    int count_;
    const FormantSink& sink_;
    int64_t first_ = 0;
    std::vector<double> times_, frequencies_, bandwidths_;
};

// The measurement at one ceiling (at most half the sample rate), raw or tracked.
void MeasureAt(const SampleReader& read, int64_t samples, int rate, double ceiling,
               const FormantSettings& s, const FramePlacement& placement, const FormantSink& sink,
               const MeasureRun& run, const FrameProgress& progress) {
    std::vector<std::unique_ptr<FormantAnalyser>> analysers;
    analysers.push_back(std::make_unique<FormantAnalyser>(rate, ceiling, s, placement));
    const FormantAnalyser& analyser = *analysers.front();
    const FrameBlockJob job = Job(analysers, placement, samples, run);
    const int count = s.count;
    if (!s.track) {
        BlockWriter writer(placement, count, sink);
        RunFrameBlocks(
            job, read,
            [&](int64_t first, std::span<const double> values) {
                for (std::size_t k = 0; k * 2 * count < values.size(); ++k) {
                    const double* frame = values.data() + k * 2 * count;
                    writer.Add(first + static_cast<int64_t>(k), frame, frame + count);
                }
                writer.Flush();
            },
            progress);
        return;
    }
    BlockWriter writer(placement, FormantTracker::kTracks, sink);
    FormantTracker tracker(analyser.CeilingHz(), [&](const FormantTracker::Settled& settled) {
        writer.Add(settled.frame, settled.frequencies.data(), settled.bandwidths.data());
    });
    RunFrameBlocks(
        job, read,
        [&](int64_t, std::span<const double> values) {
            for (std::size_t k = 0; k * 2 * count < values.size(); ++k) {
                const double* frame = values.data() + k * 2 * count;
                tracker.Push(frame, frame + count, count);
            }
            writer.Flush();
        },
        progress);
    tracker.Finish();
    writer.Flush();
}

// The ceiling whose tracks are steadiest (the least FormantTracker::Stress; the lower
// ceiling on a tie), from one pass that measures every candidate on each block.
double ChooseCeiling(const SampleReader& read, int64_t samples, int rate,
                     const std::vector<double>& ceilings, const FormantSettings& s,
                     const FramePlacement& placement, const MeasureRun& run,
                     const FrameProgress& progress) {
    std::vector<std::unique_ptr<FormantAnalyser>> analysers;
    std::vector<FormantTracker> trackers;
    for (double c : ceilings) {
        analysers.push_back(std::make_unique<FormantAnalyser>(rate, c, s, placement));
        trackers.emplace_back(analysers.back()->CeilingHz(), FormantTracker::Output{});
    }
    const FrameBlockJob job = Job(analysers, placement, samples, run);
    const int count = s.count;
    RunFrameBlocks(
        job, read,
        [&](int64_t, std::span<const double> values) {
            for (std::size_t k = 0; k * job.valuesPerFrame < values.size(); ++k)
                for (std::size_t c = 0; c < trackers.size(); ++c) {
                    const double* frame = values.data() + k * job.valuesPerFrame + c * 2 * count;
                    trackers[c].Push(frame, frame + count, count);
                }
        },
        progress);
    std::size_t best = 0;
    for (std::size_t c = 1; c < trackers.size(); ++c)
        if (trackers[c].Stress() < trackers[best].Stress()) best = c;
    return ceilings[best];
}

}  // namespace

FormantSummary StreamFormants(const SampleReader& read, int64_t samples, int sampleRate,
                              const FormantSettings& settings, const FormantSink& sink,
                              const MeasureRun& run) {
    Check(settings, sampleRate);
    FormantSummary summary;
    summary.count = settings.track ? FormantTracker::kTracks : settings.count;
    summary.stepSeconds = Step(settings);
    const double window = 2.0 * settings.windowSeconds;
    const FramePlacement placement = PlaceFrames(samples, sampleRate, window, summary.stepSeconds);
    summary.frames = placement.frames;
    const double nyquist = 0.5 * sampleRate;
    double ceiling = std::min(settings.ceilingHz, nyquist);
    if (!settings.autoCeiling && settings.ceilingHz > nyquist)
        AddNote(summary.note, "the ceiling " + Hz(settings.ceilingHz) +
                                  " is above half the sample rate; formants are sought up to " +
                                  Hz(nyquist));
    if (placement.frames == 0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the sound (%.4g s) is shorter than the analysis window (%.4g s): no frames",
                      static_cast<double>(samples) / sampleRate, window);
        AddNote(summary.note, text);
        summary.ceilingHz = settings.autoCeiling ? std::min(settings.autoLowHz, nyquist) : ceiling;
        return summary;
    }
    FrameProgress progress = run.progress;
    if (settings.autoCeiling) {
        const std::vector<double> ceilings = AutoCeilings(settings, sampleRate, summary.note);
        // Two passes over the sound: the progress counts both.
        const FrameProgress& told = run.progress;
        const int64_t frames = placement.frames;
        FrameProgress choosing;
        if (told) {
            choosing = [&told, frames](int64_t done, int64_t) { told(done, 2 * frames); };
            progress = [&told, frames](int64_t done, int64_t) { told(frames + done, 2 * frames); };
        }
        ceiling =
            ChooseCeiling(read, samples, sampleRate, ceilings, settings, placement, run, choosing);
        AddNote(summary.note, "ceiling chosen: " + Hz(ceiling) + ", the smoothest of " +
                                  Hz(ceilings.front()) + " to " + Hz(ceilings.back()));
    }
    MeasureAt(read, samples, sampleRate, ceiling, settings, placement, sink, run, progress);
    summary.ceilingHz = 0.5 * std::min(sampleRate, static_cast<int>(std::lround(2.0 * ceiling)));
    return summary;
}

FormantSummary StreamFormants(FrameSource& source, const FormantSettings& settings,
                              const FormantSink& sink, const MeasureRun& run) {
    return StreamFormants(SourceReader(source), source.Info().frames,
                          static_cast<int>(source.Info().sampleRate), settings, sink, run);
}

FormantTable MeasureFormants(std::span<const int16_t> samples, int sampleRate,
                             const FormantSettings& settings, const MeasureRun& run) {
    FormantTable table;
    table.summary = StreamFormants(
        SpanReader(samples), static_cast<int64_t>(samples.size()), sampleRate, settings,
        [&table](const FormantBlock& block) {
            table.times.insert(table.times.end(), block.times.begin(), block.times.end());
            table.frequencies.insert(table.frequencies.end(), block.frequencies.begin(),
                                     block.frequencies.end());
            table.bandwidths.insert(table.bandwidths.end(), block.bandwidths.begin(),
                                    block.bandwidths.end());
        },
        run);
    return table;
}

}  // namespace tonalyx

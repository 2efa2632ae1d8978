#include "requests/IntervalMeasure.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>

#include "annotations/TextDecoding.h"
#include "pitch/SoundPitchTrack.h"
#include "requests/MeasurementRows.h"
#include "requests/NumberText.h"
#include "requests/OutputNames.h"
#include "requests/TrackStatistics.h"

namespace tonalyx::requests {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kMaxPoints = 100;
constexpr int kDigits = 6;
// The pitch extractor's filters last about a period of the lowest pitch; three give it room.
constexpr double kPitchPeriods = 3.0;

// A point's column suffix: 100 p as %g writes it ("50", "33.3").
std::string PercentText(double point) {
    std::string text;
    AppendGeneral(text, 100.0 * point, kDigits);
    return text;
}

// Frame values in time order, with their times in seconds from the start of the sound.
struct Contour {
    std::vector<double> times, values;

    // Linear between the two frames around t; missing outside the frames or next to a
    // missing value.
    double At(double t) const {
        if (times.empty() || t < times.front() || t > times.back()) return kMissing;
        const auto after = std::lower_bound(times.begin(), times.end(), t);
        const auto k = static_cast<std::size_t>(after - times.begin());
        if (times[k] == t) return values[k];
        const double w = (t - times[k - 1]) / (times[k] - times[k - 1]);
        return values[k - 1] + w * (values[k] - values[k - 1]);
    }

    // The values of the frames centred in [start, end] that are not missing.
    std::vector<double> Within(double start, double end) const {
        std::vector<double> within;
        for (std::size_t k = 0; k < times.size(); ++k) {
            if (times[k] >= start && times[k] <= end && !std::isnan(values[k])) {
                within.push_back(values[k]);
            }
        }
        return within;
    }

    bool AnyWithin(double start, double end) const {
        const auto first = std::lower_bound(times.begin(), times.end(), start);
        return first != times.end() && *first <= end;
    }

    // The mean of the frames centred in the interval, or the value at its middle when none
    // is; mean maps the values to their mean.
    template <typename Mean>
    double MeanOver(double start, double end, Mean mean) const {
        if (!AnyWithin(start, end)) return At(0.5 * (start + end));
        const std::vector<double> within = Within(start, end);
        return within.empty() ? kMissing : mean(within);
    }
};

// The mean power of frames given in dB, in dB; missing when it is silence.
double EnergyAverage(const std::vector<double>& decibels) {
    const double mean = EnergyMeanDb(decibels);
    return mean <= kSilenceDb ? kMissing : mean;
}

double MarginSeconds(const IntervalMeasureSettings& s) {
    return std::max({2.0 * s.formants.windowSeconds, 6.4 / s.intensity.minPitchHz,
                     kPitchPeriods / s.pitch.pitchMinFreq});
}

// The samples read for one interval: count samples at rate Hz from offset seconds on, read
// through read; the interval [start, end] in seconds from the start of the sound.
struct Stretch {
    SampleReader read;
    std::int64_t count;
    int rate;
    double offset, start, end;
};

// Intervals are short: their frames are measured on the calling thread.
MeasureRun OneThread() {
    MeasureRun run;
    run.threads = 1;
    return run;
}

void AddNote(std::vector<std::string>& notes, const std::string& note) {
    if (!note.empty()) notes.push_back(note);
}

void MeasurePitch(const Stretch& at, const IntervalMeasureSettings& s, IntervalMeasurement& m) {
    std::int64_t values = 0;
    std::vector<double> voiced;
    int hop = 1;
    const auto pitchRead = [&](std::int64_t from, std::span<std::int16_t> out) {
        if (at.read(from, out) != out.size()) throw std::runtime_error("the sound ended early");
    };
    StreamSoundPitchTrack(
        pitchRead, at.count, at.rate, s.pitch, hop,
        [&](std::int64_t first, std::span<const double> track) {
            for (std::size_t i = 0; i < track.size(); ++i) {
                const double t = at.offset + (static_cast<double>(first) + i + 0.5) * hop / at.rate;
                if (t < at.start || t > at.end) continue;
                ++values;
                if (track[i] > 0) voiced.push_back(track[i]);
            }
        });
    if (values > 0) m.voicedShare = static_cast<double>(voiced.size()) / values;
    if (voiced.empty()) return;
    m.f0Mean = Average(voiced);
    m.f0Median = Median(voiced);
    m.f0Min = *std::min_element(voiced.begin(), voiced.end());
    m.f0Max = *std::max_element(voiced.begin(), voiced.end());
}

void MeasureFormantsIn(const Stretch& at, const IntervalMeasureSettings& s,
                       IntervalMeasurement& m) {
    Contour formants[3];
    const FormantSummary summary = StreamFormants(
        at.read, at.count, at.rate, s.formants,
        [&](const FormantBlock& block) {
            for (std::size_t k = 0; k < block.times.size(); ++k) {
                for (int f = 0; f < 3; ++f) {
                    const double value =
                        f < block.count ? block.frequencies[k * block.count + f] : kMissing;
                    formants[f].times.push_back(at.offset + block.times[k]);
                    formants[f].values.push_back(value);
                }
            }
        },
        OneThread());
    AddNote(m.notes, summary.note);
    for (int f = 0; f < 3; ++f)
        m.formantMeans[f] = formants[f].MeanOver(at.start, at.end, Average);
    for (const double p : s.points) {
        for (int f = 0; f < 3; ++f)
            m.formantsAtPoints.push_back(formants[f].At(at.start + p * (at.end - at.start)));
    }
}

void MeasureIntensityIn(const Stretch& at, const IntervalMeasureSettings& s,
                        IntervalMeasurement& m) {
    Contour intensity;
    const IntensitySummary summary = StreamIntensity(
        at.read, at.count, at.rate, s.intensity,
        [&](const IntensityBlock& block) {
            for (std::size_t k = 0; k < block.times.size(); ++k) {
                intensity.times.push_back(at.offset + block.times[k]);
                intensity.values.push_back(block.decibels[k]);
            }
        },
        OneThread());
    AddNote(m.notes, summary.note);
    m.intensityDb = intensity.MeanOver(at.start, at.end, EnergyAverage);
    if (m.intensityDb <= kSilenceDb) m.intensityDb = kMissing;
}

// Labels are matched character by character rather than byte by byte, so that a class such
// as "[əɪ]" or a "." takes one IPA letter: the pattern and the labels go to the regular
// expression as code points, which a wchar_t holds on this platform.
static_assert(sizeof(wchar_t) == sizeof(char32_t));

std::optional<std::wstring> WideText(const std::string& utf8) {
    const std::optional<std::u32string> codes = CodePointsOfUtf8(utf8);
    if (!codes) return std::nullopt;
    return std::wstring(codes->begin(), codes->end());
}

}  // namespace

IntervalMeasureSettings IntervalMeasureSettingsOf(const AnalysisRequest& request,
                                                  const RecordSet& records) {
    IntervalMeasureSettings settings;
    settings.pitch = records.analysis;
    settings.formants = FormantSettingsOf(request);
    settings.intensity = IntensitySettingsOf(request);
    settings.points = request.points;
    return settings;
}

std::optional<std::string> CheckMeasureRequest(const AnalysisRequest& request,
                                               const FieldNames& names) {
    if (request.tier.empty()) return "measure needs " + names(RequestField::Tier) + " NAME";
    if (request.labels) {
        const std::optional<std::wstring> pattern = WideText(*request.labels);
        if (!pattern)
            return OutsideRange(RequestField::Labels, *request.labels, names) + " (not UTF-8)";
        try {
            std::wregex(*pattern, std::regex::ECMAScript);
        } catch (const std::regex_error& error) {
            return OutsideRange(RequestField::Labels, *request.labels, names) + " (" +
                   error.what() + ")";
        }
    }
    std::set<std::string> columns;
    for (const double point : request.points) {
        if (!(point >= 0 && point <= 1) || !columns.insert(PercentText(point)).second ||
            columns.size() > kMaxPoints) {
            std::string text;
            AppendGeneral(text, point, 17);
            return OutsideRange(RequestField::Points, text, names);
        }
    }
    return std::nullopt;
}

std::string TextGridPathFor(const std::string& soundPath, const std::string& pattern) {
    const std::filesystem::path sound(soundPath);
    if (pattern.empty())
        return std::filesystem::path(sound).replace_extension(".TextGrid").string();
    const std::size_t at = pattern.find(kNamePlaceholder);
    if (at == std::string::npos) return pattern;
    std::string path = pattern;
    path.replace(at, kNamePlaceholder.size(), sound.stem().string());
    if (std::filesystem::path(path).is_absolute()) return path;
    return (sound.parent_path() / path).string();
}

const AnnotationTier* FindIntervalTier(const TextGrid& grid, const std::string& name,
                                       std::string& why) {
    const AnnotationTier* tier = FindTier(grid, name);
    if (tier && tier->kind == TierKind::Interval) return tier;
    if (tier) {
        why = "tier \"" + name + "\" holds points, not intervals";
        return nullptr;
    }
    why = "no tier \"" + name + "\" (the tiers are ";
    for (std::size_t t = 0; t < grid.tiers.size(); ++t)
        why += (t ? ", \"" : "\"") + grid.tiers[t].name + "\"";
    why += grid.tiers.empty() ? "none)" : ")";
    return nullptr;
}

std::vector<std::size_t> SelectIntervals(const AnnotationTier& tier,
                                         const std::optional<std::string>& labels) {
    std::optional<std::wregex> expression;
    if (labels) {
        const std::optional<std::wstring> pattern = WideText(*labels);
        if (!pattern) throw std::invalid_argument("labels: the pattern is not UTF-8");
        expression.emplace(*pattern, std::regex::ECMAScript);
    }
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < tier.intervals.size(); ++i) {
        const std::string& label = tier.intervals[i].label;
        const std::optional<std::wstring> text = expression ? WideText(label) : std::nullopt;
        if (expression ? text && std::regex_match(*text, *expression) : !label.empty())
            chosen.push_back(i);
    }
    return chosen;
}

IntervalMeasurement MeasureInterval(const SampleReader& read, std::int64_t samples, int rate,
                                    double start, double end,
                                    const IntervalMeasureSettings& settings) {
    IntervalMeasurement m{
        kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, {kMissing, kMissing, kMissing},
        {},       {}};
    const double margin = MarginSeconds(settings);
    const auto sample = [&](double position) {
        return std::clamp<std::int64_t>(static_cast<std::int64_t>(position), 0, samples);
    };
    const std::int64_t first = sample(std::floor((start - margin) * rate));
    const std::int64_t last = sample(std::ceil((end + margin) * rate));
    if (last <= first || start >= static_cast<double>(samples) / rate) {
        m.formantsAtPoints.assign(3 * settings.points.size(), kMissing);
        m.notes.push_back("the interval lies beyond the sound's end");
        return m;
    }
    const Stretch stretch{[&read, first](std::int64_t from, std::span<std::int16_t> out) {
                              return read(first + from, out);
                          },
                          last - first,
                          rate,
                          static_cast<double>(first) / rate,
                          start,
                          end};
    MeasurePitch(stretch, settings, m);
    MeasureFormantsIn(stretch, settings, m);
    MeasureIntensityIn(stretch, settings, m);
    return m;
}

std::vector<std::string> MeasureColumns(std::span<const double> points) {
    std::vector<std::string> columns{
        "tier",         "interval",          "label",        "start_s",    "end_s",
        "duration_s",   "f0_mean_hz",        "f0_median_hz", "f0_min_hz",  "f0_max_hz",
        "voiced_share", "intensity_mean_db", "f1_hz_mean",   "f2_hz_mean", "f3_hz_mean"};
    for (const double point : points) {
        for (const char* formant : {"f1", "f2", "f3"})
            columns.push_back(std::string(formant) + "_hz_at_" + PercentText(point));
    }
    return columns;
}

void WriteMeasureRow(TableWriter& table, MissingValues missing, const std::string& tier,
                     std::size_t number, const AnnotationInterval& interval,
                     const IntervalMeasurement& measured) {
    table.Field(tier).Integer(static_cast<long long>(number)).Field(interval.label);
    table.Text(TimeText(interval.start)).Text(TimeText(interval.end));
    table.General(interval.end - interval.start, kDigits);
    const auto value = [&](double v, double windowValue) {
        if (!std::isnan(v)) {
            table.General(v, kDigits);
        } else if (missing == MissingValues::Window) {
            table.General(windowValue, kDigits);
        } else {
            table.Missing(missing);
        }
    };
    for (const double v :
         {measured.f0Mean, measured.f0Median, measured.f0Min, measured.f0Max, measured.voicedShare})
        value(v, 0);
    value(measured.intensityDb, kSilenceDb);
    for (const double v : measured.formantMeans)
        value(v, 0);
    for (const double v : measured.formantsAtPoints)
        value(v, 0);
    table.EndLine();
}

}  // namespace tonalyx::requests

#include "requests/TrackStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tonalyx::requests {
namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double Average(std::span<const double> values) {
    if (values.empty()) return kMissing;
    double sum = 0;
    for (const double v : values)
        sum += v;
    return sum / static_cast<double>(values.size());
}

double Median(std::vector<double> values) {
    if (values.empty()) return kMissing;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

double PercentileOfSorted(std::span<const double> sorted, double p) {
    if (sorted.empty()) return kMissing;
    const double rank = p / 100.0 * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(rank));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double fraction = rank - static_cast<double>(below);
    return sorted[below] + fraction * (sorted[above] - sorted[below]);
}

double EnergyMeanDb(std::span<const double> decibels) {
    double sum = 0;
    for (const double db : decibels)
        sum += std::pow(10.0, db / 10.0);
    return 10.0 * std::log10(sum / static_cast<double>(decibels.size()));
}

std::vector<double> ColumnMedians(std::span<const double> table, std::size_t columns) {
    std::vector<double> medians(columns, kMissing);
    std::vector<double> present;
    for (std::size_t c = 0; c < columns; ++c) {
        present.clear();
        for (std::size_t i = c; i < table.size(); i += columns) {
            if (!std::isnan(table[i])) present.push_back(table[i]);
        }
        medians[c] = Median(present);
    }
    return medians;
}

PitchStatistics PitchStatisticsOf(std::span<const double> f0, double seconds) {
    std::vector<double> voiced;
    for (const double v : f0) {
        if (v > 0) voiced.push_back(v);
    }
    PitchStatistics statistics;
    if (f0.empty()) return statistics;
    statistics.voicedShare = static_cast<double>(voiced.size()) / static_cast<double>(f0.size());
    statistics.voicedSeconds = statistics.voicedShare * seconds;
    if (voiced.empty()) return statistics;
    PitchStatistics::Voiced v{};
    v.mean = Average(voiced);
    double squares = 0;
    for (const double value : voiced)
        squares += (value - v.mean) * (value - v.mean);
    v.sd = voiced.size() > 1 ? std::sqrt(squares / static_cast<double>(voiced.size() - 1)) : 0.0;
    std::sort(voiced.begin(), voiced.end());
    v.min = voiced.front();
    v.max = voiced.back();
    v.rangeSemitones = 12 * std::log2(v.max / v.min);
    v.median = PercentileOfSorted(voiced, 50);
    v.p5 = PercentileOfSorted(voiced, 5);
    v.p95 = PercentileOfSorted(voiced, 95);
    statistics.voiced = v;
    return statistics;
}

}  // namespace tonalyx::requests

#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace tonalyx::requests {

// The statistics of a whole pitch track that a corpus summary lists.
struct PitchStatistics {
    double voicedShare = 0;    // of the track's values, 0 when there are none
    double voicedSeconds = 0;  // the voiced share of the sound's seconds
    // Of the voiced values in Hz; absent when none is voiced.
    struct Voiced {
        double mean, sd;  // sd with n - 1, 0 for one value
        double min, max;
        double rangeSemitones;  // 12 log2(max / min)
        double median, p5, p95;
    };
    std::optional<Voiced> voiced;
};

// The statistics of a track of F0 values in Hz (0 where unvoiced) of a sound `seconds` long.
PitchStatistics PitchStatisticsOf(std::span<const double> f0, double seconds);

// The arithmetic mean; NaN for no values.
double Average(std::span<const double> values);
// The median; NaN for no values.
double Median(std::vector<double> values);
// The percentile p (0..100) of sorted values, interpolated linearly between the two nearest
// ranks (the common definition, numpy's default); NaN for no values.
double PercentileOfSorted(std::span<const double> sorted, double p);
// The mean power of values given in dB, in dB: 10 log10 of the mean of 10^(dB / 10).
double EnergyMeanDb(std::span<const double> decibels);
// The medians of the columns of a row-major table (rows x columns), each over the values that
// are not NaN; NaN for a column without any.
std::vector<double> ColumnMedians(std::span<const double> table, std::size_t columns);

}  // namespace tonalyx::requests

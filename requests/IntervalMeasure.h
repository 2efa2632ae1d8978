#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/FrameBlocks.h"
#include "analysis/Intensity.h"
#include "annotations/TextGrid.h"
#include "formants/Formants.h"
#include "requests/RequestCheck.h"
#include "requests/SettingsTable.h"
#include "requests/TableWriter.h"

namespace tonalyx::requests {

// What is measured on each interval: the pitch settings of the records, the formant and
// intensity settings of the request, and the points (fractions of the interval) where F1-F3
// are read.
struct IntervalMeasureSettings {
    AnalysisSettings pitch;
    FormantSettings formants;
    IntensitySettings intensity;
    std::vector<double> points;
};

IntervalMeasureSettings IntervalMeasureSettingsOf(const AnalysisRequest& request,
                                                  const RecordSet& records);

// The refusal of a measure request, or none: no tier, a labels expression that does not
// compile, points outside 0..1, given twice or more than 100.
std::optional<std::string> CheckMeasureRequest(const AnalysisRequest& request,
                                               const FieldNames& names = CommandLineName);

// The TextGrid of the sound at soundPath: the sound's path with .TextGrid for its extension
// when pattern is empty; else pattern with {name} standing for the sound's name without its
// extension, beside the sound when the pattern is relative and holds {name}.
std::string TextGridPathFor(const std::string& soundPath, const std::string& pattern);

// The interval tier of that name, or null with why set: "no tier "x" (the tiers are "a",
// "b")", "tier "x" holds points, not intervals".
const AnnotationTier* FindIntervalTier(const TextGrid& grid, const std::string& name,
                                       std::string& why);

// The intervals measured, by index from 0: those whose label the expression matches whole,
// or every interval with a label when there is none. The expression must have passed
// CheckMeasureRequest.
std::vector<std::size_t> SelectIntervals(const AnnotationTier& tier,
                                         const std::optional<std::string>& labels);

// One interval's measurements; NaN where there is nothing to measure (no voiced pitch value,
// no formant in any frame, a point outside the frames).
struct IntervalMeasurement {
    double f0Mean, f0Median, f0Min, f0Max;  // Hz, over the voiced track values in the interval
    double voicedShare;                     // voiced values / values in the interval
    double intensityDb;                     // energy mean of the frames in the interval
    double formantMeans[3];                 // F1-F3 in Hz, mean over the frames in it
    std::vector<double> formantsAtPoints;   // F1, F2, F3 at each point in turn
    std::vector<std::string> notes;         // what the analyses changed or could not do
};

// Measures the interval [start, end] (seconds) of a sound of `samples` samples at rate Hz:
// only the interval and a margin of the longest analysis window on either side are read
// (clipped to the sound) and analysed. Frame values count for the interval when the frame's
// centre lies in it; an interval with no frame centre in it (one shorter than a frame step)
// takes the values at its middle. Values at a time come linearly from the two frames around
// it, as Praat reads a formant contour, and are missing before the first and after the last
// frame of the stretch.
IntervalMeasurement MeasureInterval(const SampleReader& read, std::int64_t samples, int rate,
                                    double start, double end,
                                    const IntervalMeasureSettings& settings);

// The columns after the file column: tier, interval, label, times, F0, intensity, formant
// means, then f1_hz_at_P, f2_hz_at_P, f3_hz_at_P for each point p, P = 100 p ("f1_hz_at_50").
std::vector<std::string> MeasureColumns(std::span<const double> points);

// One row: the tier's name, the interval's number (from 1), its label and times (as written in
// the TextGrid), its duration, then the measurements; a missing value as missing says (0 Hz,
// -300 dB by default).
void WriteMeasureRow(TableWriter& table, MissingValues missing, const std::string& tier,
                     std::size_t number, const AnnotationInterval& interval,
                     const IntervalMeasurement& measured);

}  // namespace tonalyx::requests

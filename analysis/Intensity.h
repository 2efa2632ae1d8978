#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/FrameBlocks.h"

namespace tonalyx {

class FrameSource;

// Intensity in dB as phonetics tools report it: each frame's samples, taken in pascals with
// full scale (32768) as 1 Pa, have their window-weighted mean subtracted, are squared and
// averaged under a Kaiser window (beta 20) whose effective duration is 3.2 / minimum pitch (its
// physical length twice that), and the mean power is referred to (2e-5 Pa)^2. A period of the
// lowest pitch then ripples the contour by far less than 0.001 dB. A frame with no power
// (digital silence, or a constant, whose remainder after the mean's removal is below 1e-24 of
// the mean's square) reads -300 dB.
struct IntensitySettings {
    double minPitchHz = 100;
    double stepSeconds = 0;  // between frame centres; 0 takes a quarter of the effective window
    bool subtractMean = true;
};

constexpr double kSilenceDb = -300.0;

// Consecutive frames [firstFrame, firstFrame + times.size()): times in seconds at the frames'
// centres, intensities in dB.
struct IntensityBlock {
    int64_t firstFrame = 0;
    std::span<const double> times, decibels;
};
using IntensitySink = std::function<void(const IntensityBlock&)>;

// The frames, step and window used; the note says why there are no frames, or is empty.
struct IntensitySummary {
    int64_t frames = 0;
    double stepSeconds = 0;
    double windowSeconds = 0;  // physical length
    std::string note;
};

struct IntensityTable {
    IntensitySummary summary;
    std::vector<double> times, decibels;
};

// The intensity of a whole sound of 16-bit samples at sampleRate Hz. Throws
// std::invalid_argument with the reason for a minimum pitch or rate that is not positive or a
// negative step.
IntensityTable MeasureIntensity(std::span<const int16_t> samples, int sampleRate,
                                const IntensitySettings& settings, const MeasureRun& run = {});

// The same frames, to the bit, from a frame source read in blocks, handed to the sink in
// order. A read that stops short of the source's length throws std::runtime_error.
IntensitySummary StreamIntensity(FrameSource& source, const IntensitySettings& settings,
                                 const IntensitySink& sink, const MeasureRun& run = {});

// The same from any reader of `samples` samples at sampleRate.
IntensitySummary StreamIntensity(const SampleReader& read, int64_t samples, int sampleRate,
                                 const IntensitySettings& settings, const IntensitySink& sink,
                                 const MeasureRun& run = {});

}  // namespace tonalyx

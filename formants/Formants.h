#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/FrameBlocks.h"

namespace tonalyx {

class FrameSource;

// Formants of a voice, frame by frame, by linear prediction: the sound is resampled to twice
// the ceiling, pre-emphasised, cut into Gaussian-windowed frames, fitted by Burg's method of
// order 2 count, and the roots of each frame's prediction polynomial give the formants, their
// frequency from the angle and their bandwidth from the radius. Roots below 50 Hz and above the
// ceiling minus 50 Hz are left out, so a frame may have fewer than count formants.
struct FormantSettings {
    double ceilingHz = 5500;  // highest formant sought (5000 suits adult male voices)
    // Choose the ceiling per sound from autoLowHz, autoLowHz + autoStepHz, ... autoHighHz: the
    // one whose F1-F3 tracks are steadiest (see FormantTracker::Stress).
    bool autoCeiling = false;
    double autoLowHz = 4500, autoHighHz = 6500, autoStepHz = 250;
    int count = 5;                 // formants per frame, 1..10
    double windowSeconds = 0.025;  // effective window length; the frames are twice as long
    double stepSeconds = 0;        // between frame centres; 0 takes a quarter of the window
    double preEmphasisHz = 50;     // +6 dB/octave above this; 0 for none
    // Join each frame's formants into continuous F1, F2 and F3 tracks (a least-cost path
    // through the frames' candidates, see FormantTracker.h); the table then has 3 columns.
    bool track = false;
};

// Consecutive frames [firstFrame, firstFrame + times.size()), count columns each: frequencies
// and bandwidths in Hz, row by row, NaN where a frame has fewer formants than columns; times
// in seconds at the frames' centres from the start of the sound.
struct FormantBlock {
    int64_t firstFrame = 0;
    int count = 0;
    std::span<const double> times, frequencies, bandwidths;
};
using FormantSink = std::function<void(const FormantBlock&)>;

// What a measurement did: its frames and columns, the ceiling and step it used, and a note
// saying what it changed of the settings (a ceiling lowered to half the sample rate, a chosen
// ceiling) or why there are no frames; empty when there is nothing to say.
struct FormantSummary {
    int64_t frames = 0;
    int count = 0;
    double ceilingHz = 0;
    double stepSeconds = 0;
    std::string note;
};

struct FormantTable {
    FormantSummary summary;
    std::vector<double> times, frequencies, bandwidths;  // as in FormantBlock, every frame
};

// The formants of a whole sound of 16-bit samples at sampleRate Hz. Throws
// std::invalid_argument, with the reason, for settings out of range (a count outside 1..10,
// a window, step or ceiling that is not positive, a negative pre-emphasis, tracking with fewer
// than 3 formants, an empty or inverted automatic range, a rate that is not positive). A
// ceiling above half the sample rate is lowered to it, and the note says so.
FormantTable MeasureFormants(std::span<const int16_t> samples, int sampleRate,
                             const FormantSettings& settings, const MeasureRun& run = {});

// The same frames, to the bit, from a frame source read in blocks: the sink receives them in
// order as they are done, and at most a few blocks are held at a time. With autoCeiling the
// source is read twice (once to choose, once to measure); with track the frames wait until
// the tracks through them are settled (usually a few frames). A read that stops short of
// the source's length throws std::runtime_error.
FormantSummary StreamFormants(FrameSource& source, const FormantSettings& settings,
                              const FormantSink& sink, const MeasureRun& run = {});

// The same from any reader of `samples` samples at sampleRate.
FormantSummary StreamFormants(const SampleReader& read, int64_t samples, int sampleRate,
                              const FormantSettings& settings, const FormantSink& sink,
                              const MeasureRun& run = {});

}  // namespace tonalyx

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "requests/ImageFiles.h"

namespace tonalyx::requests {

enum class TableFormat { Csv, Tsv };

// How a table prints a value that the analysis could not give: an unvoiced frame of the pitch
// track, a level at the dB floor of pure digital silence. Window prints what the window
// computes (0 Hz, the floor in dB); Empty leaves the cell empty; NaN writes "NaN".
enum class MissingValues { Window, Empty, NaN };

inline constexpr int kMaxViewColumns = 32768;

// The stretch of sound in view, as the window would show it.
struct ViewOptions {
    int columns = 1024;  // the wave view's width in pixel columns
    bool fit = false;    // Fit To Window left on
    std::optional<int> samplesPerColumn;
    std::optional<int> firstColumn;
};

// What every front end asks of the engine for one sound: how much of it to read, the view,
// the analysis, the settings over the factory defaults, and how its tables and images are
// written. A plain value: the command line fills it from its arguments, the other front ends
// from their own.
struct AnalysisRequest {
    int kind = 1;  // AnalysisKind: FFT unless asked otherwise
    bool overlayPitch = false;
    ViewOptions view;
    std::optional<int> channel;
    std::vector<std::string> settings;  // NAME=VALUE, in the order given
    TableFormat format = TableFormat::Csv;
    std::optional<ImageFileType> imageFormat;  // levels: png or pgm
    MissingValues missing = MissingValues::Window;
    std::optional<int> column;    // spectrum: the first column of the range
    std::optional<int> toColumn;  // spectrum: the last column of the range (included)
    std::optional<double> time;   // spectrum: seconds from the start of the sound
    std::optional<double> toTime;
    std::optional<double> maxSeconds;  // read up to that many seconds of each file
    bool whole = false;                // read all of each file
    std::optional<double> step;        // pitch: one row every step seconds; formants, intensity:
                                       // seconds between frames
    // Formants: the ceiling in Hz (or one chosen per sound), formants per frame, the effective
    // window in seconds, the pre-emphasis corner in Hz, F1-F3 joined into tracks. Intensity: the
    // lowest pitch in Hz, which sets the window. None: the measurement's own default.
    std::optional<double> ceiling;
    bool autoCeiling = false;
    std::optional<int> formantCount;
    std::optional<double> window;
    std::optional<double> preEmphasis;
    bool track = false;
    std::optional<double> minPitch;
    // Measure per interval: the TextGrid (a path; {name} stands for the sound's name, a relative
    // one with it lies beside the sound; empty: the sound's name with .TextGrid beside it), the
    // interval tier, the labels measured (a regular expression that must match the whole label;
    // none: every non-empty label) and the points, as fractions of each interval, where F1-F3
    // are read.
    std::string textGrid;
    std::string tier;
    std::optional<std::string> labels;
    std::vector<double> points{0.5};
};

}  // namespace tonalyx::requests

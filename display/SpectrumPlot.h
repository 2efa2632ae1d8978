#pragma once

#include <vector>

#include "settings/SettingsRecords.h"

namespace tonalyx {

// The arithmetic of the power-spectrum plot: a plot width x height pixels, plot column i
// showing image row i, levels given in pixels of height (0 at the bottom row, height at the
// top edge).

// How a kind's spectrum is drawn: a connected curve (auto-correlation, liftering, MEM) or an
// area filled from the bottom (FFT, cepstrum, pitch).
enum class SpectrumStyle { ConnectedCurve, FilledArea };
SpectrumStyle SpectrumStyleOf(int kind);

// One vertical stroke of the plot: rows [firstRow, endRow) of column x, rows counted from the
// top. firstRow may be -1 (a level at the very top), which lies just outside the plot.
struct PlotStroke {
    int x = 0;
    int firstRow = 0;
    int endRow = 0;
};

// Heights of the plot columns: heights[i] = floor of levels[i] limited to -1 .. height, for
// the first min(width, levelCount) columns, and -1 (nothing drawn) for columns the levels do
// not reach. heights grows to width and is never shrunk, so it can be kept between paints.
void PlotHeights(const double* levels, int levelCount, int width, int height,
                 std::vector<int>& heights);

// The strokes of the curve over columns width - 1 down to 0. A filled area runs from each
// height down to the bottom; a connected curve stretches each column down to its lower
// neighbour, so that steep slopes stay joined. Empty strokes (height -1 of a filled area) are
// left out.
void SpectrumStrokes(const std::vector<int>& heights, int width, int height, SpectrumStyle style,
                     std::vector<PlotStroke>& strokes);

// The solid area behind the liftered curve: for each of columns width - 1 down to 0 whose
// level is not 0, a stroke from the level truncated (limited to 0 .. height - 1) down to the
// bottom. Columns the levels do not reach are left empty.
void BackgroundStrokes(const double* levels, int levelCount, int width, int height,
                       std::vector<PlotStroke>& strokes);

// The value range of the level axis: percent for the auto-correlation and cepstrum kinds
// (thresholds stored as fractions), dB for the others.
struct LevelRange {
    double lo = 0.0;
    double hi = 0.0;
};
LevelRange SpectrumLevelRange(int kind, const DisplaySettings& display);

}  // namespace tonalyx

#pragma once

#include <cstdint>
#include <vector>

#include "analysis/SpectrogramEngine.h"
#include "analysis/SpectrogramFraming.h"

namespace tonalyx {

// The 8-bit level image of the spectrogram: one pixel column per analysis column, one line per
// image row. Row-major, line 0 at the top; width and height only grow, and only the top-left
// ColumnCount() x ImageHeight() rectangle is written by a rendering.
struct LevelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// A pitch track to draw over the image: count values in Hz (0 where unvoiced), value m
// describing input samples [m * hop, (m + 1) * hop).
struct PitchOverlay {
    const double* values = nullptr;
    int count = 0;
    int hop = 1;
};

// The level that marks the pitch (black in the grey palette).
constexpr double kPitchMarkLevel = 255.0;

// Row of the image that shows the pitch value hz through pitchScale's inverse, rounded down
// (a pitch just below the bottom frequency falls below row 0, not onto it); -1 when the value
// is 0, not a number, or its row lies outside [0, imageHeight).
int PitchMarkRow(const ScaleMap& pitchScale, double hz, int imageHeight);

// Renders the stored columns into the image: SetupDisplay(kind, settings), the image grown to
// the columns and rows, then for every column its levels (levelColumn grown to the image
// height) with the level range 256 and clamping, the pitch mark when a track is given (the
// caller passes one when the overlay is on or the kind is pitch), and row r written to line
// ImageHeight() - 1 - r as the level truncated. The pitch entry of column i is the one whose
// block holds the column's centre sample, with the column's samples from geometry.
void RenderLevelImage(SpectrogramEngine& engine, int kind, const DisplaySettings& settings,
                      const ViewGeometry& geometry, const PitchOverlay* pitch, LevelImage& image,
                      std::vector<double>& levelColumn, const ProgressCallback& progress = {});

}  // namespace tonalyx

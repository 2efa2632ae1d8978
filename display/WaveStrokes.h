#pragma once

#include <cstdint>
#include <vector>

#include "analysis/ViewGeometry.h"

namespace tonalyx {

// The smallest and largest sample of a stretch, both starting at 0 so that a stroke drawn from
// them always reaches the zero line.
struct SampleExtent {
    int minimum = 0;
    int maximum = 0;
};
SampleExtent ScanSampleExtent(const std::int16_t* samples, int start, int end);

// One pixel column of the wave view. Plain columns fill rows [firstRow, endRow); columns inside
// the selection fill the complement, rows [0, firstRow) and [endRow, height), so the selected
// stretch shows as a band with the wave left in the background colour.
struct WaveStroke {
    int firstRow = 0;
    int endRow = 0;
    bool inverted = false;
};

struct WaveStrokeInput {
    const std::int16_t* samples = nullptr;
    const ViewGeometry* geometry = nullptr;
    int height = 0;
    int selectionStart = 0;
    int selectionEnd = 0;
};

// The strokes of every visible column, left to right.
void ComputeWaveStrokes(const WaveStrokeInput& input, std::vector<WaveStroke>& strokes);

}  // namespace tonalyx

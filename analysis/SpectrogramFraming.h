#pragma once

#include <functional>

#include "analysis/SpectrogramEngine.h"
#include "analysis/ViewGeometry.h"
#include "document/SoundData.h"
#include "settings/SettingsRecords.h"

namespace tonalyx {

// Reports the fraction of a pass done, from 0 up to (not including) 1. May be empty.
using ProgressCallback = std::function<void(double)>;

// Start of the frame of frameLength samples centred on the samples [s0, s1) of one pixel
// column: (s0 + s1 - frameLength) / 2, the division truncating toward zero.
long long CentredFrameStart(int s0, int s1, int frameLength);

// Copies samples [start, start + length) into frame as doubles, with zeros where the range
// lies before the first or past the last sample.
void FillFrame(const SoundData& sound, long long start, int length, double* frame);

// One analysis of the view: the engine takes the visible column count and the sound's rate and
// sets up the kind; then, for a kind that computes columns (not the pitch kind, whose track is
// computed elsewhere), one frame centred on each visible pixel column goes through
// ComputeColumn. The hop between frames is one pixel column, whatever the frame length.
void ComputeSpectrogramColumns(SpectrogramEngine& engine, const SoundData& sound,
                               const ViewGeometry& geometry, int kind,
                               const AnalysisSettings& settings,
                               const ProgressCallback& progress = {});

}  // namespace tonalyx

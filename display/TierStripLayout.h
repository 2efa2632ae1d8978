#pragma once

#include <cstddef>
#include <optional>

#include "analysis/ViewGeometry.h"
#include "annotations/TextGrid.h"
#include "display/CompositeLayout.h"

namespace tonalyx {

// The tier strip under the spectrogram: one row per tier, on the wave view's time axis. This is
// its arithmetic: rows, and times to pixel columns and back, as the wave view maps samples.

inline constexpr int kTierRowHeight = 22;
// How near (in pixels) a press must come to a boundary to take it.
inline constexpr int kBoundaryGrip = 3;

inline int TierStripHeight(std::size_t tiers) {
    return static_cast<int>(tiers) * kTierRowHeight;
}

// The tier row under y, or none below the last row or above the first.
std::optional<std::size_t> TierRowAt(int y, std::size_t tiers);

// Times to view columns: column c of the view shows the samples from (first + c) r to
// (first + c + 1) r, r samples per column, sample i at time i / rate.
struct StripTimeMap {
    double samplesPerColumn = 1;
    int firstColumn = 0;
    double sampleRate = 1;

    // The column whose samples hold time (floor), which may lie outside the view.
    double XOfTime(double seconds) const;
    int ColumnOfTime(double seconds) const;
    // The time at the left edge of column x.
    double TimeOfX(double x) const;
};

StripTimeMap TimeMapOf(const ViewGeometry& geometry, double sampleRate);

// The boundary (or point) of the tier whose column lies within kBoundaryGrip of x, the nearest
// one when several do; none otherwise. Interval tiers' outer edges are not boundaries.
std::optional<std::size_t> BoundaryNear(const AnnotationTier& tier, const StripTimeMap& map, int x);

// The samples of [start, end) seconds in a sound of sampleCount samples.
SampleSpan SamplesOfTimes(double start, double end, double sampleRate, int sampleCount);

// Where the strip goes in the composite image: under the spectrogram block (or the wave block),
// above the power-spectrum block, which moves down by shiftBy rows from row shiftFrom.
struct CompositeStrip {
    int top = 0;
    int imageHeight = 0;  // the composite's height with the strip
    int shiftFrom = 0;
    int shiftBy = 0;
};
// None when the composite holds neither the wave nor the spectrogram, whose time axis the
// strip shares, or the strip has no rows.
std::optional<CompositeStrip> PlaceStripInComposite(const CompositeLayout& layout,
                                                    const ImageCopySettings& flags,
                                                    int stripHeight);

}  // namespace tonalyx

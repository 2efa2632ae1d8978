#pragma once

#include "settings/SettingsRecords.h"

namespace tonalyx {

// The composite image stacks, from the top, the wave block, the spectrogram block and the
// power-spectrum block, each a view with its time (or frequency) axis below and its value axis
// on the left, as the copy flags choose. This is its arithmetic: which flags count, where each
// painter's origin lies and how large the image is.

// Clears the flags of views that are not on the screen and the axis flags of views not copied.
// Returns false when no view is left to draw.
bool NormaliseCopyFlags(ImageCopySettings& flags, bool spectrogramShown, bool spectrumVisible);

// The sizes of the controls as they are on the screen when the composite is made.
struct CompositeSizes {
    int yAxisW = 0;  // width of the wave amplitude axis, the width of every value axis block
    int xAxisH = 0;  // height of the wave time axis, the height of every horizontal axis block
    int waveW = 0;
    int waveH = 0;
    int spgmH = 0;
    int freqW = 0;  // the power-spectrum plot
    int freqH = 0;
};

struct CompositePoint {
    int x = 0;
    int y = 0;

    bool operator==(const CompositePoint&) const = default;
};

// Blocks are followed by a gap of this many white rows, except the last one.
inline constexpr int kCompositeBlockGap = 4;

struct CompositeLayout {
    int leftMargin = 0;  // where the wave and spectrogram views start
    int freqLeft = 0;    // where the power-spectrum plot starts
    int freqBlockW = 0;
    int waveBlockH = 0;  // each block height includes the gap after it
    int spgmBlockH = 0;
    int freqBlockH = 0;
    int width = 0;
    int height = 0;

    // The origins of the nine painters, in the order they draw.
    CompositePoint waveTimeAxis;
    CompositePoint waveAmplitudeAxis;
    CompositePoint wave;
    CompositePoint spgmTimeAxis;
    CompositePoint spgmFrequencyAxis;
    CompositePoint spgm;
    CompositePoint spectrumFrequencyAxis;
    CompositePoint spectrumLevelAxis;
    CompositePoint spectrum;
};

// Lays out the composite for flags already normalised by NormaliseCopyFlags.
CompositeLayout LayOutComposite(const ImageCopySettings& flags, const CompositeSizes& sizes);

}  // namespace tonalyx

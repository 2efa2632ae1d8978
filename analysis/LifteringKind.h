#pragma once

#include "analysis/SpectrogramKind.h"

namespace tonalyx {

// Liftering spectrogram: each column is the cepstrally smoothed log spectrum (bins 0..N/2, log10
// units) of a windowed frame; the dB thresholds apply to these values as they are. The plain
// FFT power of the same frames is kept per column for the power-spectrum window's background.
class LifteringKind : public SpectrogramKind {
public:
    void Setup(SpectrogramState& state) override;
    void ComputeColumn(SpectrogramState& state, double* frame, int column) override;
    // Mean FFT power of the columns, in dB, smoothed and resampled like the liftered column.
    bool HasBackground() const override { return true; }
    RowSpan RenderBackground(SpectrogramState& state, int firstColumn, int endColumn,
                             double* out) override;
};

// The lifter's variance in samples^2 for a standard deviation in seconds: 0.5 sd rate.
double LifterVariance(double lifSd, double sampleRate);

}  // namespace tonalyx

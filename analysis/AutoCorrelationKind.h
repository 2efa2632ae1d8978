#pragma once

#include "analysis/SpectrogramKind.h"

namespace tonalyx {

// Auto-correlation spectrogram: each column is the auto-correlation of an unwindowed frame of N
// samples for the lags 0..N-1, relative to the square of the 16-bit full scale (or as
// correlation coefficients with acCoefficient). Rows show lag time or sampleRate / lag; the
// thresholds are fractions.
class AutoCorrelationKind : public SpectrogramKind {
public:
    void Setup(SpectrogramState& state) override;
    void ComputeColumn(SpectrogramState& state, double* frame, int column) override;
    bool RowsMayShowLag() const override { return true; }
    bool PercentThresholds() const override { return true; }
};

}  // namespace tonalyx

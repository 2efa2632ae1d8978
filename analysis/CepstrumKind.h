#pragma once

#include "analysis/SpectrogramKind.h"

namespace tonalyx {

// Cepstrum spectrogram: each column is the whole real cepstrum (quefrency 0..N-1, log10 power
// units) of a windowed frame. Rows show quefrency time or sampleRate / quefrency; the
// thresholds are fractions.
class CepstrumKind : public SpectrogramKind {
public:
    void Setup(SpectrogramState& state) override;
    void ComputeColumn(SpectrogramState& state, double* frame, int column) override;
    bool RowsMayShowLag() const override { return true; }
    bool PercentThresholds() const override { return true; }
};

}  // namespace tonalyx

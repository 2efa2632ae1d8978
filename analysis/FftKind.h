#pragma once

#include "analysis/SpectrogramKind.h"

namespace tonalyx {

// FFT power spectrogram: each column is the one-sided power spectrum of a windowed frame of N
// samples, bins 0..N/2, stored linear; rendering converts the averaged column to dB.
class FftKind : public SpectrogramKind {
public:
    void Setup(SpectrogramState& state) override;
    void ComputeColumn(SpectrogramState& state, double* frame, int column) override;
    RowSpan PostProcess(SpectrogramState& state, double* out) override;
};

}  // namespace tonalyx

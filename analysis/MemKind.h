#pragma once

#include <vector>

#include "analysis/SpectrogramKind.h"
#include "dsp/MemSpectrum.h"

namespace tonalyx {

// MEM spectrogram: each frame is decimated by block means, Burg's method fits an all-pole model
// to it, and the model's power spectrum is evaluated at the frequency of every image row at
// display set-up (so a display change never refits). One value per row: no smoothing, no
// interpolation, dB straight onto the rows.
class MemKind : public SpectrogramKind {
public:
    void Setup(SpectrogramState& state) override;
    void ComputeColumn(SpectrogramState& state, double* frame, int column) override;
    void PrepareDisplay(SpectrogramState& state) override;
    RowSpan PostProcess(SpectrogramState& state, double* out) override;
    bool AlwaysNearest() const override { return true; }
    // Rows map to the frequency normalised by the decimated rate.
    double FrequencyToColumn(const SpectrogramState& state) const override {
        return 1.0 / state.sampleRate;
    }

private:
    MemSpectrumEvaluator evaluator_;
    std::vector<double> rowFrequencies_;
};

// The decimation factor p for a sound of sampleRate Hz and the resampling item:
// 0 ("None") gives 1; -1 ("Auto(8-16kHz)") doubles p while trunc(rate) div p > 15999; any other
// rate r gives the p >= 1 whose trunc(rate) div p is nearest to trunc(r), the first minimum
// as p grows. A negative rate other than -1 counts as None.
int MemDecimation(double sampleRate, double resampleRate);

}  // namespace tonalyx

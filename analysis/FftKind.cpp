#include "analysis/FftKind.h"

#include <algorithm>

#include "dsp/PowerSpectrum.h"

namespace tonalyx {

void FftKind::Setup(SpectrogramState& state) {
    state.transformLog2 = FrameSizeExponent(state.analysis.fftSizeLog2);
    state.transformSize = 1 << state.transformLog2;
    state.frameLength = state.transformSize;
    state.binCount = state.transformSize / 2 + 1;
}

void FftKind::ComputeColumn(SpectrogramState& state, double* frame, int column) {
    WindowedPowerSpectrum(state.transformLog2, frame, state.analysis.fftWindow);
    std::copy(frame, frame + state.binCount,
              state.data.begin() + static_cast<std::ptrdiff_t>(column) * state.binCount);
}

RowSpan FftKind::PostProcess(SpectrogramState& state, double* out) {
    AverageColumnToDb(state);
    return SmoothAndResample(state, out);
}

}  // namespace tonalyx

#include "analysis/CepstrumKind.h"

#include <algorithm>

#include "dsp/Cepstrum.h"

namespace tonalyx {

void CepstrumKind::Setup(SpectrogramState& state) {
    state.transformLog2 = FrameSizeExponent(state.analysis.cepSizeLog2);
    state.transformSize = 1 << state.transformLog2;
    state.frameLength = state.transformSize;
    state.binCount = state.transformSize;
}

void CepstrumKind::ComputeColumn(SpectrogramState& state, double* frame, int column) {
    Cepstrum(state.transformLog2, frame, state.analysis.cepWindow);
    std::copy(frame, frame + state.binCount,
              state.data.begin() + static_cast<std::ptrdiff_t>(column) * state.binCount);
}

}  // namespace tonalyx

#include "analysis/AutoCorrelationKind.h"

#include <algorithm>

#include "dsp/AutoCorrelation.h"

namespace tonalyx {

namespace {

// 1 / 32768^2: lag values relative to the square of the 16-bit full scale.
constexpr double kFullScaleSquaredInverse = 1.0 / 1073741824.0;

}  // namespace

void AutoCorrelationKind::Setup(SpectrogramState& state) {
    state.transformLog2 = FrameSizeExponent(state.analysis.acSizeLog2);
    state.transformSize = 1 << state.transformLog2;
    state.frameLength = state.transformSize;
    state.binCount = state.transformSize;
    GrowBuffer(state.workBuffer, 2 * static_cast<std::size_t>(state.transformSize));
}

void AutoCorrelationKind::ComputeColumn(SpectrogramState& state, double* frame, int column) {
    const int n = state.transformSize;
    double* work = state.workBuffer.data();
    // The frame, then the N zeros the linear end assumptions transform with it.
    std::copy(frame, frame + n, work);
    std::fill(work + n, work + 2 * n, 0.0);
    AutoCorrelation(state.transformLog2, work, state.analysis.acType, state.analysis.acCoefficient);
    const double scale = state.analysis.acCoefficient ? 1.0 : kFullScaleSquaredInverse;
    double* out = state.data.data() + static_cast<std::ptrdiff_t>(column) * state.binCount;
    for (int lag = 0; lag < n; ++lag)
        out[lag] = work[lag] * scale;
}

}  // namespace tonalyx

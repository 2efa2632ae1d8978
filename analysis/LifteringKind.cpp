#include "analysis/LifteringKind.h"

#include <algorithm>

#include "dsp/Cepstrum.h"
#include "dsp/PowerSpectrum.h"

namespace tonalyx {

double LifterVariance(double lifSd, double sampleRate) {
    return 0.5 * lifSd * sampleRate;
}

void LifteringKind::Setup(SpectrogramState& state) {
    state.transformLog2 = FrameSizeExponent(state.analysis.lifSizeLog2);
    state.transformSize = 1 << state.transformLog2;
    state.frameLength = state.transformSize;
    state.binCount = state.transformSize / 2 + 1;
    GrowBuffer(state.lifterPower, static_cast<std::size_t>(state.binCount) * state.columnCount);
    GrowBuffer(state.workBuffer, static_cast<std::size_t>(state.transformSize));
}

void LifteringKind::ComputeColumn(SpectrogramState& state, double* frame, int column) {
    const int n = state.transformSize;
    const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(column) * state.binCount;
    double* work = state.workBuffer.data();
    std::copy(frame, frame + n, work);
    WindowedPowerSpectrum(state.transformLog2, work, state.analysis.lifWindow);
    std::copy(work, work + state.binCount, state.lifterPower.begin() + offset);

    LifteredSpectrum(state.transformLog2, frame, state.analysis.lifWindow,
                     LifterVariance(state.analysis.lifSd, state.sampleRate));
    std::copy(frame, frame + state.binCount, state.data.begin() + offset);
}

RowSpan LifteringKind::RenderBackground(SpectrogramState& state, int firstColumn, int endColumn,
                                        double* out) {
    double* average = state.averageColumn.data();
    AverageColumns(state.lifterPower.data(), state.binCount, firstColumn, endColumn, average);
    AverageColumnToDb(state);
    return SmoothAndResample(state, out);
}

}  // namespace tonalyx

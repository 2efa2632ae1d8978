#include "analysis/SpectrogramKind.h"

#include <algorithm>

#include "analysis/AnalysisKind.h"
#include "analysis/AutoCorrelationKind.h"
#include "analysis/CepstrumKind.h"
#include "analysis/FftKind.h"
#include "analysis/LifteringKind.h"
#include "analysis/MemKind.h"
#include "analysis/PitchKind.h"
#include "analysis/Smoothing.h"
#include "dsp/PowerSpectrum.h"
#include "settings/SettingsRecords.h"

namespace tonalyx {

RowSpan SpectrogramKind::PostProcess(SpectrogramState& state, double* out) {
    return SmoothAndResample(state, out);
}

std::unique_ptr<SpectrogramKind> CreateSpectrogramKind(int kind) {
    switch (kind) {
        case FftAnalysis:
            return std::make_unique<FftKind>();
        case AutoCorrelationAnalysis:
            return std::make_unique<AutoCorrelationKind>();
        case CepstrumAnalysis:
            return std::make_unique<CepstrumKind>();
        case LifteringAnalysis:
            return std::make_unique<LifteringKind>();
        case MemAnalysis:
            return std::make_unique<MemKind>();
        default:
            return std::make_unique<PitchKind>();
    }
}

void SumColumns(const double* values, int stride, int firstColumn, int endColumn, double* sum,
                bool start) {
    const auto column = [&](int c) { return values + static_cast<std::ptrdiff_t>(c) * stride; };
    if (start) {
        std::copy(column(firstColumn), column(firstColumn) + stride, sum);
        ++firstColumn;
    }
    for (int c = firstColumn; c < endColumn; ++c) {
        const double* source = column(c);
        for (int i = 0; i < stride; ++i)
            sum[i] += source[i];
    }
}

void AverageColumns(const double* values, int stride, int firstColumn, int endColumn, double* out) {
    SumColumns(values, stride, firstColumn, endColumn, out, true);
    if (endColumn - firstColumn == 1) return;
    const double count = endColumn - firstColumn;
    for (int i = 0; i < stride; ++i)
        out[i] /= count;
}

void AverageColumnToDb(SpectrogramState& state) {
    const ColumnResampler& resampler = state.resampler;
    const bool whole = state.display.smoothing || resampler.BinCount() != state.binCount;
    const int first = whole ? 0 : resampler.FirstBin();
    const int end = whole ? state.binCount : resampler.EndBin();
    double* column = state.averageColumn.data();
    PowerToDb(end - first, column + first, column + first);
}

RowSpan SmoothAndResample(SpectrogramState& state, double* out) {
    if (state.display.smoothing) {
        SmoothTriangular(state.averageColumn.data(), state.binCount, state.display.smoothingWidth);
    }
    state.resampler.Resample(state.averageColumn.data(), out);
    return {state.resampler.FirstRow(), state.resampler.LastRow()};
}

int FrameSizeExponent(int log2) {
    return std::clamp(log2, kMinSizeExponent, kMaxSizeExponent);
}

}  // namespace tonalyx

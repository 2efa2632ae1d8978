#include "analysis/MemKind.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "dsp/BlockAverage.h"
#include "dsp/Burg.h"
#include "dsp/PowerSpectrum.h"

namespace tonalyx {

namespace {

constexpr double kAutoResampling = -1.0;
constexpr std::int64_t kAutoHighestRate = 15999;

// trunc(v) as a 64-bit integer; NaN and values beyond the 32-bit range are cut back to it.
std::int64_t Truncated(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<std::int64_t>(std::clamp(v, -2147483648.0, 4294967295.0));
}

}  // namespace

int MemDecimation(double sampleRate, double resampleRate) {
    const std::int64_t fs = Truncated(sampleRate);
    const std::int64_t r = Truncated(resampleRate);
    std::int64_t p = 1;
    if (r == Truncated(kAutoResampling)) {
        while (fs / p > kAutoHighestRate)
            p *= 2;
    } else if (r > 0) {
        // Walk p up while fs div p comes nearer to r; the rates fall as p grows, so the
        // distance shrinks to its minimum and then rises.
        p = 0;
        std::int64_t best = INT32_MAX;
        while (true) {
            const std::int64_t distance = std::llabs(fs / (p + 1) - r);
            if (distance >= best) break;
            ++p;
            best = distance;
        }
        p = std::max<std::int64_t>(p, 1);
    }
    return static_cast<int>(p);
}

void MemKind::Setup(SpectrogramState& state) {
    AnalysisSettings& analysis = state.analysis;
    const int p = MemDecimation(state.sampleRate, analysis.memResampleRate);
    const int poles = std::max(analysis.memPoles, 0);
    state.decimation = p;
    state.sampleRate /= p;
    // The analysed length after decimation, never shorter than the model order.
    const int n = std::max(analysis.memSize / p, poles);
    analysis.memSize = n;
    state.frameLength = n * p;
    state.memStride = poles + 1;
    GrowBuffer(state.memCoefficients,
               static_cast<std::size_t>(state.memStride) * state.columnCount);
    state.binCount = 0;
}

void MemKind::ComputeColumn(SpectrogramState& state, double* frame, int column) {
    const int n = state.analysis.memSize;
    const int p = state.decimation;
    if (p > 1) BlockAverage(n, p, frame);
    // Burg leaves slot 0 alone; the residual power goes there.
    double* coefficients =
        state.memCoefficients.data() + static_cast<std::ptrdiff_t>(column) * state.memStride;
    double p0 = 0.0;
    BurgCoefficients(n, frame, state.memStride - 1, coefficients, p0);
    coefficients[0] = p0;
}

void MemKind::PrepareDisplay(SpectrogramState& state) {
    const int rows = state.display.imageHeight;
    state.binCount = rows;
    GrowBuffer(state.data, static_cast<std::size_t>(rows) * state.columnCount);
    GrowBuffer(state.averageColumn, static_cast<std::size_t>(rows));
    if (rowFrequencies_.size() < static_cast<std::size_t>(rows)) rowFrequencies_.resize(rows);
    for (int i = 0; i < rows; ++i)
        rowFrequencies_[i] = Map(state.rowScale, i);
    // Rows beyond the decimated Nyquist frequency come out as power 0, hence level 0.
    evaluator_.SetRows(rowFrequencies_.data(), rows, state.memStride - 1);
    evaluator_.EvaluateColumns(state.columnCount, state.memCoefficients.data(), state.data.data());
}

RowSpan MemKind::PostProcess(SpectrogramState& state, double* out) {
    PowerToDb(state.binCount, state.averageColumn.data(), out);
    return {0, state.binCount};
}

}  // namespace tonalyx

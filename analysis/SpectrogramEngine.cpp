#include "analysis/SpectrogramEngine.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "analysis/LevelMapping.h"

namespace tonalyx {

namespace {

constexpr int kMinImageHeight = 16;

std::size_t Cells(int rows, int columns) {
    return static_cast<std::size_t>(std::max(rows, 0)) *
           static_cast<std::size_t>(std::max(columns, 0));
}

}  // namespace

SpectrogramEngine::SpectrogramEngine() {
    for (int kind = 0; kind < kAnalysisKindCount; ++kind) {
        units_[kind] = CreateSpectrogramKind(kind);
    }
}

SpectrogramKind& SpectrogramEngine::Unit(int kind) const {
    return *units_[kind >= 0 && kind < kAnalysisKindCount ? kind : NoAnalysis];
}

bool SpectrogramEngine::KindComputesColumns(int kind) const {
    return Unit(kind).ComputesColumns();
}

void SpectrogramEngine::SetSource(int columnCount, double sampleRate) {
    state_.sourceColumnCount = std::max(columnCount, 0);
    state_.sourceSampleRate = sampleRate;
    state_.columnCount = state_.sourceColumnCount;
    state_.sampleRate = sampleRate;
}

void SpectrogramEngine::SetupKind(int kind, const AnalysisSettings& settings) {
    state_.analysis = settings;
    state_.kind = kind;
    state_.columnCount = state_.sourceColumnCount;
    state_.sampleRate = state_.sourceSampleRate;
    displayReady_ = false;
    SpectrogramKind& unit = Unit(kind);
    unit.Setup(state_);
    if (!unit.ComputesColumns()) return;
    GrowBuffer(state_.data, Cells(state_.binCount, state_.columnCount));
    GrowBuffer(state_.averageColumn, Cells(state_.binCount, 1));
    state_.dataKind = kind;
    state_.dataColumnCount = state_.columnCount;
    state_.dataSampleRate = state_.sampleRate;
}

void SpectrogramEngine::ComputeColumn(double* frame, int column) {
    if (column < 0 || column >= state_.columnCount || state_.kind != state_.dataKind) return;
    Unit(state_.kind).ComputeColumn(state_, frame, column);
}

double* SpectrogramEngine::FrameBuffer() {
    GrowBuffer(state_.frameBuffer, Cells(state_.frameLength, 1));
    return state_.frameBuffer.data();
}

void SpectrogramEngine::SetupDisplay(int kind, const DisplaySettings& settings) {
    state_.display = settings;
    state_.kind = kind;
    DisplaySettings& display = state_.display;
    display.imageHeight = std::max(display.imageHeight, kMinImageHeight);
    if (display.logScale && !(display.minFreq >= 1.0)) display.minFreq = 1.0;

    const SpectrogramKind& unit = Unit(kind);
    const bool stored = unit.ComputesColumns() && kind == state_.dataKind;
    if (stored) {
        // A pitch computation in between may have set another source.
        state_.columnCount = state_.dataColumnCount;
        state_.sampleRate = state_.dataSampleRate;
    }
    const LookupMode lookup =
        !unit.AlwaysNearest() && display.interpolate ? LookupMode::Linear : LookupMode::Nearest;
    state_.lagAxis = false;
    if (!unit.RowsMayShowLag() || display.showAsFrequency) {
        SetFrequencyRows(unit);
    } else {
        SetLagRows();
    }
    if (stored) Unit(kind).PrepareDisplay(state_);
    state_.resampler.SetRowRange(state_.rowScale, state_.binCount, display.imageHeight, lookup);
    state_.dbOffset = FullScaleDbOffset(state_.sampleRate);
    displayReady_ = true;
}

void SpectrogramEngine::SetFrequencyRows(const SpectrogramKind& unit) {
    const DisplaySettings& display = state_.display;
    const double rows = display.imageHeight;
    if (display.logScale) {
        // Row 0 is minFreq and row imageHeight is maxFreq.
        state_.rowScale = ScaleMap::Exponential(std::log(display.maxFreq / display.minFreq) / rows,
                                                display.minFreq);
    } else {
        const double slope = (display.maxFreq - display.minFreq) / rows;
        state_.rowScale = display.minFreq == 0.0 ? ScaleMap::Linear(slope)
                                                 : ScaleMap::Affine(slope, display.minFreq);
    }
    state_.pitchScale = state_.rowScale;
    if (unit.RowsMayShowLag()) {
        // A row's frequency f shows the lag sampleRate / f samples.
        ReciprocalOf(state_.rowScale, state_.sampleRate);
    } else {
        ScaledBy(state_.rowScale, unit.FrequencyToColumn(state_), 0.0);
    }
}

void SpectrogramEngine::SetLagRows() {
    const DisplaySettings& display = state_.display;
    state_.lagAxis = true;
    const double slope = (display.maxTime - display.minTime) / display.imageHeight;
    state_.rowScale =
        display.minTime == 0.0 ? ScaleMap::Linear(slope) : ScaleMap::Affine(slope, display.minTime);
    state_.pitchScale = state_.rowScale;
    ReciprocalOf(state_.pitchScale, 1.0);  // a lag of t seconds is the frequency 1 / t
    ScaledBy(state_.rowScale, 1.0 / (1.0 / state_.sampleRate), 0.0);  // seconds to samples
}

bool SpectrogramEngine::CanRender() const {
    return displayReady_ && Unit(state_.kind).ComputesColumns() && state_.kind == state_.dataKind &&
           state_.binCount > 0;
}

void SpectrogramEngine::FillZeros(double* out) const {
    std::fill(out, out + std::max(state_.display.imageHeight, 0), 0.0);
}

void SpectrogramEngine::RenderLevelColumn(double* out, int firstColumn, int endColumn, double top,
                                          bool unclamped) {
    firstColumn = std::max(firstColumn, 0);
    endColumn = std::min(endColumn, state_.columnCount);
    if (!CanRender() || endColumn <= firstColumn) {
        FillZeros(out);
        return;
    }
    AverageColumns(state_.data.data(), state_.binCount, firstColumn, endColumn,
                   state_.averageColumn.data());
    RenderAverageColumn(out, top, unclamped);
}

void SpectrogramEngine::RenderColumnValues(const double* values, double* out, double top,
                                           bool unclamped) {
    if (!CanRender()) {
        FillZeros(out);
        return;
    }
    std::copy(values, values + state_.binCount, state_.averageColumn.begin());
    RenderAverageColumn(out, top, unclamped);
}

void SpectrogramEngine::RenderAverageColumn(double* out, double top, bool unclamped) {
    SpectrogramKind& unit = Unit(state_.kind);
    const RowSpan rows = unit.PostProcess(state_, out);
    MapToLevels(out, rows, unit.PercentThresholds(), top, unclamped);
}

void SpectrogramEngine::MapToLevels(double* out, RowSpan rows, bool percent, double top,
                                    bool unclamped) const {
    const DisplaySettings& display = state_.display;
    const int height = display.imageHeight;
    if (percent) {
        MapLevels(out, height, display.minPercent, display.maxPercent, top, unclamped);
    } else {
        MapLevels(out, height, display.minDb + state_.dbOffset, display.maxDb + state_.dbOffset,
                  top, unclamped);
    }
    if (unclamped) return;
    // Rows without data (lags beyond the column, frequencies above the Nyquist bin) hold 0
    // before the mapping; a min threshold below 0 would paint them as if they had that value.
    // In the image they stay at level 0 whatever the thresholds.
    std::fill(out, out + std::clamp(rows.first, 0, height), 0.0);
    std::fill(out + std::clamp(rows.end, 0, height), out + height, 0.0);
}

void SpectrogramEngine::RenderLifterBackground(double* out, int firstColumn, int endColumn,
                                               double top, bool unclamped) {
    firstColumn = std::max(firstColumn, 0);
    endColumn = std::min(endColumn, state_.columnCount);
    SpectrogramKind& unit = Unit(state_.kind);
    if (!CanRender() || endColumn <= firstColumn || !unit.HasBackground()) {
        FillZeros(out);
        return;
    }
    const RowSpan rows = unit.RenderBackground(state_, firstColumn, endColumn, out);
    MapToLevels(out, rows, false, top, unclamped);
}

}  // namespace tonalyx

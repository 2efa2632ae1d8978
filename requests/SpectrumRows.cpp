#include "requests/SpectrumRows.h"

#include "display/AxisScale.h"
#include "dsp/PowerSpectrum.h"

namespace tonalyx::requests {

namespace {

// The minimum tick spacing and label interval of the window's axes; they choose ticks only and
// do not change the values read off an axis.
constexpr int kMinTickSpacing = 5;
constexpr int kLabelSpacing = 4;
// Times with six decimals, everything else with six significant digits.
constexpr int kTimeDecimals = 6;
constexpr int kDigits = 6;

// The power-spectrum window's level axis over top pixels: dB between the dB thresholds, or
// percent between the percent thresholds for the auto-correlation and cepstrum kinds.
AxisScale LevelAxis(const DisplaySettings& display, bool percent, int top) {
    AxisScale axis;
    const double from = percent ? display.minPercent * 100 : display.minDb;
    const double to = percent ? display.maxPercent * 100 : display.maxDb;
    SetAxis(axis, AxisKind::Linear, top, from, to, kMinTickSpacing, kLabelSpacing);
    return axis;
}

// The spectrogram's lag axis in milliseconds.
AxisScale LagAxis(const DisplaySettings& display, int rows) {
    AxisScale axis;
    SetAxis(axis, AxisKind::Linear, rows, display.minTime * 1000, display.maxTime * 1000,
            kMinTickSpacing, kLabelSpacing);
    return axis;
}

}  // namespace

std::optional<std::string> ColumnRangeProblem(int last, int columns) {
    if (last < columns) return std::nullopt;
    return "column " + std::to_string(last) + " lies beyond the " + std::to_string(columns) +
           " columns of this view";
}

namespace {

// The rows of levels rendered by an engine whose display is set up for kind.
SpectrumRows RowsOfLevels(const SpectrogramEngine& engine, int kind, std::vector<double> levels) {
    SpectrumRows result;
    result.levels = std::move(levels);
    result.percent = kind == AutoCorrelationAnalysis || kind == CepstrumAnalysis;
    result.logUnits = kind == LifteringAnalysis;
    result.lag = engine.LagAxis();
    const AxisScale levelAxis = LevelAxis(engine.Display(), result.percent, engine.ImageHeight());
    for (double& level : result.levels)
        level = ValueAt(levelAxis, level);
    result.positions = RowPositions(engine);
    return result;
}

}  // namespace

SpectrumRows ShownSpectrumRows(SpectrogramEngine& engine, int kind, int firstColumn,
                               int endColumn) {
    const int rows = engine.ImageHeight();
    std::vector<double> levels(static_cast<std::size_t>(rows));
    engine.RenderLevelColumn(levels.data(), firstColumn, endColumn, rows, true);
    return RowsOfLevels(engine, kind, std::move(levels));
}

SpectrumRows ComputeSpectrumRows(SpectrogramEngine& engine, int kind,
                                 const DisplaySettings& display, int firstColumn, int endColumn) {
    engine.SetupDisplay(kind, display);
    return ShownSpectrumRows(engine, kind, firstColumn, endColumn);
}

SpectrumRows SpectrumRowsOfMean(SpectrogramEngine& engine, int kind,
                                const std::vector<double>& mean) {
    if (mean.empty()) return ShownSpectrumRows(engine, kind, 0, 0);
    const int rows = engine.ImageHeight();
    std::vector<double> levels(static_cast<std::size_t>(rows));
    engine.RenderColumnValues(mean.data(), levels.data(), rows, true);
    return RowsOfLevels(engine, kind, std::move(levels));
}

const char* PositionName(const SpectrumRows& rows) {
    return rows.lag ? "lag_ms" : "frequency_hz";
}

const char* LevelName(const SpectrumRows& rows) {
    return rows.percent ? "level_percent" : "level_db";
}

void WriteSpectrumHeader(TableWriter& table, const SpectrumRows& rows) {
    table.Header({"start_s", "end_s", "row", PositionName(rows), LevelName(rows)});
}

void WriteSpectrumLines(TableWriter& table, const SpectrumRows& rows, double start, double end,
                        MissingValues missing) {
    // The liftered log spectrum of silence lies below the log floor, smoothed.
    const double floor = rows.logUnits ? kFloorDb / 10 : kFloorDb;
    for (std::size_t row = 0; row < rows.levels.size(); ++row) {
        const double level = rows.levels[row];
        table.Fixed(start, kTimeDecimals)
            .Fixed(end, kTimeDecimals)
            .Integer(static_cast<long long>(row))
            .General(rows.positions[row], kDigits);
        // Pure digital silence reads as the floor of the dB conversion, or below it.
        if (!rows.percent && level <= floor && missing != MissingValues::Window) {
            table.Missing(missing);
        } else {
            table.General(level, kDigits);
        }
        table.EndLine();
    }
}

std::vector<double> RowPositions(const SpectrogramEngine& engine) {
    const int rows = engine.ImageHeight();
    std::vector<double> positions(static_cast<std::size_t>(rows));
    const AxisScale lagAxis = LagAxis(engine.Display(), rows);
    for (int row = 0; row < rows; ++row) {
        positions[static_cast<std::size_t>(row)] =
            engine.LagAxis() ? ValueAt(lagAxis, row) : Map(engine.PitchScale(), row);
    }
    return positions;
}

}  // namespace tonalyx::requests

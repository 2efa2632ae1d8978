#include <algorithm>
#include <vector>

#include "analysis/AnalysisKind.h"
#include "cli/Commands.h"
#include "cli/TableWriter.h"
#include "cli/ViewAnalysis.h"
#include "display/AxisScale.h"

namespace tonalyx::cli {

namespace {

constexpr int kDigits = 6;
// The minimum tick spacing and label interval of the window's axes; they choose ticks only and
// do not change the values read off an axis.
constexpr int kMinTickSpacing = 5;
constexpr int kLabelSpacing = 4;

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

std::optional<std::string> RunSpectrum(const std::string& path, CommandContext& context) {
    const CliOptions& options = context.options;
    ViewAnalysis analysis;
    if (auto failure = AnalyseView(path, options.kind, false, context, analysis)) return failure;
    context.progress.Finish();
    SpectrogramEngine& engine = analysis.engine;
    const int columns = engine.ColumnCount();
    const int first = options.column;
    const int last = options.toColumn.value_or(first);
    if (last >= columns) {
        return "column " + std::to_string(last) + " lies beyond the " + std::to_string(columns) +
               " columns of this view";
    }

    engine.SetupDisplay(options.kind, context.records.display);
    const int rows = engine.ImageHeight();
    std::vector<double> levels(static_cast<std::size_t>(rows));
    // The plot is as wide as the image is high and its level range is its height: top = rows.
    engine.RenderLevelColumn(levels.data(), first, last + 1, rows, true);

    const DisplaySettings& display = engine.Display();
    const bool percent =
        options.kind == AutoCorrelationAnalysis || options.kind == CepstrumAnalysis;
    const bool lag = engine.LagAxis();
    const AxisScale levelAxis = LevelAxis(display, percent, rows);
    const AxisScale lagAxis = LagAxis(display, rows);

    const bool several = options.files.size() > 1;
    TableWriter table(context.out, options.format, several ? path : std::string());
    if (!context.headerWritten)
        table.Header(
            {"row", lag ? "lag_ms" : "frequency_hz", percent ? "level_percent" : "level_db"});
    context.headerWritten = true;
    for (int row = 0; row < rows; ++row) {
        const double position = lag ? ValueAt(lagAxis, row) : Map(engine.PitchScale(), row);
        table.Integer(row)
            .General(position, kDigits)
            .General(ValueAt(levelAxis, levels[static_cast<std::size_t>(row)]), kDigits)
            .EndLine();
    }
    return std::nullopt;
}

}  // namespace tonalyx::cli

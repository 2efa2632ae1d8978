#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/AnalysisKind.h"
#include "cli/CommandView.h"
#include "cli/Commands.h"
#include "cli/StreamedView.h"
#include "cli/TableWriter.h"
#include "display/AxisScale.h"
#include "dsp/PowerSpectrum.h"

namespace tonalyx::cli {

namespace {

constexpr int kDigits = 6;
constexpr int kTimeDecimals = 6;
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

// The view column whose samples hold that time, or none when the view does not show it.
std::optional<int> ColumnAtTime(const ViewGeometry& geometry, double rate, double seconds) {
    // Times given in decimals land on their sample despite the rounding of seconds * rate.
    const double sample = std::floor(seconds * rate + 1e-6);
    if (sample >= geometry.sampleCount) return std::nullopt;
    const int column = geometry.SampleToPixel(static_cast<int>(sample));
    if (column < 0) return std::nullopt;
    return column;
}

std::string Seconds(double seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

// The columns the options name: --column and --to-column, or the columns holding --time and
// --to-time. Returns why they cannot be read, or none.
std::optional<std::string> ChosenColumns(const CliOptions& options, const ViewGeometry& geometry,
                                         double rate, int& first, int& last) {
    const int columns = geometry.VisibleColumns().count;
    if (options.time) {
        const std::optional<int> from = ColumnAtTime(geometry, rate, *options.time);
        const std::optional<int> to =
            ColumnAtTime(geometry, rate, options.toTime.value_or(*options.time));
        if (!from || !to || *to >= columns) {
            const SampleSpan shown = geometry.WindowSampleRange();
            return "time " +
                   Seconds(from ? options.toTime.value_or(*options.time) : *options.time) +
                   " s lies outside the view, which shows " + Seconds(shown.start / rate) + " to " +
                   Seconds(shown.end / rate) + " s; --fit or --first-column shows other times";
        }
        first = *from;
        last = *to;
        return std::nullopt;
    }
    first = options.column;
    last = options.toColumn.value_or(first);
    if (last >= columns) {
        return "column " + std::to_string(last) + " lies beyond the " + std::to_string(columns) +
               " columns of this view";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> RunSpectrum(const std::string& path, CommandContext& context) {
    const CliOptions& options = context.options;
    StreamedView view;
    if (auto failure = OpenView(path, context, view)) return failure;
    const double rate = view.sound.sampleRate;
    int first = 0;
    int last = 0;
    if (auto failure = ChosenColumns(options, view.geometry, rate, first, last)) return failure;
    // Only the chosen columns are computed, from their own frames.
    context.progress.Start(FileNamePart(path) + ": columns");
    ComputeViewColumns(view, options.kind, first, last - first + 1, context.records.analysis,
                       [&](double fraction) { context.progress.Update(fraction); });
    context.progress.Finish();
    SpectrogramEngine& engine = view.engine;

    engine.SetupDisplay(options.kind, context.records.display);
    const int rows = engine.ImageHeight();
    std::vector<double> levels(static_cast<std::size_t>(rows));
    // The plot is as wide as the image is high and its level range is its height: top = rows.
    engine.RenderLevelColumn(levels.data(), 0, last - first + 1, rows, true);

    const DisplaySettings& display = engine.Display();
    const bool percent =
        options.kind == AutoCorrelationAnalysis || options.kind == CepstrumAnalysis;
    const bool lag = engine.LagAxis();
    const AxisScale levelAxis = LevelAxis(display, percent, rows);
    const AxisScale lagAxis = LagAxis(display, rows);

    // The samples of the chosen columns, in seconds.
    const ViewGeometry& geometry = view.geometry;
    const int scrolled = geometry.ScrollPosition();
    const double start = geometry.VisibleSampleRange(first + scrolled).start / rate;
    const double end = geometry.VisibleSampleRange(last + scrolled).end / rate;

    TableWriter table(context.out, options.format, path);
    if (!context.headerWritten)
        table.Header({"start_s", "end_s", "row", lag ? "lag_ms" : "frequency_hz",
                      percent ? "level_percent" : "level_db"});
    context.headerWritten = true;
    for (int row = 0; row < rows; ++row) {
        const double position = lag ? ValueAt(lagAxis, row) : Map(engine.PitchScale(), row);
        const double level = ValueAt(levelAxis, levels[static_cast<std::size_t>(row)]);
        table.Fixed(start, kTimeDecimals)
            .Fixed(end, kTimeDecimals)
            .Integer(row)
            .General(position, kDigits);
        // Pure digital silence reads as the floor of the dB conversion, or below it.
        if (!percent && level <= kFloorDb && options.missing != MissingValues::Window) {
            table.Missing(options.missing);
        } else {
            table.General(level, kDigits);
        }
        table.EndLine();
    }
    return std::nullopt;
}

}  // namespace tonalyx::cli

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/AnalysisKind.h"
#include "cli/Commands.h"
#include "requests/CommandView.h"
#include "requests/SpectrumRows.h"
#include "requests/StreamedView.h"
#include "requests/TableWriter.h"

namespace tonalyx::cli {

namespace {

// The view column whose span [start_s, end_s), as the table prints it, holds that time; none
// when the view does not show it.
std::optional<int> ColumnAtTime(const ViewGeometry& geometry, double rate, double seconds) {
    // Times given in decimals land on their sample despite the rounding of seconds * rate.
    const double sample = std::floor(seconds * rate + 1e-6);
    if (sample >= geometry.sampleCount) return std::nullopt;
    const int at = static_cast<int>(sample);
    int column = geometry.SampleToPixel(at);
    if (column < 0) return std::nullopt;
    // SampleToPixel divides by a fractional zoom where the spans truncate its multiples: the
    // two can differ by a column at a span's edge.
    const int scrolled = geometry.ScrollPosition();
    while (geometry.VisibleSampleRange(column + scrolled).end <= at)
        ++column;
    while (column > 0 && geometry.VisibleSampleRange(column + scrolled).start > at)
        --column;
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
    first = options.column.value_or(0);
    last = options.toColumn.value_or(first);
    return ColumnRangeProblem(last, columns);
}

}  // namespace

std::optional<std::string> RunSpectrum(const std::string& path, CommandContext& context) {
    const CliOptions& options = context.options;
    StreamedView view;
    if (auto failure =
            OpenView(path, context.options, context.records, NotesOf(context, path), view))
        return failure;
    const double rate = view.sound.sampleRate;
    int first = 0;
    int last = 0;
    if (auto failure = ChosenColumns(options, view.geometry, rate, first, last)) return failure;
    // Only the chosen columns are computed, from their own frames.
    context.progress.Start(FileNamePart(path) + ": columns");
    const std::vector<double> mean = ComputeMeanViewColumn(
        view, options.kind, first, last - first + 1, context.records.analysis,
        context.records.display, [&](double fraction) { context.progress.Update(fraction); });
    context.progress.Finish();
    if (auto note = RepairNote(view.sound.source->Info().repairs)) Note(context, path, *note);
    const SpectrumRows spectrum = SpectrumRowsOfMean(view.engine, options.kind, mean);

    // The samples of the chosen columns, in seconds.
    const ViewGeometry& geometry = view.geometry;
    const int scrolled = geometry.ScrollPosition();
    const double start = geometry.VisibleSampleRange(first + scrolled).start / rate;
    const double end = geometry.VisibleSampleRange(last + scrolled).end / rate;

    TableWriter table(context.out, options.format, path);
    if (!context.headerWritten) WriteSpectrumHeader(table, spectrum);
    context.headerWritten = true;
    WriteSpectrumLines(table, spectrum, start, end, options.missing);
    return std::nullopt;
}

}  // namespace tonalyx::cli

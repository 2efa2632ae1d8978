#include "app/DataExportTables.h"

#include <algorithm>

#include "analysis/AnalysisKind.h"
#include "analysis/PitchSteps.h"
#include "requests/PitchRows.h"
#include "requests/SpectrumRows.h"
#include "requests/TableWriter.h"

namespace tonalyx {

namespace {

// Times with six decimals, everything else with six significant digits, as the command line
// writes them.
constexpr int kTimeDecimals = 6;
constexpr int kDigits = 6;

}  // namespace

bool KindHasLevels(int kind) {
    return kind >= FftAnalysis && kind <= MemAnalysis;
}

void WritePitchTable(std::ostream& out, const std::string& fileName,
                     const std::vector<double>& track, int hop, double sampleRate) {
    requests::TableWriter table(out, requests::TableFormat::Csv, fileName);
    requests::WritePitchHeader(table);
    for (std::size_t i = 0; i < track.size(); ++i) {
        requests::WritePitchRow(table, requests::MissingValues::Window,
                                static_cast<std::int64_t>(i),
                                static_cast<double>(i) * hop / sampleRate, track[i]);
    }
}

void WritePitchSteps(std::ostream& out, const std::string& fileName,
                     const std::vector<double>& track, int hop, double sampleRate, double step,
                     std::int64_t sampleCount) {
    requests::TableWriter table(out, requests::TableFormat::Csv, fileName);
    requests::WritePitchHeader(table);
    PitchStepSampler steps(hop, sampleRate, step, sampleCount);
    const auto row = [&table](std::int64_t k, double seconds, double f0) {
        requests::WritePitchRow(table, requests::MissingValues::Window, k, seconds, f0);
    };
    steps.Add(track, row);
    steps.Finish(row);
}

void WriteSpectrumTable(std::ostream& out, requests::TableFormat format,
                        const std::string& fileName, const ShownSpectrogram& shown, int firstColumn,
                        int endColumn) {
    const requests::SpectrumRows rows =
        requests::ShownSpectrumRows(shown.engine, shown.kind, firstColumn, endColumn);
    const ViewGeometry& geometry = shown.geometry;
    const int scrolled = geometry.ScrollPosition();
    const double start =
        geometry.VisibleSampleRange(firstColumn + scrolled).start / shown.sampleRate;
    const double end = geometry.VisibleSampleRange(endColumn - 1 + scrolled).end / shown.sampleRate;

    requests::TableWriter table(out, format, fileName);
    requests::WriteSpectrumHeader(table, rows);
    requests::WriteSpectrumLines(table, rows, start, end, requests::MissingValues::Window);
}

void WriteLevelMatrix(std::ostream& out, const ShownSpectrogram& shown) {
    // The first column's rows give the positions and the units; every column gives its levels.
    const requests::SpectrumRows axis = requests::ShownSpectrumRows(shown.engine, shown.kind, 0, 1);
    const int columns = shown.engine.ColumnCount();
    std::vector<std::vector<double>> levels;
    levels.reserve(static_cast<std::size_t>(std::max(columns, 0)));
    for (int column = 0; column < columns; ++column)
        levels.push_back(
            requests::ShownSpectrumRows(shown.engine, shown.kind, column, column + 1).levels);

    const ViewGeometry& geometry = shown.geometry;
    const int scrolled = geometry.ScrollPosition();
    requests::TableWriter table(out, requests::TableFormat::Csv, "");
    table.Text(std::string(requests::LevelName(axis)) + ":" + requests::PositionName(axis) +
               "/time_s");
    for (int column = 0; column < columns; ++column) {
        const SampleSpan samples = geometry.VisibleSampleRange(column + scrolled);
        table.Fixed((samples.start + samples.end) / 2.0 / shown.sampleRate, kTimeDecimals);
    }
    table.EndLine();
    for (std::size_t row = 0; row < axis.positions.size(); ++row) {
        table.General(axis.positions[row], kDigits);
        for (const std::vector<double>& column : levels)
            table.General(column[row], kDigits);
        table.EndLine();
    }
}

}  // namespace tonalyx

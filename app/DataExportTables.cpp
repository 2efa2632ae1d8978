#include "app/DataExportTables.h"

#include <algorithm>

#include "analysis/AnalysisKind.h"
#include "analysis/PitchSteps.h"
#include "cli/TableWriter.h"
#include "display/AxisScale.h"

namespace tonalyx {

namespace {

// The command line's number format: times with six decimals, everything else with six
// significant digits.
constexpr int kTimeDecimals = 6;
constexpr int kDigits = 6;
// Axis tick choices; they do not change the values read off an axis.
constexpr int kMinTickSpacing = 5;
constexpr int kLabelSpacing = 4;

// The levels of one kind's columns and the position of each image row, as the power-spectrum
// window reads them: its level axis spans the thresholds over as many pixels as the image has
// rows, and the rows are frequencies or lags.
class RowReader {
public:
    explicit RowReader(const ShownSpectrogram& shown)
        : engine_(shown.engine),
          rows_(shown.engine.ImageHeight()),
          percent_(shown.kind == AutoCorrelationAnalysis || shown.kind == CepstrumAnalysis),
          lag_(shown.engine.LagAxis()),
          raw_(static_cast<std::size_t>(rows_)) {
        const DisplaySettings& display = engine_.Display();
        const double from = percent_ ? display.minPercent * 100 : display.minDb;
        const double to = percent_ ? display.maxPercent * 100 : display.maxDb;
        SetAxis(levelAxis_, AxisKind::Linear, rows_, from, to, kMinTickSpacing, kLabelSpacing);
        SetAxis(lagAxis_, AxisKind::Linear, rows_, display.minTime * 1000, display.maxTime * 1000,
                kMinTickSpacing, kLabelSpacing);
    }

    int Rows() const { return rows_; }
    const char* PositionName() const { return lag_ ? "lag_ms" : "frequency_hz"; }
    const char* LevelName() const { return percent_ ? "level_percent" : "level_db"; }

    double Position(int row) const {
        return lag_ ? ValueAt(lagAxis_, row) : Map(engine_.PitchScale(), row);
    }

    // levels[0..Rows()): the mean of columns [first, end), unclamped, in the axis's unit.
    void Levels(int first, int end, double* levels) {
        engine_.RenderLevelColumn(raw_.data(), first, end, rows_, true);
        for (int row = 0; row < rows_; ++row)
            levels[row] = ValueAt(levelAxis_, raw_[static_cast<std::size_t>(row)]);
    }

private:
    SpectrogramEngine& engine_;
    const int rows_;
    const bool percent_;
    const bool lag_;
    AxisScale levelAxis_;
    AxisScale lagAxis_;
    std::vector<double> raw_;
};

}  // namespace

bool KindHasLevels(int kind) {
    return kind >= FftAnalysis && kind <= MemAnalysis;
}

void WritePitchTable(std::ostream& out, const std::string& fileName,
                     const std::vector<double>& track, int hop, double sampleRate) {
    cli::TableWriter table(out, cli::TableFormat::Csv, fileName);
    table.Header({"index", "time_s", "f0_hz"});
    for (std::size_t i = 0; i < track.size(); ++i) {
        const double start = static_cast<double>(i) * hop / sampleRate;
        table.Integer(static_cast<long long>(i))
            .Fixed(start, kTimeDecimals)
            .General(track[i], kDigits)
            .EndLine();
    }
}

void WritePitchSteps(std::ostream& out, const std::string& fileName,
                     const std::vector<double>& track, int hop, double sampleRate, double step,
                     std::int64_t sampleCount) {
    cli::TableWriter table(out, cli::TableFormat::Csv, fileName);
    table.Header({"index", "time_s", "f0_hz"});
    PitchStepSampler steps(hop, sampleRate, step, sampleCount);
    const auto row = [&table](std::int64_t k, double seconds, double f0) {
        table.Integer(static_cast<long long>(k))
            .Fixed(seconds, kTimeDecimals)
            .General(f0, kDigits)
            .EndLine();
    };
    steps.Add(track, row);
    steps.Finish(row);
}

void WriteSpectrumTable(std::ostream& out, cli::TableFormat format, const std::string& fileName,
                        const ShownSpectrogram& shown, int firstColumn, int endColumn) {
    RowReader reader(shown);
    const int rows = reader.Rows();
    std::vector<double> levels(static_cast<std::size_t>(rows));
    reader.Levels(firstColumn, endColumn, levels.data());

    const ViewGeometry& geometry = shown.geometry;
    const int scrolled = geometry.ScrollPosition();
    const double start =
        geometry.VisibleSampleRange(firstColumn + scrolled).start / shown.sampleRate;
    const double end = geometry.VisibleSampleRange(endColumn - 1 + scrolled).end / shown.sampleRate;

    cli::TableWriter table(out, format, fileName);
    table.Header({"start_s", "end_s", "row", reader.PositionName(), reader.LevelName()});
    for (int row = 0; row < rows; ++row) {
        table.Fixed(start, kTimeDecimals)
            .Fixed(end, kTimeDecimals)
            .Integer(row)
            .General(reader.Position(row), kDigits)
            .General(levels[static_cast<std::size_t>(row)], kDigits)
            .EndLine();
    }
}

void WriteLevelMatrix(std::ostream& out, const ShownSpectrogram& shown) {
    RowReader reader(shown);
    const int rows = reader.Rows();
    const int columns = shown.engine.ColumnCount();
    // Column-major, as the engine gives them; the table is written row by row.
    std::vector<double> levels(static_cast<std::size_t>(rows) * std::max(columns, 0));
    for (int column = 0; column < columns; ++column)
        reader.Levels(column, column + 1, levels.data() + static_cast<std::size_t>(column) * rows);

    const ViewGeometry& geometry = shown.geometry;
    const int scrolled = geometry.ScrollPosition();
    cli::TableWriter table(out, cli::TableFormat::Csv, "");
    table.Text(std::string(reader.LevelName()) + ":" + reader.PositionName() + "/time_s");
    for (int column = 0; column < columns; ++column) {
        const SampleSpan samples = geometry.VisibleSampleRange(column + scrolled);
        table.Fixed((samples.start + samples.end) / 2.0 / shown.sampleRate, kTimeDecimals);
    }
    table.EndLine();
    for (int row = 0; row < rows; ++row) {
        table.General(reader.Position(row), kDigits);
        for (int column = 0; column < columns; ++column)
            table.General(levels[static_cast<std::size_t>(column) * rows + row], kDigits);
        table.EndLine();
    }
}

}  // namespace tonalyx

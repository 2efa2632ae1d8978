#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/SpectrogramEngine.h"
#include "requests/TableWriter.h"

namespace tonalyx::requests {

// The rows of the power-spectrum window, row 0 (lowest frequency or shortest lag) first, as
// the spectrum command writes them and the Python module returns them.
struct SpectrumRows {
    std::vector<double> positions;  // frequency in Hz, or lag in ms on a lag axis
    std::vector<double> levels;     // dB, or percent for the auto-correlation and cepstrum
    bool lag = false;
    bool percent = false;
    // Liftering: the levels are log10 units of the smoothed power spectrum, shown against the
    // dB thresholds as they are.
    bool logUnits = false;
};

// Why a column range ending at view column `last` cannot be read from a view of `columns`
// columns, or none.
std::optional<std::string> ColumnRangeProblem(int last, int columns);

// The rows of the mean of columns [firstColumn, endColumn) of an engine whose columns are
// computed and whose display is set up for kind.
SpectrumRows ShownSpectrumRows(SpectrogramEngine& engine, int kind, int firstColumn, int endColumn);

// Sets the engine's display up for kind with display and reads the mean of its computed
// columns [firstColumn, endColumn) as the power-spectrum window does: the plot as wide as the
// image is high, its level range its height.
SpectrumRows ComputeSpectrumRows(SpectrogramEngine& engine, int kind,
                                 const DisplaySettings& display, int firstColumn, int endColumn);

// The rows of the mean column of an engine whose display is set up for kind (the mean as
// ComputeMeanViewColumn sums it; zeros when it is empty).
SpectrumRows SpectrumRowsOfMean(SpectrogramEngine& engine, int kind,
                                const std::vector<double>& mean);

// The names of the position and level columns: "frequency_hz" or "lag_ms", "level_db" or
// "level_percent".
const char* PositionName(const SpectrumRows& rows);
const char* LevelName(const SpectrumRows& rows);

// The header of a spectrum table after the file column: start_s, end_s, row and the names.
void WriteSpectrumHeader(TableWriter& table, const SpectrumRows& rows);

// One line per row, the lowest first: start and end of the columns' samples in seconds, the row,
// its position and level; a level at the floor of the conversion (digital silence: kFloorDb,
// or kFloorDb / 10 in log10 units, and below) is written as missing chooses.
void WriteSpectrumLines(TableWriter& table, const SpectrumRows& rows, double start, double end,
                        MissingValues missing);

// The frequency in Hz, or the lag in ms on a lag axis, of each image row of an engine whose
// display is set up, row 0 at the bottom.
std::vector<double> RowPositions(const SpectrogramEngine& engine);

}  // namespace tonalyx::requests

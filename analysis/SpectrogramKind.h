#pragma once

#include <memory>

#include "analysis/SpectrogramState.h"

namespace tonalyx {

// Image rows [first, end) that carry data after post-processing.
struct RowSpan {
    int first = 0;
    int end = 0;
};

// One analysis kind: how it sets up, computes a column, prepares the display and turns the
// averaged column into values on the image rows. The engine runs the steps that all kinds
// share (framing, averaging, row maps, level mapping) and asks the unit for the rest, so a new
// kind is a new unit and nothing else.
class SpectrogramKind {
public:
    virtual ~SpectrogramKind() = default;

    // Sets transformLog2, transformSize, binCount, frameLength and grows the kind's own
    // buffers, from state.analysis, state.sampleRate and state.columnCount.
    virtual void Setup(SpectrogramState& state) = 0;

    // Computes column `column` from frameLength samples; the frame may be overwritten.
    virtual void ComputeColumn(SpectrogramState& state, double* frame, int column) = 0;

    // Runs at display set-up once the row map is known and before the row range is found.
    virtual void PrepareDisplay(SpectrogramState& state) {}

    // Turns state.averageColumn (binCount values) into imageHeight values in out, before the
    // level mapping, and returns the rows that carry data. The default smooths (when on) and
    // resamples onto the rows.
    virtual RowSpan PostProcess(SpectrogramState& state, double* out);

    // The kind draws a background in the power-spectrum window (liftering).
    virtual bool HasBackground() const { return false; }
    // That background for columns [firstColumn, endColumn): imageHeight values in dB before
    // the level mapping; returns the rows that carry data.
    virtual RowSpan RenderBackground(SpectrogramState& state, int firstColumn, int endColumn,
                                     double* out) {
        return {};
    }

    // The kind stores columns in state.data (false for the pitch kind and for no analysis).
    virtual bool ComputesColumns() const { return true; }
    // Rows show lag time unless showAsFrequency is on (auto-correlation, cepstrum).
    virtual bool RowsMayShowLag() const { return false; }
    // Thresholds are minPercent and maxPercent rather than dB plus dbOffset.
    virtual bool PercentThresholds() const { return false; }
    // The column has one value per row already, so the lookup is always Nearest.
    virtual bool AlwaysNearest() const { return false; }
    // Factor from Hz to the column coordinate on frequency rows: the fractional FFT bin.
    virtual double FrequencyToColumn(const SpectrogramState& state) const {
        return state.transformSize / state.sampleRate;
    }
};

// The unit of a kind; kinds outside 1..5 (no analysis, pitch, unknown) get the unit that
// computes nothing and renders zeros.
std::unique_ptr<SpectrogramKind> CreateSpectrogramKind(int kind);

// out[i] := the mean of values[c * stride + i] over c in [firstColumn, endColumn), i < stride,
// summed in column order. The range must not be empty.
void AverageColumns(const double* values, int stride, int firstColumn, int endColumn, double* out);

// Adds columns [firstColumn, endColumn) of values (stride values each) to sum in column order;
// with start, sum first takes the first column as it is. AverageColumns sums this way, so a mean
// summed a few columns at a time is the same to the last bit.
void SumColumns(const double* values, int stride, int firstColumn, int endColumn, double* sum,
                bool start);

// Converts state.averageColumn from power to dB, only over the bins the display reads when
// smoothing is off (the logarithm is the dearest step of rendering a large column).
void AverageColumnToDb(SpectrogramState& state);

// Smoothing of state.averageColumn when display.smoothing is on, then resampling into out;
// returns the resampler's rows with data.
RowSpan SmoothAndResample(SpectrogramState& state, double* out);

// A frame-size exponent from the settings kept within the sizes the dialog offers (4..13), so
// that a damaged record cannot ask for a transform of absurd size.
int FrameSizeExponent(int log2);

}  // namespace tonalyx

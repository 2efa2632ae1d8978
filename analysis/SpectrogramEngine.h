#pragma once

#include <array>
#include <memory>
#include <vector>

#include "analysis/AnalysisKind.h"
#include "analysis/SpectrogramKind.h"
#include "analysis/SpectrogramState.h"

namespace tonalyx {

// The analysis engine: one column of values per pixel column in view, computed by the chosen
// kind, then mapped onto image rows and palette levels. Call in this order: SetSource,
// SetupKind, ComputeColumn for every column, SetupDisplay, then RenderLevelColumn as often as
// needed. A display change only needs SetupDisplay again; the columns stay.
class SpectrogramEngine {
public:
    SpectrogramEngine();
    SpectrogramEngine(const SpectrogramEngine&) = delete;
    SpectrogramEngine& operator=(const SpectrogramEngine&) = delete;

    // The source of the next computation: pixel columns in view and the sound's rate in Hz.
    void SetSource(int columnCount, double sampleRate);

    // Copies the settings and runs the kind's set-up on the source of the last SetSource; then
    // data holds binCount x columnCount values and averageColumn binCount (grown, never
    // shrunk).
    void SetupKind(int kind, const AnalysisSettings& settings);

    // Computes column `column` (0 <= column < columnCount; others are ignored) from a frame of
    // FrameLength() samples, which may be overwritten.
    void ComputeColumn(double* frame, int column);

    // Copies the settings (imageHeight raised to 16, minFreq to 1 on a log scale), builds the
    // row maps and the row range, and finds dbOffset. Rendering a kind whose columns are stored
    // goes back to the column count and rate they were computed with.
    void SetupDisplay(int kind, const DisplaySettings& settings);

    // out[0..ImageHeight()): the levels of the mean of columns [firstColumn, endColumn), the
    // range cut to the stored columns. top is the level range (256 for the image, the plot
    // height for the power-spectrum window); unclamped leaves values beyond the thresholds
    // outside [0, top). Zeros for the pitch kind, for an empty range, for a kind whose columns
    // are not stored and before SetupDisplay.
    void RenderLevelColumn(double* out, int firstColumn, int endColumn, double top, bool unclamped);

    // As RenderLevelColumn, for a column of BinCount() values given instead of the mean of
    // stored columns: a mean summed over more columns than are stored at once.
    void RenderColumnValues(const double* values, double* out, double top, bool unclamped);

    // Liftering only: the levels of the FFT power spectrum of the same frames (the power-
    // spectrum window draws it behind the liftered curve), with the dB thresholds. Zeros for
    // every other kind.
    void RenderLifterBackground(double* out, int firstColumn, int endColumn, double top,
                                bool unclamped);

    // A frame buffer of FrameLength() doubles owned by the engine and reused across runs.
    double* FrameBuffer();

    // The unit of kind stores columns (the pitch kind and "no analysis" do not).
    bool KindComputesColumns(int kind) const;

    int Kind() const { return state_.kind; }
    int ColumnCount() const { return state_.columnCount; }
    int BinCount() const { return state_.binCount; }
    int FrameLength() const { return state_.frameLength; }
    int TransformSize() const { return state_.transformSize; }
    int Decimation() const { return state_.decimation; }
    int MemStride() const { return state_.memStride; }
    // Rows of the image after SetupDisplay (at least 16).
    int ImageHeight() const { return state_.display.imageHeight; }
    bool LagAxis() const { return state_.lagAxis; }
    const ScaleMap& RowScale() const { return state_.rowScale; }
    const ScaleMap& PitchScale() const { return state_.pitchScale; }
    double SampleRate() const { return state_.sampleRate; }
    double DbOffset() const { return state_.dbOffset; }
    const AnalysisSettings& Analysis() const { return state_.analysis; }
    const DisplaySettings& Display() const { return state_.display; }
    // binCount x ColumnCount() values, column-major (the vector may be longer).
    const SpectrogramData& Data() const { return state_.data; }
    const std::vector<double>& MemCoefficients() const { return state_.memCoefficients; }
    const SpectrogramState& State() const { return state_; }

private:
    SpectrogramKind& Unit(int kind) const;
    // The current kind has its columns stored and its display set up.
    bool CanRender() const;
    void SetFrequencyRows(const SpectrogramKind& unit);
    void SetLagRows();
    void FillZeros(double* out) const;
    // The level mapping with the kind's thresholds (dB plus dbOffset, or fractions).
    void MapToLevels(double* out, RowSpan rows, bool percent, double top, bool unclamped) const;
    // The levels of averageColumn: the kind's post-processing, then the level mapping.
    void RenderAverageColumn(double* out, double top, bool unclamped);

    SpectrogramState state_;
    bool displayReady_ = false;
    std::array<std::unique_ptr<SpectrogramKind>, kAnalysisKindCount> units_;
};

}  // namespace tonalyx

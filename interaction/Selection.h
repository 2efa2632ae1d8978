#pragma once

#include "analysis/ViewGeometry.h"

namespace tonalyx {

// A left drag on the wave view. It remembers the samples of the pixel column where the drag
// began (the anchor) and of the column now under the mouse (the current range); the selection
// runs from the earlier column's first sample to the later column's end, so it always covers
// whole columns. Back on the anchor column the selection is empty: a click removes it.
class WaveSelectionDrag {
public:
    // Starts a drag on the column with these samples.
    void Start(SampleSpan columnRange);
    // Moves the drag to the column with these samples; false when that column starts where the
    // current one does (nothing changed).
    bool Extend(SampleSpan columnRange);
    // The selected samples, end excluded; start == end means none.
    SampleSpan Selection() const;

private:
    SampleSpan anchor_;
    SampleSpan current_;
};

// The samples of the pixel column under paint box x: the column VisibleColumns().first + x,
// clamped to the sound like every column range.
SampleSpan ColumnRangeAt(const ViewGeometry& geometry, int x);

// Pixel columns [start, end) of the spectrogram; start == end means none.
struct ColumnSelection {
    int start = 0;
    int end = 0;
    bool Empty() const { return start == end; }
};

// A left drag on the spectrogram: the columns from the anchor to the column under the mouse,
// both included. A click selects one column.
class ColumnSelectionDrag {
public:
    ColumnSelection Start(int x);
    ColumnSelection Extend(int x) const;

private:
    int anchor_ = 0;
};

// A mouse position on the spectrogram taken as the nearest image pixel: x in 0 .. columns - 1,
// y in 0 .. rows - 1 (y counted from the top). An image with no columns or rows gives 0.
struct ImagePoint {
    int x = 0;
    int y = 0;
};
ImagePoint ClampToImage(int x, int y, int columns, int rows);

// The cross-hair row counted from the bottom (0 = lowest image row) for y counted from the top.
inline int RowFromBottom(int y, int rows) {
    return rows - y - 1;
}

}  // namespace tonalyx

#include "interaction/Selection.h"

#include <algorithm>

namespace tonalyx {

void WaveSelectionDrag::Start(SampleSpan columnRange) {
    anchor_ = columnRange;
    current_ = columnRange;
}

bool WaveSelectionDrag::Extend(SampleSpan columnRange) {
    if (columnRange.start == current_.start) return false;
    current_ = columnRange;
    return true;
}

SampleSpan WaveSelectionDrag::Selection() const {
    if (current_.start < anchor_.start) return {current_.start, anchor_.end};
    if (current_.start > anchor_.start) return {anchor_.start, current_.end};
    return {anchor_.start, anchor_.start};
}

SampleSpan ColumnRangeAt(const ViewGeometry& geometry, int x) {
    return geometry.VisibleSampleRange(geometry.VisibleColumns().first + x);
}

ColumnSelection ColumnSelectionDrag::Start(int x) {
    anchor_ = x;
    return {x, x + 1};
}

ColumnSelection ColumnSelectionDrag::Extend(int x) const {
    if (x >= anchor_) return {anchor_, x + 1};
    return {x, anchor_ + 1};
}

ImagePoint ClampToImage(int x, int y, int columns, int rows) {
    return {std::clamp(x, 0, std::max(columns - 1, 0)), std::clamp(y, 0, std::max(rows - 1, 0))};
}

}  // namespace tonalyx

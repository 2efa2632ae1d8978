#pragma once

#include <optional>

#include "analysis/ViewGeometry.h"

namespace tonalyx {

// How far the mouse is beyond an edge of a view viewWidth pixels wide: positive to the right
// (x - viewWidth), negative to the left (x itself), 0 while it is over the view.
int DragOvershoot(int dragX, int viewWidth);

// The scroll bar position one auto-scroll tick moves to while a drag is dragX pixels into the
// view (not clamped to the view): 8 pixels toward the mouse while it is less than 32 pixels
// beyond the edge, 40 from 32 to 63 pixels beyond, and so on (|over| div 32 * 32 + 8), clamped
// to the scroll bar's range. Nothing when the scroll bar is disabled or the mouse is over the
// view.
std::optional<int> AutoScrollPosition(const ViewGeometry& geometry, int dragX);

}  // namespace tonalyx

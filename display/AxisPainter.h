#pragma once

#include "display/AxisScale.h"

class QPainter;

namespace tonalyx {

// The two axis painters: they stroke the ticks and print the labels that the axis layout works
// out, in the painter's pen and font, at the painter's current origin.
void DrawHorizontalAxis(QPainter& painter, const AxisScale& axis, int xOffset);
void DrawVerticalAxis(QPainter& painter, const AxisScale& axis, int width, int height);

}  // namespace tonalyx

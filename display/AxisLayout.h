#pragma once

#include <functional>
#include <string>
#include <vector>

#include "display/AxisScale.h"

namespace tonalyx {

// What the axis painters draw, worked out without a canvas: tick lines and labels in paint box
// coordinates, in drawing order (from the last listed tick down to the first). A painter only
// strokes the lines and prints the texts.

struct AxisTickLine {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;  // the end point itself is not drawn
    int y1 = 0;
    friend bool operator==(const AxisTickLine&, const AxisTickLine&) = default;
};

struct AxisTickText {
    std::string text;
    int left = 0;
    int top = 0;
    friend bool operator==(const AxisTickText&, const AxisTickText&) = default;
};

struct AxisLayout {
    std::vector<AxisTickLine> ticks;
    std::vector<AxisTickText> labels;
};

using TextWidthFunction = std::function<int(const std::string&)>;

inline constexpr int kShortTickLength = 3;
inline constexpr int kLabelledTickLength = 5;

// A horizontal axis hanging from the top edge of its paint box. Pixel 0 of the axis is at
// x = xOffset (the paint box also spans the vertical axis column to its left). Labels are
// centred under their ticks with their tops at y = 4, even where they stick out of the box.
AxisLayout LayOutHorizontalAxis(const AxisScale& axis, int xOffset,
                                const TextWidthFunction& textWidth);

// A vertical axis along the right edge of a width x height paint box, pixel 0 on the bottom
// row. Labels end 5 pixels left of the right edge, centred on their ticks; those closer than 3
// pixels to either end are left out, their ticks are still long.
AxisLayout LayOutVerticalAxis(const AxisScale& axis, int width, int height,
                              const TextWidthFunction& textWidth, int textHeight);

}  // namespace tonalyx

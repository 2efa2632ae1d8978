#pragma once

#include <vector>

#include <QColor>

#include "display/AxisScale.h"
#include "display/OverlayMapping.h"

class QPainter;

namespace tonalyx {

// The overlays' colours: formant dots in red with a dark rim, the intensity contour in yellow
// with a dark rim, so that both read on the grey and on the blue-to-red palette.
inline const QColor kFormantDotColour{255, 0, 0};
inline const QColor kIntensityColour{255, 230, 0};
inline const QColor kOverlayRimColour{40, 0, 0};

// Formant dots: a 3 x 3 red square on each dot's pixel inside a 5 x 5 dark rim; every rim is
// drawn before the first square, so that close dots never cover each other's red.
void DrawFormantDots(QPainter& painter, const std::vector<FormantDot>& dots);

// The intensity contour, and its dB scale along the right edge of an image width pixels wide
// (ticks and labels laid out as the frequency axis lays out its own, on white behind the
// labels), captioned "dB" at the top.
void DrawIntensityContour(QPainter& painter, const std::vector<std::vector<ContourPoint>>& contour);
void DrawIntensityScale(QPainter& painter, const AxisScale& axis, int width, int imageHeight);

}  // namespace tonalyx

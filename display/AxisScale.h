#pragma once

#include <cstdint>
#include <string>

#include "analysis/ScaleMap.h"

namespace tonalyx {

// The numbers are those of the ScaleMap kinds that carry the axis's pixel-to-value map.
enum class AxisKind : std::uint8_t {
    Linear = 2,       // value(p) = from + p (to - from) / length
    Logarithmic = 5,  // value(p) = from exp(p ln(to / from) / length)
};

// One axis: maps pixels to values and back, picks a round tick step for a minimum tick
// spacing, picks which ticks carry a label and lists the ticks of a visible pixel range.
// Ticks are numbered by an integer index k; the listed ticks are firstTick .. lastTick - 1 and
// callers address them by the relative index n = k - firstTick.
struct AxisScale {
    int length = 0;          // pixels; 0 means not set up
    int minTickSpacing = 0;  // the smallest distance between two ticks, in pixels
    int labelSpacing = 0;    // the wished number of ticks from one label to the next
    int labelEvery = 1;      // the chosen number of ticks from one label to the next
    double from = 0.0;       // value at pixel 0
    double to = 0.0;         // value at pixel length
    AxisKind kind = AxisKind::Linear;
    ScaleMap map;  // pixel to value; its inverse gives the pixel of a value
    int stepMantissa = 1;
    int stepExponent = 0;
    double step = 1.0;  // stepMantissa * 10^stepExponent
    int visibleFrom = 0;
    int visibleTo = 0;
    int firstTick = 0;
    int lastTick = 0;
};

// x = mantissa * 10^exponent with 1 <= |mantissa| < 10; 0 gives (0, 0) and a value that is not
// finite gives (x, 0).
struct DecimalSplit {
    double mantissa = 0.0;
    int exponent = 0;
};
DecimalSplit SplitDecimal(double x);

struct TickStep {
    int mantissa = 1;
    int exponent = 0;
    friend bool operator==(const TickStep&, const TickStep&) = default;
};

// Sets up or refreshes an axis. Nothing happens for a length of 0 or less. The step and the
// label interval are recomputed only when a defining value changes, the tick list only when
// the visible range changes. visibleFrom == visibleTo means the whole length.
void SetAxis(AxisScale& axis, AxisKind kind, int length, double from, double to, int minTickSpacing,
             int labelSpacing, int visibleFrom = 0, int visibleTo = 0);

// Lists the ticks of the pixel range [from, to); from == to means the whole length. An axis
// whose to is not above its from, whose values are not finite, or (logarithmic) not positive,
// lists no ticks.
void SetVisibleRange(AxisScale& axis, int from, int to);

// The smallest 1, 2 or 5 times a power of ten covering the value span of minTickSpacing pixels
// (linear), or the tick pattern for the value ratio across them (logarithmic).
TickStep ChooseStep(const AxisScale& axis);
int ChooseLabelEvery(AxisKind kind, TickStep step, int labelSpacing);

// The smallest tick index whose value is at or above v, saturated to the int range.
int TickIndexAtOrAbove(const AxisScale& axis, double v);

// Value of the tick with absolute index k; strictly increasing in k.
double TickValueAtIndex(const AxisScale& axis, int k);

// The number of listed ticks, lastTick - firstTick.
int TickCount(const AxisScale& axis);

// For the relative index n = k - firstTick.
double TickValue(const AxisScale& axis, int n);
// The tick's pixel counted from visibleFrom (from the bottom for vertical axes).
int TickPixel(const AxisScale& axis, int n);
std::string TickLabel(const AxisScale& axis, int n);
bool IsLabelledTick(const AxisScale& axis, int n);

// The value at a pixel position, for read-outs; exactly to at pixel length.
double ValueAt(const AxisScale& axis, double pixel);

}  // namespace tonalyx

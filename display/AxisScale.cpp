#include "display/AxisScale.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tonalyx {

namespace {

// How the tick index k enumerates tick values.
enum class TickPattern {
    Linear,      // k * step
    Decades,     // 10^(k * stepExponent)
    OneTwoFive,  // 1, 2 and 5 times each power of ten, three per decade
    InDecade,    // evenly spaced mantissas inside each decade (see DecadeGrid)
    None,        // an axis kind without ticks
};

// The finest in-decade step ChooseStep hands out is 10^-3 of the decade.
constexpr int kFinestInDecadeExponent = -3;

// Ticks inside each decade for the narrow logarithmic steps (1, e <= 0) and (2, e <= -1): the
// decade 10^j holds the mantissas t = base, base + stride, ..., 10 base - stride, each worth
// t * 10^(j + exponent), where base = 10^-e and stride is 1 for mantissa 1 (every 10^e of the
// decade) and 5 for mantissa 2 (every 5 * 10^e). Index k = j * perDecade + (t - base) / stride,
// so index 0 is the tick at 1, the indices grow with the values without gaps, and every power
// of ten sits on a multiple of perDecade (9, 18, 90, 180, 900, 1800 or 9000), which the label
// intervals of ChooseLabelEvery (9, 18 and 6, 12 for the usual label spacings) divide or are
// multiples of, so labels keep to the same mantissas in every decade.
struct DecadeGrid {
    std::int64_t base = 1;
    std::int64_t stride = 1;
    std::int64_t perDecade = 9;
    int exponent = 0;
};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// t * 10^n with one rounding while the power of ten is exact, and no overflow of the power
// itself for the extremes of the double range.
double ScaleByPowerOfTen(double t, std::int64_t n) {
    if (n > 308) return t * 1e308 * std::pow(10.0, static_cast<double>(n - 308));
    if (n >= 0) return t * std::pow(10.0, static_cast<double>(n));
    if (n >= -308) return t / std::pow(10.0, static_cast<double>(-n));
    return t / 1e308 / std::pow(10.0, static_cast<double>(-n - 308));
}

TickPattern PatternOf(const AxisScale& axis) {
    if (axis.kind == AxisKind::Linear) return TickPattern::Linear;
    if (axis.kind != AxisKind::Logarithmic) return TickPattern::None;
    if (axis.stepExponent >= 1) return TickPattern::Decades;
    if (axis.stepMantissa == 2 && axis.stepExponent == 0) return TickPattern::OneTwoFive;
    return TickPattern::InDecade;
}

DecadeGrid GridOf(const AxisScale& axis) {
    DecadeGrid grid;
    grid.exponent = std::clamp(axis.stepExponent, kFinestInDecadeExponent, 0);
    grid.base = static_cast<std::int64_t>(std::llround(std::pow(10.0, -grid.exponent)));
    // Mantissa 2 with exponent 0 is the 1-2-5 pattern, so a stride of 5 comes with base >= 10.
    grid.stride = (axis.stepMantissa == 1 || grid.base == 1) ? 1 : 5;
    grid.perDecade = 9 * grid.base / grid.stride;
    return grid;
}

// The power of ten of the decade that holds tick k (logarithmic patterns only).
std::int64_t TickDecade(const AxisScale& axis, std::int64_t k) {
    switch (PatternOf(axis)) {
        case TickPattern::Decades:
            return k * axis.stepExponent;
        case TickPattern::OneTwoFive:
            return FloorDiv(k, 3);
        case TickPattern::InDecade:
            return FloorDiv(k, GridOf(axis).perDecade);
        default:
            return 0;
    }
}

double ValueOfTick(const AxisScale& axis, std::int64_t k) {
    switch (PatternOf(axis)) {
        case TickPattern::Linear:
            return ScaleByPowerOfTen(static_cast<double>(k) * axis.stepMantissa, axis.stepExponent);
        case TickPattern::Decades:
            return ScaleByPowerOfTen(1.0, k * axis.stepExponent);
        case TickPattern::OneTwoFive: {
            static constexpr double kMantissas[3] = {1.0, 2.0, 5.0};
            const std::int64_t j = FloorDiv(k, 3);
            return ScaleByPowerOfTen(kMantissas[k - 3 * j], j);
        }
        case TickPattern::InDecade: {
            const DecadeGrid grid = GridOf(axis);
            const std::int64_t j = FloorDiv(k, grid.perDecade);
            const std::int64_t t = grid.base + grid.stride * (k - j * grid.perDecade);
            return ScaleByPowerOfTen(static_cast<double>(t), j + grid.exponent);
        }
        case TickPattern::None:
            break;
    }
    return 0.0;
}

// A first estimate of the index of the first tick at or above a finite (for logarithmic axes
// positive) v, from the arithmetic of each pattern.
double EstimatedIndexAtOrAbove(const AxisScale& axis, double v) {
    switch (PatternOf(axis)) {
        case TickPattern::Linear:
            return std::ceil(v / axis.step);
        case TickPattern::Decades:
            // Tick k is 10^(k * stepExponent), so the exponent is divided by stepExponent too.
            return std::ceil(std::log10(v) / axis.stepExponent);
        case TickPattern::OneTwoFive: {
            const DecimalSplit s = SplitDecimal(v);
            return 3.0 * s.exponent + (s.mantissa > 1.0) + (s.mantissa > 2.0) + (s.mantissa > 5.0);
        }
        case TickPattern::InDecade: {
            const DecadeGrid grid = GridOf(axis);
            const DecimalSplit s = SplitDecimal(v);
            const double base = static_cast<double>(grid.base);
            return static_cast<double>(grid.perDecade) * s.exponent +
                   std::ceil((s.mantissa * base - base) / static_cast<double>(grid.stride));
        }
        case TickPattern::None:
            break;
    }
    return 0.0;
}

constexpr double kIndexLimit = 2147483647.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The smallest k with ValueOfTick(k) >= v, as a double that may lie outside the int range or
// be infinite. The estimate is corrected against the tick values themselves, so that rounding
// in the estimate never disagrees with the values that are drawn and labelled.
double IndexAtOrAbove(const AxisScale& axis, double v) {
    if (std::isnan(v) || v == kInfinity) return kInfinity;
    const bool logarithmic = axis.kind == AxisKind::Logarithmic;
    if (v == -kInfinity || (logarithmic && v <= 0.0)) return -kInfinity;
    const double estimate = EstimatedIndexAtOrAbove(axis, v);
    if (!(std::fabs(estimate) <= kIndexLimit)) return estimate;
    auto k = static_cast<std::int64_t>(estimate);
    for (int i = 0; i < 4 && ValueOfTick(axis, k - 1) >= v; ++i) {
        --k;
    }
    for (int i = 0; i < 4 && ValueOfTick(axis, k) < v; ++i) {
        ++k;
    }
    return static_cast<double>(k);
}

int SaturateToInt(double x) {
    if (std::isnan(x)) return INT_MAX;
    return static_cast<int>(std::clamp(x, -kIndexLimit - 1.0, kIndexLimit));
}

ScaleMap PixelToValueMap(AxisKind kind, int length, double from, double to) {
    if (kind == AxisKind::Logarithmic) {
        double rate = std::log(to / from) / length;
        // A range that has no logarithm maps every pixel to from and lists no ticks.
        if (!std::isfinite(rate)) rate = 0.0;
        return ScaleMap::Exponential(rate, from);
    }
    const double slope = (to - from) / length;
    return from == 0.0 ? ScaleMap::Linear(slope) : ScaleMap::Affine(slope, from);
}

// Ticks need an increasing, finite map; logarithmic axes also need positive values.
bool CanHaveTicks(const AxisScale& axis) {
    if (axis.length <= 0 || !std::isfinite(axis.from) || !std::isfinite(axis.to)) return false;
    if (!(axis.from < axis.to)) return false;
    if (axis.kind == AxisKind::Logarithmic && !(axis.from > 0.0)) return false;
    if (axis.kind != AxisKind::Linear && axis.kind != AxisKind::Logarithmic) return false;
    return std::isfinite(axis.map.a) && axis.map.a > 0.0;
}

TickStep LinearStep(double span) {
    const DecimalSplit s = SplitDecimal(std::fabs(span));
    if (s.mantissa == 1.0) return {1, s.exponent};
    if (s.mantissa <= 2.0) return {2, s.exponent};
    if (s.mantissa <= 5.0) return {5, s.exponent};
    return {1, s.exponent + 1};
}

TickStep LogarithmicStep(double ratio) {
    if (!(ratio > 0.0) || !std::isfinite(ratio)) return {1, 1};
    if (ratio > 10.0 / 9.0) {
        if (ratio > 2.0) return {1, static_cast<int>(std::ceil(std::log10(ratio)))};
        return {2, 0};
    }
    for (int n = 4; n >= 1; --n) {
        const double h = std::pow(10.0, n);
        if (ratio <= h / (h - 1.0)) return {1, 1 - n};
        if (ratio <= h / (h - 5.0)) return {2, 1 - n};
    }
    return {1, 0};  // not reached: n = 1 tests ratio <= 10/9
}

int ClampLabelEvery(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, 1, INT_MAX));
}

int LinearLabelEvery(TickStep step, std::int64_t spacing) {
    // spacing rounded to one significant digit, half up: digit * 10^power.
    std::int64_t power = 1;
    while (spacing / power >= 10)
        power *= 10;
    std::int64_t digit = (spacing + power / 2) / power;
    if (digit == 10) {
        digit = 1;
        power *= 10;
    }
    // Labels on multiples of 5, 10 or 20 units of the step's power of ten.
    if (digit > 1) {
        switch (step.mantissa) {
            case 1:
                digit = digit < 3 ? 2 : digit < 6 ? 5 : 10;
                break;
            case 2:
                digit = digit < 6 ? 5 : 10;
                break;
            default:
                digit = digit < 3 ? 2 : digit < 5 ? 4 : 10;
                break;
        }
    }
    return ClampLabelEvery(digit * power);
}

int LogarithmicLabelEvery(TickStep step, std::int64_t spacing) {
    if (spacing < 2) return 1;
    if (step.exponent >= 1) return ClampLabelEvery(spacing);
    if (step.mantissa == 2 && step.exponent == 0) return ClampLabelEvery((spacing + 2) / 3 * 3);
    // In-decade steps: walk up through coarser steps, each three times as many ticks apart,
    // until the label interval reaches the wished spacing.
    std::int64_t ticks = 1;
    int worth = step.mantissa;  // 1, 2 or 10 (one decade)
    while (ticks < spacing) {
        if (worth == 1) {
            worth = 2;
        } else if (worth == 2) {
            worth = 10;
        } else {
            return ClampLabelEvery((spacing + ticks - 1) / ticks * ticks);
        }
        ticks *= 3;
    }
    return ClampLabelEvery(ticks);
}

std::string FormatFixed(double value, int digits) {
    const int size = std::snprintf(nullptr, 0, "%.*f", digits, value);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", digits, value);
    text.resize(static_cast<std::size_t>(size));
    return text;
}

}  // namespace

DecimalSplit SplitDecimal(double x) {
    if (x == 0.0 || !std::isfinite(x)) return {x == 0.0 ? 0.0 : x, 0};
    int exponent = static_cast<int>(std::floor(std::log10(std::fabs(x))));
    double mantissa = ScaleByPowerOfTen(x, -exponent);
    // log10 may round across a power of ten; keep 1 <= |mantissa| < 10.
    if (std::fabs(mantissa) >= 10.0) {
        ++exponent;
        mantissa = ScaleByPowerOfTen(x, -exponent);
    } else if (std::fabs(mantissa) < 1.0) {
        --exponent;
        mantissa = ScaleByPowerOfTen(x, -exponent);
    }
    return {mantissa, exponent};
}

void SetAxis(AxisScale& axis, AxisKind kind, int length, double from, double to, int minTickSpacing,
             int labelSpacing, int visibleFrom, int visibleTo) {
    if (length <= 0) return;
    if (kind != axis.kind || length != axis.length || from != axis.from || to != axis.to ||
        minTickSpacing != axis.minTickSpacing || labelSpacing != axis.labelSpacing) {
        axis.kind = kind;
        axis.length = length;
        axis.from = from;
        axis.to = to;
        axis.minTickSpacing = minTickSpacing;
        axis.labelSpacing = labelSpacing;
        axis.visibleFrom = 0;
        axis.visibleTo = 0;
        axis.map = PixelToValueMap(kind, length, from, to);
        const TickStep step = ChooseStep(axis);
        axis.stepMantissa = step.mantissa;
        axis.stepExponent = step.exponent;
        axis.step = ScaleByPowerOfTen(step.mantissa, step.exponent);
        axis.labelEvery = ChooseLabelEvery(kind, step, labelSpacing);
    }
    if (axis.visibleFrom == axis.visibleTo || axis.visibleFrom != visibleFrom ||
        axis.visibleTo != visibleTo) {
        SetVisibleRange(axis, visibleFrom, visibleTo);
    }
}

void SetVisibleRange(AxisScale& axis, int from, int to) {
    if (from == to) {
        from = 0;
        to = axis.length;
    }
    axis.visibleFrom = from;
    axis.visibleTo = to;
    axis.firstTick = 0;
    axis.lastTick = 0;
    if (!CanHaveTicks(axis) || to <= from) return;
    const double first = IndexAtOrAbove(axis, ValueAt(axis, from));
    const double last = IndexAtOrAbove(axis, ValueAt(axis, to));
    if (!(std::fabs(first) <= kIndexLimit && std::fabs(last) <= kIndexLimit)) return;
    // Ticks are at least minTickSpacing >= 1 pixel apart; more than one per pixel means the
    // arithmetic has run out of precision, and such a list is refused rather than drawn.
    const double pixels = static_cast<double>(to) - from;
    if (last < first || last - first > pixels + 1.0) return;
    axis.firstTick = static_cast<int>(first);
    axis.lastTick = static_cast<int>(last);
}

TickStep ChooseStep(const AxisScale& axis) {
    const int spacing = std::max(axis.minTickSpacing, 1);
    const double a = Map(axis.map, 0.0);
    const double b = Map(axis.map, spacing);
    if (axis.kind == AxisKind::Logarithmic) return LogarithmicStep(b / a);
    return LinearStep(b - a);
}

int ChooseLabelEvery(AxisKind kind, TickStep step, int labelSpacing) {
    const std::int64_t spacing = std::max(labelSpacing, 1);
    if (kind == AxisKind::Linear) return LinearLabelEvery(step, spacing);
    if (kind == AxisKind::Logarithmic) return LogarithmicLabelEvery(step, spacing);
    return 1;
}

int TickIndexAtOrAbove(const AxisScale& axis, double v) {
    return SaturateToInt(IndexAtOrAbove(axis, v));
}

double TickValueAtIndex(const AxisScale& axis, int k) {
    return ValueOfTick(axis, k);
}

int TickCount(const AxisScale& axis) {
    return std::max(axis.lastTick - axis.firstTick, 0);
}

double TickValue(const AxisScale& axis, int n) {
    return ValueOfTick(axis, static_cast<std::int64_t>(n) + axis.firstTick);
}

int TickPixel(const AxisScale& axis, int n) {
    const double pixel = std::floor(Inverse(axis.map, TickValue(axis, n)));
    return SaturateToInt(pixel - axis.visibleFrom);
}

std::string TickLabel(const AxisScale& axis, int n) {
    const double value = TickValue(axis, n);
    const std::int64_t k = static_cast<std::int64_t>(n) + axis.firstTick;
    std::int64_t digits = 0;
    switch (PatternOf(axis)) {
        case TickPattern::Linear:
            digits = -static_cast<std::int64_t>(axis.stepExponent);
            break;
        case TickPattern::Decades:
            digits = -TickDecade(axis, k);
            break;
        case TickPattern::OneTwoFive:
        case TickPattern::InDecade:
            digits = -static_cast<std::int64_t>(axis.stepExponent) - TickDecade(axis, k);
            break;
        case TickPattern::None:
            return {};
    }
    return FormatFixed(value, static_cast<int>(std::clamp<std::int64_t>(digits, 0, 400)));
}

bool IsLabelledTick(const AxisScale& axis, int n) {
    const std::int64_t k = static_cast<std::int64_t>(n) + axis.firstTick;
    return k % std::max(axis.labelEvery, 1) == 0;
}

double ValueAt(const AxisScale& axis, double pixel) {
    // The far end is exactly to, so that a tick there is recognised as the excluded end.
    if (axis.length > 0 && pixel == axis.length) return axis.to;
    return Map(axis.map, pixel);
}

}  // namespace tonalyx

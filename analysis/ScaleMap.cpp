#include "analysis/ScaleMap.h"

#include <cmath>

namespace tonalyx {

namespace {

int SignOf(double v) {
    return (v > 0.0) - (v < 0.0);
}

double Saturated(int sign) {
    return sign * kSaturatedValue;
}

// ln(y / b) / a where the logarithm or the division is undefined: the limit by the signs, so
// that a ratio at or below zero counts as ln 0 = -infinity.
double ExponentialInverse(double a, double b, double y) {
    const double ratio = SafeDivide(y, b);
    if (a == 0.0 || b == 0.0 || y == 0.0 || !(ratio > 0.0)) {
        return Saturated(SignOf(ratio - 1.0) * SignOf(a));
    }
    return std::log(ratio) / a;
}

// b ln(a x); at or below zero the logarithm is taken as -infinity.
double LogarithmicValue(double a, double b, double x) {
    const double product = a * x;
    if (!(product > 0.0)) return Saturated(-SignOf(b));
    return b * std::log(product);
}

}  // namespace

double SafeDivide(double dividend, double divisor) {
    if (divisor == 0.0) return Saturated(SignOf(dividend));
    return dividend / divisor;
}

double Map(const ScaleMap& map, double x) {
    const double a = map.a;
    const double b = map.b;
    switch (map.kind) {
        case ScaleKind::Identity:
            return x;
        case ScaleKind::Linear:
            return a * x;
        case ScaleKind::Affine:
            return a * x + b;
        case ScaleKind::Reciprocal:
            return SafeDivide(a, x);
        case ScaleKind::ShiftedReciprocal:
            return SafeDivide(a, x + b);
        case ScaleKind::Exponential:
            return b == 0.0 ? 0.0 : b * std::exp(a * x);
        case ScaleKind::Logarithmic:
            return LogarithmicValue(a, b, x);
    }
    return 0.0;
}

double Inverse(const ScaleMap& map, double y) {
    const double a = map.a;
    const double b = map.b;
    switch (map.kind) {
        case ScaleKind::Identity:
            return y;
        case ScaleKind::Linear:
            return SafeDivide(y, a);
        case ScaleKind::Affine:
            return SafeDivide(y - b, a);
        case ScaleKind::Reciprocal:
            return SafeDivide(a, y);
        case ScaleKind::ShiftedReciprocal:
            return SafeDivide(a, y) - b;
        case ScaleKind::Exponential:
            return ExponentialInverse(a, b, y);
        case ScaleKind::Logarithmic:
            return SafeDivide(std::exp(SafeDivide(y, b)), a);
    }
    return 0.0;
}

void ReciprocalOf(ScaleMap& map, double c) {
    switch (map.kind) {
        case ScaleKind::Identity:
            map = ScaleMap::Reciprocal(c);
            return;
        case ScaleKind::Linear:
            map = ScaleMap::Reciprocal(SafeDivide(c, map.a));
            return;
        case ScaleKind::Affine: {
            // c / (a x + b) = (c / a) / (x + b / a)
            const double shift = SafeDivide(map.b, map.a);
            const double scale = SafeDivide(c, map.a);
            map = shift == 0.0 ? ScaleMap::Reciprocal(scale)
                               : ScaleMap::ShiftedReciprocal(scale, shift);
            return;
        }
        case ScaleKind::Reciprocal:
            map = ScaleMap::Linear(SafeDivide(c, map.a));
            return;
        case ScaleKind::Exponential:
            // c / (b exp(a x)) = (c / b) exp(-a x)
            map = ScaleMap::Exponential(-map.a, SafeDivide(c, map.b));
            return;
        default:
            return;
    }
}

bool ScaledBy(ScaleMap& map, double s, double t) {
    switch (map.kind) {
        case ScaleKind::Identity:
            map = t == 0.0 ? ScaleMap::Linear(s) : ScaleMap::Affine(s, t);
            return true;
        case ScaleKind::Linear:
            map = t == 0.0 ? ScaleMap::Linear(s * map.a) : ScaleMap::Affine(s * map.a, t);
            return true;
        case ScaleKind::Affine:
            map = ScaleMap::Affine(s * map.a, s * map.b + t);
            return true;
        case ScaleKind::Exponential:
            if (t != 0.0) return false;
            map.b *= s;
            return true;
        default:
            return false;
    }
}

}  // namespace tonalyx

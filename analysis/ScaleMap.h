#pragma once

namespace tonalyx {

// A small value mapping y = f(x) with its inverse x = g(y). Image rows map to frequencies, lags
// or FFT bins through it, and every axis maps pixels to values through it. The kind numbers are
// stored elsewhere (an axis records 2 for linear and 5 for logarithmic), so they must not change.
enum class ScaleKind : int {
    Identity = 0,           // f(x) = x
    Linear = 1,             // f(x) = a x
    Affine = 2,             // f(x) = a x + b
    Reciprocal = 3,         // f(x) = a / x
    ShiftedReciprocal = 4,  // f(x) = a / (x + b)
    Exponential = 5,        // f(x) = b exp(a x)
    Logarithmic = 6,        // f(x) = b ln(a x)
};

// What a division by zero yields instead of a fault (with the dividend's sign).
inline constexpr double kSaturatedValue = 1.79e308;

struct ScaleMap {
    ScaleKind kind = ScaleKind::Identity;
    double a = 1.0;
    double b = 0.0;

    static constexpr ScaleMap Identity() { return {ScaleKind::Identity, 1.0, 0.0}; }
    static constexpr ScaleMap Linear(double a) { return {ScaleKind::Linear, a, 0.0}; }
    static constexpr ScaleMap Affine(double a, double b) { return {ScaleKind::Affine, a, b}; }
    static constexpr ScaleMap Reciprocal(double a) { return {ScaleKind::Reciprocal, a, 0.0}; }
    static constexpr ScaleMap ShiftedReciprocal(double a, double b) {
        return {ScaleKind::ShiftedReciprocal, a, b};
    }
    static constexpr ScaleMap Exponential(double a, double b) {
        return {ScaleKind::Exponential, a, b};
    }
    static constexpr ScaleMap Logarithmic(double a, double b) {
        return {ScaleKind::Logarithmic, a, b};
    }

    friend bool operator==(const ScaleMap&, const ScaleMap&) = default;
};

// dividend / divisor, except that a zero divisor yields 0 for a zero (or NaN) dividend and
// +-kSaturatedValue by the dividend's sign otherwise.
double SafeDivide(double dividend, double divisor);

// f(x) and g(y). A kind value outside the seven yields 0 in both directions.
double Map(const ScaleMap& map, double x);
double Inverse(const ScaleMap& map, double y);

// Changes the map in place so that it maps x to c / f(x). Kinds without such a form
// (ShiftedReciprocal, Logarithmic) are left unchanged.
void ReciprocalOf(ScaleMap& map, double c);

// Changes the map in place so that it maps x to s f(x) + t. Returns false, leaving the map
// unchanged, when the result has no form of these kinds: an Exponential with t != 0, and every
// Reciprocal, ShiftedReciprocal or Logarithmic map.
bool ScaledBy(ScaleMap& map, double s, double t);

}  // namespace tonalyx

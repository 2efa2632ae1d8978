#include "pitch/NoiseRatio.h"

#include <array>
#include <cmath>
#include <numbers>

namespace tonalyx {
namespace {

constexpr int kShapePoints = 300;
constexpr double kShapeStep = 0.01;
constexpr double kPointsPerUnit = 100;

// The squared sinc under a Gaussian, sampled on [0, 3), and its derivative; the small offsets
// keep the sinc away from 0 / 0.
NoiseShape ComputeNoiseShape() {
    constexpr double pi = std::numbers::pi;
    std::array<double, kShapePoints> s{};
    for (int i = 0; i < kShapePoints; ++i) {
        const double d = kShapeStep * i + 1e-7;
        const double x = pi * d + 0.0001;
        const double sinc = std::sin(x) / x;
        s[i] = std::exp(-pi * d * d) * (sinc * sinc);
    }
    double sum1 = 0, sum2 = 0;
    for (int i = 0; i + 1 < kShapePoints; ++i) {
        const double slope = (s[i + 1] - s[i]) * kPointsPerUnit / (2 * pi);
        const double omega = 2 * pi * (kShapeStep * i);
        const double a = slope * omega, b = slope * omega * omega;
        sum1 += a * a;
        sum2 += b * b;
    }
    return {2 * kShapeStep * sum1, 2 * kShapeStep * sum2};
}

}  // namespace

const NoiseShape& NoiseShapeConstants() {
    static const NoiseShape shape = ComputeNoiseShape();
    return shape;
}

}  // namespace tonalyx

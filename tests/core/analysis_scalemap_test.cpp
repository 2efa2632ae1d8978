#include "analysis/ScaleMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tonalyx {
namespace {

TEST(SafeDivide, ZeroDivisorSaturatesByTheDividendsSign) {
    EXPECT_EQ(SafeDivide(6.0, 3.0), 2.0);
    EXPECT_EQ(SafeDivide(3.0, 0.0), 1.79e308);
    EXPECT_EQ(SafeDivide(-3.0, 0.0), -1.79e308);
    EXPECT_EQ(SafeDivide(0.0, 0.0), 0.0);
    EXPECT_EQ(SafeDivide(NAN, 0.0), 0.0);
}

TEST(ScaleMap, WorkedValues) {
    const ScaleMap affine = ScaleMap::Affine(2.0, 3.0);
    EXPECT_EQ(Map(affine, 1.0), 5.0);
    EXPECT_EQ(Inverse(affine, 5.0), 1.0);

    const ScaleMap reciprocal = ScaleMap::Reciprocal(8000.0);
    EXPECT_EQ(Inverse(reciprocal, 0.0), 1.79e308);
    EXPECT_EQ(Inverse(reciprocal, -0.5), -16000.0);
    EXPECT_EQ(Map(reciprocal, 0.0), 1.79e308);

    const ScaleMap exponential = ScaleMap::Exponential(std::log(1000.0) / 256.0, 1.0);
    EXPECT_EQ(Map(exponential, 0.0), 1.0);
    EXPECT_NEAR(Map(exponential, 256.0), 1000.0, 1e-9);
    EXPECT_NEAR(Inverse(exponential, 10.0), 256.0 / 3.0, 1e-9);  // about 85.3

    EXPECT_EQ(Inverse(ScaleMap::ShiftedReciprocal(8.0, 1.0), 0.0), 1.79e308 - 1.0);
    EXPECT_EQ(Map(ScaleMap::ShiftedReciprocal(8.0, 1.0), -1.0), 1.79e308);
}

TEST(ScaleMap, ExponentialInverseSaturatesBySigns) {
    // y = 0: ln 0 is -infinity, divided by a.
    EXPECT_EQ(Inverse(ScaleMap::Exponential(0.5, 2.0), 0.0), -1.79e308);
    EXPECT_EQ(Inverse(ScaleMap::Exponential(-0.5, 2.0), 0.0), 1.79e308);
    // b = 0: y / b saturates, then the sign of (y / b - 1) times the sign of a.
    EXPECT_EQ(Inverse(ScaleMap::Exponential(0.5, 0.0), 3.0), 1.79e308);
    EXPECT_EQ(Inverse(ScaleMap::Exponential(0.5, 0.0), -3.0), -1.79e308);
    // a = 0: no slope, 0.
    EXPECT_EQ(Inverse(ScaleMap::Exponential(0.0, 2.0), 3.0), 0.0);
    // A value of the opposite sign to b has no logarithm either; it counts as ln 0.
    EXPECT_EQ(Inverse(ScaleMap::Exponential(0.5, 2.0), -4.0), -1.79e308);
    // The logarithmic kind at or below zero gives a saturated value, never NaN.
    EXPECT_EQ(Map(ScaleMap::Logarithmic(2.0, 3.0), 0.0), -1.79e308);
    EXPECT_EQ(Map(ScaleMap::Logarithmic(2.0, -3.0), -1.0), 1.79e308);
    EXPECT_EQ(Map(ScaleMap::Exponential(1e6, 0.0), 1e6), 0.0);
}

TEST(ScaleMap, UnknownKindYieldsZero) {
    const ScaleMap unknown{static_cast<ScaleKind>(7), 2.0, 3.0};
    EXPECT_EQ(Map(unknown, 5.0), 0.0);
    EXPECT_EQ(Inverse(unknown, 5.0), 0.0);
}

std::vector<ScaleMap> EveryKind() {
    return {ScaleMap::Identity(),
            ScaleMap::Linear(-2.5),
            ScaleMap::Affine(0.75, -40.0),
            ScaleMap::Reciprocal(8000.0),
            ScaleMap::ShiftedReciprocal(3.0, 0.5),
            ScaleMap::Exponential(std::log(1000.0) / 256.0, 0.05),
            ScaleMap::Logarithmic(0.2, 7.0)};
}

TEST(ScaleMap, InverseUndoesTheMapForEveryKind) {
    for (const ScaleMap& map : EveryKind()) {
        for (double x = 0.37; x < 300.0; x *= 1.7) {
            const double y = Map(map, x);
            EXPECT_NEAR(Map(map, Inverse(map, y)), y, 1e-12 * std::fabs(y))
                << "kind " << static_cast<int>(map.kind) << " y " << y;
            EXPECT_NEAR(Inverse(map, y), x, 1e-9 * x)
                << "kind " << static_cast<int>(map.kind) << " x " << x;
        }
    }
}

TEST(ScaleMap, ReciprocalOfMapsToCOverF) {
    const double c = 44100.0;
    for (const ScaleMap& original : EveryKind()) {
        ScaleMap changed = original;
        ReciprocalOf(changed, c);
        const bool unchanged = original.kind == ScaleKind::ShiftedReciprocal ||
                               original.kind == ScaleKind::Logarithmic;
        if (unchanged) {
            EXPECT_EQ(changed, original);
            continue;
        }
        for (double x = 0.37; x < 300.0; x *= 1.7) {
            const double expected = c / Map(original, x);
            EXPECT_NEAR(Map(changed, x), expected, 1e-12 * std::fabs(expected))
                << "kind " << static_cast<int>(original.kind);
        }
    }
    ScaleMap affine = ScaleMap::Affine(4.0, 0.0);
    ReciprocalOf(affine, 2.0);
    EXPECT_EQ(affine, ScaleMap::Reciprocal(0.5));
    affine = ScaleMap::Affine(4.0, 2.0);
    ReciprocalOf(affine, 2.0);
    EXPECT_EQ(affine, ScaleMap::ShiftedReciprocal(0.5, 0.5));
    ScaleMap exponential = ScaleMap::Exponential(0.25, 4.0);
    ReciprocalOf(exponential, 2.0);
    EXPECT_EQ(exponential, ScaleMap::Exponential(-0.25, 0.5));
}

TEST(ScaleMap, ScaledByMapsToSFPlusT) {
    for (const double t : {0.0, 3.5}) {
        for (const ScaleMap& original : EveryKind()) {
            ScaleMap changed = original;
            const bool accepted = ScaledBy(changed, -2.0, t);
            const bool composable = original.kind == ScaleKind::Identity ||
                                    original.kind == ScaleKind::Linear ||
                                    original.kind == ScaleKind::Affine ||
                                    (original.kind == ScaleKind::Exponential && t == 0.0);
            EXPECT_EQ(accepted, composable) << "kind " << static_cast<int>(original.kind);
            if (!accepted) {
                EXPECT_EQ(changed, original);
                continue;
            }
            for (double x = 0.37; x < 300.0; x *= 1.7) {
                const double expected = -2.0 * Map(original, x) + t;
                EXPECT_NEAR(Map(changed, x), expected, 1e-12 * std::fabs(expected));
            }
        }
    }
    ScaleMap identity;
    ASSERT_TRUE(ScaledBy(identity, 3.0, 0.0));
    EXPECT_EQ(identity, ScaleMap::Linear(3.0));
    ScaleMap exponential = ScaleMap::Exponential(0.25, 4.0);
    ASSERT_TRUE(ScaledBy(exponential, 2.0, 0.0));
    EXPECT_EQ(exponential, ScaleMap::Exponential(0.25, 8.0));
    EXPECT_FALSE(ScaledBy(exponential, 1.0, 1.0));
    EXPECT_EQ(exponential, ScaleMap::Exponential(0.25, 8.0));
}

}  // namespace
}  // namespace tonalyx

#include "display/AxisScale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace tonalyx {
namespace {

AxisScale MakeAxis(AxisKind kind, int length, double from, double to, int labelSpacing = 4,
                   int visibleFrom = 0, int visibleTo = 0) {
    AxisScale axis;
    SetAxis(axis, kind, length, from, to, 5, labelSpacing, visibleFrom, visibleTo);
    return axis;
}

std::vector<double> ListedValues(const AxisScale& axis) {
    std::vector<double> values;
    for (int n = 0; n < TickCount(axis); ++n)
        values.push_back(TickValue(axis, n));
    return values;
}

std::vector<std::string> LabelledTexts(const AxisScale& axis) {
    std::vector<std::string> texts;
    for (int n = 0; n < TickCount(axis); ++n) {
        if (IsLabelledTick(axis, n)) texts.push_back(TickLabel(axis, n));
    }
    return texts;
}

TEST(SplitDecimal, MantissaBetweenOneAndTen) {
    EXPECT_EQ(SplitDecimal(0.0).mantissa, 0.0);
    EXPECT_EQ(SplitDecimal(0.0).exponent, 0);
    EXPECT_EQ(SplitDecimal(1000.0).mantissa, 1.0);
    EXPECT_EQ(SplitDecimal(1000.0).exponent, 3);
    EXPECT_EQ(SplitDecimal(0.001).mantissa, 1.0);
    EXPECT_EQ(SplitDecimal(0.001).exponent, -3);
    EXPECT_EQ(SplitDecimal(-250.0).mantissa, -2.5);
    EXPECT_EQ(SplitDecimal(-250.0).exponent, 2);
    EXPECT_EQ(SplitDecimal(INFINITY).exponent, 0);

    std::mt19937 random(7);
    std::uniform_real_distribution<double> exponent(-300.0, 300.0);
    for (int i = 0; i < 20000; ++i) {
        const double x = std::pow(10.0, exponent(random)) * (i % 2 ? -1.0 : 1.0);
        const DecimalSplit s = SplitDecimal(x);
        ASSERT_GE(std::fabs(s.mantissa), 1.0) << x;
        ASSERT_LT(std::fabs(s.mantissa), 10.0) << x;
        ASSERT_NEAR(s.mantissa * std::pow(10.0, s.exponent), x, 1e-14 * std::fabs(x));
    }
}

TEST(ChooseStep, LinearStepCoversTheMinimumSpacing) {
    // One pixel of minimum spacing puts the span per spacing exactly at to.
    for (int e = -4; e <= 4; ++e) {
        const double unit = std::pow(10.0, e);
        const auto step = [&](double multiple) {
            AxisScale axis;
            SetAxis(axis, AxisKind::Linear, 1, 0.0, multiple * unit, 1, 10);
            return ChooseStep(axis);
        };
        EXPECT_EQ(step(1.0), (TickStep{1, e}));
        EXPECT_EQ(step(1.0000001), (TickStep{2, e}));
        EXPECT_EQ(step(2.0), (TickStep{2, e}));
        EXPECT_EQ(step(2.0000001), (TickStep{5, e}));
        EXPECT_EQ(step(5.0), (TickStep{5, e}));
        EXPECT_EQ(step(5.0000001), (TickStep{1, e + 1}));
    }
    // The same over five pixels: 1 * 10^E per 5 pixels keeps 10^E.
    EXPECT_EQ(MakeAxis(AxisKind::Linear, 500, 0.0, 100.0).step, 1.0);
    EXPECT_EQ(MakeAxis(AxisKind::Linear, 512, 0.0, 1024.0).step, 10.0);
    EXPECT_EQ(MakeAxis(AxisKind::Linear, 512, 0.0, 1024.000001).step, 20.0);
}

TEST(ChooseStep, LogarithmicPatternFollowsTheRatioAcrossTheSpacing) {
    const auto step = [](double ratio) {
        AxisScale axis;
        SetAxis(axis, AxisKind::Logarithmic, 1, 3.0, 3.0 * ratio, 1, 4);
        return ChooseStep(axis);
    };
    EXPECT_EQ(step(1.00005), (TickStep{1, -3}));
    EXPECT_EQ(step(1.0003), (TickStep{2, -3}));
    EXPECT_EQ(step(1.0008), (TickStep{1, -2}));
    EXPECT_EQ(step(1.003), (TickStep{2, -2}));
    EXPECT_EQ(step(1.008), (TickStep{1, -1}));
    EXPECT_EQ(step(1.03), (TickStep{2, -1}));
    EXPECT_EQ(step(1.1), (TickStep{1, 0}));
    EXPECT_EQ(step(1.12), (TickStep{2, 0}));
    // Either side of the thresholds h / (h - 1) and h / (h - 5), h = 10^n.
    EXPECT_EQ(step(1.00049), (TickStep{2, -3}));
    EXPECT_EQ(step(1.00051), (TickStep{1, -2}));
    EXPECT_EQ(step(1.00502), (TickStep{2, -2}));
    EXPECT_EQ(step(1.00503), (TickStep{1, -1}));
    EXPECT_EQ(step(1.0526), (TickStep{2, -1}));
    EXPECT_EQ(step(1.0527), (TickStep{1, 0}));
    EXPECT_EQ(step(1.1111), (TickStep{1, 0}));
    EXPECT_EQ(step(1.1112), (TickStep{2, 0}));
    EXPECT_EQ(step(1.99), (TickStep{2, 0}));
    EXPECT_EQ(step(2.01), (TickStep{1, 1}));
    EXPECT_EQ(step(10.5), (TickStep{1, 2}));
    EXPECT_EQ(step(150.0), (TickStep{1, 3}));
}

TEST(ChooseLabelEvery, LinearLabelsOnRoundMultiples) {
    const auto every = [](int mantissa, int spacing) {
        return ChooseLabelEvery(AxisKind::Linear, {mantissa, 0}, spacing);
    };
    EXPECT_EQ(every(1, 4), 5);
    EXPECT_EQ(every(2, 4), 5);
    EXPECT_EQ(every(5, 4), 4);
    EXPECT_EQ(every(1, 10), 10);
    EXPECT_EQ(every(5, 10), 10);
    EXPECT_EQ(every(1, 15), 20);  // 15 rounds half up to 2 * 10
    EXPECT_EQ(every(2, 15), 50);
    EXPECT_EQ(every(5, 15), 20);
    EXPECT_EQ(every(1, 7), 10);
    EXPECT_EQ(every(5, 95), 100);
    EXPECT_EQ(every(1, 0), 1);
    EXPECT_GT(every(2, INT_MAX), 0);
}

TEST(ChooseLabelEvery, LogarithmicLabelsOnPowersOfTen) {
    const auto every = [](int mantissa, int exponent, int spacing) {
        return ChooseLabelEvery(AxisKind::Logarithmic, {mantissa, exponent}, spacing);
    };
    for (int e = -3; e <= 0; ++e) {
        EXPECT_EQ(every(1, e, 4), 9);
        EXPECT_EQ(every(1, e, 10), 18);
    }
    for (int e = -3; e <= -1; ++e) {
        EXPECT_EQ(every(2, e, 4), 6);
        EXPECT_EQ(every(2, e, 10), 12);
    }
    EXPECT_EQ(every(2, 0, 4), 6);
    EXPECT_EQ(every(2, 0, 10), 12);
    EXPECT_EQ(every(1, 2, 4), 4);
    EXPECT_EQ(every(1, 2, 1), 1);
    EXPECT_GT(every(2, 0, INT_MAX), 0);
}

TEST(AxisScale, AmplitudeAxis) {
    const AxisScale axis = MakeAxis(AxisKind::Linear, 128, -100.0, 100.0);
    EXPECT_EQ(axis.step, 10.0);
    EXPECT_EQ(axis.labelEvery, 5);
    const std::vector<double> values = ListedValues(axis);
    ASSERT_EQ(values.size(), 20u);
    EXPECT_EQ(values.front(), -100.0);
    EXPECT_EQ(values.back(), 90.0);  // +100 is the excluded upper end
    EXPECT_EQ(LabelledTexts(axis), (std::vector<std::string>{"-100", "-50", "0", "50"}));
    EXPECT_EQ(TickPixel(axis, 0), 0);    // -100 on the bottom row
    EXPECT_EQ(TickPixel(axis, 10), 64);  // 0
    EXPECT_EQ(TickPixel(axis, 15), 96);  // 50
}

TEST(AxisScale, TimeAxis) {
    const AxisScale axis = MakeAxis(AxisKind::Linear, 512, 0.0, 2.0, 10);
    EXPECT_EQ(axis.step, 0.02);
    EXPECT_EQ(axis.labelEvery, 10);
    ASSERT_EQ(TickCount(axis), 100);
    EXPECT_EQ(TickLabel(axis, 0), "0.00");
    EXPECT_EQ(TickLabel(axis, 10), "0.20");
    EXPECT_EQ(TickLabel(axis, 15), "0.30");
    EXPECT_EQ(TickPixel(axis, 10), 51);  // 0.2 s at 256 px/s
    EXPECT_EQ(LabelledTexts(axis).back(), "1.80");
    EXPECT_EQ(ValueAt(axis, 512.0), 2.0);
}

TEST(AxisScale, VisibleRangeListsOnlyItsTicks) {
    AxisScale axis = MakeAxis(AxisKind::Linear, 512, 0.0, 2.0, 10, 100, 200);
    // 0.390625 s .. 0.78125 s: ticks 0.40 .. 0.78.
    EXPECT_EQ(axis.firstTick, 20);
    EXPECT_EQ(axis.lastTick, 40);
    EXPECT_EQ(TickPixel(axis, 0), 2);  // 0.40 s is pixel 102.4 of the whole axis
    EXPECT_TRUE(IsLabelledTick(axis, 0));
    EXPECT_FALSE(IsLabelledTick(axis, 1));
    SetAxis(axis, AxisKind::Linear, 512, 0.0, 2.0, 5, 10);
    EXPECT_EQ(axis.visibleFrom, 0);
    EXPECT_EQ(axis.visibleTo, 512);
    EXPECT_EQ(TickCount(axis), 100);
}

TEST(AxisScale, TickAtTheUpperEndIsNotListed) {
    AxisScale axis = MakeAxis(AxisKind::Linear, 100, 0.0, 100.0);
    ASSERT_EQ(axis.step, 5.0);
    EXPECT_EQ(ListedValues(axis).back(), 95.0);
    SetVisibleRange(axis, 0, 50);
    EXPECT_EQ(ListedValues(axis).back(), 45.0);
}

TEST(AxisScale, EmptyOrReversedRangeListsNoTicks) {
    EXPECT_EQ(TickCount(MakeAxis(AxisKind::Linear, 100, 10.0, 10.0)), 0);
    EXPECT_EQ(TickCount(MakeAxis(AxisKind::Linear, 100, 10.0, 0.0)), 0);
    EXPECT_EQ(TickCount(MakeAxis(AxisKind::Logarithmic, 100, 1.0, 0.5)), 0);
    AxisScale axis = MakeAxis(AxisKind::Linear, 100, 0.0, 10.0);
    SetVisibleRange(axis, 60, 40);
    EXPECT_EQ(TickCount(axis), 0);
}

TEST(AxisScale, LogarithmicOneTwoFiveAxis) {
    const AxisScale axis = MakeAxis(AxisKind::Logarithmic, 256, 0.001, 1.0);
    EXPECT_NEAR(ValueAt(axis, 5.0) / ValueAt(axis, 0.0), 1.1444, 1e-4);
    EXPECT_EQ(axis.stepMantissa, 2);
    EXPECT_EQ(axis.stepExponent, 0);
    EXPECT_EQ(axis.labelEvery, 6);
    const std::vector<double> values = ListedValues(axis);
    ASSERT_EQ(values.size(), 9u);
    const double expected[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5};
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_DOUBLE_EQ(values[i], expected[i]);
    EXPECT_EQ(TickPixel(axis, 0), 0);
    EXPECT_FALSE(IsLabelledTick(axis, 0));  // 0.001
    EXPECT_TRUE(IsLabelledTick(axis, 3));   // 0.01
    EXPECT_EQ(LabelledTexts(axis), std::vector<std::string>{"0.01"});
    EXPECT_EQ(TickLabel(axis, 1), "0.002");
    EXPECT_EQ(TickLabel(axis, 8), "0.5");
}

TEST(AxisScale, DecadeTicksStayInsideTheAxis) {
    // Two decades per tick: 0.01, 1 and 100 lie inside 0.001 .. 1000.
    const AxisScale axis = MakeAxis(AxisKind::Logarithmic, 20, 0.001, 1000.0, 10);
    EXPECT_EQ(axis.stepExponent, 2);
    const std::vector<double> values = ListedValues(axis);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_DOUBLE_EQ(values[0], 0.01);
    EXPECT_DOUBLE_EQ(values[1], 1.0);
    EXPECT_DOUBLE_EQ(values[2], 100.0);
    int previous = -1;
    for (int n = 0; n < TickCount(axis); ++n) {
        EXPECT_GT(TickPixel(axis, n), previous);
        EXPECT_LT(TickPixel(axis, n), 20);
        previous = TickPixel(axis, n);
        EXPECT_EQ(IsLabelledTick(axis, n), (n + axis.firstTick) % axis.labelEvery == 0);
    }
    EXPECT_EQ(TickLabel(axis, 0), "0.01");
    EXPECT_EQ(TickLabel(axis, 2), "100");
}

TEST(AxisScale, NarrowLogarithmicAxisTicksInsideDecades) {
    // 100 Hz .. 8 kHz over 256 pixels: a ratio of 1.089 per 5 pixels, ticks at every whole
    // mantissa of each decade, labels on the powers of ten.
    const AxisScale axis = MakeAxis(AxisKind::Logarithmic, 256, 0.1, 8.0);
    EXPECT_EQ(axis.stepMantissa, 1);
    EXPECT_EQ(axis.stepExponent, 0);
    EXPECT_EQ(axis.labelEvery, 9);
    const std::vector<double> values = ListedValues(axis);
    ASSERT_EQ(values.size(), 16u);
    EXPECT_DOUBLE_EQ(values[0], 0.1);
    EXPECT_DOUBLE_EQ(values[8], 0.9);
    EXPECT_DOUBLE_EQ(values[9], 1.0);
    EXPECT_DOUBLE_EQ(values[15], 7.0);
    EXPECT_EQ(LabelledTexts(axis), (std::vector<std::string>{"0.1", "1"}));
    EXPECT_EQ(TickLabel(axis, 2), "0.3");

    // Between 1 and 1.1 kHz the ticks are every 0.005 of the decade with labels "1.000" style.
    const AxisScale fine = MakeAxis(AxisKind::Logarithmic, 256, 1.0, 1.1);
    EXPECT_EQ(fine.stepMantissa, 2);
    EXPECT_EQ(fine.stepExponent, -2);
    EXPECT_EQ(TickLabel(fine, 0), "1.00");
    EXPECT_EQ(TickLabel(fine, 1), "1.05");
}

// Axes of every step pattern, for the properties below.
std::vector<AxisScale> AssortedAxes() {
    std::vector<AxisScale> axes;
    const double logRanges[][2] = {{0.1, 8.0},      {1.0, 2.0},      {1.0, 1.1},   {1.0, 1.02},
                                   {3.0, 3.01},     {0.5, 0.5005},   {0.001, 1.0}, {0.001, 1000.0},
                                   {1e-300, 1e300}, {20.0, 20000.0}, {7.3, 9.6e5}, {0.02, 0.021},
                                   {1.0, 5.0}};
    for (const auto& range : logRanges) {
        for (int length : {20, 256, 1024}) {
            axes.push_back(MakeAxis(AxisKind::Logarithmic, length, range[0], range[1], 4));
            axes.push_back(MakeAxis(AxisKind::Logarithmic, length, range[0], range[1], 10));
        }
    }
    std::mt19937 random(11);
    std::uniform_real_distribution<double> exponent(-6.0, 6.0);
    std::uniform_int_distribution<int> length(1, 2000);
    for (int i = 0; i < 200; ++i) {
        const double from = std::pow(10.0, exponent(random)) * (i % 3 == 0 ? -1.0 : 1.0);
        const double to = from + std::pow(10.0, exponent(random));
        axes.push_back(MakeAxis(AxisKind::Linear, length(random), from, to, i % 2 ? 4 : 10));
        if (from > 0.0) {
            axes.push_back(MakeAxis(AxisKind::Logarithmic, length(random), from, to, 4));
        }
    }
    return axes;
}

TEST(AxisScale, TickIndicesEnumerateIncreasingValues) {
    for (const AxisScale& axis : AssortedAxes()) {
        SCOPED_TRACE(testing::Message()
                     << "kind " << static_cast<int>(axis.kind) << " " << axis.from << " .. "
                     << axis.to << " over " << axis.length << " step " << axis.stepMantissa << "e"
                     << axis.stepExponent);
        // Strictly increasing within the normal doubles.
        // Two decades of the in-decade patterns (9 10^-e or 1.8 10^-e ticks each).
        const bool inDecade = axis.kind == AxisKind::Logarithmic && axis.stepExponent < 0;
        const int reach = inDecade ? (axis.stepMantissa == 1 ? 18 : 4) *
                                         static_cast<int>(std::pow(10.0, -axis.stepExponent))
                                   : 500;
        const int lo = axis.firstTick - reach;
        const int hi = axis.lastTick + reach;
        for (int k = lo + 1; k <= hi; ++k) {
            const double previous = TickValueAtIndex(axis, k - 1);
            const double value = TickValueAtIndex(axis, k);
            const bool subnormal = std::fabs(previous) < std::numeric_limits<double>::min();
            if (!std::isfinite(value) || (axis.kind == AxisKind::Logarithmic && subnormal)) {
                continue;
            }
            ASSERT_GT(value, previous) << "k " << k;
        }
        // TickIndexAtOrAbove(v) is the first tick whose value reaches v: its predecessor's does
        // not.
        std::mt19937 random(3);
        std::uniform_real_distribution<double> position(-0.5, 1.5);
        for (int i = 0; i < 300; ++i) {
            double v = ValueAt(axis, position(random) * axis.length);
            if (i % 3 == 0) v = TickValueAtIndex(axis, axis.firstTick + i / 3);  // exactly a tick
            const int k = TickIndexAtOrAbove(axis, v);
            if (k == INT_MAX || k == INT_MIN) continue;  // beyond the int range of indices
            ASSERT_GE(TickValueAtIndex(axis, k), v) << "v " << v;
            ASSERT_LT(TickValueAtIndex(axis, k - 1), v) << "v " << v;
        }
    }
}

TEST(AxisScale, ListedTicksLieInsideTheAxisAndKeepTheirSpacing) {
    for (const AxisScale& axis : AssortedAxes()) {
        SCOPED_TRACE(testing::Message()
                     << "kind " << static_cast<int>(axis.kind) << " " << axis.from << " .. "
                     << axis.to << " over " << axis.length);
        ASSERT_LE(TickCount(axis), axis.length / 4 + 2);
        for (int n = 0; n < TickCount(axis); ++n) {
            const double value = TickValue(axis, n);
            EXPECT_GE(value, axis.from);
            EXPECT_LT(value, axis.to);
            EXPECT_GE(TickPixel(axis, n), 0);
            EXPECT_LE(TickPixel(axis, n), axis.length);
            if (n > 0) {
                EXPECT_GE(TickPixel(axis, n) - TickPixel(axis, n - 1), 4);
            }
            EXPECT_FALSE(TickLabel(axis, n).empty());
        }
    }
}

TEST(AxisScale, PowersOfTenCarryTheLabelsOfLogarithmicAxes) {
    // With decade, 1-2-5 and whole-mantissa ticks only powers of ten are labelled.
    int labelled = 0;
    for (const AxisScale& axis : AssortedAxes()) {
        if (axis.kind != AxisKind::Logarithmic || axis.stepExponent < 0) continue;
        for (int n = 0; n < TickCount(axis); ++n) {
            if (!IsLabelledTick(axis, n)) continue;
            const double value = TickValue(axis, n);
            EXPECT_EQ(value, std::pow(10.0, std::round(std::log10(value)))) << value;
            ++labelled;
        }
    }
    EXPECT_GT(labelled, 20);
}

TEST(AxisScale, DegenerateInputsListNoTicksAndEndQuickly) {
    AxisScale unset;
    SetAxis(unset, AxisKind::Linear, 0, 0.0, 1.0, 5, 4);
    EXPECT_EQ(unset.length, 0);
    SetAxis(unset, AxisKind::Linear, -5, 0.0, 1.0, 5, 4);
    EXPECT_EQ(unset.length, 0);
    EXPECT_EQ(TickCount(unset), 0);

    const AxisScale degenerate[] = {
        MakeAxis(AxisKind::Logarithmic, 256, 0.0, 8.0),
        MakeAxis(AxisKind::Logarithmic, 256, -1.0, 8.0),
        MakeAxis(AxisKind::Logarithmic, 256, -8.0, -1.0),
        MakeAxis(AxisKind::Logarithmic, 256, 1e-320, 1e308),
        MakeAxis(AxisKind::Logarithmic, 256, 1.0, INFINITY),
        MakeAxis(AxisKind::Logarithmic, 256, NAN, 8.0),
        MakeAxis(AxisKind::Linear, 256, NAN, 8.0),
        MakeAxis(AxisKind::Linear, 256, 0.0, INFINITY),
        MakeAxis(AxisKind::Linear, 256, -1e308, 1e308),
        MakeAxis(AxisKind::Linear, 512, 1e15, 1e15 + 1.0),  // indices beyond the int range
    };
    for (const AxisScale& axis : degenerate) {
        EXPECT_EQ(TickCount(axis), 0) << axis.from << " .. " << axis.to;
    }

    // A spacing of 0 pixels counts as one: at most one tick per pixel.
    AxisScale dense;
    SetAxis(dense, AxisKind::Linear, 100, 0.0, 1e9, 0, 4);
    EXPECT_GT(TickCount(dense), 0);
    EXPECT_LE(TickCount(dense), 101);
    SetAxis(dense, AxisKind::Logarithmic, 100, 1.0, 1e9, 0, 4);
    EXPECT_LE(TickCount(dense), 101);

    const AxisScale log = MakeAxis(AxisKind::Logarithmic, 256, 0.001, 1.0);
    EXPECT_EQ(TickIndexAtOrAbove(log, 0.0), INT_MIN);
    EXPECT_EQ(TickIndexAtOrAbove(log, -3.0), INT_MIN);
    EXPECT_EQ(TickIndexAtOrAbove(log, NAN), INT_MAX);
    EXPECT_EQ(TickIndexAtOrAbove(log, INFINITY), INT_MAX);
}

TEST(AxisScale, ValueAtSpansTheAxis) {
    const AxisScale log = MakeAxis(AxisKind::Logarithmic, 256, 0.001, 1.0);
    EXPECT_EQ(ValueAt(log, 0.0), 0.001);
    EXPECT_EQ(ValueAt(log, 256.0), 1.0);
    EXPECT_NEAR(ValueAt(log, 128.0), std::sqrt(0.001), 1e-15);
    const AxisScale amplitude = MakeAxis(AxisKind::Linear, 128, -100.0, 100.0);
    EXPECT_EQ(ValueAt(amplitude, 64.0), 0.0);
    EXPECT_EQ(ValueAt(amplitude, 32.5), -49.21875);
}

}  // namespace
}  // namespace tonalyx

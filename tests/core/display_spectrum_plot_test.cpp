#include "display/SpectrumPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "analysis/AnalysisKind.h"

namespace tonalyx {
namespace {

TEST(SpectrumPlot, KindsChooseCurveOrArea) {
    EXPECT_EQ(SpectrumStyleOf(FftAnalysis), SpectrumStyle::FilledArea);
    EXPECT_EQ(SpectrumStyleOf(CepstrumAnalysis), SpectrumStyle::FilledArea);
    EXPECT_EQ(SpectrumStyleOf(PitchAnalysis), SpectrumStyle::FilledArea);
    EXPECT_EQ(SpectrumStyleOf(AutoCorrelationAnalysis), SpectrumStyle::ConnectedCurve);
    EXPECT_EQ(SpectrumStyleOf(LifteringAnalysis), SpectrumStyle::ConnectedCurve);
    EXPECT_EQ(SpectrumStyleOf(MemAnalysis), SpectrumStyle::ConnectedCurve);
}

TEST(SpectrumPlot, HeightsRunFromMinusOneToThePlotHeight) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> levels{-5, -1, -0.5, 0, 0.99, 1, 127.9, 128, 500, nan};
    std::vector<int> heights;
    PlotHeights(levels.data(), 10, 12, 128, heights);
    const std::vector<int> expected{-1, -1, -1, 0, 0, 1, 127, 128, 128, -1, -1, -1};
    EXPECT_EQ(heights, expected);

    // The buffer is kept: a narrower plot leaves its size.
    PlotHeights(levels.data(), 10, 4, 128, heights);
    EXPECT_EQ(heights.size(), 12u);
    EXPECT_EQ(heights[3], 0);
}

TEST(SpectrumPlot, FilledAreaReachesTheBottomAndSkipsColumnsBelowTheMinimum) {
    const std::vector<int> heights{-1, 0, 5, 128};
    std::vector<PlotStroke> strokes;
    SpectrumStrokes(heights, 4, 128, SpectrumStyle::FilledArea, strokes);
    ASSERT_EQ(strokes.size(), 3u);
    // Right to left; a level above the max threshold starts just above the plot.
    EXPECT_EQ(strokes[0].x, 3);
    EXPECT_EQ(strokes[0].firstRow, -1);
    EXPECT_EQ(strokes[0].endRow, 128);
    EXPECT_EQ(strokes[1].x, 2);
    EXPECT_EQ(strokes[1].firstRow, 122);
    EXPECT_EQ(strokes[2].x, 1);
    EXPECT_EQ(strokes[2].firstRow, 127);
    EXPECT_EQ(strokes[2].endRow, 128);
}

TEST(SpectrumPlot, ConnectedCurveStretchesEachColumnToItsLowerNeighbour) {
    const std::vector<int> heights{10, 40, 38, 38, -1};
    std::vector<PlotStroke> strokes;
    SpectrumStrokes(heights, 5, 64, SpectrumStyle::ConnectedCurve, strokes);
    ASSERT_EQ(strokes.size(), 5u);
    // Column 1 (height 40) reaches down to just above column 0's height 10.
    EXPECT_EQ(strokes[3].x, 1);
    EXPECT_EQ(strokes[3].firstRow, 63 - 40);
    EXPECT_EQ(strokes[3].endRow, 63 - 10);
    // A flat stretch draws one pixel per column.
    EXPECT_EQ(strokes[2].x, 2);
    EXPECT_EQ(strokes[2].endRow - strokes[2].firstRow, 1);
    // The last column (below the plot) reaches row 64 and joins column 3 from below.
    EXPECT_EQ(strokes[0].x, 4);
    EXPECT_EQ(strokes[0].firstRow, 64);
    EXPECT_EQ(strokes[0].endRow, 65);
}

TEST(SpectrumPlot, ConnectedCurveLeavesNoGapBetweenNeighbours) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> level(-1, 128);
    std::vector<int> heights(256);
    for (int& h : heights)
        h = level(random);
    std::vector<PlotStroke> strokes;
    SpectrumStrokes(heights, 256, 128, SpectrumStyle::ConnectedCurve, strokes);
    ASSERT_EQ(strokes.size(), 256u);
    for (size_t k = 0; k + 1 < strokes.size(); ++k) {
        const PlotStroke& right = strokes[k];
        const PlotStroke& left = strokes[k + 1];
        ASSERT_EQ(right.x, left.x + 1);
        EXPECT_LT(right.firstRow, right.endRow);
        EXPECT_EQ(right.firstRow, 127 - heights[static_cast<size_t>(right.x)]);
        // The two row ranges overlap or touch, so the curve is one connected line.
        EXPECT_LE(std::max(left.firstRow, right.firstRow), std::min(left.endRow, right.endRow))
            << "between columns " << left.x << " and " << right.x;
    }
}

TEST(SpectrumPlot, LifterBackgroundFillsBelowEachNonZeroLevel) {
    const std::vector<double> levels{0, 0.5, 3.7, 200, 9};
    std::vector<PlotStroke> strokes;
    BackgroundStrokes(levels.data(), 5, 4, 128, strokes);  // the fifth level is past the plot
    ASSERT_EQ(strokes.size(), 3u);
    EXPECT_EQ(strokes[0].x, 3);
    EXPECT_EQ(strokes[0].firstRow, 0);
    EXPECT_EQ(strokes[1].x, 2);
    EXPECT_EQ(strokes[1].firstRow, 124);
    EXPECT_EQ(strokes[2].x, 1);
    EXPECT_EQ(strokes[2].firstRow, 127);
    for (const PlotStroke& s : strokes)
        EXPECT_EQ(s.endRow, 128);
}

TEST(SpectrumPlot, LevelAxisIsPercentForLagKindsAndDbOtherwise) {
    DisplaySettings display;
    display.minDb = -90;
    display.maxDb = -20;
    display.minPercent = 0.05;
    display.maxPercent = 0.25;
    EXPECT_DOUBLE_EQ(SpectrumLevelRange(FftAnalysis, display).lo, -90);
    EXPECT_DOUBLE_EQ(SpectrumLevelRange(MemAnalysis, display).hi, -20);
    EXPECT_DOUBLE_EQ(SpectrumLevelRange(AutoCorrelationAnalysis, display).lo, 5);
    EXPECT_DOUBLE_EQ(SpectrumLevelRange(CepstrumAnalysis, display).hi, 25);
}

}  // namespace
}  // namespace tonalyx

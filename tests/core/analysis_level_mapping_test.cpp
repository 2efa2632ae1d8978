#include "analysis/ColumnResampler.h"
#include "analysis/LevelMapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace tonalyx {
namespace {

constexpr double kTop = 256.0 * 0.9999999999;

std::vector<double> Mapped(std::vector<double> values, double lo, double hi, double top,
                           bool unclamped) {
    MapLevels(values.data(), static_cast<int>(values.size()), lo, hi, top, unclamped);
    return values;
}

TEST(MapLevels, ThresholdsAreInclusiveAndTheRangeStaysBelowTop) {
    const std::vector<double> levels =
        Mapped({-10.0, 10.0, 20.0, 30.0, 40.0, 1e300}, 10.0, 30.0, 256.0, false);
    EXPECT_EQ(levels[0], 0.0);
    EXPECT_EQ(levels[1], 0.0);  // exactly at the min threshold
    EXPECT_DOUBLE_EQ(levels[2], kTop / 2.0);
    EXPECT_EQ(static_cast<int>(levels[3]), 255);  // exactly at the max threshold
    EXPECT_LE(levels[3], kTop);
    EXPECT_EQ(levels[4], kTop);
    EXPECT_EQ(levels[5], kTop);
    for (double v : levels)
        EXPECT_LT(v, 256.0);
}

TEST(MapLevels, UnclampedValuesReachBeyondTheRange) {
    const std::vector<double> levels = Mapped({0.0, 5.0, 20.0}, 10.0, 15.0, 100.0, true);
    const double top = 100.0 * 0.9999999999;
    EXPECT_DOUBLE_EQ(levels[0], -2.0 * top);
    EXPECT_DOUBLE_EQ(levels[1], -top);
    EXPECT_DOUBLE_EQ(levels[2], 2.0 * top);
}

TEST(MapLevels, MinAboveMaxGivesTwoLevels) {
    const std::vector<double> levels =
        Mapped({-5.0, 0.0, 5.0, 9.999, 10.0, 11.0}, 10.0, 0.0, 256.0, false);
    const std::vector<double> expected = {0.0, 0.0, 0.0, 0.0, kTop, kTop};
    EXPECT_EQ(levels, expected);
}

TEST(MapLevels, EqualThresholdsGiveAStepInBothModes) {
    for (bool unclamped : {false, true}) {
        const std::vector<double> levels = Mapped({-1.0, 3.0, 4.0}, 3.0, 3.0, 256.0, unclamped);
        const std::vector<double> expected = {0.0, kTop, kTop};
        EXPECT_EQ(levels, expected) << unclamped;
    }
}

TEST(MapLevels, NotANumberNeverLeavesTheRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (bool unclamped : {false, true}) {
        EXPECT_EQ(Mapped({nan}, 0.0, 1.0, 256.0, unclamped)[0], 0.0);
        EXPECT_EQ(Mapped({0.5}, nan, 1.0, 256.0, unclamped)[0], 0.0);
        EXPECT_EQ(Mapped({0.5}, -inf, inf, 256.0, unclamped)[0], 0.0);
    }
    EXPECT_EQ(Mapped({inf}, 0.0, 1.0, 256.0, false)[0], kTop);
    EXPECT_EQ(Mapped({-inf}, 0.0, 1.0, 256.0, false)[0], 0.0);
}

TEST(FullScaleDbOffset, IsTheFullScaleLevelPerHertz) {
    EXPECT_NEAR(FullScaleDbOffset(1.0), 90.30899869919435, 1e-12);
    EXPECT_NEAR(FullScaleDbOffset(44100.0), 90.30899869919435 + 10.0 * std::log10(44100.0), 1e-12);
    EXPECT_NEAR(FullScaleDbOffset(0.0), 90.30899869919435 - 3000.0, 1e-9);
}

TEST(LookupBin, NearestClampsAtBothEnds) {
    const double column[] = {10.0, 20.0, 40.0};
    EXPECT_EQ(LookupBin(column, 3, -7.0, LookupMode::Nearest), 10.0);
    EXPECT_EQ(LookupBin(column, 3, -0.5, LookupMode::Nearest), 10.0);  // floor(0) = 0
    EXPECT_EQ(LookupBin(column, 3, 0.49, LookupMode::Nearest), 10.0);
    EXPECT_EQ(LookupBin(column, 3, 0.5, LookupMode::Nearest), 20.0);
    EXPECT_EQ(LookupBin(column, 3, 2.0, LookupMode::Nearest), 40.0);
    EXPECT_EQ(LookupBin(column, 3, 1e308, LookupMode::Nearest), 40.0);
    EXPECT_EQ(LookupBin(column, 3, NAN, LookupMode::Nearest), 10.0);
}

TEST(LookupBin, LinearExtrapolatesAlongTheEndSegments) {
    const double column[] = {10.0, 20.0, 40.0};
    EXPECT_EQ(LookupBin(column, 3, 0.0, LookupMode::Linear), 10.0);
    EXPECT_EQ(LookupBin(column, 3, 0.25, LookupMode::Linear), 12.5);
    EXPECT_EQ(LookupBin(column, 3, 1.5, LookupMode::Linear), 30.0);
    EXPECT_EQ(LookupBin(column, 3, 2.0, LookupMode::Linear), 40.0);
    EXPECT_EQ(LookupBin(column, 3, 2.5, LookupMode::Linear), 50.0);  // along 20 -> 40
    EXPECT_EQ(LookupBin(column, 3, -1.0, LookupMode::Linear), 0.0);  // along 10 -> 20
    const double single[] = {5.0};
    EXPECT_EQ(LookupBin(single, 1, 3.7, LookupMode::Linear), 5.0);
}

TEST(ColumnResampler, RowRangeFollowsTheInverseMap) {
    ColumnResampler resampler;
    // Two rows per bin: bins 0..10 lie on rows 0..20.
    resampler.SetRowRange(ScaleMap::Linear(0.5), 10, 64, LookupMode::Nearest);
    EXPECT_EQ(resampler.FirstRow(), 0);
    EXPECT_EQ(resampler.LastRow(), 20);
    // The image ends first.
    resampler.SetRowRange(ScaleMap::Linear(0.5), 10, 16, LookupMode::Nearest);
    EXPECT_EQ(resampler.LastRow(), 16);
    // Reciprocal rows (lag = 400 / row): lags up to 10 start at row 40; row 0 has no lag.
    resampler.SetRowRange(ScaleMap::Reciprocal(400.0), 10, 64, LookupMode::Nearest);
    EXPECT_EQ(resampler.FirstRow(), 40);
    EXPECT_EQ(resampler.LastRow(), 64);
    // A falling map swaps the ends.
    resampler.SetRowRange(ScaleMap::Affine(-1.0, 30.0), 10, 64, LookupMode::Nearest);
    EXPECT_EQ(resampler.FirstRow(), 20);
    EXPECT_EQ(resampler.LastRow(), 30);
    // The bins the lookups read: nearest rows 0..19 read bins 0..9 (9.5 rounds up, is clamped).
    resampler.SetRowRange(ScaleMap::Linear(0.5), 10, 64, LookupMode::Nearest);
    EXPECT_EQ(resampler.FirstBin(), 0);
    EXPECT_EQ(resampler.EndBin(), 10);
    resampler.SetRowRange(ScaleMap::Affine(0.5, 3.2), 10, 8, LookupMode::Linear);
    EXPECT_EQ(resampler.FirstBin(), 3);  // rows 0..7 read 3.2 .. 6.7
    EXPECT_EQ(resampler.EndBin(), 8);
    // A map that saturates stays within the 32-bit range.
    resampler.SetRowRange(ScaleMap::Linear(0.0), 10, 64, LookupMode::Nearest);
    EXPECT_EQ(resampler.FirstRow(), 0);
    EXPECT_EQ(resampler.LastRow(), 64);
}

TEST(ColumnResampler, RowsOutsideTheRangeAreZero) {
    ColumnResampler resampler;
    resampler.SetRowRange(ScaleMap::Affine(1.0, -2.0), 4, 8, LookupMode::Linear);  // bin r - 2
    const double column[] = {1.0, 2.0, 3.0, 4.0};
    std::vector<double> out(8, -1.0);
    resampler.Resample(column, out.data());
    const std::vector<double> expected = {0.0, 0.0, 1.0, 2.0, 3.0, 4.0, 0.0, 0.0};
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace tonalyx

#include "interaction/Selection.h"

#include <gtest/gtest.h>

#include <random>

namespace tonalyx {
namespace {

ViewGeometry FittedView(int sampleCount, int width) {
    ViewGeometry g;
    g.sampleCount = sampleCount;
    g.viewWidth = width;
    g.Reset();
    g.samplesPerPixel = 4;
    g.Update(GeometryChange::Refresh, 0, 0);
    return g;
}

// A left drag on the wave view: press at x, then moves to each of xs.
SampleSpan Drag(const ViewGeometry& g, int x, std::initializer_list<int> xs) {
    WaveSelectionDrag drag;
    drag.Start(ColumnRangeAt(g, x));
    for (int to : xs)
        drag.Extend(ColumnRangeAt(g, to));
    return drag.Selection();
}

void ExpectSpan(SampleSpan span, int start, int end) {
    EXPECT_EQ(span.start, start);
    EXPECT_EQ(span.end, end);
}

TEST(WaveSelection, CoversWholeColumnsFromTheEarlierToTheLater) {
    // 1000 samples over 400 columns: column 1 is 2 .. 5, column 3 is 7 .. 10.
    const ViewGeometry g = FittedView(1000, 400);
    ASSERT_TRUE(g.fitToWindow);
    ExpectSpan(Drag(g, 1, {3}), 2, 10);
    ExpectSpan(Drag(g, 3, {1}), 2, 10);
    ExpectSpan(Drag(g, 1, {0}), 0, 5);
    ExpectSpan(Drag(g, 399, {398}), 995, 1000);
}

TEST(WaveSelection, AClickOrADragBackOverTheAnchorSelectsNothing) {
    const ViewGeometry g = FittedView(1000, 400);
    const SampleSpan click = Drag(g, 7, {});
    EXPECT_EQ(click.start, click.end);
    const SampleSpan back = Drag(g, 7, {20, 3, 7});
    EXPECT_EQ(back.start, back.end);

    WaveSelectionDrag drag;
    drag.Start(ColumnRangeAt(g, 7));
    EXPECT_FALSE(drag.Extend(ColumnRangeAt(g, 7)));
    EXPECT_TRUE(drag.Extend(ColumnRangeAt(g, 8)));
    EXPECT_FALSE(drag.Extend(ColumnRangeAt(g, 8)));
    EXPECT_TRUE(drag.Extend(ColumnRangeAt(g, 7)));
}

TEST(WaveSelection, BeyondAFittedViewTheSelectionStopsAtTheSoundsEnds) {
    const ViewGeometry g = FittedView(1000, 400);
    ExpectSpan(Drag(g, 100, {5000}), 250, 1000);
    ExpectSpan(Drag(g, 100, {-300}), 0, 252);
}

TEST(WaveSelection, ScrolledViewsCountColumnsFromTheScrollPosition) {
    ViewGeometry g = FittedView(100000, 500);
    g.samplesPerPixel = 256;
    g.Update(GeometryChange::NarrowTime, 0, 0);  // 128 samples per column, scrolled
    ASSERT_TRUE(g.scroll.enabled);
    g.scroll.position = 100;
    ExpectSpan(ColumnRangeAt(g, 10), 110 * 128, 111 * 128);
    ExpectSpan(Drag(g, 10, {12}), 110 * 128, 113 * 128);
    ExpectSpan(Drag(g, 10, {-2}), 98 * 128, 111 * 128);
}

TEST(WaveSelection, MatchesTheSamplesOfTheColumnsBetweenAnchorAndMouse) {
    // The selection is exactly the samples whose column lies between the two, both included,
    // counted sample by sample.
    const ViewGeometry g = FittedView(777, 301);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(-20, 320);
    for (int trial = 0; trial < 300; ++trial) {
        const int anchor = std::clamp(x(random), 0, 300);
        const int mouse = x(random);
        const SampleSpan selection = Drag(g, anchor, {mouse});
        const int lo = std::clamp(std::min(anchor, mouse), 0, 300);
        const int hi = std::clamp(std::max(anchor, mouse), 0, 300);
        const bool same = ColumnRangeAt(g, anchor).start == ColumnRangeAt(g, mouse).start;
        for (int column = 0; column < 301; ++column) {
            const SampleSpan samples = g.VisibleSampleRange(column);
            for (int s = samples.start; s < samples.end; ++s) {
                const bool inside = s >= selection.start && s < selection.end;
                EXPECT_EQ(inside, !same && column >= lo && column <= hi)
                    << "anchor " << anchor << " mouse " << mouse << " sample " << s;
            }
        }
    }
}

TEST(ColumnSelection, RunsFromTheAnchorToTheMouseBothIncluded) {
    ColumnSelectionDrag drag;
    const ColumnSelection click = drag.Start(5);
    EXPECT_EQ(click.start, 5);
    EXPECT_EQ(click.end, 6);
    EXPECT_FALSE(click.Empty());
    EXPECT_EQ(drag.Extend(9).start, 5);
    EXPECT_EQ(drag.Extend(9).end, 10);
    EXPECT_EQ(drag.Extend(2).start, 2);
    EXPECT_EQ(drag.Extend(2).end, 6);
    EXPECT_EQ(drag.Extend(5).end - drag.Extend(5).start, 1);
}

TEST(SpectrogramPoint, PressesOutsideTheImageTakeTheNearestPixel) {
    const ImagePoint below = ClampToImage(600, 300, 512, 256);
    EXPECT_EQ(below.x, 511);
    EXPECT_EQ(below.y, 255);
    const ImagePoint before = ClampToImage(-3, -40, 512, 256);
    EXPECT_EQ(before.x, 0);
    EXPECT_EQ(before.y, 0);
    const ImagePoint inside = ClampToImage(17, 99, 512, 256);
    EXPECT_EQ(inside.x, 17);
    EXPECT_EQ(inside.y, 99);
    const ImagePoint empty = ClampToImage(5, 5, 0, 0);
    EXPECT_EQ(empty.x, 0);
    EXPECT_EQ(empty.y, 0);

    EXPECT_EQ(RowFromBottom(255, 256), 0);
    EXPECT_EQ(RowFromBottom(0, 256), 255);
}

}  // namespace
}  // namespace tonalyx

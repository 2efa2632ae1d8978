#include "interaction/AutoScroll.h"

#include <gtest/gtest.h>

namespace tonalyx {
namespace {

// 100 000 samples at 16 per column in a 500 pixel view: 6250 columns, the last page starts at
// 6250 - 500 - 1 = 5749.
ViewGeometry ScrolledView(int position) {
    ViewGeometry g;
    g.sampleCount = 100000;
    g.viewWidth = 500;
    g.Reset();
    g.fitToWindow = false;
    g.samplesPerPixel = 16;
    g.Update(GeometryChange::Refresh, 0, 0);
    g.scroll.position = position;
    return g;
}

TEST(AutoScroll, OvershootCountsFromTheNearerEdge) {
    EXPECT_EQ(DragOvershoot(0, 500), 0);
    EXPECT_EQ(DragOvershoot(499, 500), 0);
    EXPECT_EQ(DragOvershoot(500, 500), 0);
    EXPECT_EQ(DragOvershoot(501, 500), 1);
    EXPECT_EQ(DragOvershoot(600, 500), 100);
    EXPECT_EQ(DragOvershoot(-1, 500), -1);
    EXPECT_EQ(DragOvershoot(-70, 500), -70);
}

TEST(AutoScroll, SpeedGrowsByThirtyTwoPixelsPerBandBeyondTheEdge) {
    const ViewGeometry g = ScrolledView(1000);
    ASSERT_TRUE(g.scroll.enabled);
    EXPECT_EQ(AutoScrollPosition(g, 501), 1008);
    EXPECT_EQ(AutoScrollPosition(g, 531), 1008);
    EXPECT_EQ(AutoScrollPosition(g, 532), 1040);
    EXPECT_EQ(AutoScrollPosition(g, 563), 1040);
    EXPECT_EQ(AutoScrollPosition(g, 564), 1072);
    EXPECT_EQ(AutoScrollPosition(g, -1), 992);
    EXPECT_EQ(AutoScrollPosition(g, -32), 960);
    EXPECT_FALSE(AutoScrollPosition(g, 0));
    EXPECT_FALSE(AutoScrollPosition(g, 250));
    EXPECT_FALSE(AutoScrollPosition(g, 500));
}

TEST(AutoScroll, HundredPixelsBeyondMoves104PerTickAndStopsAtTheLastPage) {
    ViewGeometry g = ScrolledView(0);
    std::vector<int> positions;
    for (int tick = 0; tick < 60; ++tick) {
        const auto next = AutoScrollPosition(g, 600);
        ASSERT_TRUE(next);
        g.scroll.position = *next;
        positions.push_back(*next);
    }
    EXPECT_EQ(positions[0], 104);
    EXPECT_EQ(positions[1], 208);
    EXPECT_EQ(positions[54], 5720);
    EXPECT_EQ(positions[55], 5749);
    EXPECT_EQ(positions.back(), 5749);

    g.scroll.position = 50;
    EXPECT_EQ(AutoScrollPosition(g, -100), 0);
}

TEST(AutoScroll, NothingMovesWithoutAScrollBar) {
    ViewGeometry fitted;
    fitted.sampleCount = 100000;
    fitted.viewWidth = 500;
    fitted.Reset();
    fitted.Update(GeometryChange::Refresh, 0, 0);
    ASSERT_TRUE(fitted.fitToWindow);
    EXPECT_FALSE(AutoScrollPosition(fitted, 900));
    EXPECT_FALSE(AutoScrollPosition(fitted, -900));

    // A sound narrower than the view at this zoom.
    ViewGeometry narrow = ScrolledView(0);
    narrow.samplesPerPixel = 1024;
    narrow.Update(GeometryChange::Refresh, 0, 0);
    ASSERT_FALSE(narrow.scroll.enabled);
    EXPECT_FALSE(AutoScrollPosition(narrow, 900));
}

}  // namespace
}  // namespace tonalyx

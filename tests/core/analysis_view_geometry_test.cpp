#include "analysis/ViewGeometry.h"

#include <gtest/gtest.h>

namespace tonalyx {
namespace {

ViewGeometry Fitted(int sampleCount, int width, int openedZoom) {
    ViewGeometry g;
    g.sampleCount = sampleCount;
    g.viewWidth = width;
    g.Reset();
    g.samplesPerPixel = openedZoom;
    g.Update(GeometryChange::Refresh, 0, 0);
    return g;
}

TEST(InitialSamplesPerPixel, SmallestPowerOfTwoAboveSamplesPerColumn) {
    EXPECT_EQ(InitialSamplesPerPixel(100, 512), 2);   // q = 0
    EXPECT_EQ(InitialSamplesPerPixel(3000, 512), 8);  // q = 5
    EXPECT_EQ(InitialSamplesPerPixel(1024, 512), 4);  // q = 2
    EXPECT_EQ(InitialSamplesPerPixel(512, 512), 2);   // q = 1
    EXPECT_EQ(InitialSamplesPerPixel(100000, 500), 256);
    // A view not laid out yet must not divide by zero.
    EXPECT_EQ(InitialSamplesPerPixel(3000, 0), 4096);
    // Very long sounds in a narrow view stay within the zoom range.
    EXPECT_EQ(InitialSamplesPerPixel(2000000000, 1), kMaxSamplesPerPixel);
}

TEST(ViewGeometry, FittingSpreadsTheSoundOverTheView) {
    ViewGeometry g = Fitted(100000, 500, 256);
    EXPECT_TRUE(g.fitToWindow);
    EXPECT_FALSE(g.scroll.enabled);
    EXPECT_EQ(g.ZoomReadout(), 200);
    EXPECT_DOUBLE_EQ(g.SamplesPerColumn(), 200.0);
    const ColumnSpan visible = g.VisibleColumns();
    EXPECT_EQ(visible.first, 0);
    EXPECT_EQ(visible.count, 500);
    EXPECT_EQ(g.VisibleSampleRange(3).start, 600);
    EXPECT_EQ(g.VisibleSampleRange(3).end, 800);
}

TEST(ViewGeometry, NarrowFromFittingCentresOnTheMiddleSample) {
    ViewGeometry g = Fitted(100000, 500, 256);
    const GeometryUpdate u = g.Update(GeometryChange::NarrowTime, 0, 0);
    EXPECT_TRUE(u.fitChanged);
    EXPECT_FALSE(g.fitToWindow);
    EXPECT_EQ(g.samplesPerPixel, 128);
    EXPECT_EQ(g.SoundColumns(), 782);
    EXPECT_TRUE(g.scroll.enabled);
    EXPECT_EQ(g.scroll.position, 140);  // 50000 / 128 - 250
    EXPECT_EQ(g.scroll.maximum, 781);
    EXPECT_EQ(g.scroll.pageSize, 500);
    EXPECT_EQ(g.scroll.largeChange, 437);
    ASSERT_TRUE(u.zoomReadout.has_value());
    EXPECT_EQ(*u.zoomReadout, 128);
}

TEST(ViewGeometry, WidenCentresOnTheSelectionAndClampsAtTheStart) {
    ViewGeometry g = Fitted(100000, 500, 64);
    g.Update(GeometryChange::WidenTime, 10000, 20000);
    EXPECT_EQ(g.samplesPerPixel, 128);
    EXPECT_EQ(g.scroll.position, 0);  // 15000 / 128 - 250 = -133, clamped
}

TEST(ViewGeometry, ZoomAndAmplitudeStayWithinTheirBounds) {
    ViewGeometry g = Fitted(100000000, 500, kMaxSamplesPerPixel);
    g.Update(GeometryChange::WidenTime, 0, 0);
    EXPECT_EQ(g.samplesPerPixel, kMaxSamplesPerPixel);
    g.samplesPerPixel = 1;
    g.Update(GeometryChange::NarrowTime, 0, 0);
    EXPECT_EQ(g.samplesPerPixel, 1);

    for (int i = 0; i < 8; ++i)
        g.Update(GeometryChange::EnlargeAmplitude, 0, 0);
    EXPECT_EQ(g.amplitudeScale, 256);
    const GeometryUpdate atBound = g.Update(GeometryChange::EnlargeAmplitude, 0, 0);
    EXPECT_EQ(g.amplitudeScale, 256);
    EXPECT_FALSE(atBound.amplitudeReadout.has_value());
    g.amplitudeScale = 1;
    g.Update(GeometryChange::ShrinkAmplitude, 0, 0);
    EXPECT_EQ(g.amplitudeScale, 1);
}

TEST(ViewGeometry, ShortSoundIsNeverFitted) {
    ViewGeometry g = Fitted(300, 512, 2);
    EXPECT_FALSE(g.fitToWindow);
    EXPECT_EQ(g.ZoomReadout(), 2);
    EXPECT_FALSE(g.scroll.enabled);
    EXPECT_EQ(g.VisibleColumns().count, 150);
}

TEST(ViewGeometry, ScrollPositionStopsOneShortOfThePlatformMaximum) {
    ViewGeometry g = Fitted(100000, 500, 256);
    g.Update(GeometryChange::NarrowTime, 0, 0);
    const int columns = g.SoundColumns();
    EXPECT_EQ(g.ClampScrollPosition(1000000), columns - 500 - 1);
    EXPECT_EQ(g.ClampScrollPosition(-5), 0);
    g.scroll.position = g.ClampScrollPosition(1000000);
    const ColumnSpan visible = g.VisibleColumns();
    // The last column of the sound is just outside the view.
    EXPECT_EQ(visible.first + visible.count, columns - 1);
}

TEST(ViewGeometry, SampleToPixelInsideAndOutsideTheView) {
    ViewGeometry g = Fitted(100000, 500, 256);
    g.Update(GeometryChange::NarrowTime, 0, 0);
    const SampleSpan window = g.WindowSampleRange();
    EXPECT_EQ(window.start, 140 * 128);
    EXPECT_EQ(window.end, (500 + 140) * 128);
    EXPECT_EQ(g.SampleToPixel(window.start), 0);
    EXPECT_EQ(g.SampleToPixel(window.start - 1), -1);
    EXPECT_EQ(g.SampleToPixel(window.end), -1);
    EXPECT_EQ(g.SampleToPixel(window.start + 128 * 7 + 5), 7);
}

TEST(ViewGeometry, VisibleSampleRangeWhenFittingThousandIntoFourHundred) {
    ViewGeometry g = Fitted(1000, 400, 4);
    ASSERT_TRUE(g.fitToWindow);
    EXPECT_EQ(g.VisibleSampleRange(0).start, 0);
    EXPECT_EQ(g.VisibleSampleRange(0).end, 2);
    EXPECT_EQ(g.VisibleSampleRange(1).start, 2);
    EXPECT_EQ(g.VisibleSampleRange(1).end, 5);
    EXPECT_EQ(g.VisibleSampleRange(399).start, 997);
    EXPECT_EQ(g.VisibleSampleRange(399).end, 1000);
    // Columns past the sound clamp to it.
    EXPECT_EQ(g.VisibleSampleRange(1000).start, 999);
    EXPECT_EQ(g.VisibleSampleRange(1000).end, 1000);
}

TEST(ViewGeometry, ResizeKeepsThePositionAsFarAsTheWidthAllows) {
    ViewGeometry g = Fitted(100000, 500, 256);
    g.Update(GeometryChange::NarrowTime, 0, 0);
    g.scroll.position = 200;
    g.viewWidth = 600;
    g.Update(GeometryChange::Resize, 0, 0);
    EXPECT_EQ(g.scroll.position, 181);  // 782 - 600 - 1
    g.viewWidth = 300;
    g.Update(GeometryChange::Resize, 0, 0);
    EXPECT_EQ(g.scroll.position, 181);
    g.viewWidth = 900;  // the whole sound fits now
    g.Update(GeometryChange::Resize, 0, 0);
    EXPECT_FALSE(g.scroll.enabled);
    EXPECT_EQ(g.ScrollPosition(), 0);
    EXPECT_EQ(g.VisibleColumns().count, 782);
}

TEST(ViewGeometry, EmptyOrUnlaidOutViewsAreSafe) {
    ViewGeometry g = Fitted(0, 0, 2);
    EXPECT_EQ(g.ZoomReadout(), 0);
    EXPECT_EQ(g.VisibleColumns().count, 0);
    EXPECT_EQ(g.VisibleSampleRange(0).start, 0);
    EXPECT_EQ(g.VisibleSampleRange(0).end, 0);
    EXPECT_EQ(g.SampleToPixel(0), -1);
    ViewGeometry zeroWidth = Fitted(5000, 0, 8);
    EXPECT_EQ(zeroWidth.VisibleColumns().count, 0);
    EXPECT_EQ(zeroWidth.ZoomReadout(), 5000);
}

}  // namespace
}  // namespace tonalyx

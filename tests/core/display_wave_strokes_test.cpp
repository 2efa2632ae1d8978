#include "display/WaveStrokes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace tonalyx {
namespace {

ViewGeometry FittedView(int sampleCount, int width) {
    ViewGeometry g;
    g.sampleCount = sampleCount;
    g.viewWidth = width;
    g.Reset();
    g.samplesPerPixel = InitialSamplesPerPixel(sampleCount, width);
    g.Update(GeometryChange::Refresh, 0, 0);
    return g;
}

std::vector<WaveStroke> Strokes(const std::vector<int16_t>& samples, const ViewGeometry& g,
                                int height, int selectionStart = 0, int selectionEnd = 0) {
    std::vector<WaveStroke> strokes;
    ComputeWaveStrokes({samples.data(), &g, height, selectionStart, selectionEnd}, strokes);
    return strokes;
}

TEST(ScanSampleExtent, StartsAtZeroAndMatchesADirectScan) {
    EXPECT_EQ(ScanSampleExtent(nullptr, 0, 0).minimum, 0);
    const std::vector<int16_t> positive{3, 9, 4};
    EXPECT_EQ(ScanSampleExtent(positive.data(), 0, 3).minimum, 0);
    EXPECT_EQ(ScanSampleExtent(positive.data(), 0, 3).maximum, 9);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<int16_t> noise(10007);
    for (auto& v : noise)
        v = static_cast<int16_t>(value(random));
    for (int start : {0, 1, 17, 5000}) {
        for (int end : {start, start + 1, start + 33, 10007}) {
            if (end < start) continue;
            int low = 0, high = 0;
            for (int i = start; i < end; ++i) {
                low = std::min<int>(low, noise[i]);
                high = std::max<int>(high, noise[i]);
            }
            const SampleExtent extent = ScanSampleExtent(noise.data(), start, end);
            EXPECT_EQ(extent.minimum, low);
            EXPECT_EQ(extent.maximum, high);
        }
    }
}

TEST(WaveStrokes, SilenceDrawsOnePixelOnTheZeroLine) {
    const std::vector<int16_t> silence(1000, 0);
    const ViewGeometry g = FittedView(1000, 100);
    const auto strokes = Strokes(silence, g, 128);
    ASSERT_EQ(strokes.size(), 100u);
    for (const WaveStroke& s : strokes) {
        EXPECT_EQ(s.firstRow, 63);
        EXPECT_EQ(s.endRow, 64);
        EXPECT_FALSE(s.inverted);
    }
}

TEST(WaveStrokes, FullScaleIsClippedToTheViewWhenMagnified) {
    std::vector<int16_t> samples(1000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = (i % 2) ? 32767 : -32768;
    ViewGeometry g = FittedView(1000, 100);
    for (int a : {1, 2, 256}) {
        g.amplitudeScale = a;
        for (const WaveStroke& s : Strokes(samples, g, 128)) {
            EXPECT_EQ(s.firstRow, 0);  // 32767 / 512 = 63 rows above the zero line at row 63
            EXPECT_EQ(s.endRow, 128);
        }
    }
    // Half scale reaches half way at magnification 1 and the edge at 2.
    std::vector<int16_t> half(1000);
    for (size_t i = 0; i < half.size(); ++i)
        half[i] = (i % 2) ? 16384 : -16384;
    g.amplitudeScale = 1;
    EXPECT_EQ(Strokes(half, g, 128)[0].firstRow, 63 - 32);
    EXPECT_EQ(Strokes(half, g, 128)[0].endRow, 63 + 32 + 1);
    g.amplitudeScale = 2;
    EXPECT_EQ(Strokes(half, g, 128)[0].firstRow, 0);
    EXPECT_EQ(Strokes(half, g, 128)[0].endRow, 128);
    // An odd height puts the zero line in the middle row.
    g.amplitudeScale = 4;
    for (const WaveStroke& s : Strokes(samples, g, 7)) {
        EXPECT_EQ(s.firstRow, 0);
        EXPECT_EQ(s.endRow, 7);
    }
}

TEST(WaveStrokes, SelectionInvertsEveryColumnItTouches) {
    std::vector<int16_t> samples(1000, 1000);
    const ViewGeometry g = FittedView(1000, 100);  // ten samples per column
    const auto strokes = Strokes(samples, g, 128, 25, 41);
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(strokes[x].inverted, x >= 2 && x <= 4) << x;
    }
    // An empty selection shows no band.
    for (const WaveStroke& s : Strokes(samples, g, 128, 30, 30))
        EXPECT_FALSE(s.inverted);
}

TEST(WaveStrokes, ScrolledViewStartsAtTheScrollPosition) {
    std::vector<int16_t> samples(100000, 0);
    samples[140 * 128 + 3] = 16384;
    ViewGeometry g = FittedView(100000, 500);
    g.Update(GeometryChange::NarrowTime, 0, 0);  // s = 128, position 140
    ASSERT_EQ(g.scroll.position, 140);
    const auto strokes = Strokes(samples, g, 128);
    ASSERT_EQ(strokes.size(), 500u);
    EXPECT_EQ(strokes[0].firstRow, 63 - 16384 / 512);
    EXPECT_EQ(strokes[1].firstRow, 63);
}

TEST(WaveStrokes, DegenerateViewsDrawNothing) {
    const std::vector<int16_t> samples(10, 5);
    const ViewGeometry g = FittedView(10, 100);
    EXPECT_TRUE(Strokes(samples, g, 0).empty());
    std::vector<WaveStroke> strokes{{1, 2, false}};
    ComputeWaveStrokes({nullptr, &g, 128, 0, 0}, strokes);
    EXPECT_TRUE(strokes.empty());
}

}  // namespace
}  // namespace tonalyx

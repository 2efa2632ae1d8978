// The level image: pitch marks, row order, growth, and rendering after a pitch computation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/Spectrogram.h"

namespace tonalyx {
namespace {

SoundData Noise(int count) {
    SoundData sound;
    std::uint32_t state = 12345;
    for (int i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        sound.samples.push_back(static_cast<std::int16_t>((state >> 16) - 32768));
    }
    sound.sampleCount = count;
    sound.format.sampleRate = 10000;
    return sound;
}

ViewGeometry Fitted(int sampleCount, int width) {
    ViewGeometry geometry;
    geometry.sampleCount = sampleCount;
    geometry.viewWidth = width;
    return geometry;
}

// 100 rows of 10 Hz from 100 Hz.
DisplaySettings PitchRows() {
    DisplaySettings display;
    display.minFreq = 100.0;
    display.maxFreq = 1100.0;
    display.imageHeight = 100;
    return display;
}

int Pixel(const LevelImage& image, int rows, int column, int row) {
    return image.pixels[static_cast<std::size_t>(rows - 1 - row) * image.width + column];
}

TEST(PitchMarkRow, RoundsDownAndDropsRowsOutsideTheImage) {
    const ScaleMap rows = ScaleMap::Affine(10.0, 100.0);
    EXPECT_EQ(PitchMarkRow(rows, 105.0, 100), 0);
    EXPECT_EQ(PitchMarkRow(rows, 119.9, 100), 1);
    EXPECT_EQ(PitchMarkRow(rows, 97.0, 100), -1);  // row -0.3: below the image, not row 0
    EXPECT_EQ(PitchMarkRow(rows, 1099.0, 100), 99);
    EXPECT_EQ(PitchMarkRow(rows, 1100.0, 100), -1);
    EXPECT_EQ(PitchMarkRow(rows, 0.0, 100), -1);
    EXPECT_EQ(PitchMarkRow(rows, NAN, 100), -1);
    EXPECT_EQ(PitchMarkRow(rows, -5000.0, 100), -1);
}

TEST(RenderLevelImage, PitchAloneDrawsOnlyTheMarks) {
    // 1000 samples over 10 columns of 100 samples; with a hop of 50 column i shows entry
    // (100 i + 50) / 50 = 2 i + 1.
    const SoundData sound = Noise(1000);
    const ViewGeometry geometry = Fitted(1000, 10);
    std::vector<double> track(20, 0.0);
    const double pitches[10] = {105.0, 97.0,  0.0,   1099.0, 1100.0,
                                250.0, 555.0, 150.0, 99.99,  300.0};
    for (int i = 0; i < 10; ++i)
        track[2 * i + 1] = pitches[i];
    track[0] = 500.0;  // never looked up
    const PitchOverlay overlay{track.data(), 20, 50};

    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, PitchAnalysis, AnalysisSettings{});
    LevelImage image;
    std::vector<double> levels;
    RenderLevelImage(engine, PitchAnalysis, PitchRows(), geometry, &overlay, image, levels);
    ASSERT_EQ(image.width, 10);
    ASSERT_EQ(image.height, 100);
    const int expectedRow[10] = {0, -1, -1, 99, -1, 15, 45, 5, -1, 20};
    for (int c = 0; c < 10; ++c) {
        for (int row = 0; row < 100; ++row) {
            const int want = row == expectedRow[c] ? 255 : 0;
            ASSERT_EQ(Pixel(image, 100, c, row), want) << "column " << c << " row " << row;
        }
    }
}

TEST(RenderLevelImage, TrackEntriesPastTheEndAndAMissingTrackDrawNothing) {
    const SoundData sound = Noise(1000);
    const ViewGeometry geometry = Fitted(1000, 10);
    const std::vector<double> track = {200.0, 200.0};  // covers samples 0..199 with hop 100
    const PitchOverlay overlay{track.data(), 2, 100};
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, PitchAnalysis, AnalysisSettings{});
    LevelImage image;
    std::vector<double> levels;
    RenderLevelImage(engine, PitchAnalysis, PitchRows(), geometry, &overlay, image, levels);
    int marks = 0;
    for (std::uint8_t p : image.pixels)
        marks += p == 255;
    EXPECT_EQ(marks, 2);  // columns 0 and 1 (centres 50 and 150)
    EXPECT_EQ(Pixel(image, 100, 0, 10), 255);
    EXPECT_EQ(Pixel(image, 100, 1, 10), 255);

    RenderLevelImage(engine, PitchAnalysis, PitchRows(), geometry, nullptr, image, levels);
    EXPECT_TRUE(std::all_of(image.pixels.begin(), image.pixels.end(),
                            [](std::uint8_t p) { return p == 0; }));
}

TEST(RenderLevelImage, TheImageOnlyGrows) {
    const SoundData sound = Noise(4000);
    SpectrogramEngine engine;
    LevelImage image;
    std::vector<double> levels;
    ComputeSpectrogramColumns(engine, sound, Fitted(4000, 30), FftAnalysis, AnalysisSettings{});
    DisplaySettings display;
    display.imageHeight = 64;
    RenderLevelImage(engine, FftAnalysis, display, Fitted(4000, 30), nullptr, image, levels);
    EXPECT_EQ(image.width, 30);
    EXPECT_EQ(image.height, 64);
    EXPECT_GE(levels.size(), 64u);

    ComputeSpectrogramColumns(engine, sound, Fitted(4000, 20), FftAnalysis, AnalysisSettings{});
    display.imageHeight = 8;  // raised to 16
    RenderLevelImage(engine, FftAnalysis, display, Fitted(4000, 20), nullptr, image, levels);
    EXPECT_EQ(engine.ImageHeight(), 16);
    EXPECT_EQ(image.width, 30);
    EXPECT_EQ(image.height, 64);
    EXPECT_GE(image.pixels.size(), 30u * 64u);
}

TEST(RenderLevelImage, APitchComputationLeavesTheShownColumnsIntact) {
    // An FFT of 40 columns, then the pitch track of a wider view (the window grew): the FFT
    // image re-rendered afterwards still has its 40 columns and its levels.
    const SoundData sound = Noise(8000);
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, Fitted(8000, 40), FftAnalysis, AnalysisSettings{});
    DisplaySettings display;
    display.minDb = -60.0;
    display.maxDb = 0.0;
    LevelImage before, after;
    std::vector<double> levels;
    RenderLevelImage(engine, FftAnalysis, display, Fitted(8000, 40), nullptr, before, levels);

    ComputeSpectrogramColumns(engine, sound, Fitted(8000, 400), PitchAnalysis, AnalysisSettings{});
    EXPECT_EQ(engine.ColumnCount(), 400);
    RenderLevelImage(engine, FftAnalysis, display, Fitted(8000, 400), nullptr, after, levels);
    EXPECT_EQ(engine.ColumnCount(), 40);
    ASSERT_EQ(after.width, 40);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_TRUE(std::any_of(after.pixels.begin(), after.pixels.end(),
                            [](std::uint8_t p) { return p > 0; }));
}

TEST(RenderLevelColumn, ZerosBeforeAnyAnalysisOrDisplaySetUp) {
    SpectrogramEngine engine;
    std::vector<double> levels(256, -1.0);
    engine.RenderLevelColumn(levels.data(), 0, 1, 256.0, false);
    EXPECT_TRUE(std::all_of(levels.begin(), levels.end(), [](double v) { return v == 0.0; }));

    engine.SetSource(5, 8000.0);
    engine.SetupKind(FftAnalysis, AnalysisSettings{});
    std::fill(levels.begin(), levels.end(), -1.0);
    engine.RenderLevelColumn(levels.data(), 0, 1, 256.0, false);  // no display set-up yet
    EXPECT_TRUE(std::all_of(levels.begin(), levels.end(), [](double v) { return v == 0.0; }));
}

}  // namespace
}  // namespace tonalyx

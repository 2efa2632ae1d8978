// Auto-correlation, cepstrum and liftering spectrograms on known signals.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/Spectrogram.h"
#include "dsp/Window.h"

namespace tonalyx {
namespace {

constexpr double kRate = 8000.0;
constexpr int kPeriod = 40;  // 200 Hz

SoundData MakeSound(const std::vector<std::int16_t>& samples) {
    SoundData sound;
    sound.samples = samples;
    sound.sampleCount = static_cast<std::int32_t>(samples.size());
    sound.format.sampleRate = static_cast<std::uint32_t>(kRate);
    return sound;
}

// A voice-like tone: harmonics of 200 Hz falling off with their number.
SoundData Harmonics(int count) {
    std::vector<std::int16_t> samples(count);
    for (int i = 0; i < count; ++i) {
        double v = 0.0;
        for (int h = 1; h <= 15; ++h)
            v += std::sin(2 * M_PI * h * i / kPeriod + 0.3 * h) / h;
        samples[i] = static_cast<std::int16_t>(std::lround(6000.0 * v));
    }
    return MakeSound(samples);
}

ViewGeometry Fitted(int sampleCount, int width) {
    ViewGeometry geometry;
    geometry.sampleCount = sampleCount;
    geometry.viewWidth = width;
    return geometry;
}

std::vector<double> Levels(SpectrogramEngine& engine, int column, bool unclamped = true) {
    std::vector<double> levels(engine.ImageHeight());
    engine.RenderLevelColumn(levels.data(), column, column + 1, 256.0, unclamped);
    return levels;
}

int ArgMax(const std::vector<double>& v, int first, int end) {
    return static_cast<int>(std::max_element(v.begin() + first, v.begin() + end) - v.begin());
}

TEST(AutoCorrelationSpectrogram, APeriodicSignalPeaksAtItsPeriod) {
    const SoundData sound = Harmonics(8000);
    const ViewGeometry geometry = Fitted(8000, 20);
    AnalysisSettings settings;
    settings.acSizeLog2 = 10;
    settings.acCoefficient = true;
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, AutoCorrelationAnalysis, settings);
    ASSERT_EQ(engine.BinCount(), 1024);
    const int middle = 10;
    const double* column = engine.Data().data() + static_cast<std::size_t>(middle) * 1024;
    EXPECT_DOUBLE_EQ(column[0], 1.0);
    EXPECT_EQ(std::max_element(column + 20, column + 60) - column, kPeriod);

    // Lag view: one sample per row, so the peak is on row 40; lag 0 = 1 is exactly the max
    // threshold and gives 255.
    DisplaySettings display;
    display.showAsFrequency = false;
    display.minTime = 0.0;
    display.maxTime = 160.0 / kRate;
    display.imageHeight = 160;
    display.interpolate = false;
    display.minPercent = 0.0;
    display.maxPercent = 1.0;
    engine.SetupDisplay(AutoCorrelationAnalysis, display);
    std::vector<double> levels = Levels(engine, middle);
    EXPECT_EQ(ArgMax(levels, 20, 60), kPeriod);
    LevelImage image;
    std::vector<double> levelColumn;
    RenderLevelImage(engine, AutoCorrelationAnalysis, display, geometry, nullptr, image,
                     levelColumn);
    EXPECT_EQ(image.pixels[static_cast<std::size_t>(159) * image.width + middle], 255);

    // Frequency view: 5 Hz per row, so 200 Hz is row 40.
    display.showAsFrequency = true;
    display.minFreq = 0.0;
    display.maxFreq = 1000.0;
    display.imageHeight = 200;
    engine.SetupDisplay(AutoCorrelationAnalysis, display);
    levels = Levels(engine, middle);
    EXPECT_EQ(ArgMax(levels, 27, 80), 40);
}

TEST(AutoCorrelationSpectrogram, RowsBeyondTheLongestLagStayAtLevelZero) {
    const SoundData sound = Harmonics(4000);
    const ViewGeometry geometry = Fitted(4000, 10);
    AnalysisSettings settings;
    settings.acSizeLog2 = 10;
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, AutoCorrelationAnalysis, settings);
    DisplaySettings display;
    display.minFreq = 0.0;
    display.maxFreq = 1000.0;
    display.imageHeight = 200;
    display.minPercent = -10.0;  // every value that has a row lies above it
    display.maxPercent = 10.0;
    engine.SetupDisplay(AutoCorrelationAnalysis, display);
    // Frequencies below 8000 / 1024 = 7.8 Hz, rows 0 and 1, would need lags beyond the column:
    // level 0 in the image whatever the thresholds.
    for (int c = 0; c < 10; ++c) {
        const std::vector<double> levels = Levels(engine, c, false);
        EXPECT_EQ(levels[0], 0.0);
        EXPECT_EQ(levels[1], 0.0);
        for (int row = 2; row < 200; ++row)
            ASSERT_GT(levels[row], 0.0) << row;
    }
    // The power-spectrum window's unclamped plot maps those rows as the value 0.
    const std::vector<double> plot = Levels(engine, 3, true);
    EXPECT_DOUBLE_EQ(plot[0], 128.0 * 0.9999999999);
}

TEST(AutoCorrelationSpectrogram, ValuesAreRelativeToTheFullScaleSquare) {
    const SoundData sound = MakeSound(std::vector<std::int16_t>(3000, 16384));
    AnalysisSettings settings;
    settings.acSizeLog2 = 6;
    settings.acType = 1;  // zero extra data: lag 0 is the mean square
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, Fitted(3000, 10), AutoCorrelationAnalysis, settings);
    const double* column = engine.Data().data() + 5 * 64;
    EXPECT_NEAR(column[0], 0.25, 1e-12);    // 16384^2 / 32768^2
    EXPECT_NEAR(column[32], 0.125, 1e-12);  // half the products overlap

    const SoundData silence = MakeSound(std::vector<std::int16_t>(3000, 0));
    for (bool coefficient : {false, true}) {
        settings.acCoefficient = coefficient;
        ComputeSpectrogramColumns(engine, silence, Fitted(3000, 10), AutoCorrelationAnalysis,
                                  settings);
        for (int i = 0; i < 10 * 64; ++i)
            ASSERT_EQ(engine.Data()[i], 0.0);
    }
}

TEST(CepstrumSpectrogram, ARichToneShowsItsPeriodInFrequencyView) {
    const SoundData sound = Harmonics(8000);
    const ViewGeometry geometry = Fitted(8000, 20);
    AnalysisSettings settings;
    settings.cepSizeLog2 = 10;
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, CepstrumAnalysis, settings);
    ASSERT_EQ(engine.BinCount(), 1024);
    const double* column = engine.Data().data() + static_cast<std::size_t>(10) * 1024;
    EXPECT_EQ(std::max_element(column + 20, column + 100) - column, kPeriod);
    EXPECT_NEAR(column[kPeriod], column[1024 - kPeriod], 1e-9);  // the whole, symmetric cepstrum

    DisplaySettings display;
    display.minFreq = 0.0;
    display.maxFreq = 1000.0;
    display.imageHeight = 200;
    display.interpolate = false;
    engine.SetupDisplay(CepstrumAnalysis, display);
    EXPECT_FALSE(engine.LagAxis());
    const std::vector<double> levels = Levels(engine, 10);
    EXPECT_EQ(ArgMax(levels, 27, 80), 40);
}

TEST(LifteringSpectrogram, DefaultThresholdsLeaveTheImageBlank) {
    const SoundData sound = Harmonics(8000);
    const ViewGeometry geometry = Fitted(8000, 25);
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, LifteringAnalysis, AnalysisSettings{});
    EXPECT_EQ(engine.BinCount(), 257);
    LevelImage image;
    std::vector<double> levels;
    DisplaySettings display;
    display.smoothing = true;
    display.smoothingWidth = 2;
    RenderLevelImage(engine, LifteringAnalysis, display, geometry, nullptr, image, levels);
    EXPECT_TRUE(std::all_of(image.pixels.begin(), image.pixels.end(),
                            [](std::uint8_t p) { return p == 0; }));

    // The liftered values are log10 units: a few units for a loud tone.
    const double* column = engine.Data().data() + static_cast<std::size_t>(12) * 257;
    const double loudest = *std::max_element(column, column + 257);
    EXPECT_GT(loudest, 3.0);
    EXPECT_LT(loudest, 20.0);
}

TEST(LifteringSpectrogram, BackgroundIsTheFftSpectrumOfTheSameFrames) {
    const SoundData sound = Harmonics(8000);
    const ViewGeometry geometry = Fitted(8000, 25);
    AnalysisSettings settings;
    settings.lifSizeLog2 = 9;
    settings.lifWindow = Hamming;
    settings.fftSizeLog2 = 9;
    settings.fftWindow = Hamming;
    DisplaySettings display;
    display.maxFreq = 4000.0;
    display.imageHeight = 300;
    display.smoothing = true;
    display.smoothingWidth = 3;

    SpectrogramEngine lifter, fft;
    ComputeSpectrogramColumns(lifter, sound, geometry, LifteringAnalysis, settings);
    ComputeSpectrogramColumns(fft, sound, geometry, FftAnalysis, settings);
    lifter.SetupDisplay(LifteringAnalysis, display);
    fft.SetupDisplay(FftAnalysis, display);
    std::vector<double> background(300), spectrum(300);
    lifter.RenderLifterBackground(background.data(), 4, 9, 128.0, false);
    fft.RenderLevelColumn(spectrum.data(), 4, 9, 128.0, false);
    EXPECT_EQ(background, spectrum);
    EXPECT_GT(*std::max_element(background.begin(), background.end()), 50.0);

    fft.RenderLifterBackground(background.data(), 4, 9, 128.0, false);
    EXPECT_TRUE(
        std::all_of(background.begin(), background.end(), [](double v) { return v == 0.0; }));
}

}  // namespace
}  // namespace tonalyx

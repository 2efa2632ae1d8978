// The MEM spectrogram: decimation factors, set-up, evaluation on the image rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/MemKind.h"
#include "analysis/Spectrogram.h"
#include "dsp/Burg.h"
#include "dsp/MemSpectrum.h"

namespace tonalyx {
namespace {

SoundData ToneWithNoise(int count, double rate, double hz) {
    SoundData sound;
    std::uint32_t state = 99;
    for (int i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = ((state >> 8) & 0xFFFF) / 65536.0 - 0.5;
        sound.samples.push_back(static_cast<std::int16_t>(
            std::lround(12000.0 * std::sin(2 * M_PI * hz * i / rate) + 200.0 * noise)));
    }
    sound.sampleCount = count;
    sound.format.sampleRate = static_cast<std::uint32_t>(rate);
    return sound;
}

ViewGeometry Fitted(int sampleCount, int width) {
    ViewGeometry geometry;
    geometry.sampleCount = sampleCount;
    geometry.viewWidth = width;
    return geometry;
}

TEST(MemDecimation, WorkedFactors) {
    EXPECT_EQ(MemDecimation(44100.0, -1.0), 4);     // 11025 Hz
    EXPECT_EQ(MemDecimation(44100.0, 16000.0), 3);  // 44100, 22050, 14700, 11025: 14700
    EXPECT_EQ(MemDecimation(16000.0, -1.0), 2);
    EXPECT_EQ(MemDecimation(15999.0, -1.0), 1);
    EXPECT_EQ(MemDecimation(44100.0, 0.0), 1);
    EXPECT_EQ(MemDecimation(44100.0, 8000.0), 6);  // 7350 beats 8820 by 2 Hz
    EXPECT_EQ(MemDecimation(48000.0, 12000.0), 4);
    EXPECT_EQ(MemDecimation(8000.0, 16000.0), 1);  // never upsampled
    EXPECT_EQ(MemDecimation(44100.0, -7.0), 1);
    EXPECT_EQ(MemDecimation(NAN, 16000.0), 1);
}

TEST(MemSpectrogram, SetupAt44100WithTheDefaults) {
    SpectrogramEngine engine;
    engine.SetSource(30, 44100.0);
    engine.SetupKind(MemAnalysis, AnalysisSettings{});  // "16kHz", 20 poles, size 512
    EXPECT_EQ(engine.Decimation(), 3);
    EXPECT_DOUBLE_EQ(engine.SampleRate(), 14700.0);
    EXPECT_EQ(engine.Analysis().memSize, 170);
    EXPECT_EQ(engine.FrameLength(), 510);
    EXPECT_EQ(engine.MemStride(), 21);
    EXPECT_EQ(engine.BinCount(), 0);
    EXPECT_GE(engine.MemCoefficients().size(), 21u * 30u);

    AnalysisSettings small;
    small.memSize = 40;  // 13 samples after decimation: raised to the 20 poles
    engine.SetupKind(MemAnalysis, small);
    EXPECT_EQ(engine.Analysis().memSize, 20);
    EXPECT_EQ(engine.FrameLength(), 60);
}

TEST(MemSpectrogram, ASineIsBrightestOnItsRowAndNothingShowsAboveNyquist) {
    const SoundData sound = ToneWithNoise(16000, 16000.0, 1000.0);
    const ViewGeometry geometry = Fitted(16000, 30);
    AnalysisSettings settings;
    settings.memResampleRate = -1.0;  // 8000 Hz
    settings.memPoles = 12;
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, MemAnalysis, settings);
    ASSERT_EQ(engine.Decimation(), 2);

    DisplaySettings display;
    display.minFreq = 0.0;
    display.maxFreq = 8000.0;  // rows above 100 lie beyond the decimated Nyquist frequency
    display.imageHeight = 200;
    display.minDb = -1000.0;
    display.maxDb = 0.0;
    LevelImage image;
    std::vector<double> levels;
    RenderLevelImage(engine, MemAnalysis, display, geometry, nullptr, image, levels);
    for (int c = 2; c < 28; ++c) {
        std::vector<double> column(200);
        engine.RenderLevelColumn(column.data(), c, c + 1, 256.0, false);
        EXPECT_EQ(std::max_element(column.begin(), column.end()) - column.begin(), 25) << c;
        for (int row = 0; row <= 100; ++row)
            ASSERT_GT(column[row], 0.0) << row;
        for (int row = 101; row < 200; ++row)
            ASSERT_EQ(column[row], 0.0) << row;
        EXPECT_EQ(image.pixels[static_cast<std::size_t>(199 - 150) * image.width + c], 0);
    }
}

TEST(MemSpectrogram, DisplayChangesReevaluateTheStoredCoefficients) {
    const SoundData sound = ToneWithNoise(20000, 44100.0, 3000.0);
    const ViewGeometry geometry = Fitted(20000, 12);
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, MemAnalysis, AnalysisSettings{});
    DisplaySettings display;
    display.maxFreq = 5000.0;
    display.imageHeight = 64;
    engine.SetupDisplay(MemAnalysis, display);
    const std::vector<double> coefficients(engine.MemCoefficients().begin(),
                                           engine.MemCoefficients().begin() + 12 * 21);

    display.imageHeight = 300;
    display.logScale = true;
    display.minFreq = 50.0;
    display.maxFreq = 7000.0;
    engine.SetupDisplay(MemAnalysis, display);
    ASSERT_EQ(engine.BinCount(), 300);
    EXPECT_TRUE(
        std::equal(coefficients.begin(), coefficients.end(), engine.MemCoefficients().begin()));
    for (int c = 0; c < 12; ++c) {
        const double* set = coefficients.data() + c * 21;
        for (int row = 0; row < 300; ++row) {
            const double f = Map(engine.RowScale(), row);
            const double expected = MemPowerAt(f, 20, set, set[0]);
            ASSERT_NEAR(engine.Data()[static_cast<std::size_t>(c) * 300 + row], expected,
                        1e-9 * expected)
                << c << " " << row;
        }
    }
    // The coefficients are Burg's for the decimated frame of each column.
    std::vector<double> frame(510), a(21);
    const SampleSpan span = geometry.VisibleSampleRange(6);
    FillFrame(sound, CentredFrameStart(span.start, span.end, 510), 510, frame.data());
    for (int i = 0; i < 170; ++i)
        frame[i] = (frame[3 * i] + frame[3 * i + 1] + frame[3 * i + 2]) / 3;
    double p0 = 0.0;
    BurgCoefficients(170, frame.data(), 20, a.data(), p0);
    EXPECT_DOUBLE_EQ(coefficients[6 * 21], p0);
    for (int k = 1; k <= 20; ++k)
        EXPECT_DOUBLE_EQ(coefficients[6 * 21 + k], a[k]) << k;
}

TEST(MemSpectrogram, APitchRunInBetweenKeepsTheDecimatedRate) {
    const SoundData sound = ToneWithNoise(16000, 16000.0, 1000.0);
    SpectrogramEngine engine;
    AnalysisSettings settings;
    settings.memResampleRate = -1.0;
    ComputeSpectrogramColumns(engine, sound, Fitted(16000, 20), MemAnalysis, settings);
    DisplaySettings display;
    display.imageHeight = 100;
    display.maxFreq = 4000.0;
    engine.SetupDisplay(MemAnalysis, display);
    const std::vector<double> before(engine.Data().begin(), engine.Data().begin() + 20 * 100);

    ComputeSpectrogramColumns(engine, sound, Fitted(16000, 50), PitchAnalysis, settings);
    EXPECT_EQ(engine.SampleRate(), 16000.0);
    engine.SetupDisplay(MemAnalysis, display);
    EXPECT_EQ(engine.SampleRate(), 8000.0);
    EXPECT_EQ(engine.ColumnCount(), 20);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), engine.Data().begin()));
}

}  // namespace
}  // namespace tonalyx

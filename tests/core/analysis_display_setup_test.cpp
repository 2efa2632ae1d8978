// Display set-up: the row maps of every kind, the row range, the lookup mode and dbOffset.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/Spectrogram.h"

namespace tonalyx {
namespace {

constexpr double kRate = 8000.0;

SpectrogramEngine& SetUpKind(SpectrogramEngine& engine, int kind, AnalysisSettings settings = {}) {
    engine.SetSource(10, kRate);
    engine.SetupKind(kind, settings);
    return engine;
}

DisplaySettings Display(double minFreq, double maxFreq, int height) {
    DisplaySettings display;
    display.minFreq = minFreq;
    display.maxFreq = maxFreq;
    display.imageHeight = height;
    return display;
}

TEST(SetupDisplay, FftRowsAreFractionalBins) {
    SpectrogramEngine engine;
    SetUpKind(engine, FftAnalysis);  // N = 2048
    const double binPerHz = 2048.0 / kRate;

    engine.SetupDisplay(FftAnalysis, Display(0.0, 1000.0, 256));
    EXPECT_EQ(engine.RowScale().kind, ScaleKind::Linear);
    EXPECT_DOUBLE_EQ(Map(engine.RowScale(), 100.0), 100.0 * 1000.0 / 256.0 * binPerHz);
    EXPECT_EQ(engine.PitchScale(), ScaleMap::Linear(1000.0 / 256.0));
    EXPECT_FALSE(engine.LagAxis());
    EXPECT_EQ(engine.State().resampler.Mode(), LookupMode::Linear);
    EXPECT_EQ(engine.State().resampler.FirstRow(), 0);
    EXPECT_EQ(engine.State().resampler.LastRow(), 256);

    engine.SetupDisplay(FftAnalysis, Display(200.0, 1000.0, 100));
    EXPECT_EQ(engine.RowScale().kind, ScaleKind::Affine);
    EXPECT_DOUBLE_EQ(Map(engine.RowScale(), 0.0), 200.0 * binPerHz);
    EXPECT_DOUBLE_EQ(Map(engine.RowScale(), 100.0), 1000.0 * binPerHz);

    // Rows above the Nyquist frequency lie beyond the column: bins up to 1025 end at row 1025.
    engine.SetupDisplay(FftAnalysis, Display(0.0, 8000.0, 2048));
    EXPECT_EQ(engine.State().resampler.LastRow(), 1025);
}

TEST(SetupDisplay, LogRowsStartAtOneHertzWhenMinFreqIsZero) {
    SpectrogramEngine engine;
    SetUpKind(engine, FftAnalysis);
    DisplaySettings display = Display(0.0, 1000.0, 256);
    display.logScale = true;
    engine.SetupDisplay(FftAnalysis, display);
    EXPECT_EQ(engine.Display().minFreq, 1.0);
    EXPECT_EQ(engine.RowScale().kind, ScaleKind::Exponential);
    EXPECT_DOUBLE_EQ(Map(engine.PitchScale(), 0.0), 1.0);
    EXPECT_NEAR(Map(engine.PitchScale(), 256.0), 1000.0, 1e-9);
    EXPECT_NEAR(Map(engine.RowScale(), 256.0), 1000.0 * 2048.0 / kRate, 1e-9);
    display.minFreq = NAN;
    engine.SetupDisplay(FftAnalysis, display);
    EXPECT_EQ(engine.Display().minFreq, 1.0);
    display.minFreq = 50.0;
    engine.SetupDisplay(FftAnalysis, display);
    EXPECT_EQ(engine.Display().minFreq, 50.0);
}

TEST(SetupDisplay, ImageHeightIsRaisedToSixteenAndDbOffsetFollowsTheRate) {
    SpectrogramEngine engine;
    SetUpKind(engine, FftAnalysis);
    engine.SetupDisplay(FftAnalysis, Display(0.0, 1000.0, 3));
    EXPECT_EQ(engine.ImageHeight(), 16);
    EXPECT_NEAR(engine.DbOffset(), 90.30899869919435 + 10.0 * std::log10(kRate), 1e-12);
    engine.SetSource(10, 0.0);
    engine.SetupKind(FftAnalysis, AnalysisSettings{});
    engine.SetupDisplay(FftAnalysis, Display(0.0, 1000.0, 300));
    EXPECT_NEAR(engine.DbOffset(), 90.30899869919435 - 3000.0, 1e-9);
}

TEST(SetupDisplay, AutoCorrelationAndCepstrumInFrequencyViewMapRowsToLags) {
    for (int kind : {AutoCorrelationAnalysis, CepstrumAnalysis}) {
        SpectrogramEngine engine;
        AnalysisSettings settings;
        settings.acSizeLog2 = 10;
        settings.cepSizeLog2 = 10;
        SetUpKind(engine, kind, settings);
        ASSERT_EQ(engine.BinCount(), 1024);
        engine.SetupDisplay(kind, Display(0.0, 1000.0, 200));  // 5 Hz per row
        EXPECT_FALSE(engine.LagAxis());
        EXPECT_EQ(engine.RowScale().kind, ScaleKind::Reciprocal);
        EXPECT_DOUBLE_EQ(Map(engine.RowScale(), 40.0), kRate / 200.0);  // 200 Hz: lag 40
        // Lags up to 1024 samples: frequencies from 7.8 Hz, so rows 0 and 1 carry nothing.
        EXPECT_EQ(engine.State().resampler.FirstRow(), 2);
        EXPECT_EQ(engine.State().resampler.LastRow(), 200);
        EXPECT_TRUE(engine.State().resampler.Mode() == LookupMode::Linear);

        engine.SetupDisplay(kind, Display(100.0, 1100.0, 200));
        EXPECT_EQ(engine.RowScale().kind, ScaleKind::ShiftedReciprocal);
        EXPECT_DOUBLE_EQ(Map(engine.RowScale(), 20.0), kRate / 200.0);
        EXPECT_EQ(engine.State().resampler.FirstRow(), 0);
    }
}

TEST(SetupDisplay, AutoCorrelationAndCepstrumInLagViewShowTime) {
    for (int kind : {AutoCorrelationAnalysis, CepstrumAnalysis}) {
        SpectrogramEngine engine;
        SetUpKind(engine, kind);
        DisplaySettings display = Display(0.0, 1000.0, 160);
        display.showAsFrequency = false;
        display.minTime = 0.0;
        display.maxTime = 0.020;
        engine.SetupDisplay(kind, display);
        EXPECT_TRUE(engine.LagAxis());
        EXPECT_EQ(engine.RowScale().kind, ScaleKind::Linear);
        EXPECT_NEAR(Map(engine.RowScale(), 80.0), 80.0, 1e-9);  // 0.125 ms per row = 1 sample
        EXPECT_EQ(engine.PitchScale().kind, ScaleKind::Reciprocal);
        EXPECT_NEAR(Map(engine.PitchScale(), 80.0), 100.0, 1e-9);  // 10 ms is 100 Hz

        display.minTime = 0.001;
        engine.SetupDisplay(kind, display);
        EXPECT_EQ(engine.RowScale().kind, ScaleKind::Affine);
        EXPECT_NEAR(Map(engine.RowScale(), 0.0), 8.0, 1e-9);
        EXPECT_EQ(engine.PitchScale().kind, ScaleKind::ShiftedReciprocal);
    }
}

TEST(SetupDisplay, OtherKindsIgnoreTheLagSwitch) {
    SpectrogramEngine engine;
    AnalysisSettings settings;
    settings.lifSizeLog2 = 9;
    SetUpKind(engine, LifteringAnalysis, settings);
    EXPECT_EQ(engine.BinCount(), 257);
    DisplaySettings display = Display(0.0, 4000.0, 256);
    display.showAsFrequency = false;
    engine.SetupDisplay(LifteringAnalysis, display);
    EXPECT_FALSE(engine.LagAxis());
    EXPECT_NEAR(Map(engine.RowScale(), 256.0), 256.0, 1e-9);  // Nyquist is bin N/2

    SpectrogramEngine pitch;
    SetUpKind(pitch, PitchAnalysis);
    pitch.SetupDisplay(PitchAnalysis, display);
    EXPECT_FALSE(pitch.LagAxis());
    EXPECT_EQ(pitch.PitchScale(), ScaleMap::Linear(4000.0 / 256.0));
    EXPECT_EQ(pitch.State().resampler.Mode(), LookupMode::Nearest);
}

TEST(SetupDisplay, MemRowsAreNormalisedByTheDecimatedRate) {
    SpectrogramEngine engine;
    AnalysisSettings settings;
    settings.memResampleRate = -1.0;  // 16 kHz halves to 8 kHz
    engine.SetSource(4, 16000.0);
    engine.SetupKind(MemAnalysis, settings);
    EXPECT_EQ(engine.Decimation(), 2);
    EXPECT_EQ(engine.BinCount(), 0);
    DisplaySettings display = Display(0.0, 8000.0, 100);
    display.interpolate = true;
    engine.SetupDisplay(MemAnalysis, display);
    EXPECT_EQ(engine.BinCount(), 100);  // one value per row
    EXPECT_DOUBLE_EQ(Map(engine.RowScale(), 50.0), 4000.0 / 8000.0);
    EXPECT_EQ(engine.State().resampler.Mode(), LookupMode::Nearest);
    EXPECT_NEAR(engine.DbOffset(), 90.30899869919435 + 10.0 * std::log10(8000.0), 1e-12);
}

}  // namespace
}  // namespace tonalyx

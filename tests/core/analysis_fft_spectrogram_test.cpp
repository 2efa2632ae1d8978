// A whole FFT spectrogram of known signals: framing, column computation, display set-up and the
// level image, checked against levels worked out directly from the frames.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "analysis/Spectrogram.h"
#include "dsp/Window.h"

namespace tonalyx {
namespace {

constexpr double kRate = 8000.0;
constexpr int kLog2 = 8;  // N = 256
constexpr int kN = 1 << kLog2;
constexpr int kRows = 128;  // with maxFreq 4000 Hz, row r is FFT bin r
constexpr double kTop = 256.0 * 0.9999999999;

SoundData MakeSound(const std::vector<std::int16_t>& samples) {
    SoundData sound;
    sound.samples = samples;
    sound.sampleCount = static_cast<std::int32_t>(samples.size());
    sound.format.sampleRate = static_cast<std::uint32_t>(kRate);
    return sound;
}

std::vector<std::int16_t> Tone(int count, double hz, double amplitude) {
    std::vector<std::int16_t> samples(count);
    for (int i = 0; i < count; ++i) {
        samples[i] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * M_PI * hz * i / kRate)));
    }
    return samples;
}

ViewGeometry FittedView(int sampleCount, int width) {
    ViewGeometry geometry;
    geometry.sampleCount = sampleCount;
    geometry.viewWidth = width;
    geometry.fitToWindow = true;
    return geometry;
}

AnalysisSettings BoxFft() {
    AnalysisSettings settings;
    settings.fftSizeLog2 = kLog2;
    settings.fftWindow = Box;
    return settings;
}

DisplaySettings BinRows() {
    DisplaySettings display;
    display.minFreq = 0.0;
    display.maxFreq = kRate / 2.0;
    display.imageHeight = kRows;
    display.interpolate = false;
    return display;
}

// Columns whose frame lies wholly inside the sound.
std::vector<int> InteriorColumns(const ViewGeometry& geometry) {
    std::vector<int> columns;
    for (int c = 0; c < geometry.VisibleColumns().count; ++c) {
        const SampleSpan span = geometry.VisibleSampleRange(c);
        const long long start = CentredFrameStart(span.start, span.end, kN);
        if (start >= 0 && start + kN <= geometry.sampleCount) columns.push_back(c);
    }
    return columns;
}

// The one-sided power of bin k of the unwindowed frame, by a direct DFT.
double DirectPower(const std::vector<std::int16_t>& samples, long long start, int k) {
    std::complex<double> sum = 0.0;
    for (int j = 0; j < kN; ++j)
        sum += double(samples[start + j]) * std::polar(1.0, 2 * M_PI * k * j / kN);
    const double scale = (k == 0 || k == kN / 2) ? 1.0 : 2.0;
    return scale * std::norm(sum) / kN;
}

double ExpectedLevel(double power, const DisplaySettings& display, double dbOffset) {
    const double db = 10.0 * std::log10(power);
    const double lo = display.minDb + dbOffset, hi = display.maxDb + dbOffset;
    return std::clamp((db - lo) * kTop / (hi - lo), 0.0, kTop);
}

struct Rendered {
    SpectrogramEngine engine;
    LevelImage image;
    std::vector<double> levels;

    void Run(const SoundData& sound, const ViewGeometry& geometry, const AnalysisSettings& settings,
             const DisplaySettings& display) {
        ComputeSpectrogramColumns(engine, sound, geometry, FftAnalysis, settings);
        RenderLevelImage(engine, FftAnalysis, display, geometry, nullptr, image, levels);
    }
    int Pixel(int column, int row) const {
        return image.pixels[static_cast<std::size_t>(engine.ImageHeight() - 1 - row) * image.width +
                            column];
    }
};

TEST(FftSpectrogram, SineAtABinFrequencyIsBrightestOnItsRow) {
    const std::vector<std::int16_t> samples = Tone(8000, 1000.0, 16384.0);  // bin 32
    const SoundData sound = MakeSound(samples);
    const ViewGeometry geometry = FittedView(8000, 50);
    const DisplaySettings display = BinRows();
    Rendered r;
    r.Run(sound, geometry, BoxFft(), display);
    ASSERT_EQ(r.engine.ColumnCount(), 50);
    EXPECT_NEAR(r.engine.DbOffset(), 20 * std::log10(32768.0) + 10 * std::log10(kRate), 1e-12);

    const std::vector<int> interior = InteriorColumns(geometry);
    ASSERT_GT(interior.size(), 40u);
    std::vector<double> levels(kRows);
    for (int c : interior) {
        r.engine.RenderLevelColumn(levels.data(), c, c + 1, 256.0, false);
        const auto brightest = std::max_element(levels.begin(), levels.end()) - levels.begin();
        EXPECT_EQ(brightest, 32) << "column " << c;
        const SampleSpan span = geometry.VisibleSampleRange(c);
        const long long start = CentredFrameStart(span.start, span.end, kN);
        const double expected =
            ExpectedLevel(DirectPower(samples, start, 32), display, r.engine.DbOffset());
        EXPECT_NEAR(levels[32], expected, 1e-6);
        EXPECT_GT(expected, 200.0);
        EXPECT_EQ(r.Pixel(c, 32), static_cast<int>(expected));
        // Away from the tone and its quantisation harmonics there is nothing above -90 dB.
        EXPECT_EQ(r.Pixel(c, 20), 0);
        EXPECT_EQ(r.Pixel(c, 100), 0);
    }
}

TEST(FftSpectrogram, SilenceGivesLevelZeroEverywhere) {
    const SoundData sound = MakeSound(std::vector<std::int16_t>(3000, 0));
    const ViewGeometry geometry = FittedView(3000, 40);
    Rendered r;
    DisplaySettings display = BinRows();
    display.interpolate = true;
    display.smoothing = true;
    display.smoothingWidth = 3;
    r.Run(sound, geometry, BoxFft(), display);
    ASSERT_EQ(r.image.width, 40);
    ASSERT_EQ(r.image.height, kRows);
    EXPECT_TRUE(std::all_of(r.image.pixels.begin(), r.image.pixels.end(),
                            [](std::uint8_t p) { return p == 0; }));
}

TEST(FftSpectrogram, FullScaleDcPutsItsWholeEnergyIntoBinZero) {
    const SoundData sound = MakeSound(std::vector<std::int16_t>(4000, 32767));
    const ViewGeometry geometry = FittedView(4000, 20);
    Rendered r;
    DisplaySettings display = BinRows();
    r.Run(sound, geometry, BoxFft(), display);
    const int bins = r.engine.BinCount();
    ASSERT_EQ(bins, kN / 2 + 1);
    const double full = double(kN) * 32767.0 * 32767.0;
    for (int c : InteriorColumns(geometry)) {
        const double* column = r.engine.Data().data() + static_cast<std::size_t>(c) * bins;
        EXPECT_NEAR(column[0], full, full * 1e-12);
        for (int k = 1; k < bins; ++k)
            ASSERT_LT(column[k], full * 1e-20) << k;
    }

    // Put the max threshold exactly at the DC level, then the min threshold: inclusive ends.
    const int c = InteriorColumns(geometry).front();
    const double dcDb = 10.0 * std::log10(r.engine.Data()[static_cast<std::size_t>(c) * bins]);
    display.maxDb = dcDb - r.engine.DbOffset();
    display.minDb = display.maxDb - 50.0;
    RenderLevelImage(r.engine, FftAnalysis, display, geometry, nullptr, r.image, r.levels);
    EXPECT_EQ(r.Pixel(c, 0), 255);
    display.minDb = dcDb - r.engine.DbOffset();
    display.maxDb = display.minDb + 50.0;
    RenderLevelImage(r.engine, FftAnalysis, display, geometry, nullptr, r.image, r.levels);
    EXPECT_EQ(r.Pixel(c, 0), 0);
}

TEST(FftSpectrogram, RowZeroIsTheBottomLine) {
    const SoundData sound = MakeSound(Tone(6000, 125.0, 20000.0));  // bin 4
    const ViewGeometry geometry = FittedView(6000, 30);
    Rendered r;
    r.Run(sound, geometry, BoxFft(), BinRows());
    const int c = InteriorColumns(geometry)[3];
    int brightestLine = -1, brightest = -1;
    for (int line = 0; line < kRows; ++line) {
        const int p = r.image.pixels[static_cast<std::size_t>(line) * r.image.width + c];
        if (p > brightest) brightest = p, brightestLine = line;
    }
    EXPECT_EQ(brightestLine, kRows - 1 - 4);
    EXPECT_GT(brightest, 200);
}

TEST(FftSpectrogram, MinThresholdAboveMaxLeavesOnlyTwoLevels) {
    const SoundData sound = MakeSound(Tone(6000, 1500.0, 30000.0));
    const ViewGeometry geometry = FittedView(6000, 30);
    DisplaySettings display = BinRows();
    display.interpolate = true;
    display.minDb = -20.0;
    display.maxDb = -90.0;
    Rendered r;
    r.Run(sound, geometry, BoxFft(), display);
    int zeros = 0, full = 0;
    for (int line = 0; line < kRows; ++line) {
        for (int c = 0; c < 30; ++c) {
            const int p = r.image.pixels[static_cast<std::size_t>(line) * r.image.width + c];
            ASSERT_TRUE(p == 0 || p == 255) << p;
            (p == 0 ? zeros : full)++;
        }
    }
    EXPECT_GT(zeros, 0);
    EXPECT_GT(full, 0);
}

TEST(FftSpectrogram, LevelColumnAveragesPowersOverTheColumnRange) {
    // A tone that rises over the sound, so that the columns differ.
    std::vector<std::int16_t> samples(8000);
    for (int i = 0; i < 8000; ++i) {
        samples[i] =
            static_cast<std::int16_t>(12000.0 * std::sin(2 * M_PI * (300.0 + 0.1 * i) * i / kRate));
    }
    const ViewGeometry geometry = FittedView(8000, 40);
    DisplaySettings display = BinRows();
    display.maxFreq = 3100.0;  // 6.2 bins per row, read between bins
    display.interpolate = true;
    display.minDb = -100.0;
    display.maxDb = -10.0;
    Rendered r;
    r.Run(MakeSound(samples), geometry, AnalysisSettings{}, display);  // Hanning, N = 2048
    const int bins = r.engine.BinCount();
    ASSERT_EQ(bins, 1025);

    std::vector<double> levels(kRows);
    r.engine.RenderLevelColumn(levels.data(), 10, 20, 100.0, true);
    const double top = 100.0 * 0.9999999999;
    const double lo = display.minDb + r.engine.DbOffset(), hi = display.maxDb + r.engine.DbOffset();
    std::vector<double> meanDb(bins);
    for (int bin = 0; bin < bins; ++bin) {
        double sum = 0.0;
        for (int c = 10; c < 20; ++c)
            sum += r.engine.Data()[static_cast<std::size_t>(c) * bins + bin];
        meanDb[bin] = 10.0 * std::log10(sum / 10.0);
    }
    for (int row = 0; row < kRows; ++row) {
        const double x = row * (3100.0 / kRows) * (2048.0 / kRate);
        const int i = static_cast<int>(x);
        const double db = meanDb[i] + (x - i) * (meanDb[i + 1] - meanDb[i]);
        ASSERT_NEAR(levels[row], (db - lo) * top / (hi - lo), 1e-9) << row;
    }
    // An empty or out-of-range column range gives zeros.
    r.engine.RenderLevelColumn(levels.data(), 20, 20, 100.0, true);
    EXPECT_TRUE(std::all_of(levels.begin(), levels.end(), [](double v) { return v == 0.0; }));
    r.engine.RenderLevelColumn(levels.data(), 40, 45, 100.0, true);
    EXPECT_TRUE(std::all_of(levels.begin(), levels.end(), [](double v) { return v == 0.0; }));
}

}  // namespace
}  // namespace tonalyx

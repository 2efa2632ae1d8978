// Framing of the view into one analysis frame per pixel column. The FFT kind with the Box window
// shows each frame through two numbers: bin 0 is (sum x)^2 / N and the bins add up to sum x^2.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "analysis/Spectrogram.h"
#include "dsp/Window.h"

namespace tonalyx {
namespace {

constexpr int kLog2 = 6;
constexpr int kN = 1 << kLog2;

SoundData Ramp(int count) {
    SoundData sound;
    for (int i = 0; i < count; ++i)
        sound.samples.push_back(static_cast<std::int16_t>(3 * i - 700));
    sound.sampleCount = count;
    sound.format.sampleRate = 8000;
    return sound;
}

// The frame of kN samples starting at start, zeros outside the sound.
std::vector<double> ExpectedFrame(const SoundData& sound, long long start) {
    std::vector<double> frame(kN, 0.0);
    for (int k = 0; k < kN; ++k) {
        const long long i = start + k;
        if (i >= 0 && i < sound.sampleCount) frame[k] = sound.samples[i];
    }
    return frame;
}

// Checks that column c of a Box FFT analysis came from the frame starting at start.
void ExpectColumnFromFrame(const SpectrogramEngine& engine, int c, const SoundData& sound,
                           long long start) {
    const std::vector<double> frame = ExpectedFrame(sound, start);
    double sum = 0.0, energy = 0.0;
    for (double v : frame)
        sum += v, energy += v * v;
    const int bins = engine.BinCount();
    const double* column = engine.Data().data() + static_cast<std::size_t>(c) * bins;
    double total = 0.0;
    for (int k = 0; k < bins; ++k)
        total += column[k];
    EXPECT_NEAR(column[0], sum * sum / kN, 1e-9 * (1.0 + sum * sum / kN)) << "column " << c;
    EXPECT_NEAR(total, energy, 1e-9 * (1.0 + energy)) << "column " << c;
}

AnalysisSettings BoxSettings() {
    AnalysisSettings settings;
    settings.fftSizeLog2 = kLog2;
    settings.fftWindow = Box;
    return settings;
}

TEST(CentredFrameStart, CentresOnTheColumnTruncatingTowardZero) {
    EXPECT_EQ(CentredFrameStart(100, 110, 16), 97);
    EXPECT_EQ(CentredFrameStart(0, 4, 16), -6);
    EXPECT_EQ(CentredFrameStart(0, 1, 16), -7);  // -15 / 2; floor would give -8
    EXPECT_EQ(CentredFrameStart(2147483000, 2147483600, 16), 2147483292);  // no overflow
}

TEST(FillFrame, ZeroPadsBeforeAndAfterTheSound) {
    SoundData sound;
    sound.samples = {1, 2, 3, 4};
    sound.sampleCount = 4;
    std::vector<double> frame(8, -1.0);
    FillFrame(sound, -3, 8, frame.data());
    EXPECT_EQ(frame, (std::vector<double>{0, 0, 0, 1, 2, 3, 4, 0}));
    FillFrame(sound, 2, 8, frame.data());
    EXPECT_EQ(frame, (std::vector<double>{3, 4, 0, 0, 0, 0, 0, 0}));
    FillFrame(sound, -20, 8, frame.data());
    EXPECT_EQ(frame, std::vector<double>(8, 0.0));
    FillFrame(sound, 9, 8, frame.data());
    EXPECT_EQ(frame, std::vector<double>(8, 0.0));
    // A count beyond the stored samples reads only what is there.
    sound.sampleCount = 100;
    FillFrame(sound, 1, 8, frame.data());
    EXPECT_EQ(frame, (std::vector<double>{2, 3, 4, 0, 0, 0, 0, 0}));
}

TEST(ComputeSpectrogramColumns, FramesAreCentredOnTheColumnsAndZeroPaddedAtTheEnds) {
    const SoundData sound = Ramp(1000);
    ViewGeometry geometry;
    geometry.sampleCount = 1000;
    geometry.viewWidth = 37;  // 27.03 samples per column
    std::vector<double> reported;
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, FftAnalysis, BoxSettings(),
                              [&](double f) { reported.push_back(f); });
    ASSERT_EQ(engine.ColumnCount(), 37);
    EXPECT_EQ(engine.FrameLength(), kN);

    // The first frame starts about half a frame before sample 0, the last runs past the end.
    const SampleSpan first = geometry.VisibleSampleRange(0);
    EXPECT_EQ(CentredFrameStart(first.start, first.end, kN), (27 - kN) / 2);
    const SampleSpan last = geometry.VisibleSampleRange(36);
    EXPECT_GT(CentredFrameStart(last.start, last.end, kN) + kN, 1000);
    for (int c = 0; c < 37; ++c) {
        const SampleSpan span = geometry.VisibleSampleRange(c);
        ExpectColumnFromFrame(engine, c, sound, (span.start + span.end - kN) / 2);
    }

    ASSERT_EQ(reported.size(), 37u);
    EXPECT_EQ(reported.front(), 0.0);
    EXPECT_DOUBLE_EQ(reported.back(), 36.0 / 37.0);
}

TEST(ComputeSpectrogramColumns, ASoundShorterThanOneFrameStillGivesEveryColumn) {
    const SoundData sound = Ramp(20);
    ViewGeometry geometry;
    geometry.sampleCount = 20;
    geometry.viewWidth = 10;
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, FftAnalysis, BoxSettings());
    ASSERT_EQ(engine.ColumnCount(), 10);
    for (int c = 0; c < 10; ++c)
        ExpectColumnFromFrame(engine, c, sound, (4 * c + 2 - kN) / 2);
}

TEST(ComputeSpectrogramColumns, TheHopIsOnePixelColumnWhateverTheFrameLength) {
    const SoundData sound = Ramp(10000);
    ViewGeometry geometry;
    geometry.sampleCount = 10000;
    geometry.viewWidth = 50;
    geometry.fitToWindow = false;
    geometry.samplesPerPixel = 16;
    geometry.scroll.position = 20;  // columns 20..69 of 625
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, FftAnalysis, BoxSettings());
    ASSERT_EQ(engine.ColumnCount(), 50);
    // Column i covers samples 16 (20 + i) .. 16 (21 + i); its frame starts there + 8 - N/2.
    for (int i = 0; i < 50; ++i)
        ExpectColumnFromFrame(engine, i, sound, 16 * (20 + i) + 8 - kN / 2);
}

TEST(ComputeSpectrogramColumns, ThePitchKindOnlySetsUpTheEngine) {
    const SoundData sound = Ramp(1000);
    ViewGeometry geometry;
    geometry.sampleCount = 1000;
    geometry.viewWidth = 25;
    SpectrogramEngine engine;
    ComputeSpectrogramColumns(engine, sound, geometry, FftAnalysis, BoxSettings());
    const std::vector<double> before(engine.Data().begin(),
                                     engine.Data().begin() + 25 * engine.BinCount());
    int calls = 0;
    ComputeSpectrogramColumns(engine, sound, geometry, PitchAnalysis, AnalysisSettings{},
                              [&](double) { ++calls; });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(engine.Kind(), PitchAnalysis);
    EXPECT_EQ(engine.BinCount(), kN / 2 + 1);  // kept from the FFT set-up
    EXPECT_TRUE(std::equal(before.begin(), before.end(), engine.Data().begin()));
}

}  // namespace
}  // namespace tonalyx

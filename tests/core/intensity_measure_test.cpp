// Intensity in dB: sines against the closed form, the mean removed, silence, frame placement,
// bad settings, and streamed frames equal to the whole sound's.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/Intensity.h"
#include "document/SoundFile.h"
#include "document/WaveWriter.h"
#include "tests/core/document_wave_test_files.h"

namespace tonalyx {
namespace {

std::vector<int16_t> Sine(int rate, double seconds, double hz, double amplitude, double dc = 0) {
    std::vector<int16_t> x(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<int16_t>(
            std::lround(dc + amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
    return x;
}

TEST(Intensity, ASineReadsItsClosedFormLevel) {
    // Amplitude A (of 32768 = 1 Pa): mean square A^2 / 2, level 10 log10(A^2 / 2 / (2e-5)^2).
    for (double amplitude : {3276.8, 100.0, 30000.0}) {
        const IntensityTable t = MeasureIntensity(Sine(44100, 1.0, 1000, amplitude), 44100, {});
        ASSERT_GT(t.summary.frames, 100);
        const double pa = amplitude / 32768;
        const double expected = 10 * std::log10(pa * pa / 2 / 4e-10);
        for (double db : t.decibels)
            EXPECT_NEAR(db, expected, 0.01) << amplitude;
    }
    // At the lowest pitch the window still holds the ripple down.
    const IntensityTable low = MeasureIntensity(Sine(16000, 1.0, 100, 5000), 16000, {});
    for (double db : low.decibels)
        EXPECT_NEAR(db, 10 * std::log10(std::pow(5000 / 32768.0, 2) / 2 / 4e-10), 0.01);
}

TEST(Intensity, TheMeanIsRemovedSilenceReadsTheFloorFramesAreCentred) {
    const IntensityTable offset = MeasureIntensity(Sine(16000, 1.0, 500, 1000, 5000), 16000, {});
    const double expected = 10 * std::log10(std::pow(1000 / 32768.0, 2) / 2 / 4e-10);
    EXPECT_NEAR(offset.decibels[20], expected, 0.01);
    IntensitySettings kept;
    kept.subtractMean = false;
    const IntensityTable withDc = MeasureIntensity(Sine(16000, 1.0, 500, 1000, 5000), 16000, kept);
    EXPECT_GT(withDc.decibels[20], expected + 10);
    const IntensityTable silence = MeasureIntensity(std::vector<int16_t>(16000, 7), 16000, {});
    for (double db : silence.decibels)
        EXPECT_EQ(db, kSilenceDb);
    // 1 s, 64 ms windows 8 ms apart: frames centred as a group.
    EXPECT_NEAR(silence.summary.windowSeconds, 0.064, 1e-15);
    EXPECT_NEAR(silence.times[1] - silence.times[0], 0.008, 1e-12);
    EXPECT_NEAR(silence.times.front() + silence.times.back(), 1.0, 1e-9);
    const IntensityTable brief = MeasureIntensity(std::vector<int16_t>(500, 7), 16000, {});
    EXPECT_EQ(brief.summary.frames, 0);
    EXPECT_FALSE(brief.summary.note.empty());
    IntensitySettings bad;
    bad.minPitchHz = 0;
    EXPECT_THROW(MeasureIntensity(std::vector<int16_t>(500), 16000, bad), std::invalid_argument);
    bad = {};
    bad.stepSeconds = -0.1;
    EXPECT_THROW(MeasureIntensity(std::vector<int16_t>(500), 16000, bad), std::invalid_argument);
}

TEST(Intensity, StreamedFromAFileEqualsTheWholeSoundBitForBit) {
    const testing::TempDir dir;
    std::vector<int16_t> sound(3 * 22050);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0, 2000);
    for (std::size_t i = 0; i < sound.size(); ++i)
        sound[i] =
            static_cast<int16_t>(std::clamp(noise(random) * (i % 9000) / 9000, -32768.0, 32767.0));
    const std::string path = dir.File("noise.wav");
    ASSERT_TRUE(WriteWaveFile(path, testing::Pcm(16, 1, 22050), sound));
    IntensitySettings s;
    s.minPitchHz = 75;
    s.stepSeconds = 0.01;
    const IntensityTable whole = MeasureIntensity(sound, 22050, s, {1, 1 << 20, {}});
    auto source = OpenFrameSource(path, 0);
    ASSERT_TRUE(source);
    std::vector<double> times, decibels;
    StreamIntensity(*source, s,
                    [&](const IntensityBlock& b) {
                        EXPECT_EQ(b.firstFrame, static_cast<int64_t>(times.size()));
                        times.insert(times.end(), b.times.begin(), b.times.end());
                        decibels.insert(decibels.end(), b.decibels.begin(), b.decibels.end());
                    },
                    {2, 5, {}});
    ASSERT_EQ(decibels.size(), whole.decibels.size());
    EXPECT_EQ(std::memcmp(decibels.data(), whole.decibels.data(), decibels.size() * 8), 0);
    EXPECT_EQ(std::memcmp(times.data(), whole.times.data(), times.size() * 8), 0);
}

}  // namespace
}  // namespace tonalyx

#include "interaction/PlaybackFrames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace tonalyx {
namespace {

template <typename T>
std::vector<T> Render(const std::vector<std::int16_t>& samples, std::uint32_t sourceRate,
                      const OutputLayout& layout) {
    const std::int64_t frames =
        OutputFrameCount(std::ssize(samples), sourceRate, layout.sampleRate);
    std::vector<unsigned char> bytes(static_cast<size_t>(frames * layout.BytesPerFrame()));
    RenderFrames(samples, sourceRate, layout, 0, frames, bytes.data());
    std::vector<T> values(bytes.size() / sizeof(T));
    std::memcpy(values.data(), bytes.data(), bytes.size());
    return values;
}

std::vector<std::int16_t> RandomSamples(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<std::int16_t> samples(static_cast<size_t>(count));
    for (auto& s : samples)
        s = static_cast<std::int16_t>(value(random));
    return samples;
}

TEST(PlayStretch, IsClampedToTheSound) {
    const auto expect = [](PlayStretch s, int from, int to) {
        EXPECT_EQ(s.from, from);
        EXPECT_EQ(s.to, to);
    };
    expect(ClampPlayStretch(10, 20, 100), 10, 20);
    expect(ClampPlayStretch(-3, 200, 100), 0, 100);
    expect(ClampPlayStretch(150, 200, 100), 100, 100);
    expect(ClampPlayStretch(30, 20, 100), 30, 30);
    expect(ClampPlayStretch(5, 10, 0), 0, 0);
}

TEST(PlayStretch, ThePlayingSampleFollowsTheTimeAndStopsOnTheLastSample) {
    const PlayStretch stretch{1000, 9000};
    EXPECT_EQ(PlayingSample(stretch, 16000, 0), 1000);
    EXPECT_EQ(PlayingSample(stretch, 16000, -5000), 1000);
    EXPECT_EQ(PlayingSample(stretch, 16000, 250'000), 5000);
    EXPECT_EQ(PlayingSample(stretch, 16000, 499'999), 8999);
    EXPECT_EQ(PlayingSample(stretch, 16000, 10'000'000), 8999);
    EXPECT_EQ(PlayingSample({40, 40}, 16000, 1'000'000), 40);
    // Hours of time at a high rate do not overflow.
    EXPECT_EQ(PlayingSample({0, 2'000'000'000}, 192000, 3'600'000'000LL), 691'200'000);
}

TEST(OutputFrames, CoverEverySourceSample) {
    EXPECT_EQ(OutputFrameCount(16000, 16000, 16000), 16000);
    EXPECT_EQ(OutputFrameCount(16000, 16000, 48000), 48000);
    EXPECT_EQ(OutputFrameCount(3, 48000, 16000), 1);
    EXPECT_EQ(OutputFrameCount(4, 48000, 16000), 2);
    EXPECT_EQ(OutputFrameCount(44100, 44100, 48000), 48000);
    EXPECT_EQ(OutputFrameCount(1, 44100, 48000), 2);
    EXPECT_EQ(OutputFrameCount(0, 44100, 48000), 0);
    EXPECT_EQ(OutputFrameCount(10, 0, 48000), 0);
    // The last frame still lies on the stretch, one more would not.
    for (std::int64_t n : {1, 7, 441, 1000}) {
        const std::int64_t frames = OutputFrameCount(n, 44100, 48000);
        EXPECT_LT((frames - 1) * 44100 / 48000, n);
        EXPECT_GE(frames * 44100 / 48000, n - 1);
    }
}

TEST(OutputFrames, AtTheSoundsOwnRateMonoSixteenBitIsTheSamplesUnchanged) {
    const std::vector<std::int16_t> samples = RandomSamples(1000, 1);
    OutputLayout layout{22050, 1, OutputSampleKind::Int16};
    EXPECT_EQ(Render<std::int16_t>(samples, 22050, layout), samples);
}

TEST(OutputFrames, RenderingInPiecesGivesTheSameBytesAsAtOnce) {
    // The output pulls the frames in pieces of its own choosing.
    const std::vector<std::int16_t> samples = RandomSamples(997, 2);
    const OutputLayout layout{48000, 2, OutputSampleKind::Float};
    const auto whole = Render<unsigned char>(samples, 44100, layout);
    const std::int64_t frames = OutputFrameCount(997, 44100, 48000);
    std::vector<unsigned char> pieces(whole.size());
    for (std::int64_t first = 0, step = 1; first < frames;
         first += step, step = step * 3 % 97 + 1) {
        const std::int64_t count = std::min(step, frames - first);
        RenderFrames(samples, 44100, layout, first, count,
                     pieces.data() + first * layout.BytesPerFrame());
    }
    EXPECT_EQ(pieces, whole);
}

TEST(OutputFrames, EveryChannelGetsTheSampleInEveryCoding) {
    const std::vector<std::int16_t> samples{-32768, -1, 0, 1, 32767};
    const auto floats = Render<float>(samples, 8000, {8000, 2, OutputSampleKind::Float});
    const auto ints = Render<std::int32_t>(samples, 8000, {8000, 3, OutputSampleKind::Int32});
    const auto bytes = Render<std::uint8_t>(samples, 8000, {8000, 1, OutputSampleKind::UInt8});
    ASSERT_EQ(floats.size(), 10u);
    ASSERT_EQ(ints.size(), 15u);
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_FLOAT_EQ(floats[2 * i], samples[i] / 32768.0f);
        EXPECT_FLOAT_EQ(floats[2 * i + 1], samples[i] / 32768.0f);
        for (size_t c = 0; c < 3; ++c)
            EXPECT_EQ(ints[3 * i + c], std::int32_t{samples[i]} * 65536);
    }
    EXPECT_EQ(floats.front(), -1.0f);
    EXPECT_EQ(ints.front(), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 127, 128, 128, 255}));
}

TEST(OutputFrames, ResamplingInterpolatesBetweenNeighbours) {
    const std::vector<std::int16_t> samples{0, 100, -100, 1000};
    // Twice the rate: the source samples with their midpoints between, the last one held.
    EXPECT_EQ(Render<std::int16_t>(samples, 8000, {16000, 1, OutputSampleKind::Int16}),
              (std::vector<std::int16_t>{0, 50, 100, 0, -100, 450, 1000, 1000}));
    // A third of the rate: every third sample.
    const std::vector<std::int16_t> many = RandomSamples(300, 3);
    const auto third = Render<std::int16_t>(many, 48000, {16000, 1, OutputSampleKind::Int16});
    ASSERT_EQ(third.size(), 100u);
    for (size_t k = 0; k < third.size(); ++k)
        EXPECT_EQ(third[k], many[3 * k]);
}

TEST(OutputFrames, MatchADirectInterpolationAtOddRates) {
    const std::vector<std::int16_t> samples = RandomSamples(2000, 4);
    for (auto [source, output] : {std::pair{44100u, 48000u}, {11025u, 44100u}, {48000u, 44100u}}) {
        const auto frames = Render<float>(samples, source, {output, 1, OutputSampleKind::Float});
        ASSERT_EQ(frames.size(), static_cast<size_t>(OutputFrameCount(2000, source, output)));
        for (size_t k = 0; k < frames.size(); ++k) {
            const double position = static_cast<double>(k) * source / output;
            const auto i = static_cast<size_t>(std::floor(position));
            const size_t next = std::min<size_t>(i + 1, samples.size() - 1);
            const double expected = samples[i] + (position - i) * (samples[next] - samples[i]);
            ASSERT_NEAR(frames[k] * 32768.0, expected, 1e-2) << source << " " << k;
        }
    }
}

}  // namespace
}  // namespace tonalyx
